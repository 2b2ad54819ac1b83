#include "db/providers/BufferedCursor.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"

namespace tbn::db {

BufferedCursor::BufferedCursor(std::vector<std::string> fieldNames)
    : names_(std::move(fieldNames)) {}

std::unique_ptr<BufferedCursor> BufferedCursor::Drain(Cursor& source) {
    std::vector<std::string> names;
    names.reserve(source.FieldCount());
    for (std::size_t i = 0; i < source.FieldCount(); ++i) names.emplace_back(source.FieldName(i));
    auto buffered = std::make_unique<BufferedCursor>(std::move(names));
    const std::size_t fields = buffered->FieldCount();
    for (; !source.AtEnd(); source.Next()) {
        for (std::size_t i = 0; i < fields; ++i) {
            if (source.IsNull(i))
                buffered->AppendNull();
            else
                buffered->AppendValue(source.Value(i), source.Kind(i));
        }
    }
    return buffered;
}

void BufferedCursor::AppendValue(std::string_view text, core::ValueKind kind) {
    bytes_.append(text);
    ends_.push_back(bytes_.size());
    nulls_.push_back(false);
    kinds_.push_back(kind);
}

void BufferedCursor::AppendNull() {
    ends_.push_back(bytes_.size());
    nulls_.push_back(true);
    kinds_.push_back(core::ValueKind::Text);
}

void BufferedCursor::Next() {
    if (!AtEnd()) ++row_;
    if (AtEnd() && failure_) {
        tbn::Error failure = std::move(*failure_);
        failure_.reset();
        throw failure;
    }
}

std::size_t BufferedCursor::CellIndex(std::size_t field) const {
    if (field >= names_.size())
        throw Error(ErrorCode::InvalidArgument,
                    "Field index " + std::to_string(field) + " is out of range.");
    return row_ * names_.size() + field;
}

bool BufferedCursor::IsNull(std::size_t index) const {
    if (AtEnd()) return true;
    return nulls_[CellIndex(index)];
}

std::string_view BufferedCursor::Value(std::size_t index) const {
    if (AtEnd()) return {};
    const std::size_t cell = CellIndex(index);
    const std::size_t begin = cell == 0 ? 0 : ends_[cell - 1];
    return std::string_view(bytes_).substr(begin, ends_[cell] - begin);
}

core::ValueKind BufferedCursor::Kind(std::size_t index) const {
    if (AtEnd()) return core::ValueKind::Text;
    return kinds_[CellIndex(index)];
}

}  // namespace tbn::db
