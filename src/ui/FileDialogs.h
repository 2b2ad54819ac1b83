#pragma once
// The classic open and save dialog calls over QFileDialog: the caller fills an OPENFILENAMEA
// record, the call shows the dialog and writes the choice back into the record.
//
// Strings in the record are 8-bit byte strings in this platform's encoding (UTF-8) and may hold
// embedded NULs: lpstrFilter is description NUL patterns NUL ... NUL NUL (patterns separated by
// ';'); the other inputs are read up to their first NUL. lpstrFile is a buffer of nMaxFile bytes:
// on entry it holds the preset name, on success the result, NUL-terminated and NUL-padded to
// nMaxFile: one chosen file gives its full path; several (multi-select) give the folder NUL
// name NUL ... name NUL NUL. A result that does not fit fails the call like a cancel.
// On success nFilterIndex (1-based) is the filter entry selected when the dialog closed, and
// a name without extension gets lpstrDefExt (on open only when the name as typed does not exist).
// With OFN_OVERWRITEPROMPT a save that chose an existing file asks, once, whether to replace it
// (a MsgBox, Yes/No with No the default); No shows the dialog again on that name.
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace tbn::ui {

constexpr std::int32_t OFN_OVERWRITEPROMPT = 0x2;
constexpr std::int32_t OFN_ALLOWMULTISELECT = 0x200;
constexpr std::int32_t OFN_FILEMUSTEXIST = 0x1000;
constexpr std::int32_t OFN_EXPLORER = 0x80000;

struct OPENFILENAMEA {
    std::int32_t lStructSize = 0;
    std::uintptr_t hwndOwner = 0;  // a top-level window's winId(); 0 for none
    std::string lpstrFilter;
    std::int32_t nFilterIndex = 0;
    std::string lpstrFile;
    std::int32_t nMaxFile = 0;
    std::string lpstrFileTitle;  // on success: the chosen file's name without folder, if it fits
    std::int32_t nMaxFileTitle = 0;
    std::string lpstrInitialDir;
    std::string lpstrTitle;  // empty: "Open" or "Save As"
    std::int32_t Flags = 0;
    std::string lpstrDefExt;
};

// Both return non-zero when the user chose, 0 on cancel or failure.
int GetOpenFileNameA(OPENFILENAMEA& ofn);
int GetSaveFileNameA(OPENFILENAMEA& ofn);

// One filter entry; "*.*" is given as "*" so that it matches names without a dot as well.
struct FileDialogFilter {
    QString description;
    QStringList patterns;
    QString QtNameFilter() const;  // "description (p1 p2)"
};

// What the dialog is asked to show, already decoded from the record.
struct FileDialogRequest {
    bool save = false;
    QString title;
    QList<FileDialogFilter> filters;
    int filterIndex = 1;  // 1-based, within filters (1 when there are none)
    QString initialDir;
    QString presetName;
    QString defaultExt;  // without the dot
    bool multiSelect = false;
    bool mustExist = false;
    bool overwritePrompt = false;
    QWidget* owner = nullptr;
};

// The human's choice: cancelled, or absolute paths and the filter entry last selected.
struct FileDialogAnswer {
    bool cancelled = true;
    QStringList paths;
    int filterIndex = 0;  // 1-based; 0 leaves nFilterIndex unchanged
};

// Test seam: while a responder is installed it answers instead of a dialog; everything after the
// choice (extension, record, buffer layout) runs as usual. An empty function restores the dialog.
using FileDialogResponder = std::function<FileDialogAnswer(const FileDialogRequest&)>;
void SetFileDialogResponder(FileDialogResponder responder);

// The real dialog; used when no responder is installed.
FileDialogAnswer ShowQtFileDialog(const FileDialogRequest& request);

}  // namespace tbn::ui
