#include "db/providers/PostgresConnect.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>

namespace tbn::db::pg {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStopCheckMs = 50;

// libpq keeps the last value of a repeated keyword; an absent one comes from its variable.
const char* ValueOf(const char* const* keys, const char* const* values, std::string_view key,
                    const char* variable) {
    const char* found = nullptr;
    for (std::size_t i = 0; keys[i]; ++i)
        if (key == keys[i] && values[i] && *values[i]) found = values[i];
    return found ? found : std::getenv(variable);
}

bool NamesSeveralHosts(const char* const* keys, const char* const* values) {
    for (const auto& [key, variable] :
         {std::pair{"host", "PGHOST"}, std::pair{"hostaddr", "PGHOSTADDR"}})
        if (const char* hosts = ValueOf(keys, values, key, variable);
            hosts && std::strchr(hosts, ','))
            return true;
    return false;
}

// In milliseconds, 0 for none, as libpq reads it; nullopt for a value libpq would refuse (its own
// connect then says why).
std::optional<int> TimeoutMs(const char* const* keys, const char* const* values) {
    const char* text = ValueOf(keys, values, "connect_timeout", "PGCONNECT_TIMEOUT");
    if (!text) return 0;
    std::string_view digits(text);
    while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
    while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
    int seconds = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
    if (ec != std::errc() || end != digits.data() + digits.size() || seconds > 24 * 3600)
        return std::nullopt;
    if (seconds <= 0) return 0;
    return std::max(seconds, 2) * 1000;  // libpq's floor
}

// The address libpq is trying now: its timeout runs from when it began.
std::string AttemptOf(PGconn* conn) {
    std::string attempt;
    for (const char* part : {PQhost(conn), PQhostaddr(conn), PQport(conn)}) {
        attempt += part ? part : "";
        attempt += '\n';
    }
    return attempt;
}

}  // namespace

Connected Connect(const char* const* keys, const char* const* values,
                  const std::function<bool()>& stopRequested) {
    const std::optional<int> timeoutMs = TimeoutMs(keys, values);
    if (!stopRequested || !timeoutMs || NamesSeveralHosts(keys, values))
        return {ConnPtr(PQconnectdbParams(keys, values, 0))};
    ConnPtr conn(PQconnectStartParams(keys, values, 0));
    if (!conn || PQstatus(conn.get()) == CONNECTION_BAD) return {std::move(conn)};
    std::string attempt = AttemptOf(conn.get());
    Clock::time_point attemptStart = Clock::now();
    PostgresPollingStatusType step = PGRES_POLLING_WRITING;
    while (step != PGRES_POLLING_OK && step != PGRES_POLLING_FAILED) {
        if (stopRequested()) throw Error(ErrorCode::CommandCancelled, "Connecting was cancelled.");
        if (std::string now = AttemptOf(conn.get()); now != attempt) {
            attempt = std::move(now);
            attemptStart = Clock::now();
        }
        int waitMs = kStopCheckMs;
        if (*timeoutMs > 0) {
            const auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - attemptStart);
            const auto left = *timeoutMs - spent.count();
            if (left <= 0) return {std::move(conn), true};
            waitMs = static_cast<int>(std::min<std::int64_t>(waitMs, left));
        }
        pollfd socket{PQsocket(conn.get()),
                      static_cast<short>(step == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        // Ready, failed or interrupted alike: libpq looks at the socket itself.
        if (poll(&socket, 1, waitMs) != 0) step = PQconnectPoll(conn.get());
    }
    return {std::move(conn)};
}

}  // namespace tbn::db::pg
