#include "db/providers/PostgresCursor.h"

#include "core/ErrorCodes.h"
#include "db/providers/HexText.h"

#include <memory>

namespace tbn::db::pg {

namespace {
constexpr Oid kByteaOid = 17;

core::ValueKind KindOfType(Oid type) {
    switch (type) {
    case 20:    // int8
    case 21:    // int2
    case 23:    // int4
    case 26:    // oid
    case 700:   // float4
    case 701:   // float8
    case 1700:  // numeric
        return core::ValueKind::Number;
    case kByteaOid: return core::ValueKind::Binary;
    default: return core::ValueKind::Text;
    }
}

struct PqFree {
    void operator()(unsigned char* p) const noexcept { PQfreemem(p); }
};
}  // namespace

StreamingCursor::StreamingCursor(LinkPtr link, ResultPtr first, bool ownsRest)
    : link_(std::move(link)), ownsRest_(ownsRest) {
    const int count = PQnfields(first.get());
    names_.reserve(static_cast<std::size_t>(count));
    kinds_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        names_.emplace_back(PQfname(first.get(), i));
        kinds_.push_back(KindOfType(PQftype(first.get(), i)));
    }
    hex_.resize(names_.size());
    link_->SetReader(this);
    Adopt(std::move(first));
}

StreamingCursor::~StreamingCursor() {
    if (!pending_) return;
    link_->ClearReader(this);
    if (ownsRest_) {
        DrainResults(link_->get());
        return;
    }
    // Only this row set is the cursor's to skip; the caller reads on from the next statement.
    while (PGresult* raw = PQgetResult(link_->get())) {
        const ResultPtr result(raw);
        if (PQresultStatus(raw) != PGRES_SINGLE_TUPLE) break;
    }
}

void StreamingCursor::Adopt(ResultPtr result) {
    lastOfSet_ = PQresultStatus(result.get()) != PGRES_SINGLE_TUPLE;
    current_ = std::move(result);
    row_ = 0;
    rows_ = PQntuples(current_.get());
    if (rows_ == 0) Advance();
}

void StreamingCursor::Advance() {
    if (lastOfSet_ || !pending_) {
        Finish();
        return;
    }
    ResultPtr next(PQgetResult(link_->get()));
    if (next && (PQresultStatus(next.get()) == PGRES_SINGLE_TUPLE ||
                 PQresultStatus(next.get()) == PGRES_TUPLES_OK)) {
        Adopt(std::move(next));
        return;
    }
    current_.reset();
    pending_ = false;
    link_->ClearReader(this);
    if (!next) return;  // the command is over
    ResultPtr later = DrainResults(link_->get());
    if (IsFailure(next.get())) throw link_->ResultError(next.get());
    if (later) throw link_->ResultError(later.get());
}

void StreamingCursor::Finish() {
    current_.reset();
    if (!pending_) return;
    pending_ = false;
    link_->ClearReader(this);
    if (!ownsRest_) return;
    // Results after the row set come from statements the text was not expected to hold (its
    // reading found only one); whatever they are, the connection must end idle.
    if (ResultPtr failure = DrainResults(link_->get())) throw link_->ResultError(failure.get());
}

bool StreamingCursor::AtEnd() const { return buffered_ ? buffered_->AtEnd() : !current_; }

void StreamingCursor::Next() {
    if (buffered_) {
        buffered_->Next();
        return;
    }
    if (!current_) return;
    if (++row_ < rows_) return;
    Advance();
}

int StreamingCursor::Column(std::size_t index) const {
    if (index >= names_.size())
        throw Error(ErrorCode::InvalidArgument,
                    "Field index " + std::to_string(index) + " is out of range.");
    return static_cast<int>(index);
}

bool StreamingCursor::IsNull(std::size_t index) const {
    if (buffered_) return buffered_->IsNull(index);
    return !current_ || PQgetisnull(current_.get(), row_, Column(index));
}

std::string_view StreamingCursor::Value(std::size_t index) const {
    if (buffered_) return buffered_->Value(index);
    if (!current_) return {};
    const int column = Column(index);
    const std::string_view text(
        PQgetvalue(current_.get(), row_, column),
        static_cast<std::size_t>(PQgetlength(current_.get(), row_, column)));
    return kinds_[index] == core::ValueKind::Binary ? ByteaText(index, text) : text;
}

core::ValueKind StreamingCursor::Kind(std::size_t index) const {
    if (buffered_) return buffered_->Kind(index);
    return kinds_[static_cast<std::size_t>(Column(index))];
}

std::string_view StreamingCursor::ByteaText(std::size_t index, std::string_view serverText) const {
    std::string& hex = hex_[index];
    hex.clear();
    if (serverText.starts_with("\\x")) {
        AppendUpperHexDigits(hex, serverText.substr(2));
        return hex;
    }
    // A server set to bytea_output = 'escape' writes octal escapes; libpq reads either form.
    std::size_t size = 0;
    const std::unique_ptr<unsigned char, PqFree> bytes(PQunescapeBytea(
        reinterpret_cast<const unsigned char*>(PQgetvalue(current_.get(), row_, Column(index))),
        &size));
    if (!bytes)
        throw Error(ErrorCode::ProviderFailure, "Out of memory while reading a bytea value.");
    AppendHex(hex, bytes.get(), size);
    return hex;
}

void StreamingCursor::Detach() {
    if (buffered_) return;
    // Filled aside and installed at the end: until then the cursor still reads the server's rows.
    auto buffer = std::make_unique<BufferedCursor>(names_);
    try {
        while (current_) {
            for (std::size_t i = 0; i < names_.size(); ++i) {
                if (IsNull(i))
                    buffer->AppendNull();
                else
                    buffer->AppendValue(Value(i), kinds_[i]);
            }
            if (++row_ >= rows_) Advance();
        }
    } catch (const Error& error) {
        // The current row went into the buffer before anything was read, so the failure always
        // has a row before it from which Next() can raise it.
        current_.reset();
        buffer->FailAtEnd(error);
    }
    buffered_ = std::move(buffer);
}

}  // namespace tbn::db::pg
