#include "db/ConnectionString.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "db/ConnectionStringLexer.h"

#include <algorithm>

namespace tbn::db {

using detail::SameKey;

namespace {

bool NeedsQuotes(std::string_view value) {
    if (value.empty()) return false;
    const char first = value.front();
    const char last = value.back();
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
    };
    return blank(first) || blank(last) || first == '"' || first == '\'' || first == '{' ||
           value.find(';') != std::string_view::npos;
}

void AppendQuoted(std::string& out, std::string_view value) {
    // Single quotes only when they spare doubling: a value full of " reads better that way.
    const bool hasDouble = value.find('"') != std::string_view::npos;
    const bool hasSingle = value.find('\'') != std::string_view::npos;
    const char quote = hasDouble && !hasSingle ? '\'' : '"';
    out.push_back(quote);
    for (char c : value) {
        out.push_back(c);
        if (c == quote) out.push_back(c);
    }
    out.push_back(quote);
}

void AppendBraced(std::string& out, std::string_view value) {
    out.push_back('{');
    for (char c : value) {
        out.push_back(c);
        if (c == '}') out.push_back(c);
    }
    out.push_back('}');
}

}  // namespace

ConnectionString ConnectionString::Parse(std::string_view text) {
    detail::LexResult lexed = detail::Lex(text);
    if (lexed.Failure) throw Error(ErrorCode::MalformedConnectionString, lexed.Failure->Message);
    ConnectionString result;
    result.properties_.reserve(lexed.Pairs.size());
    for (detail::LexedPair& pair : lexed.Pairs)
        result.properties_.push_back({std::string(pair.Key), std::move(pair.Value)});
    return result;
}

std::optional<std::string>
ConnectionString::Get(std::initializer_list<std::string_view> keys) const {
    for (auto it = properties_.rbegin(); it != properties_.rend(); ++it) {
        for (std::string_view key : keys) {
            if (SameKey(it->Key, key)) return it->Value;
        }
    }
    return std::nullopt;
}

void ConnectionString::Set(std::string_view key, std::string value) {
    while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    if (key.empty() || key.find_first_of("=;") != std::string_view::npos)
        throw Error(ErrorCode::InvalidArgument,
                    "A connection-string key must not be empty nor contain \"=\" or \";\": \"" +
                        std::string(key) + "\"");
    auto same = [key](const ConnectionProperty& p) { return SameKey(p.Key, key); };
    auto first = std::find_if(properties_.begin(), properties_.end(), same);
    if (first == properties_.end()) {
        properties_.push_back({std::string(key), std::move(value)});
        return;
    }
    first->Value = std::move(value);
    // Later duplicates would win over the value just set.
    properties_.erase(std::remove_if(first + 1, properties_.end(), same), properties_.end());
}

void ConnectionString::Remove(std::string_view key) {
    std::erase_if(properties_, [key](const ConnectionProperty& p) { return SameKey(p.Key, key); });
}

std::string ConnectionString::ToString() const {
    std::string out;
    for (const ConnectionProperty& p : properties_) {
        if (!out.empty()) out.push_back(';');
        out += p.Key;
        out.push_back('=');
        if (NeedsQuotes(p.Value))
            AppendQuoted(out, p.Value);
        else
            out += p.Value;
    }
    return out;
}

std::string ConnectionString::Redacted(std::string_view text) {
    // Without a single "=" there is no key, so nothing can be told to be a password: a plain
    // connection name, or a bare file path, shows as it is.
    if (text.find('=') == std::string_view::npos) return std::string(text);
    const detail::LexResult lexed = detail::Lex(text);
    std::string out;
    std::size_t copied = 0;
    for (const detail::LexedPair& pair : lexed.Pairs) {
        std::string nested;
        if (!detail::IsPasswordKey(pair.Key)) {
            // A value may hold settings of its own (psqlODBC's pqopt={password=...}).
            if (pair.Value.find('=') == std::string::npos) continue;
            nested = pair.Value;
            detail::HidePasswordValues(nested);
            if (nested == pair.Value) continue;
        }
        out.append(text.substr(copied, pair.ValueBegin - copied));
        if (detail::IsPasswordKey(pair.Key)) {
            out += "***";
        } else if (text[pair.ValueBegin] == '{') {
            AppendBraced(out, nested);
        } else if (text[pair.ValueBegin] == '"' || text[pair.ValueBegin] == '\'' ||
                   NeedsQuotes(nested)) {
            AppendQuoted(out, nested);
        } else {
            out += nested;
        }
        copied = pair.ValueEnd;
    }
    if (lexed.Failure) {
        // Past the fault we cannot tell a password from anything else, so nothing is shown.
        const std::size_t from = std::max(copied, lexed.Failure->RedactFrom);
        out.append(text.substr(copied, from - copied));
        out += "***";
    } else {
        out.append(text.substr(copied));
    }
    return out;
}

}  // namespace tbn::db
