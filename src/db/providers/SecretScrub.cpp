#include "db/providers/SecretScrub.h"

namespace tbn::db {

std::string ScrubSecret(std::string text, std::string_view secret) {
    if (secret.empty()) return text;
    for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 3))
        text.replace(at, secret.size(), "***");
    return text;
}

} // namespace tbn::db
