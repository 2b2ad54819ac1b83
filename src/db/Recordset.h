#pragma once
// An ADO-style result set over a provider cursor. Open runs the command text; a text without a
// row set leaves the recordset closed with no fields. Values are UTF-8 views valid until the next
// MoveNext/Close. Move-only.
#include "db/Connection.h"

#include <cstddef>
#include <memory>
#include <string_view>

namespace tbn::db {

constexpr int adOpenStatic = 3;
constexpr int adLockOptimistic = 3;

class Recordset;

class Field {
public:
    std::string_view Name() const;   // raises RecordsetClosed once the recordset is closed
    bool IsNull() const;             // raises NoCurrentRecord at end of records
    std::string_view Value() const;  // "" for null; raises NoCurrentRecord at end of records
    core::ValueKind Kind() const;    // raises NoCurrentRecord at end of records

private:
    friend class Fields;
    Field(const Recordset& rs, std::size_t index) : rs_(&rs), index_(index) {}
    const Recordset* rs_;
    std::size_t index_;
};

class Fields {
public:
    std::size_t Count() const;            // 0 while the recordset is closed
    Field Item(std::size_t index) const;  // 0-based, column order; InvalidArgument past Count()
    Field operator[](std::size_t index) const { return Item(index); }

private:
    friend class Recordset;
    explicit Fields(const Recordset& rs) : rs_(&rs) {}
    const Recordset* rs_;
};

class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // cursorType, lockType and options are accepted as ADO callers pass them (3, 3, -1); the
    // result is always a forward walk. Raises tbn::Error; on failure the recordset stays closed.
    // Raises when already open, and refuses a text holding a NUL before anything runs.
    void Open(std::string_view source, Connection& connection, int cursorType = adOpenStatic,
              int lockType = adLockOptimistic, int options = -1);
    void Close();  // closing a closed recordset does nothing, as Connection::Close
    int State() const { return cursor_ ? adStateOpen : adStateClosed; }
    Fields GetFields() const { return Fields(*this); }
    bool Eof() const;  // true when closed as well
    void MoveNext();   // raises at end of records or on an engine error

    Cursor* cursor() const { return cursor_.get(); }

private:
    std::unique_ptr<Cursor> cursor_;
};

}  // namespace tbn::db
