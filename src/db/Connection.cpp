#include "db/Connection.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "db/providers/ProviderFactory.h"

namespace tbn::db {

Connection::Connection() = default;
Connection::~Connection() = default;
Connection::Connection(Connection&&) noexcept = default;
Connection& Connection::operator=(Connection&&) noexcept = default;

void Connection::SetConnectionString(std::string connectionString) {
    connectionString_ = std::move(connectionString);
}

void Connection::Open(std::string_view connectionString, std::string_view user,
                      std::string_view password, int /*options*/) {
    if (session_) throw Error(ErrorCode::ObjectAlreadyOpen, "The connection is already open.");
    if (!connectionString.empty()) connectionString_.assign(connectionString);
    session_ = OpenSession(connectionString_, user, password);
}

void Connection::OpenCancellable(const std::function<bool()>& stopRequested) {
    if (session_) throw Error(ErrorCode::ObjectAlreadyOpen, "The connection is already open.");
    session_ = OpenSession(connectionString_, {}, {}, stopRequested);
}

void Connection::Close() { session_.reset(); }

Session& Connection::session() {
    if (!session_) throw Error(ErrorCode::ConnectionClosed, "The connection is closed.");
    return *session_;
}

}  // namespace tbn::db
