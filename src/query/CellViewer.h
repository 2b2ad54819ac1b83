#pragma once
// A read-only window over one grid cell: the whole text, wrapped, with its length in characters
// and in UTF-8 bytes. Binary values reach the grid as hexadecimal text (SQLite's blobs as plain
// hex digits, PostgreSQL's bytea as "\x" and hex digits); the grid keeps no column types, so a
// text that reads as hexadecimal can also be shown as the bytes it spells, offset, hex and
// printable characters per line, while its own text stays what the cell holds.
#include <QByteArray>
#include <QDialog>
#include <optional>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class CellViewer : public QDialog {
    Q_OBJECT
public:
    CellViewer(const QString& title, const QString& text, QWidget* parent = nullptr);

    QPlainTextEdit* TextPane() const { return text_; }
    QLabel* SizeLabel() const { return size_; }
    QCheckBox* AsBytes() const { return asBytes_; }  // disabled when the text is not hexadecimal
    QPushButton* CopyButton() const { return copy_; }

    // The bytes a hexadecimal text spells, or nothing when it does not read as hexadecimal.
    static std::optional<QByteArray> BytesOfHex(const QString& text);
    static QString HexDump(const QByteArray& bytes);

private:
    void ShowAsBytes(bool on);
    void CopyText();

    QString cellText_;
    QPlainTextEdit* text_;
    QLabel* size_;
    QCheckBox* asBytes_;
    QPushButton* copy_;
};
