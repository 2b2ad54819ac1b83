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

namespace {
constexpr qsizetype kLongLine = 10000;

qsizetype LongestLine(const QString& text) {
    qsizetype longest = 0, start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i)
        if (i == text.size() || text.at(i) == QLatin1Char('\n')) {
            longest = std::max(longest, i - start);
            start = i + 1;
        }
    return longest;
}

qsizetype CodePoints(const QString& text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text.at(i).isLowSurrogate()) ++count;
    return count;
}
} // namespace

CellViewer::CellViewer(const QString& title, const QString& text, QWidget* parent)
    : QDialog(parent), cellText_(text) {
    setWindowTitle(title);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("txtCell"));
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Looking for a word boundary in a line that has none costs the rest of the line for every
    // wrapped row, which takes minutes on a megabyte of hex; such lines wrap anywhere.
    text_->setWordWrapMode(LongestLine(text) > kLongLine ? QTextOption::WrapAnywhere
                                                         : QTextOption::WrapAtWordBoundaryOrAnywhere);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setPlainText(text);

    const std::optional<QByteArray> bytes = BytesOfHex(text);
    QString sizes = tr("%1 characters, %2 bytes").arg(CodePoints(text)).arg(text.toUtf8().size());
    if (bytes) sizes += tr("; as hexadecimal, %1 bytes").arg(bytes->size());
    size_ = new QLabel(sizes, this);
    size_->setObjectName(QStringLiteral("lblSize"));
    asBytes_ = new QCheckBox(tr("Show as &bytes"), this);
    asBytes_->setEnabled(bytes.has_value());
    connect(asBytes_, &QCheckBox::toggled, this, &CellViewer::ShowAsBytes);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    copy_ = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
    connect(copy_, &QPushButton::clicked, this, &CellViewer::CopyText);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* status = new QHBoxLayout;
    status->addWidget(size_, 1);
    status->addWidget(asBytes_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(status);
    layout->addWidget(buttons);
    resize(640, 420);
}

std::optional<QByteArray> CellViewer::BytesOfHex(const QString& text) {
    QStringView digits(text);
    if (digits.startsWith(QLatin1String("\\x"))) digits = digits.mid(2);
    if (digits.isEmpty() || digits.size() % 2 != 0) return std::nullopt;
    for (const QChar c : digits)
        if (c.unicode() >= 128 || !std::isxdigit(static_cast<unsigned char>(c.toLatin1()))) return std::nullopt;
    return QByteArray::fromHex(digits.toLatin1());
}

QString CellViewer::HexDump(const QByteArray& bytes) {
    constexpr qsizetype kPerLine = 16;
    QString dump;
    dump.reserve(bytes.size() / kPerLine * 80 + 80);
    for (qsizetype at = 0; at < bytes.size(); at += kPerLine) {
        const QByteArray line = bytes.mid(at, kPerLine);
        dump += QStringLiteral("%1  ").arg(at, 8, 16, QLatin1Char('0'));
        for (qsizetype i = 0; i < kPerLine; ++i)
            dump += i < line.size() ? QStringLiteral("%1 ").arg(static_cast<unsigned char>(line[i]), 2, 16, QLatin1Char('0'))
                                    : QStringLiteral("   ");
        dump += QLatin1Char(' ');
        for (const char byte : line) dump += byte >= 0x20 && byte < 0x7f ? QLatin1Char(byte) : QLatin1Char('.');
        dump += QLatin1Char('\n');
    }
    return dump;
}

void CellViewer::ShowAsBytes(bool on) {
    const std::optional<QByteArray> bytes = on ? BytesOfHex(cellText_) : std::nullopt;
    text_->setLineWrapMode(bytes ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    text_->setPlainText(bytes ? HexDump(*bytes) : cellText_);
}

void CellViewer::CopyText() {
    // The selection when there is one, else the whole of what is shown: the cell's own text
    // exactly (line breaks included), or the byte dump.
    QString selected = text_->textCursor().selectedText();
    if (!selected.isEmpty())
        tbn::platform::Clipboard::SetText(selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
    else
        tbn::platform::Clipboard::SetText(asBytes_->isChecked() ? text_->toPlainText() : cellText_);
}
