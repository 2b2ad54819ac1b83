#include "grid/FlexGrid.h"
#include "query/CellViewer.h"
#include "support/QueryWindowFixture.h"
#include "ui/Clipboard.h"
#include "ui/Modal.h"
#include "ui/TextBox.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using tbn::test::QueryWindowFixture;

namespace {
struct Seen {
    QString title;
    QString text;
    QString sizes;
    bool hexadecimal = false;
    QString bytes;
    QString copied;
    qsizetype allShown = -1;  // the text's length after "Show all", when the button is there
};
}  // namespace

class CellViewerTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        window = OpenWindow(
            "cells", MakeDatabase("c.db", "CREATE TABLE v(t TEXT, b BLOB);"
                                          "INSERT INTO v VALUES('héllo wörld 😀', x'00414243ff'),"
                                          "(hex(randomblob(500000)), NULL),"
                                          "(hex(randomblob(600000)), NULL);"));
        tbn::ui::SetModalResponder([this](QDialog& dialog) {
            auto& viewer = dynamic_cast<tbn::query::CellViewer&>(dialog);
            Seen seen{viewer.windowTitle(),
                      viewer.TextPane()->toPlainText(),
                      viewer.SizeLabel()->text(),
                      viewer.AsBytes()->isEnabled(),
                      {},
                      {}};
            viewer.show();  // what a person would wait for: the text laid out and drawn
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&viewer));
            viewer.CopyButton()->click();
            seen.copied = tbn::ui::Clipboard::GetText();
            if (viewer.ShowAllButton()->isVisible()) {
                viewer.ShowAllButton()->click();
                seen.allShown = viewer.TextPane()->toPlainText().size();
            }
            if (seen.hexadecimal) {
                viewer.AsBytes()->setChecked(true);
                seen.bytes = viewer.TextPane()->toPlainText();
            }
            viewer.hide();
            opened.push_back(seen);
            return 0;
        });
        window->QueryText().SetText("SELECT t, b FROM v");
        ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    }
    void TearDown() override {
        tbn::ui::SetModalResponder({});
        QueryWindowFixture::TearDown();
    }
    // Near the cell's left edge: a column sized to a long text reaches far beyond the view.
    QPoint CellPoint(std::int64_t row, std::int64_t col) const {
        const tbn::grid::FlexGrid& grid = *window->FlexWidget();
        const QRect cell = grid.visualRect(
            grid.model()->index(static_cast<int>(row - 1), static_cast<int>(col - 1)));
        return {cell.left() + 4, cell.center().y()};
    }
    // A person's double click: the first click selects, the second opens.
    void DoubleClick(QWidget* on, QPoint at) {
        QTest::mouseClick(on, Qt::LeftButton, {}, at);
        QTest::mouseDClick(on, Qt::LeftButton, {}, at);
    }
    frmMain* window = nullptr;
    std::vector<Seen> opened;
};

TEST_F(CellViewerTest, DoubleClickOrShiftF2ShowsTheWholeCellWithItsSizesAndHexBytes) {
    tbn::grid::FlexGrid& grid = *window->FlexWidget();
    DoubleClick(grid.viewport(), CellPoint(1, 1));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].text, QStringLiteral("héllo wörld 😀"));
    EXPECT_EQ(opened[0].sizes,
              QStringLiteral("13 characters, 18 bytes"));  // the emoji is one character
    EXPECT_FALSE(opened[0].hexadecimal);
    EXPECT_EQ(opened[0].copied, opened[0].text);
    EXPECT_EQ(opened[0].title, QStringLiteral("t, row 1"));

    grid.setFocus();
    grid.SetRow(1);
    grid.SetCol(2);
    QTest::keyClick(&grid, Qt::Key_F2, Qt::ShiftModifier);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].text, QStringLiteral("00414243FF"));  // a blob arrives as hexadecimal text
    EXPECT_TRUE(opened[1].hexadecimal);
    EXPECT_EQ(opened[1].bytes,
              QStringLiteral("00000000  00 41 42 43 ff %1 .ABC.\n").arg(QString(11 * 3, ' ')));

    QHeaderView* header = grid.horizontalHeader();
    DoubleClick(header->viewport(), QPoint(header->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(opened.size(), 2u);  // a fixed cell opens nothing

    DoubleClick(grid.viewport(), CellPoint(2, 1));
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2].text.size(), 1000000);
    EXPECT_EQ(opened[2].copied, grid.TextMatrix(2, 1));
    EXPECT_EQ(opened[2].title, QStringLiteral("t, row 2"));
    grid.SetRow(2);
    grid.SetCol(2);
    QTest::keyClick(&grid, Qt::Key_F2, Qt::ShiftModifier);
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[3].title, QStringLiteral("b, row 2 (NULL)"));
    EXPECT_EQ(opened[2].allShown, -1) << "a million characters show whole at once";

    // Longer, it shows its beginning first; Copy still takes the whole cell.
    DoubleClick(grid.viewport(), CellPoint(3, 1));
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[4].text.size(), tbn::query::CellViewer::kFirstShownChars);
    EXPECT_TRUE(opened[4].sizes.startsWith(QStringLiteral("1200000 characters")))
        << opened[4].sizes.toStdString();
    EXPECT_EQ(opened[4].copied, grid.TextMatrix(3, 1));
    EXPECT_EQ(opened[4].allShown, 1200000);
}
