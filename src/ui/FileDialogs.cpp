#include "ui/FileDialogs.h"

#include "ui/MsgBox.h"
#include "ui/Responder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>
#include <algorithm>

namespace tbn::ui {

namespace {

QString UpToNul(const std::string& bytes, std::size_t limit = std::string::npos) {
    const std::size_t end = std::min(bytes.find('\0'), std::min(limit, bytes.size()));
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(end));
}

// Pairs end at the first empty description (the closing double NUL) or at a description that
// has no pattern text after it.
QList<FileDialogFilter> ParseFilters(const std::string& filter) {
    QList<FileDialogFilter> filters;
    const QList<QByteArray> parts = QByteArray::fromStdString(filter).split('\0');
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty() && !parts[i + 1].isEmpty();
         i += 2) {
        FileDialogFilter entry{QString::fromUtf8(parts[i]), {}};
        for (const QString& pattern :
             QString::fromUtf8(parts[i + 1]).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                entry.patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
        }
        filters << entry;
    }
    return filters;
}

FileDialogRequest RequestFrom(const OPENFILENAMEA& ofn, bool save) {
    FileDialogRequest r;
    r.save = save;
    r.title = UpToNul(ofn.lpstrTitle);
    if (r.title.isEmpty()) r.title = save ? QStringLiteral("Save As") : QStringLiteral("Open");
    r.filters = ParseFilters(ofn.lpstrFilter);
    r.filterIndex =
        (ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= r.filters.size()) ? ofn.nFilterIndex : 1;
    r.initialDir = UpToNul(ofn.lpstrInitialDir);
    r.presetName = UpToNul(ofn.lpstrFile, static_cast<std::size_t>(std::max(ofn.nMaxFile, 0)));
    r.defaultExt = UpToNul(ofn.lpstrDefExt);
    while (r.defaultExt.startsWith(QLatin1Char('.'))) r.defaultExt.remove(0, 1);
    r.multiSelect = !save && (ofn.Flags & OFN_ALLOWMULTISELECT);
    r.mustExist = ofn.Flags & OFN_FILEMUSTEXIST;
    r.overwritePrompt = save && (ofn.Flags & OFN_OVERWRITEPROMPT);
    if (ofn.hwndOwner) r.owner = QWidget::find(static_cast<WId>(ofn.hwndOwner));
    return r;
}

// An open dialog keeps an existing extension-less name as the user picked it.
QString WithDefaultExt(const QString& path, const QString& ext, bool save) {
    if (ext.isEmpty() || QFileInfo(path).fileName().contains(QLatin1Char('.'))) return path;
    if (!save && QFileInfo::exists(path)) return path;
    return path + QLatin1Char('.') + ext;
}

std::string ResultBytes(const QStringList& paths, bool multiSelect) {
    if (paths.size() == 1 || !multiSelect) return paths.first().toStdString();
    const QString folder = QFileInfo(paths.first()).absolutePath();
    std::string bytes = folder.toStdString();
    bytes += '\0';
    for (const QString& path : paths) {
        bytes += QDir(folder).relativeFilePath(path).toStdString();
        bytes += '\0';
    }
    return bytes;  // the padding supplies the list's closing NUL
}

bool ConfirmReplace(const QString& path, const FileDialogRequest& request) {
    return MsgBox(QFileInfo(path).fileName() +
                      QStringLiteral(" already exists.\r\nDo you want to replace it?"),
                  vbYesNo + vbExclamation + vbDefaultButton2, request.title) == vbYes;
}

int RunFileDialog(OPENFILENAMEA& ofn, bool save) {
    FileDialogRequest request = RequestFrom(ofn, save);
    const FileDialogResponder& responder = InstalledResponder<FileDialogResponder>();
    FileDialogAnswer answer;
    QStringList paths;
    for (;;) {
        answer = responder ? responder(request) : ShowQtFileDialog(request);
        if (answer.cancelled || answer.paths.isEmpty()) return 0;
        paths.clear();
        for (const QString& path : answer.paths)
            paths << WithDefaultExt(QDir::cleanPath(path), request.defaultExt, save);
        // Asked here, once, on the name the file will really have (its extension added); the
        // caller asks nothing more. No goes back to the dialog, as the platform's own does.
        if (!request.overwritePrompt || !QFileInfo::exists(paths.first()) ||
            ConfirmReplace(paths.first(), request))
            break;
        request.presetName = paths.first();
        if (answer.filterIndex >= 1 && answer.filterIndex <= request.filters.size())
            request.filterIndex = answer.filterIndex;
    }

    const std::string bytes = ResultBytes(paths, request.multiSelect);
    const std::size_t closingNuls = paths.size() > 1 && request.multiSelect ? 2 : 1;
    if (ofn.nMaxFile <= 0 || bytes.size() + closingNuls > static_cast<std::size_t>(ofn.nMaxFile))
        return 0;
    ofn.lpstrFile = bytes;
    ofn.lpstrFile.resize(static_cast<std::size_t>(ofn.nMaxFile), '\0');

    const std::string title = QFileInfo(paths.first()).fileName().toStdString();
    if (ofn.nMaxFileTitle > 0 && title.size() < static_cast<std::size_t>(ofn.nMaxFileTitle)) {
        ofn.lpstrFileTitle = title;
        ofn.lpstrFileTitle.resize(static_cast<std::size_t>(ofn.nMaxFileTitle), '\0');
    }
    if (answer.filterIndex >= 1 && answer.filterIndex <= request.filters.size())
        ofn.nFilterIndex = answer.filterIndex;
    return 1;
}

}  // namespace

QString FileDialogFilter::QtNameFilter() const {
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

void SetFileDialogResponder(FileDialogResponder responder) {
    InstalledResponder<FileDialogResponder>() = std::move(responder);
}

int GetOpenFileNameA(OPENFILENAMEA& ofn) { return RunFileDialog(ofn, false); }

int GetSaveFileNameA(OPENFILENAMEA& ofn) { return RunFileDialog(ofn, true); }

FileDialogAnswer ShowQtFileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(request.owner, request.title, request.initialDir);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (request.save || (!request.multiSelect && !request.mustExist))
        dialog.setFileMode(QFileDialog::AnyFile);
    else
        dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                               : QFileDialog::ExistingFile);
    // The question before replacing a file is asked once the dialog has closed (RunFileDialog).
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    // Descriptions already name their patterns ("SQL files (*.sql)"); show them as written.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);

    QStringList nameFilters;
    for (const FileDialogFilter& filter : request.filters) nameFilters << filter.QtNameFilter();
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
        dialog.selectNameFilter(nameFilters.at(request.filterIndex - 1));
    }
    // The dialog's own suffix handling lets its overwrite check see the final name.
    if (request.save && !request.defaultExt.isEmpty()) dialog.setDefaultSuffix(request.defaultExt);
    if (!request.presetName.isEmpty()) dialog.selectFile(request.presetName);

    FileDialogAnswer answer;
    if (dialog.exec() != QDialog::Accepted) return answer;
    answer.cancelled = false;
    answer.paths = dialog.selectedFiles();
    // With the details hidden the dialog may report the entry by its description alone.
    const QString selected = dialog.selectedNameFilter();
    for (qsizetype i = 0; i < request.filters.size(); ++i)
        if (selected == nameFilters.at(i) || selected == request.filters.at(i).description)
            answer.filterIndex = static_cast<int>(i) + 1;
    return answer;
}

}  // namespace tbn::ui
