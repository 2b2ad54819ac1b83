// Recovery files are read back at start from a folder anything may have written to. Decoding must
// take every byte sequence, and what it accepts must survive being saved and read again.
#include "FuzzCheck.h"
#include "core/RecoveryRecord.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

using namespace tbn::core;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<RecoveredText> record = DecodeRecoveredText(bytes);
    if (!record) return 0;
    const QByteArray again = EncodeRecoveredText(*record);
    const std::optional<RecoveredText> back = DecodeRecoveredText(again);
    FUZZ_CHECK(back && back->name == record->name && back->cnn == record->cnn &&
               back->text == record->text);
    return 0;
}
