#include "DbTestSupport.h"

#include <gtest/gtest.h>

namespace tbn::test {

ResultTable ReadAll(db::Recordset& rs) {
    ResultTable table;
    const db::Fields fields = rs.GetFields();
    for (std::size_t i = 0; i < fields.Count(); ++i) table.Names.emplace_back(fields[i].Name());
    for (; !rs.Eof(); rs.MoveNext()) {
        auto& row = table.Rows.emplace_back();
        auto& kinds = table.Kinds.emplace_back();
        for (std::size_t i = 0; i < fields.Count(); ++i) {
            const db::Field field = fields[i];
            if (field.IsNull()) {
                EXPECT_EQ(field.Value(), "") << "a null reads as the empty string";
                row.emplace_back(std::nullopt);
                kinds.push_back(core::ValueKind::Text);
            } else {
                row.emplace_back(std::string(field.Value()));
                kinds.push_back(field.Kind());
            }
        }
    }
    return table;
}

ResultTable ReadAll(db::Cursor& cursor) {
    ResultTable table;
    for (std::size_t i = 0; i < cursor.FieldCount(); ++i)
        table.Names.emplace_back(cursor.FieldName(i));
    for (; !cursor.AtEnd(); cursor.Next()) {
        auto& row = table.Rows.emplace_back();
        auto& kinds = table.Kinds.emplace_back();
        for (std::size_t i = 0; i < cursor.FieldCount(); ++i) {
            const bool null = cursor.IsNull(i);
            row.emplace_back(null ? std::nullopt
                                  : std::optional<std::string>(std::string(cursor.Value(i))));
            kinds.push_back(null ? core::ValueKind::Text : cursor.Kind(i));
        }
    }
    return table;
}

std::optional<ResultTable> Query(db::Connection& connection, std::string_view sql) {
    db::Recordset rs;
    rs.Open(sql, connection);
    if (rs.State() == db::adStateClosed) return std::nullopt;
    return ReadAll(rs);
}

void Exec(db::Connection& connection, std::string_view sql) { Query(connection, sql); }

std::optional<Error> CaughtError(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "expected a tbn::Error, none was raised";
    return std::nullopt;
}

}  // namespace tbn::test
