#pragma once
// What the query window keeps of a run of several statements: each statement's row set, shown in
// the grid when its tab above the grid is chosen, with the grid's state for it (column widths once
// sized, the order of a sort). The choices behind the tabs are plain functions.
#include "grid/FlexGrid.h"
#include "results/CellStore.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tbn::run {
struct RunResult;
}

namespace tbn::query {

struct KeptResult {
    std::shared_ptr<results::CellStore> rows;  // null: the statement returned none
    std::vector<int> widths;                   // twips; empty until the grid has sized them
    tbn::grid::FlexGrid::Order order;          // as FlexGrid::SetRecordOrder takes it
    std::int64_t orderRecords = 0;
    QString text;  // the statement, for what a copy as INSERT statements names
};

// Whether a run brings tabs: a text of two statements or more (statementsInText, as the
// statement splitter counts them), or a run that ran two or more.
bool ShowsTabs(const tbn::run::RunResult& result, std::size_t statementsInText);

// The tab current when the run has ended: the statement whose row set the grid shows, else (the
// grid keeps an earlier result, or shows a statement without rows) the statement the run ended
// at. -1 for a run without statements.
int TabAtEnd(const tbn::run::RunResult& result);

// The statements' texts, each from where it starts to where the next one does (the last to the
// end): offsets are bytes of the UTF-8 text.
std::vector<QString> StatementTexts(const QString& text, const std::vector<std::size_t>& offsets);

}  // namespace tbn::query
