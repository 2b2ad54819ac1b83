// Which statements of a run's text change every row of something, and what the question names.
#include "run/UnboundedWrites.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {
// Each one found as "REASON: NAME", in order.
QStringList Found(const QString& text) {
    QStringList found;
    for (const tbn::run::UnboundedWrite& write : tbn::run::FindUnboundedWrites(text))
        found << write.reason + QStringLiteral(": ") + write.name;
    return found;
}
}  // namespace

TEST(UnboundedWrites, OnlyAWhereOfTheStatementsOwnBoundsIt) {
    const struct {
        const char* text;
        QStringList found;
    } cases[] = {
        {"DELETE FROM t WHERE id = 1", {}},
        {"delete from t", {"DELETE without WHERE: t"}},
        {"DELETE FROM t -- WHERE id = 1", {"DELETE without WHERE: t"}},
        {"DELETE FROM t /* WHERE */; SELECT 'WHERE'", {"DELETE without WHERE: t"}},
        {"UPDATE t SET note = 'where id = 1'", {"UPDATE without WHERE: t"}},
        {"UPDATE t SET a = (SELECT b FROM u WHERE u.id = t.id)", {"UPDATE without WHERE: t"}},
        {"UPDATE t SET a = u.b FROM u WHERE u.id = t.id", {}},
        {"DELETE FROM t WHERE id IN (SELECT id FROM u)", {}},
        {"DELETE FROM ONLY public.\"Order Lines\" AS o",
         {"DELETE without WHERE: public.\"Order Lines\""}},
        {"UPDATE OR REPLACE main.t SET a = 1", {"UPDATE without WHERE: main.t"}},
        {"DELETE TOP (10) FROM [dbo].[t]", {"DELETE without WHERE: [dbo].[t]"}},
        // A WITH's bodies are statements of their own; the main statement's WHERE follows them.
        {"WITH gone AS (DELETE FROM t RETURNING *) SELECT count(*) FROM gone",
         {"DELETE without WHERE: t"}},
        {"WITH RECURSIVE c(x) AS (SELECT 1 WHERE true), d AS MATERIALIZED (UPDATE u SET a = 1 "
         "WHERE a = 0 RETURNING a) DELETE FROM t",
         {"DELETE without WHERE: t"}},
        {"WITH ids AS (SELECT id FROM u) DELETE FROM t WHERE id IN (SELECT id FROM ids)", {}},
        {"WITH x AS (SELECT 1) SELECT * FROM t FOR UPDATE", {}},
        // How a statement begins is what counts.
        {"INSERT INTO t VALUES (1) ON CONFLICT (id) DO UPDATE SET a = 2", {}},
        {"CREATE TABLE c (p int REFERENCES t ON DELETE CASCADE); GRANT DELETE ON t TO bob", {}},
        {"CREATE FUNCTION f() RETURNS void AS $$ DELETE FROM t; TRUNCATE u $$ LANGUAGE sql", {}},
        {"CREATE TRIGGER tr AFTER INSERT ON a BEGIN DELETE FROM b; UPDATE c SET x = 1; END; "
         "DELETE FROM d",
         {"DELETE without WHERE: d"}},
        {"SELECT 1; UPDATE t SET a = 1 WHERE b; DELETE FROM u; SELECT 'DROP TABLE v'",
         {"DELETE without WHERE: u"}},
        {"TRUNCATE TABLE ONLY a, s.b * RESTART IDENTITY; truncate c",
         {"TRUNCATE: a, s.b", "TRUNCATE: c"}},
        {"DROP TABLE IF EXISTS t CASCADE; DROP TEMPORARY TABLE tmp",
         {"DROP TABLE: t", "DROP TABLE: tmp"}},
        {"DROP SCHEMA sales; DROP DATABASE shop WITH (FORCE); DROP VIEW v; DROP INDEX i",
         {"DROP SCHEMA: sales", "DROP DATABASE: shop"}},
        {"EXPLAIN DELETE FROM t; EXPLAIN (ANALYZE, BUFFERS) DELETE FROM u; EXPLAIN ANALYZE "
         "VERBOSE WITH x AS (SELECT 1) UPDATE v SET a = 1",
         {"DELETE without WHERE: u", "UPDATE without WHERE: v"}},
        {"", {}},
        {"DELETE FROM (", {"DELETE without WHERE: ("}},
    };
    for (const auto& row : cases)
        EXPECT_EQ(Found(QString::fromUtf8(row.text)), row.found) << row.text;
}
