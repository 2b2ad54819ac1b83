#pragma once
// Client libraries sometimes echo parts of the connection string in their messages; a provider
// passes every message it raises through here so a password never reaches the user.
#include <string>
#include <string_view>

namespace tbn::db {

// Every occurrence of secret in text replaced by "***" (nothing happens for an empty secret).
std::string ScrubSecret(std::string text, std::string_view secret);

} // namespace tbn::db
