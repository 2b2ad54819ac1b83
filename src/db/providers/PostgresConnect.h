#pragma once
// Connecting to a PostgreSQL server so that another thread can stop the attempt. libpq's own
// connect (PQconnectdbParams) waits inside one call nobody can interrupt; here the handshake is
// driven a step at a time (PQconnectStartParams, PQconnectPoll) under libpq's connect timeout,
// and the stop request is asked between the steps.
#include <functional>
#include <memory>

#include <libpq-fe.h>

namespace tbn::db::pg {

struct ConnFinisher {
    void operator()(PGconn* conn) const noexcept { PQfinish(conn); }
};
using ConnPtr = std::unique_ptr<PGconn, ConnFinisher>;

struct Connected {
    ConnPtr conn;           // whatever its status; null only when out of memory
    bool timedOut = false;  // conn failed because the timeout passed, which libpq's message lacks
};

// keys and values as PQconnectdbParams takes them (expand_dbname 0). Without stopRequested, and
// for a string naming several hosts (libpq's own connect goes on to the next host when one times
// out, which cannot be asked of it from outside), this is PQconnectdbParams. Raises
// CommandCancelled once stopRequested says yes; it is asked at least every 50 ms.
Connected Connect(const char* const* keys, const char* const* values,
                  const std::function<bool()>& stopRequested);

}  // namespace tbn::db::pg
