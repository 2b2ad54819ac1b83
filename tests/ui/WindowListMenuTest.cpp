#include "ui/WindowListMenu.h"

#include <QAction>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QList<QAction*> ListedWindows(QMenu& menu) {
    QList<QAction*> listed;
    for (QAction* action : menu.actions())
        if (action->isCheckable()) listed.append(action);
    return listed;
}

void Open(QMenu& menu) { emit menu.aboutToShow(); }

}  // namespace

TEST(WindowListMenu, ListsEveryChildBelowTheMenusOwnEntriesAndActivatesTheChosenOne) {
    QMainWindow frame;
    auto* area = new QMdiArea;
    frame.setCentralWidget(area);
    QMenu menu("Windows");
    menu.addAction("Cascade");
    menu.addAction("Tile");
    tbn::ui::AttachWindowList(&menu, area);

    QMdiSubWindow* first = area->addSubWindow(new QWidget);
    first->setWindowTitle("Sales & Stock");
    QMdiSubWindow* second = area->addSubWindow(new QWidget);
    second->setWindowTitle("Customers");
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    area->setActiveSubWindow(second);

    Open(menu);
    Open(menu);  // opening again replaces the list instead of adding to it
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Cascade"));
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3]->text(), QStringLiteral("Sales && Stock"));
    EXPECT_FALSE(actions[3]->isChecked());
    EXPECT_EQ(actions[4]->text(), QStringLiteral("Customers"));
    EXPECT_TRUE(actions[4]->isChecked());

    actions[3]->trigger();
    EXPECT_EQ(area->activeSubWindow(), first);
    Open(menu);
    ASSERT_EQ(ListedWindows(menu).size(), 2);
    EXPECT_TRUE(ListedWindows(menu)[0]->isChecked());

    // A closed child leaves the list, and with no children left the separator goes too.
    delete second;
    Open(menu);
    ASSERT_EQ(ListedWindows(menu).size(), 1);
    delete first;
    Open(menu);
    EXPECT_EQ(menu.actions().size(), 2);
}
