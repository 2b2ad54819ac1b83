#pragma once
// One open or save dialog, configured through properties and shown once: set the properties,
// call ShowOpen or ShowSave, read Filename. Text crosses to the dialog record as UTF-8 bytes, so
// the buffer limits below count bytes of that form.
//
// Cancel: with CancelError set, both Show operations raise tbn::Error CancelSelected ("User
// selected cancel."); otherwise ShowOpen empties Filename and ShowSave leaves the preset name.
// A Filename over 1024 bytes is refused by its setter, and a preset Filename or FileTitle that
// leaves no room for its terminating NUL in the dialog buffer (1024 bytes; 8192 for a
// multi-select open) is refused by the Show operation before any dialog shows; both raise
// tbn::Error InvalidArgument.
#include "ui/FileDialogs.h"

#include <QString>
#include <QStringList>
#include <cstdint>

class cFileDialog {
public:
    cFileDialog();

    bool CancelError() const { return bCancelError_; }
    void SetCancelError(bool bCancelError) { bCancelError_ = bCancelError; }
    // After a multi-select ShowOpen: the raw buffer, NUL separators and padding included.
    QString Filename() const { return sFilename_; }
    void SetFilename(const QString& sFilename);
    QString FileTitle() const { return sFileTitle_; }
    void SetFileTitle(const QString& vNewValue) { sFileTitle_ = vNewValue; }
    // "Desc|patterns|Desc|patterns"; every "|" and ":" separates entries.
    QString Filter() const { return sFilter_; }
    void SetFilter(const QString& sFilter);
    // 1-based; after a dialog, the entry selected when it closed.
    std::int32_t FilterIndex() const { return ofn_.nFilterIndex; }
    void SetFilterIndex(std::int32_t lFilterIndex) { ofn_.nFilterIndex = lFilterIndex; }
    QString DefaultExt() const { return sDefaultExt_; }
    void SetDefaultExt(const QString& sDefaultExt);
    QString DialogTitle() const;
    void SetDialogTitle(const QString& vNewValue);
    std::int32_t flags() const { return lFlags_; }  // OFN_* bits
    void Setflags(std::int32_t vNewValue) { lFlags_ = vNewValue; }
    std::uintptr_t hwnd() const { return ofn_.hwndOwner; }  // owner window's winId()
    void Sethwnd(std::uintptr_t vNewValue) { ofn_.hwndOwner = vNewValue; }
    QString InitDir() const { return sInitDir_; }
    void SetInitDir(const QString& vNewValue);

    // Multi-select adds OFN_EXPLORER and returns the raw buffer in Filename; otherwise Filename
    // is the chosen path.
    void ShowOpen();
    void ShowSave();

    // Splits a multi-select result. Several files: sDir is the folder (no trailing separator)
    // and each name is appended to sFiles, lFileCount counting on from the value passed in. One
    // file: sDir is its folder up to and including the last "/" or "\", sFiles holds only its
    // name and lFileCount is 1.
    void ParseMultiFileName(QString& sDir, QStringList& sFiles, std::int32_t& lFileCount) const;

    // The dialog record as the last call left it.
    const tbn::ui::OPENFILENAMEA& Record() const { return ofn_; }

private:
    tbn::ui::OPENFILENAMEA ofn_;
    bool bCancelError_ = false;
    QString sFilename_, sFileTitle_, sFilter_, sDefaultExt_, sInitDir_;
    std::int32_t lFlags_ = 0;
};
