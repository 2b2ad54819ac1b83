#include "db/providers/SqliteCursor.h"

#include "core/ErrorCodes.h"
#include "db/providers/HexText.h"

#include <charconv>
#include <cmath>

namespace tbn::db::sqlite {

StreamingCursor::StreamingCursor(DatabasePtr db, StatementPtr statement, FailureHook onFailure)
    : db_(std::move(db)), statement_(std::move(statement)), onFailure_(std::move(onFailure)) {
    const int count = sqlite3_column_count(statement_.get());
    names_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(statement_.get(), i);
        names_.emplace_back(name ? name : "");
    }
    values_.resize(names_.size(), nullptr);
    types_.resize(names_.size(), SQLITE_NULL);
    text_.resize(names_.size());
    Step();
}

void StreamingCursor::Next() {
    if (statement_) Step();
}

void StreamingCursor::Step() {
    sqlite3_stmt* stmt = statement_.get();
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        for (std::size_t i = 0; i < values_.size(); ++i) {
            values_[i] = sqlite3_column_value(stmt, static_cast<int>(i));
            types_[i] = sqlite3_value_type(values_[i]);
        }
        return;
    }
    // Finalizing right away ends the statement's read transaction, so no lock outlives the walk.
    if (rc == SQLITE_DONE) {
        statement_.reset();
        return;
    }
    Error error = LastError(db_.get());
    statement_.reset();
    if (onFailure_) throw onFailure_(std::move(error));
    throw error;
}

void StreamingCursor::RaiseIndexOutOfRange(std::size_t index) {
    throw Error(ErrorCode::InvalidArgument,
                "Field index " + std::to_string(index) + " is out of range.");
}

bool StreamingCursor::IsNull(std::size_t index) const {
    return !statement_ || TypeOf(index) == SQLITE_NULL;
}

std::string_view StreamingCursor::Value(std::size_t index) const {
    if (!statement_) return {};
    const int type = TypeOf(index);
    sqlite3_value* value = values_[index];
    switch (type) {
    case SQLITE_NULL: return {};
    case SQLITE_BLOB: {
        std::string& hex = text_[index];
        hex.clear();
        const void* bytes = sqlite3_value_blob(value);
        AppendHex(hex, bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)));
        return hex;
    }
    case SQLITE_FLOAT: return RealText(index);
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        if (!text) throw Error(SQLITE_NOMEM, "out of memory while converting a value to text");
        return {text, static_cast<std::size_t>(sqlite3_value_bytes(value))};
    }
    }
}

std::string_view StreamingCursor::RealText(std::size_t index) const {
    sqlite3_value* value = values_[index];
    const double real = sqlite3_value_double(value);
    const auto* chars = reinterpret_cast<const char*>(sqlite3_value_text(value));
    if (!chars) throw Error(SQLITE_NOMEM, "out of memory while converting a value to text");
    const std::string_view own(chars, static_cast<std::size_t>(sqlite3_value_bytes(value)));
    // The engine's text is kept whenever it reads back as the same value, so most values look as
    // the engine writes them ("1.0", "2.5e+20"); only those it rounds (0.1 + 0.2 gives "0.3") get
    // more digits, so that a copy or an export written back is the value that was read.
    double reread = 0;
    const auto parsed = std::from_chars(own.data(), own.data() + own.size(), reread);
    // An infinity has no digits to add ("Inf"); the largest doubles round past the largest one.
    if ((parsed.ec == std::errc() && reread == real) || !std::isfinite(real)) return own;
    std::string& exact = text_[index];
    exact.resize(32);
    const auto written = std::to_chars(exact.data(), exact.data() + exact.size(), real);
    exact.resize(static_cast<std::size_t>(written.ptr - exact.data()));
    return exact;
}

core::ValueKind StreamingCursor::Kind(std::size_t index) const {
    if (!statement_) return core::ValueKind::Text;
    switch (TypeOf(index)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: return core::ValueKind::Number;
    case SQLITE_BLOB: return core::ValueKind::Binary;
    default: return core::ValueKind::Text;
    }
}

}  // namespace tbn::db::sqlite
