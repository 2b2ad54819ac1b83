#include "query/CellViewer.h"

#include "ui/Clipboard.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

namespace tbn::query {

namespace {
constexpr qsizetype kLongLine = 10000;

bool IsUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

qsizetype LongestLine(const QString& text) {
    qsizetype longest = 0, start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i)
        if (i == text.size() || text.at(i) == QLatin1Char('\n')) {
            longest = std::max(longest, i - start);
            start = i + 1;
        }
    return longest;
}

// Characters are counted on the bytes, so the count costs no decoding of the whole text.
qsizetype CodePoints(const QByteArray& utf8) {
    return std::count_if(utf8.begin(), utf8.end(),
                         [](char byte) { return !IsUtf8Continuation(byte); });
}

// Where the character after the first `characters` of utf8 starts; its size when it has no more.
qsizetype ByteOffsetOfCharacter(const QByteArray& utf8, qsizetype characters) {
    for (qsizetype i = 0; i < utf8.size(); ++i)
        if (!IsUtf8Continuation(utf8[i]) && characters-- == 0) return i;
    return utf8.size();
}
}  // namespace

CellViewer::CellViewer(const QString& title, QByteArray utf8, QWidget* parent)
    : QDialog(parent), cell_(std::move(utf8)),
      shownBytes_(ByteOffsetOfCharacter(cell_, kFirstShownChars)) {
    setWindowTitle(title);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("txtCell"));
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    const bool hexadecimal = ReadsAsHex(cell_);
    QString sizes = tr("%1 characters, %2 bytes").arg(CodePoints(cell_)).arg(cell_.size());
    if (hexadecimal) sizes += tr("; as hexadecimal, %1 bytes").arg(cell_.size() / 2);
    if (shownBytes_ < cell_.size())
        sizes += tr("; the first %1 characters shown").arg(kFirstShownChars);
    size_ = new QLabel(sizes, this);
    size_->setObjectName(QStringLiteral("lblSize"));
    asBytes_ = new QCheckBox(tr("Show as &bytes"), this);
    asBytes_->setEnabled(hexadecimal);
    connect(asBytes_, &QCheckBox::toggled, this, &CellViewer::ShowText);

    showAll_ = new QPushButton(tr("Show &all"), this);
    showAll_->setVisible(shownBytes_ < cell_.size());
    connect(showAll_, &QPushButton::clicked, this, &CellViewer::ShowAll);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    copy_ = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
    connect(copy_, &QPushButton::clicked, this, &CellViewer::CopyText);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* status = new QHBoxLayout;
    status->addWidget(size_, 1);
    status->addWidget(showAll_);
    status->addWidget(asBytes_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(status);
    layout->addWidget(buttons);
    resize(640, 420);
    ShowText();
}

std::optional<QByteArray> CellViewer::BytesOfHex(QByteArrayView text) {
    if (!ReadsAsHex(text)) return std::nullopt;
    return QByteArray::fromHex(text.toByteArray());
}

bool CellViewer::ReadsAsHex(QByteArrayView text) {
    return !text.isEmpty() && text.size() % 2 == 0 &&
           std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

QString CellViewer::HexDump(const QByteArray& bytes) {
    constexpr qsizetype kPerLine = 16;
    QString dump;
    dump.reserve(bytes.size() / kPerLine * 80 + 80);
    for (qsizetype at = 0; at < bytes.size(); at += kPerLine) {
        const QByteArray line = bytes.mid(at, kPerLine);
        dump += QStringLiteral("%1  ").arg(at, 8, 16, QLatin1Char('0'));
        for (qsizetype i = 0; i < kPerLine; ++i)
            dump += i < line.size() ? QStringLiteral("%1 ").arg(static_cast<unsigned char>(line[i]),
                                                                2, 16, QLatin1Char('0'))
                                    : QStringLiteral("   ");
        dump += QLatin1Char(' ');
        for (const char byte : line)
            dump += byte >= 0x20 && byte < 0x7f ? QLatin1Char(byte) : QLatin1Char('.');
        dump += QLatin1Char('\n');
    }
    return dump;
}

void CellViewer::ShowText() {
    const QByteArrayView shown(cell_.constData(), shownBytes_);
    // Only whole bytes are dumped: a cut that falls between two digits leaves the last one out.
    const std::optional<QByteArray> bytes =
        asBytes_->isChecked() ? BytesOfHex(shown.first(shown.size() - shown.size() % 2))
                              : std::nullopt;
    if (bytes) {
        text_->setLineWrapMode(QPlainTextEdit::NoWrap);
        text_->setPlainText(HexDump(*bytes));
        return;
    }
    const QString text = QString::fromUtf8(shown);
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Looking for a word boundary in a line that has none costs the rest of the line for every
    // wrapped row, which takes minutes on a megabyte of hex; such lines wrap anywhere.
    text_->setWordWrapMode(LongestLine(text) > kLongLine
                               ? QTextOption::WrapAnywhere
                               : QTextOption::WrapAtWordBoundaryOrAnywhere);
    text_->setPlainText(text);
}

void CellViewer::ShowAll() {
    shownBytes_ = cell_.size();
    showAll_->hide();
    ShowText();
}

void CellViewer::CopyText() {
    // The selection when there is one; else the cell's own text exactly (line breaks included),
    // all of it however much is shown, or the byte dump that is shown.
    QString selected = text_->textCursor().selectedText();
    if (!selected.isEmpty())
        tbn::ui::Clipboard::SetText(selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
    else
        tbn::ui::Clipboard::SetText(asBytes_->isChecked() ? text_->toPlainText()
                                                          : QString::fromUtf8(cell_));
}

}  // namespace tbn::query
