#pragma once
// A read-only window over one grid cell: its text, wrapped, with its length in characters and in
// UTF-8 bytes. Binary values reach the grid as hexadecimal text (upper-case digits, no prefix, on
// every route); the grid keeps no column types, so a text that reads as hexadecimal can also be
// shown as the bytes it spells, offset, hex and printable characters per line, while its own text
// stays what the cell holds.
//
// A text longer than kFirstShownChars characters is shown by its beginning at first, with a
// button that shows the rest: laying out tens of millions of characters takes seconds and
// gigabytes, which only the user's own request may cost. Copy takes the whole cell all the same.
#include <QByteArray>
#include <QDialog>
#include <optional>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tbn::query {

class CellViewer : public QDialog {
    Q_OBJECT
public:
    static constexpr qsizetype kFirstShownChars = qsizetype{1} << 20;

    // utf8: the cell's text as the grid holds it; the viewer keeps it, so the grid may change.
    CellViewer(const QString& title, QByteArray utf8, QWidget* parent = nullptr);

    QPlainTextEdit* TextPane() const { return text_; }
    QLabel* SizeLabel() const { return size_; }
    QCheckBox* AsBytes() const { return asBytes_; }  // disabled when the text is not hexadecimal
    QPushButton* CopyButton() const { return copy_; }
    QPushButton* ShowAllButton() const { return showAll_; }  // hidden when the whole text is shown

    // The bytes a hexadecimal text spells, or nothing when it does not read as hexadecimal.
    static std::optional<QByteArray> BytesOfHex(QByteArrayView text);
    static QString HexDump(const QByteArray& bytes);

private:
    static bool ReadsAsHex(QByteArrayView text);
    void ShowText();
    void ShowAll();
    void CopyText();

    QByteArray cell_;
    qsizetype shownBytes_;  // the beginning of cell_ the pane holds (or dumps)
    QPlainTextEdit* text_;
    QLabel* size_;
    QCheckBox* asBytes_;
    QPushButton* copy_;
    QPushButton* showAll_;
};

}  // namespace tbn::query
