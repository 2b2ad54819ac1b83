#pragma once
// Owners of unixODBC handles and the translation of ODBC diagnostics into tbn::Error.
#include "core/Error.h"

#include <memory>
#include <string>
#include <string_view>

#include <sql.h>
#include <sqlext.h>

namespace tbn::db::odbc {

// A move-only owner of one handle of the given type, freed with SQLFreeHandle.
template <SQLSMALLINT Type> class Handle {
public:
    Handle() = default;
    // Allocates a child of parent (SQL_NULL_HANDLE for an environment); raises on failure.
    static Handle Allocate(SQLHANDLE parent);
    ~Handle() { Reset(); }
    Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = SQL_NULL_HANDLE; }
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.handle_;
            other.handle_ = SQL_NULL_HANDLE;
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE get() const { return handle_; }
    void Reset() {
        if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(Type, handle_);
        handle_ = SQL_NULL_HANDLE;
    }

private:
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using Environment = Handle<SQL_HANDLE_ENV>;
using Statement = Handle<SQL_HANDLE_STMT>;

// A connection handle that is disconnected before it is freed.
class DbcHandle {
public:
    explicit DbcHandle(SQLHANDLE env);
    ~DbcHandle();
    DbcHandle(const DbcHandle&) = delete;
    DbcHandle& operator=(const DbcHandle&) = delete;
    SQLHANDLE get() const { return handle_.get(); }
    void SetConnected() { connected_ = true; }

private:
    Handle<SQL_HANDLE_DBC> handle_;
    bool connected_ = false;
};

// An ODBC 3 environment.
Environment NewEnvironment();

// How to talk to one connection's driver: wide (UTF-16) calls or narrow calls carrying UTF-8 (see
// OdbcDriverKind.h), the password to keep out of every message and the user name messages may
// show (see SecretScrub.h).
struct Dialect {
    bool wide = true;
    std::string_view secret;
    std::string_view user;
};

// Every diagnostic record of the handle, "SQLSTATE: message" one per line; Number is the first
// record's native error (ProviderFailure when the driver gives none).
Error Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const Dialect& dialect,
                  std::string_view fallback);

inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

}  // namespace tbn::db::odbc
