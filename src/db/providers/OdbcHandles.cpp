#include "db/providers/OdbcHandles.h"

#include "db/ErrorCodes.h"
#include "db/providers/OdbcText.h"
#include "db/providers/SecretScrub.h"

#include <algorithm>
#include <vector>

namespace tbn::db::odbc {

template <SQLSMALLINT Type>
Handle<Type> Handle<Type>::Allocate(SQLHANDLE parent) {
    Handle owner;
    if (!Succeeded(SQLAllocHandle(Type, parent, &owner.handle_))) {
        owner.handle_ = SQL_NULL_HANDLE;
        if (parent != SQL_NULL_HANDLE) {
            const SQLSMALLINT parentType = Type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC;
            throw Diagnostics(parentType, parent, Dialect{}, "The ODBC driver manager could not allocate a handle.");
        }
        throw Error(ErrorCode::ProviderFailure, "The ODBC driver manager could not allocate an environment.");
    }
    return owner;
}

template class Handle<SQL_HANDLE_ENV>;
template class Handle<SQL_HANDLE_DBC>;
template class Handle<SQL_HANDLE_STMT>;

DbcHandle::DbcHandle(SQLHANDLE env) : handle_(Handle<SQL_HANDLE_DBC>::Allocate(env)) {}

DbcHandle::~DbcHandle() {
    if (connected_) SQLDisconnect(handle_.get());
}

Environment NewEnvironment() {
    Environment env = Environment::Allocate(SQL_NULL_HANDLE);
    const SQLRETURN rc = SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!Succeeded(rc)) throw Diagnostics(SQL_HANDLE_ENV, env.get(), Dialect{}, "The ODBC driver manager refused ODBC 3.");
    return env;
}

namespace {

// One record as "SQLSTATE: message"; false when there is no such record.
bool DiagnosticRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, bool wide, std::string& text,
                      SQLINTEGER& native) {
    SQLSMALLINT length = 0;
    if (wide) {
        SQLWCHAR state[6] = {};
        std::vector<SQLWCHAR> message(1024);
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                      static_cast<SQLSMALLINT>(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            message.resize(static_cast<std::size_t>(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (!Succeeded(rc)) return false;
        const std::size_t units = std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), message.size() - 1);
        text = ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(state), 5)) + ": " +
               ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(message.data()), units));
        return true;
    }
    SQLCHAR state[6] = {};
    std::vector<SQLCHAR> message(2048);
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &native, message.data(),
                                 static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
        message.resize(static_cast<std::size_t>(length) + 1);
        rc = SQLGetDiagRec(handleType, handle, record, state, &native, message.data(),
                           static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!Succeeded(rc)) return false;
    const std::size_t bytes = std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), message.size() - 1);
    text = std::string(reinterpret_cast<const char*>(state), 5) + ": " +
           std::string(reinterpret_cast<const char*>(message.data()), bytes);
    return true;
}

} // namespace

Error Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const Dialect& dialect, std::string_view fallback) {
    std::string description;
    SQLINTEGER firstNative = 0;
    std::string record;
    SQLINTEGER native = 0;
    for (SQLSMALLINT index = 1; DiagnosticRecord(handleType, handle, index, dialect.wide, record, native); ++index) {
        if (index == 1) firstNative = native;
        if (!description.empty()) description += '\n';
        description += record;
    }
    if (description.empty()) description = fallback;
    // A native error of 0 would read as "no error" to anyone testing the number.
    const std::int32_t number = firstNative != 0 ? static_cast<std::int32_t>(firstNative) : ErrorCode::ProviderFailure;
    return Error(number, ScrubSecret(std::move(description), dialect.secret, dialect.user));
}

} // namespace tbn::db::odbc
