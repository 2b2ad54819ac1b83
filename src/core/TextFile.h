#pragma once
// Sequential text files as the program stores them: lines ended by CR LF, UTF-8 without a
// byte-order mark. Reading also accepts what older Windows tools wrote:
//  - a line ends at CR LF or at a CR alone; a lone LF stays part of the line; the last line may
//    lack its end (a file ending in a line end has no empty line after it);
//  - each line is decoded on its own: valid UTF-8 is taken as UTF-8, anything else as
//    Windows-1252 (bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which that code page leaves
//    undefined, become the control characters of the same number);
//  - a UTF-8 byte-order mark at the very start of the file is skipped.
// NUL bytes are ordinary characters. Failures raise tbn::Error (see FileOps.h).
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace tbn::core {

// Every line of the file at `path`, empty lines included. Nothing partial: a failed read raises.
QStringList ReadLines(const QString& path);

// The lines held in `bytes`, split and decoded as described above.
QStringList SplitLines(QByteArrayView bytes);
QString DecodeLine(QByteArrayView line);
QString DecodeWindows1252(QByteArrayView bytes);

// `line` as UTF-8 followed by CR LF.
QByteArray EncodeLine(const QString& line);
QByteArray EncodeLines(const QStringList& lines);

}  // namespace tbn::core
