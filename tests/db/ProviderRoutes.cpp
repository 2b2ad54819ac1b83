#include "ProviderRoutes.h"

namespace tbn::test {

const std::vector<ProviderRoute>& AllProviderRoutes() {
    static const std::vector<ProviderRoute> routes{
        {"SqliteDirect",
         [](const TempDir& dir, std::string&) -> std::optional<std::string> {
             return "Data Source=" + dir.file("engine.db").toStdString() + ";Mode=ReadWriteCreate";
         },
         [](std::string_view hex) { return "X'" + std::string(hex) + "'"; }},
    };
    return routes;
}

} // namespace tbn::test
