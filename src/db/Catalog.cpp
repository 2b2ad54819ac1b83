#include "db/Catalog.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"

namespace tbn::db {

std::vector<TableInfo> Catalog::Tables() const {
    if (!connection_)
        throw Error(ErrorCode::ConnectionClosed, "The catalog has no active connection.");
    return connection_->session().Tables();
}

}  // namespace tbn::db
