#pragma once
// The ways the engine-facing suite reaches a database. Each route makes a fresh, empty database
// and returns a connection string for it; a route whose engine is absent returns nullopt together
// with the reason, and its tests skip with that reason.
#include "support/TempDir.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tbn::test {

struct ProviderRoute {
    std::string Name;
    std::function<std::optional<std::string>(const TempDir& dir, std::string& skipReason)> FreshDatabase;
    std::function<std::string(std::string_view upperHex)> BlobLiteral;  // SQL for a binary value
};

const std::vector<ProviderRoute>& AllProviderRoutes();

// Names the route in test output instead of dumping its bytes.
inline void PrintTo(const ProviderRoute& route, std::ostream* os) { *os << route.Name; }

} // namespace tbn::test
