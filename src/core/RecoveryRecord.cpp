#include "core/RecoveryRecord.h"

#include <QList>
#include <cctype>

namespace tbn::core {

namespace {
const QByteArray kMagic = QByteArrayLiteral("TBN recovery 1\n");
constexpr int kParts = 3;
}  // namespace

QByteArray EncodeRecoveredText(const RecoveredText& record) {
    const QByteArray parts[kParts] = {record.name.toUtf8(), record.cnn.toUtf8(),
                                      record.text.toUtf8()};
    QByteArray bytes = kMagic;
    bytes += QByteArray::number(parts[0].size()) + ' ' + QByteArray::number(parts[1].size()) + ' ' +
             QByteArray::number(parts[2].size()) + '\n';
    bytes.reserve(bytes.size() + parts[0].size() + parts[1].size() + parts[2].size());
    for (const QByteArray& part : parts) bytes += part;
    return bytes;
}

std::optional<RecoveredText> DecodeRecoveredText(const QByteArray& bytes) {
    if (!bytes.startsWith(kMagic)) return std::nullopt;
    const qsizetype countsEnd = bytes.indexOf('\n', kMagic.size());
    // Three counts of at most 19 digits and two spaces: anything longer is not a header.
    if (countsEnd < 0 || countsEnd - kMagic.size() > 3 * 19 + 2) return std::nullopt;
    const QList<QByteArray> counts = bytes.mid(kMagic.size(), countsEnd - kMagic.size()).split(' ');
    if (counts.size() != kParts) return std::nullopt;
    qsizetype sizes[kParts] = {};
    qsizetype position = countsEnd + 1;
    for (int i = 0; i < kParts; ++i) {
        bool ok = false;
        const qint64 size = counts[i].toLongLong(&ok);
        // Checked one at a time against what is left, so no sum can overflow.
        if (!ok || counts[i].isEmpty() || !std::isdigit(static_cast<unsigned char>(counts[i][0])) ||
            size > bytes.size() - position)
            return std::nullopt;
        sizes[i] = static_cast<qsizetype>(size);
        position += sizes[i];
    }
    if (position != bytes.size()) return std::nullopt;
    position = countsEnd + 1;
    QString parts[kParts];
    for (int i = 0; i < kParts; ++i) {
        parts[i] = QString::fromUtf8(bytes.constData() + position, sizes[i]);
        position += sizes[i];
    }
    return RecoveredText{parts[0], parts[1], parts[2]};
}

}  // namespace tbn::core
