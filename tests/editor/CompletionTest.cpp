// Completion's engine where the shared script cannot reach: schemas outside the default ones,
// how each engine's folding of names decides quoting, the order of what is offered, and which
// statement a caret is in.
#include "editor/Completion.h"
#include "editor/NameQuoting.h"
#include "editor/SqlEdit.h"
#include "editor/SqlTokens.h"

#include <gtest/gtest.h>

namespace tbn::editor {
namespace {

core::RelationInfo Table(const char* schema, const char* name, std::vector<const char*> columns) {
    core::RelationInfo relation{schema, name, core::RelationKind::Table, {}, {}, {}};
    for (const char* column : columns) relation.columns.push_back({column, "text", true, false});
    return relation;
}

Completion At(QString marked, const CompletionIndex* index) {
    const int caret = int(marked.indexOf(QLatin1Char('|')));
    marked.remove(caret, 1);
    const StatementText statement = StatementAt(marked, caret);
    return CompleteAt(statement.text, caret - statement.start, index);
}

QStringList Labels(const Completion& completion) {
    QStringList labels;
    for (const CompletionCandidate& candidate : completion.candidates) labels << candidate.label;
    return labels;
}

TEST(Completion, OtherSchemasAreOfferedQualifiedAndQualifiersReachIntoThem) {
    auto schema = std::make_shared<core::SchemaInfo>();
    schema->schemas = {"public", "sales"};
    schema->defaultSchemaCount = 1;
    schema->identifierCase = core::IdentifierCase::Lower;
    schema->relations = {Table("public", "orders", {"id"}), Table("sales", "Leads", {"lead_id"})};
    const CompletionIndex index(schema);

    const Completion tables = At(QStringLiteral("SELECT * FROM |"), &index);
    EXPECT_TRUE(Labels(tables).contains(QStringLiteral("orders")));
    const auto leads = std::find_if(tables.candidates.begin(), tables.candidates.end(),
                                    [](const auto& c) { return c.label == u"sales.Leads"; });
    ASSERT_NE(leads, tables.candidates.end());
    EXPECT_EQ(leads->text, QStringLiteral("sales.\"Leads\"")) << "folded to lower case unquoted";
    EXPECT_TRUE(Labels(tables).contains(QStringLiteral("sales")));

    EXPECT_EQ(Labels(At(QStringLiteral("SELECT * FROM sales.|"), &index)),
              QStringList{QStringLiteral("Leads")});
    for (const char* text :
         {"SELECT sales.\"Leads\".| FROM sales.\"Leads\"", "SELECT l.| FROM sales.\"Leads\" l"})
        EXPECT_EQ(Labels(At(QString::fromUtf8(text), &index)),
                  QStringList{QStringLiteral("lead_id")})
            << text;
}

TEST(Completion, ANameIsQuotedWhenTheEngineWouldNotReadItBackUnchanged) {
    using Case = core::IdentifierCase;
    const struct {
        const char* name;
        Case folding;
        bool quoted;
    } cases[] = {
        {"orders", Case::Lower, false},       {"Orders", Case::Lower, true},
        {"ORDERS", Case::Upper, false},       {"orders", Case::Upper, true},
        {"Orders", Case::Insensitive, false}, {"Orders", Case::Sensitive, false},
        {"order", Case::Insensitive, true},  // reserved
        {"2nd", Case::Insensitive, true},     {"a b", Case::Insensitive, true},
        {"_x1", Case::Lower, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NeedsQuoting(QString::fromUtf8(c.name), c.folding), c.quoted) << c.name;
    core::SchemaInfo brackets;
    brackets.quoteOpen = "[";
    brackets.quoteClose = "]";
    EXPECT_EQ(QuoteName(QStringLiteral("a]b"), brackets), QStringLiteral("[a]]b]"));
}

TEST(Completion, StartingMatchesComeFirstAndWhatTheContextAsksForBeforeKeywords) {
    auto schema = std::make_shared<core::SchemaInfo>();
    schema->schemas = {"main"};
    schema->defaultSchemaCount = 1;
    schema->relations = {Table("main", "t", {"status", "size", "reason", "asset"})};
    const CompletionIndex index(schema);
    const Completion completion = At(QStringLiteral("SELECT * FROM t WHERE s|"), &index);
    const QStringList labels = Labels(completion);
    ASSERT_GE(labels.size(), 4);
    EXPECT_EQ(labels.mid(0, 2), (QStringList{QStringLiteral("size"), QStringLiteral("status")}));
    bool starting = true, columns = true;
    for (const CompletionCandidate& candidate : completion.candidates) {
        const bool starts = candidate.label.startsWith(u's', Qt::CaseInsensitive);
        EXPECT_FALSE(starts && !starting) << "a starting match after a containing one";
        if (!starts) {
            starting = false;
            columns = true;
        }
        const bool column = candidate.kind == CandidateKind::Column;
        EXPECT_FALSE(column && !columns) << "a column after a keyword in the same group";
        if (candidate.kind == CandidateKind::Keyword) columns = false;
    }
}

TEST(Completion, TheStatementEndsAtSemicolonsInCodeOnlyInTextAndInThePane) {
    const QString texts[] = {
        QStringLiteral("SELECT ';' FROM a; SELECT /* ; */ b|, c -- ;\nFROM d; SELECT e"),
        QStringLiteral("SELECT x|"),
        QStringLiteral("a;\n\n|\n;b"),
    };
    const QString statements[] = {QStringLiteral(" SELECT /* ; */ b, c -- ;\nFROM d"),
                                  QStringLiteral("SELECT x"), QStringLiteral("\n\n\n")};
    SqlEdit pane;
    for (size_t i = 0; i < std::size(texts); ++i) {
        QString text = texts[i];
        const int caret = int(text.indexOf(QLatin1Char('|')));
        text.remove(caret, 1);
        pane.setPlainText(text);
        EXPECT_EQ(StatementAt(text, caret).text, statements[i]);
        const StatementText inPane = StatementAt(*pane.document(), caret);
        EXPECT_EQ(inPane.text, statements[i]);
        EXPECT_EQ(inPane.start, StatementAt(text, caret).start);
    }
}

}  // namespace
}  // namespace tbn::editor
