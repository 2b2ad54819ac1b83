#pragma once
// unixODBC's wide interface speaks UTF-16 (SQLWCHAR is 16 bits); this layer speaks UTF-8. Going
// through the wide calls keeps non-ASCII text intact whatever the process locale is.
#include <string>
#include <string_view>

#include <sql.h>

namespace tbn::db::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC must use 16-bit SQLWCHAR");

// Invalid sequences become U+FFFD rather than failing: a message or value is still worth showing.
std::u16string ToUtf16(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);
void AppendUtf8(std::string& out, const char16_t* utf16, std::size_t units);

inline SQLWCHAR* Wide(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

}  // namespace tbn::db::odbc
