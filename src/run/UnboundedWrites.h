#pragma once
// The statements of a run's text that change or remove every row of something: asked about
// before the run, since one slip of the selection on a production database cannot be taken back.
// The text is read by the statement splitter's own scanner, so quotes, comments and dollar-quoted
// bodies never count.
#include <QString>
#include <vector>

namespace tbn::run {

struct UnboundedWrite {
    QString name;    // the table, schema or database as written; several joined by ", "
    QString reason;  // "DELETE without WHERE", "UPDATE without WHERE", "TRUNCATE", "DROP TABLE",
                     // "DROP SCHEMA" or "DROP DATABASE"
};

// In the order they stand: every statement that is a DELETE or UPDATE without a WHERE of its own
// (one inside parentheses belongs to a subquery; the main statement after a WITH's bodies has its
// own), also as a WITH's body or under an EXPLAIN ANALYZE, which runs it; a TRUNCATE; a DROP
// TABLE, DROP SCHEMA or DROP DATABASE. Only how a statement begins counts, so an ON DELETE, a FOR
// UPDATE or a GRANT names nothing; the statements of a trigger's or routine's BEGIN ... END body
// are part of its CREATE and are not asked about.
std::vector<UnboundedWrite> FindUnboundedWrites(const QString& text);

// "This statement changes every row of NAME (REASON). Run it?"
QString UnboundedWriteQuestion(const UnboundedWrite& write);

// Whether a run asks about them first. On unless the user's settings turn it off; process-wide.
bool AskBeforeUnboundedWrites();
void SetAskBeforeUnboundedWrites(bool ask);

}  // namespace tbn::run
