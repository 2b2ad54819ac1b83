#pragma once
// Client libraries sometimes echo parts of the connection string in their messages; a provider
// passes every message it raises through here so a password never reaches the user.
#include <string>
#include <string_view>

namespace tbn::db {

// The text with "***" wherever it could be echoing the password, and nowhere else, so the rest of
// the message reads as the library wrote it:
//  - the value of every password pair ("PWD={...}", "password='...'", "Password=..."), whatever
//    that value is, since a library may echo it escaped or cut short;
//  - every whole occurrence of secret (or of the braced form an ODBC connection text gives it),
//    one that is not part of a longer word: a one-letter password leaves every word with that
//    letter alone.
// When secret is also the user name, only the pairs are hidden: elsewhere the message is naming the
// user (as in `password authentication failed for user "ana"`), which shows nothing about the
// password, while hiding it would both blank the name and point at the password.
std::string ScrubSecret(std::string text, std::string_view secret, std::string_view userName = {});

}  // namespace tbn::db
