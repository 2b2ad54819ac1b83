#include "dialogs/cFileDialog.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"

using namespace tbn::ui;

namespace {

constexpr std::int32_t kRecordSize = 76;
constexpr std::size_t kBuffer = 1024;
constexpr std::size_t kMultiBuffer = 8192;

const std::string kTwoNuls(2, '\0');

QString CutAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

// The platform reads the buffer as a C string: only the text before a NUL counts (a previous
// multi-select result holds NULs), and it must leave room for its own terminating NUL.
std::string PaddedBuffer(const QString& text, std::size_t size, const char* what) {
    std::string bytes = CutAtNul(text).toStdString();
    if (bytes.size() >= size)
        throw tbn::Error(tbn::ErrorCode::InvalidArgument,
                         std::string("The ") + what + " does not fit the dialog's " +
                             std::to_string(size) + "-byte buffer.");
    bytes.resize(size, '\0');
    return bytes;
}

void RaiseCancel() { throw tbn::Error(tbn::ErrorCode::CancelSelected, "User selected cancel."); }

}  // namespace

cFileDialog::cFileDialog() {
    ofn_.lStructSize = kRecordSize;
    ofn_.nFilterIndex = 1;
}

void cFileDialog::SetFilename(const QString& sFilename) {
    std::string bytes = sFilename.toStdString();
    if (bytes.size() > kBuffer)
        throw tbn::Error(tbn::ErrorCode::InvalidArgument,
                         "The file name is longer than 1024 bytes.");
    sFilename_ = sFilename;
    bytes.resize(kBuffer, ' ');
    ofn_.lpstrFile = bytes + kTwoNuls;
}

void cFileDialog::SetFilter(const QString& sFilter) {
    sFilter_ = sFilter;
    std::string bytes = sFilter.toStdString();
    // UTF-8 continuation bytes are never ASCII, so replacing bytes cannot split a character.
    for (char& c : bytes)
        if (c == '|' || c == ':') c = '\0';
    ofn_.lpstrFilter = bytes + kTwoNuls;
}

void cFileDialog::SetDefaultExt(const QString& sDefaultExt) {
    sDefaultExt_ = sDefaultExt;
    ofn_.lpstrDefExt = sDefaultExt.toStdString() + kTwoNuls;
}

QString cFileDialog::DialogTitle() const { return QString::fromStdString(ofn_.lpstrTitle); }

void cFileDialog::SetDialogTitle(const QString& vNewValue) {
    ofn_.lpstrTitle = vNewValue.toStdString();
}

void cFileDialog::SetInitDir(const QString& vNewValue) {
    sInitDir_ = vNewValue;
    ofn_.lpstrInitialDir = vNewValue.toStdString() + kTwoNuls;
}

void cFileDialog::ShowOpen() {
    ofn_.Flags = lFlags_;
    std::size_t size = kBuffer;
    if (lFlags_ & OFN_ALLOWMULTISELECT) {
        size = kMultiBuffer;
        ofn_.Flags |= OFN_EXPLORER;
    }
    ofn_.lpstrFile = PaddedBuffer(sFilename_, size, "file name");
    ofn_.nMaxFile = static_cast<std::int32_t>(size);
    ofn_.lpstrFileTitle = PaddedBuffer(sFileTitle_, size, "file title");
    ofn_.nMaxFileTitle = static_cast<std::int32_t>(size);

    if (GetOpenFileNameA(ofn_)) {
        const QString result = QString::fromStdString(ofn_.lpstrFile);
        sFilename_ = (ofn_.Flags & OFN_ALLOWMULTISELECT) ? result : CutAtNul(result);
        return;
    }
    if (bCancelError_) RaiseCancel();
    sFilename_.clear();
}

void cFileDialog::ShowSave() {
    ofn_.Flags = lFlags_;
    ofn_.lpstrFile = PaddedBuffer(sFilename_, kBuffer, "file name");
    ofn_.nMaxFile = static_cast<std::int32_t>(kBuffer);
    ofn_.lpstrFileTitle = PaddedBuffer(sFileTitle_, kBuffer, "file title");
    ofn_.nMaxFileTitle = static_cast<std::int32_t>(kBuffer);

    if (GetSaveFileNameA(ofn_)) {
        sFilename_ = CutAtNul(QString::fromStdString(ofn_.lpstrFile));
        return;
    }
    if (bCancelError_) RaiseCancel();
}

void cFileDialog::ParseMultiFileName(QString& sDir, QStringList& sFiles,
                                     std::int32_t& lFileCount) const {
    const qsizetype pair = sFilename_.indexOf(QString(2, QChar(u'\0')));
    const QString list = pair < 0 ? sFilename_ : sFilename_.left(pair);

    if (!list.contains(QChar(u'\0'))) {
        // Windows paths use "\", ours "/"; a single result may come from either.
        const qsizetype slash = std::max(sFilename_.lastIndexOf(QLatin1Char('/')),
                                         sFilename_.lastIndexOf(QLatin1Char('\\')));
        lFileCount = 1;
        sDir = slash < 0 ? QString() : sFilename_.left(slash + 1);
        sFiles = QStringList{CutAtNul(sFilename_.mid(slash + 1))};
        return;
    }

    if (lFileCount < 0)
        throw tbn::Error(tbn::ErrorCode::InvalidArgument, "The file count cannot be negative.");
    const QStringList pieces = list.split(QChar(u'\0'));
    sDir = pieces.first();
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        ++lFileCount;
        sFiles.resize(lFileCount);
        sFiles[lFileCount - 1] = pieces[i];
    }
}
