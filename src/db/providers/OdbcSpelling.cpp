#include "db/providers/OdbcSpelling.h"

#include "db/providers/OdbcText.h"

#include <algorithm>
#include <cctype>

namespace tbn::db::odbc {

std::string InfoText(const OdbcLink& link, SQLUSMALLINT type) {
    SQLSMALLINT length = 0;
    if (link.wide) {
        std::u16string buffer(256, u'\0');
        if (!Succeeded(SQLGetInfoW(link.dbc->get(), type, Wide(buffer),
                                   static_cast<SQLSMALLINT>(buffer.size() * sizeof(char16_t)),
                                   &length)))
            return {};
        buffer.resize(std::min<std::size_t>(
            static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)) / sizeof(char16_t),
            buffer.size() - 1));
        return ToUtf8(buffer);
    }
    std::string buffer(512, '\0');
    if (!Succeeded(SQLGetInfo(link.dbc->get(), type, buffer.data(),
                              static_cast<SQLSMALLINT>(buffer.size()), &length)))
        return {};
    buffer.resize(std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)),
                                        buffer.size() - 1));
    return buffer;
}

void ReadSpelling(const OdbcLink& link, core::SchemaInfo& info) {
    // A blank quote character means the driver has none; " is then as good a guess as any.
    const std::string quote = InfoText(link, SQL_IDENTIFIER_QUOTE_CHAR);
    if (!quote.empty() && quote != " ") info.quoteOpen = info.quoteClose = quote;
    SQLUSMALLINT identifierCase = SQL_IC_MIXED;
    SQLGetInfo(link.dbc->get(), SQL_IDENTIFIER_CASE, &identifierCase, sizeof identifierCase,
               nullptr);
    info.identifierCase = identifierCase == SQL_IC_UPPER       ? core::IdentifierCase::Upper
                          : identifierCase == SQL_IC_LOWER     ? core::IdentifierCase::Lower
                          : identifierCase == SQL_IC_SENSITIVE ? core::IdentifierCase::Sensitive
                                                               : core::IdentifierCase::Insensitive;
    info.rowLimit = RowLimitOf(InfoText(link, SQL_DBMS_NAME));
}

core::RowLimitSpelling RowLimitOf(std::string_view dbmsName) {
    std::string dbms(dbmsName);
    for (char& c : dbms) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto names = [&](std::initializer_list<const char*> words) {
        return std::any_of(words.begin(), words.end(),
                           [&](const char* w) { return dbms.find(w) != std::string::npos; });
    };
    // Sybase's engine calls itself Adaptive Server Enterprise.
    if (names({"sql server", "sybase", "adaptive server"})) return core::RowLimitSpelling::Top;
    if (names({"oracle", "db2", "informix"})) return core::RowLimitSpelling::FetchFirst;
    return core::RowLimitSpelling::Limit;
}

}  // namespace tbn::db::odbc
