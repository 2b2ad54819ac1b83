// Running the SQL pane's text and copying the result into the grid.
#include "query/frmMain.h"

#include "grid/FlexGrid.h"
#include "query/GridScopes.h"
#include "ui/Events.h"
#include "ui/MousePointer.h"
#include "ui/TextBox.h"
#include "ui/mdlErrors.h"

#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

using namespace tbn::platform;

void frmMain::ExecuteQuerySelected() { ExecuteQuery(true); }

void frmMain::ExecuteQuery(bool blnSelected) {
    SetMousePointer(vbHourglass);
    DoEvents();
    if (blnSelected && rtfQueryText->SelLength() == 0) {
        SetMousePointer(vbDefault);
        return;
    }
    std::optional<int> failureAt;
    mdlErrors::Guarded(QStringLiteral("frmMain >> ExecuteQuery"), [&] {
        if (blnConnected) {
            CloseRecordset();
            const int commandStart = blnSelected ? rtfQueryText->SelStart() : 0;
            const QString commandText = blnSelected ? rtfQueryText->SelText() : rtfQueryText->Text();
            try {
                rs.Open(commandText.toStdString(), cnn, tbn::db::adOpenStatic, tbn::db::adLockOptimistic, -1);
            } catch (tbn::Error& error) {
                failureAt = PlaceFailure(error, commandText, commandStart);
                throw;
            }
            FillGrid();
        }
        AutosizeGridColumns(*Flex, 100, 400);
    });
    SetMousePointer(vbDefault);
    if (failureAt) SelectFailure(*failureAt);
}

void frmMain::ResetGrid() {
    Flex->Clear();
    // Dropping every row past the first record row is what removing row 2 over and over amounts
    // to, without the quadratic cost on a large result.
    if (Flex->Rows() > 2) Flex->SetRows(2);
    Flex->SetColWidth(0, 300);
}

void frmMain::FillGrid() {
    GridRedrawOff redrawOff(*Flex);
    ResetGrid();
    const tbn::db::Fields fields = rs.GetFields();
    const std::size_t fieldCount = fields.Count();
    if (fieldCount == 0) return;

    Flex->SetCols(static_cast<std::int64_t>(fieldCount) + 1);
    for (std::size_t c = 0; c < fieldCount; ++c)
        Flex->SetTextMatrix(0, static_cast<std::int64_t>(c) + 1, QString::fromStdString(std::string(fields[c].Name())));

    // The walk reads the cursor itself: the Field wrappers check the record set's state again on
    // every cell, which a million rows feel. A null reads as "", which is its cell's text; only
    // empty values pay for asking whether they are null, so the grid can draw nulls apart.
    tbn::db::Cursor& cursor = *rs.cursor();
    std::vector<std::optional<std::string_view>> values(fieldCount + 1);
    char number[24];
    for (std::int64_t r = 1; !cursor.AtEnd(); ++r) {
        const auto written = std::to_chars(number, number + sizeof number, r);
        values[0] = std::string_view(number, static_cast<std::size_t>(written.ptr - number));
        for (std::size_t c = 0; c < fieldCount; ++c) {
            const std::string_view value = cursor.Value(c);
            if (value.empty() && cursor.IsNull(c))
                values[c + 1].reset();
            else
                values[c + 1] = value;
        }
        Flex->FillRowAndAppend(r, 0, values);
        cursor.Next();
    }
}
