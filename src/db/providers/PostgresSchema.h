#pragma once
// The catalogue of an open PostgreSQL connection: the search path's schemas first, in its order,
// then every other schema the login may use, each with its tables and views in the order they
// were created (as Tables() lists them).
#include "core/SchemaInfo.h"
#include "db/providers/PostgresHandles.h"

namespace tbn::db::pg {

// Three queries for the whole database, whatever its size: relations with their columns, indexes,
// foreign keys. One the login may not run is left out and named in gaps (when it is the first,
// the catalogue is empty). A broken link raises as any command does; a cancel raises
// ErrorCode::CommandCancelled and leaves the session usable. The link must be idle (Release()d).
core::SchemaInfo ReadPostgresSchema(const Link& link);

}  // namespace tbn::db::pg
