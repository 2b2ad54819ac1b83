// Connection strings come from the store file, from the user and from the data-link dialog. The
// parser must never crash, recomposing must read back the same properties, and a redacted text
// must hide every password the parser would have found.
#include "FuzzCheck.h"
#include "core/Error.h"
#include "db/ConnectionString.h"
#include "db/ConnectionStringLexer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using tbn::db::ConnectionString;
namespace detail = tbn::db::detail;

namespace {

bool SameProperties(const ConnectionString& a, const ConnectionString& b) {
    const auto& x = a.Properties();
    const auto& y = b.Properties();
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i].Key != y[i].Key || x[i].Value != y[i].Value) return false;
    return true;
}

void CheckRedacted(std::string_view text, const ConnectionString& parsed) {
    // Every password value becomes "***", passwords inside other values are hidden the same way,
    // and nothing else moves.
    const ConnectionString redacted = ConnectionString::Parse(ConnectionString::Redacted(text));
    FUZZ_CHECK(redacted.Properties().size() == parsed.Properties().size());
    for (std::size_t i = 0; i < parsed.Properties().size(); ++i) {
        const auto& before = parsed.Properties()[i];
        const auto& after = redacted.Properties()[i];
        FUZZ_CHECK(before.Key == after.Key);
        if (detail::IsPasswordKey(before.Key))
            FUZZ_CHECK(after.Value == "***");
        else {
            std::string hidden = before.Value;
            detail::HidePasswordValues(hidden);
            FUZZ_CHECK(after.Value == hidden);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string redacted = ConnectionString::Redacted(text);

    ConnectionString parsed;
    try {
        parsed = ConnectionString::Parse(text);
    } catch (const tbn::Error& e) {
        // The fault is reported by key and position only, so the message never quotes a value.
        FUZZ_CHECK(!e.Description().empty());
        // A text without "=" holds no key, so it is shown as it is; any other hides its tail.
        if (text.find('=') == std::string_view::npos)
            FUZZ_CHECK(redacted == text);
        else
            FUZZ_CHECK(redacted.size() >= 3 &&
                       redacted.compare(redacted.size() - 3, 3, "***") == 0);
        return 0;
    }
    const std::string recomposed = parsed.ToString();
    FUZZ_CHECK(SameProperties(ConnectionString::Parse(recomposed), parsed));
    CheckRedacted(text, parsed);
    CheckRedacted(recomposed, parsed);

    // Lookups and edits on whatever was read.
    (void)parsed.Get({"Provider", "Data Source", "Password"});
    if (!parsed.Properties().empty()) {
        ConnectionString edited = parsed;
        const std::string key = edited.Properties().front().Key;
        edited.Set(key, std::string(text.substr(0, 64)));
        FUZZ_CHECK(SameProperties(ConnectionString::Parse(edited.ToString()), edited));
        edited.Remove(key);
        FUZZ_CHECK(!edited.Get({key}).has_value());
    }
    return 0;
}
