#pragma once
// The table list of a connection's database, read afresh at every call of Tables().
#include "db/Connection.h"

#include <vector>

namespace tbn::db {

class Catalog {
public:
    // Binds to the connection object; the catalog does not own it and must not outlive it.
    void SetActiveConnection(Connection& connection) { connection_ = &connection; }
    Connection* ActiveConnection() const { return connection_; }
    // In the engine's order. Raises when unbound or when the connection is closed.
    std::vector<TableInfo> Tables() const;

private:
    Connection* connection_ = nullptr;
};

}  // namespace tbn::db
