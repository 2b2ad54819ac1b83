#include "db/Recordset.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "db/CommandText.h"

namespace tbn::db {

namespace {

Cursor& OpenCursor(const Recordset& rs) {
    Cursor* cursor = rs.cursor();
    if (!cursor)
        throw Error(ErrorCode::RecordsetClosed,
                    "Operation is not allowed when the recordset is closed.");
    return *cursor;
}

Cursor& CurrentRecord(const Recordset& rs) {
    Cursor& cursor = OpenCursor(rs);
    if (cursor.AtEnd())
        throw Error(ErrorCode::NoCurrentRecord,
                    "There is no current record: the recordset is at its end.");
    return cursor;
}

}  // namespace

std::string_view Field::Name() const { return OpenCursor(*rs_).FieldName(index_); }
bool Field::IsNull() const { return CurrentRecord(*rs_).IsNull(index_); }
std::string_view Field::Value() const { return CurrentRecord(*rs_).Value(index_); }
core::ValueKind Field::Kind() const { return CurrentRecord(*rs_).Kind(index_); }

std::size_t Fields::Count() const {
    const Cursor* cursor = rs_->cursor();
    return cursor ? cursor->FieldCount() : 0;
}

Field Fields::Item(std::size_t index) const {
    if (index >= Count())
        throw Error(ErrorCode::InvalidArgument,
                    "Item " + std::to_string(index) +
                        " cannot be found in the fields of the recordset (it has " +
                        std::to_string(Count()) + ").");
    return Field(*rs_, index);
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

void Recordset::Open(std::string_view source, Connection& connection, int /*cursorType*/,
                     int /*lockType*/, int /*options*/) {
    if (cursor_) throw Error(ErrorCode::ObjectAlreadyOpen, "The recordset is already open.");
    // Every provider is reached through here, so one refusal covers engines that would cut the
    // text short at a NUL as well as those that would stop or fail part-way through it.
    RefuseNulCharacter(source);
    cursor_ = connection.session().Execute(source);
}

void Recordset::Close() { cursor_.reset(); }

bool Recordset::Eof() const { return !cursor_ || cursor_->AtEnd(); }

void Recordset::MoveNext() { CurrentRecord(*this).Next(); }

}  // namespace tbn::db
