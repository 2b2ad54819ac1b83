#pragma once
// Query files: the editor's text saved as UTF-8 (no byte-order mark) followed by one CR LF, and
// read back line by line as in core/TextFile.h. Failures raise tbn::Error (see
// core/FileOps.h). Choosing the file and asking the user belong to the query window.
#include <QString>

namespace tbn::query {

// Writes `text` and CR LF to `path`, as core/ReplaceFile.h describes: an existing file is
// replaced in one atomic step by a fully written and flushed file that keeps its permission bits,
// so a failure leaves it as it was; the caller must not delete it first. A new file that cannot
// be completed is removed again. A symbolic link is followed, so the file it points at gets the
// text. A file the user may not write is refused with the system's reason ("Permission denied")
// and left alone. A file with several hard links, or in a folder that refuses a scratch file, is
// written in place, so every name sees the text (that write is not atomic).
void WriteQueryFile(const QString& path, const QString& text);

// The file's lines joined with CR LF, without a line end after the last one; empty lines before
// the first non-empty line are dropped. A failed read raises and returns nothing.
QString ReadQueryFile(const QString& path);

}  // namespace tbn::query
