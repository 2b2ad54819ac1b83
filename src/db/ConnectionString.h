#pragma once
// Connection-string syntax: key=value pairs separated by ';'. Keys are case-insensitive and
// trimmed; a value may be quoted with " or ' (a doubled quote inside stands for one) or wrapped in
// {} (a doubled } inside stands for one); an empty pair is ignored. Parsing never throws for
// content it can read; an unbalanced quote or brace raises MalformedConnectionString.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tbn::db {

struct ConnectionProperty {
    std::string Key;    // as written (trimmed), original case
    std::string Value;  // unquoted
};

class ConnectionString {
public:
    static ConnectionString Parse(std::string_view text);  // raises tbn::Error

    const std::vector<ConnectionProperty>& Properties() const { return properties_; }
    // Case-insensitive lookup of the last occurrence of any of the given keys.
    std::optional<std::string> Get(std::initializer_list<std::string_view> keys) const;
    void Set(std::string_view key, std::string value);  // replaces or appends, keeps order
    void Remove(std::string_view key);
    // Recomposes the text, quoting values that need it; Parse(ToString()) gives the same
    // properties.
    std::string ToString() const;
    // The text as it may be shown or stored outside the connection store: the value of every key
    // naming a password ("pwd" or "password" in any letter case) replaced by "***", also inside a
    // value that holds settings of its own (pqopt={sslmode=require password=...}); everything
    // after a syntax fault replaced by "***"; the rest as written. A text without "=" (a plain
    // name, a file path) comes back unchanged, so a connection's name goes through here too: a
    // name may itself be a connection string.
    static std::string Redacted(std::string_view text);

private:
    std::vector<ConnectionProperty> properties_;
};

}  // namespace tbn::db
