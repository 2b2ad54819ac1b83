#pragma once
// A query window's text as it is kept for recovery after a crash, with the window's connection,
// and the file format it is kept in:
//
//   TBN recovery 1 LF
//   <name bytes> SP <connection bytes> SP <text bytes> LF      (decimal byte counts)
//   <name><connection string><text>                             (UTF-8, nothing between or after)
//
// The counts let any text through unchanged: NULs, CR LF, any UTF-8, any length. A file whose size
// does not match its counts is damaged (cut short, or not written by TBN) and is not decoded.
#include <QByteArray>
#include <QString>
#include <optional>

namespace tbn::core {

struct RecoveredText {
    QString name;  // the window's connection name, as the manager gave it
    QString cnn;   // its connection string; it may hold a password
    QString text;  // the SQL pane's text, CR LF line breaks
};

QByteArray EncodeRecoveredText(const RecoveredText& record);
// Empty when `bytes` are not a complete record.
std::optional<RecoveredText> DecodeRecoveredText(const QByteArray& bytes);

}  // namespace tbn::core
