#include "db/providers/OdbcHandles.h"

#include "core/ErrorCodes.h"
#include "db/providers/OdbcText.h"
#include "db/providers/SecretScrub.h"

#include <algorithm>
#include <vector>

namespace tbn::db::odbc {

template <SQLSMALLINT Type> Handle<Type> Handle<Type>::Allocate(SQLHANDLE parent) {
    Handle owner;
    if (!Succeeded(SQLAllocHandle(Type, parent, &owner.handle_))) {
        owner.handle_ = SQL_NULL_HANDLE;
        if (parent != SQL_NULL_HANDLE) {
            const SQLSMALLINT parentType = Type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC;
            throw Diagnostics(parentType, parent, Dialect{},
                              "The ODBC driver manager could not allocate a handle.");
        }
        throw Error(ErrorCode::ProviderFailure,
                    "The ODBC driver manager could not allocate an environment.");
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
    const SQLRETURN rc = SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION,
                                       reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!Succeeded(rc))
        throw Diagnostics(SQL_HANDLE_ENV, env.get(), Dialect{},
                          "The ODBC driver manager refused ODBC 3.");
    return env;
}

namespace {

// The wide and the narrow call differ only in their character type and in how their text becomes
// UTF-8 (narrow drivers already speak it, see OdbcDriverKind.h).
SQLRETURN GetDiagRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record,
                        SQLWCHAR* state, SQLINTEGER* native, SQLWCHAR* message,
                        SQLSMALLINT capacity, SQLSMALLINT* length) {
    return SQLGetDiagRecW(handleType, handle, record, state, native, message, capacity, length);
}

SQLRETURN GetDiagRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record,
                        SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT capacity,
                        SQLSMALLINT* length) {
    return SQLGetDiagRec(handleType, handle, record, state, native, message, capacity, length);
}

std::string Utf8(const SQLWCHAR* text, std::size_t units) {
    return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), units));
}

std::string Utf8(const SQLCHAR* text, std::size_t bytes) {
    return std::string(reinterpret_cast<const char*>(text), bytes);
}

// One record as "SQLSTATE: message"; false when there is no such record.
template <class Char> bool ReadDiagnosticRecord(SQLSMALLINT handleType, SQLHANDLE handle,
                                                SQLSMALLINT record, std::string& text,
                                                SQLINTEGER& native) {
    Char state[6] = {};
    // 2 KiB whatever the character size; a longer message is asked for again, whole.
    std::vector<Char> message(2048 / sizeof(Char));
    SQLSMALLINT length = 0;
    auto read = [&] {
        return GetDiagRecord(handleType, handle, record, state, &native, message.data(),
                             static_cast<SQLSMALLINT>(message.size()), &length);
    };
    SQLRETURN rc = read();
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
        message.resize(static_cast<std::size_t>(length) + 1);
        rc = read();
    }
    if (!Succeeded(rc)) return false;
    const std::size_t count = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), message.size() - 1);
    text = Utf8(state, 5) + ": " + Utf8(message.data(), count);
    return true;
}

bool DiagnosticRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT record, bool wide,
                      std::string& text, SQLINTEGER& native) {
    return wide ? ReadDiagnosticRecord<SQLWCHAR>(handleType, handle, record, text, native)
                : ReadDiagnosticRecord<SQLCHAR>(handleType, handle, record, text, native);
}

}  // namespace

Error Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const Dialect& dialect,
                  std::string_view fallback) {
    std::string description;
    SQLINTEGER firstNative = 0;
    std::string record;
    SQLINTEGER native = 0;
    for (SQLSMALLINT index = 1;
         DiagnosticRecord(handleType, handle, index, dialect.wide, record, native); ++index) {
        if (index == 1) firstNative = native;
        if (!description.empty()) description += '\n';
        description += record;
    }
    if (description.empty()) description = fallback;
    // A native error of 0 would read as "no error" to anyone testing the number.
    const std::int32_t number =
        firstNative != 0 ? static_cast<std::int32_t>(firstNative) : ErrorCode::ProviderFailure;
    return Error(number, ScrubSecret(std::move(description), dialect.secret, dialect.user));
}

}  // namespace tbn::db::odbc
