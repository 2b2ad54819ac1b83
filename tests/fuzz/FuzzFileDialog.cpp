// The open and save dialogs hand back NUL-separated, NUL-padded buffers that the program cuts and
// splits. Whatever the properties and whatever a person picks, the buffers must hold and give back
// exactly the choice, or fail like a cancel when it does not fit; ParseMultiFileName must take any
// Filename.
//
// Input: byte 0 chooses the mode and flags; the rest is split at NUL into the filter, the default
// extension, the preset name, the folder and the chosen names.
#include "FuzzCheck.h"
#include "core/Error.h"
#include "dialogs/cFileDialog.h"
#include "ui/FileDialogs.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace tbn::ui;

namespace {

// What a real dialog can return: names without separators or NULs, never "." or "..". A
// backslash is a legal name character here but the parser takes it for a Windows separator.
QString NameFrom(const QByteArray& bytes) {
    QString name = QString::fromUtf8(bytes);
    name.remove(QChar(u'/')).remove(QChar(u'\\')).remove(QChar(u'\0'));
    if (name == u"." || name == u"..") name.clear();
    return name;
}

// The path as the dialog layer completes it: the default extension (leading dots dropped) is added
// to a file name without one, since none of the chosen files exists.
QString Completed(const QString& path, QString ext) {
    while (ext.startsWith(u'.')) ext.remove(0, 1);
    if (ext.isEmpty() || QFileInfo(path).fileName().contains(u'.')) return path;
    return path + u'.' + ext;
}

void ParseAnyFilename(const QByteArray& raw, int counted) {
    cFileDialog dialog;
    try {
        dialog.SetFilename(QString::fromUtf8(raw));
    } catch (const tbn::Error&) {
        return;  // longer than the buffer: refused by the setter
    }
    QString dir;
    QStringList files;
    std::int32_t count = counted;
    try {
        dialog.ParseMultiFileName(dir, files, count);
    } catch (const tbn::Error&) {
        FUZZ_CHECK(counted < 0);
        return;
    }
    FUZZ_CHECK(count >= 1);
    FUZZ_CHECK(files.size() == count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1),
                          static_cast<qsizetype>(size - 1));
    if (mode & 0x80) {
        ParseAnyFilename(rest, (mode & 0x40) ? -1 : 0);
        return 0;
    }

    const QList<QByteArray> parts = rest.split('\0');
    auto part = [&](qsizetype i) { return i < parts.size() ? parts[i] : QByteArray(); };
    const bool save = mode & 0x1;
    const bool multi = mode & 0x2;
    // The program's own extension never holds a separator; one that did would move the file.
    const QString ext = NameFrom(part(1));
    const QString folder = QDir::cleanPath(QStringLiteral("/tbn-fuzz-none/") + NameFrom(part(3)));
    QStringList chosen;
    for (qsizetype i = 4; i < parts.size(); ++i) {
        const QString name = NameFrom(parts[i]);
        if (!name.isEmpty()) chosen << QDir::cleanPath(folder + u'/' + name);
    }
    if (chosen.isEmpty()) chosen << folder;
    if (save || !multi) chosen = chosen.mid(0, 1);

    SetFileDialogResponder([&](const FileDialogRequest& request) {
        FUZZ_CHECK(request.filterIndex >= 1 &&
                   request.filterIndex <= std::max<qsizetype>(1, request.filters.size()));
        for (const FileDialogFilter& filter : request.filters)
            FUZZ_CHECK(!filter.description.isEmpty());
        return FileDialogAnswer{false, chosen, static_cast<int>(mode >> 2) % 5};
    });

    cFileDialog dialog;
    std::int32_t flags = OFN_FILEMUSTEXIST;
    if (multi) flags |= OFN_ALLOWMULTISELECT;
    if (save) flags = OFN_OVERWRITEPROMPT;
    dialog.Setflags(flags);
    dialog.SetFilter(QString::fromUtf8(part(0)));
    dialog.SetDefaultExt(ext);
    dialog.SetCancelError(false);
    const QString preset = QString::fromUtf8(part(2));
    try {
        dialog.SetFilename(preset);
        if (save)
            dialog.ShowSave();
        else
            dialog.ShowOpen();
    } catch (const tbn::Error&) {
        SetFileDialogResponder({});
        return 0;  // a preset name too long for the buffer is refused before any dialog
    }
    SetFileDialogResponder({});

    QStringList expected;
    for (const QString& path : chosen) expected << Completed(path, ext);
    const std::size_t bufferSize = save || !multi ? 1024 : 8192;
    std::size_t needed = 0;
    if (expected.size() == 1) {
        needed = expected.front().toUtf8().size() + 1;
    } else {
        needed = folder.toUtf8().size() + 2;
        for (const QString& path : expected)
            needed += QFileInfo(path).fileName().toUtf8().size() + 1;
    }
    if (needed > bufferSize) {
        // Does not fit: the call fails like a cancel.
        FUZZ_CHECK(dialog.Filename() == (save ? preset : QString()));
        return 0;
    }
    FUZZ_CHECK(dialog.FilterIndex() >= 1);
    if (save || !multi) {
        FUZZ_CHECK(dialog.Filename() == expected.front());
        return 0;
    }
    FUZZ_CHECK(dialog.Filename().toUtf8().size() == 8192);
    QString dir;
    QStringList files;
    std::int32_t count = 0;
    dialog.ParseMultiFileName(dir, files, count);
    FUZZ_CHECK(count == expected.size());
    if (expected.size() == 1) {
        FUZZ_CHECK(dir + files.front() == expected.front());
    } else {
        FUZZ_CHECK(dir == folder);
        for (qsizetype i = 0; i < expected.size(); ++i)
            FUZZ_CHECK(files[i] == QFileInfo(expected[i]).fileName());
    }
    return 0;
}
