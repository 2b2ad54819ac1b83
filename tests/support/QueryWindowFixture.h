#pragma once
// A frame with query windows opened the way the connection manager opens them, on real SQLite
// files in a temporary folder.
#include "app/frmMDI.h"
#include "core/Error.h"
#include "query/frmMain.h"
#include "support/RunWait.h"
#include "support/ScriptedMsgBox.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>

namespace tbn::test {

class QueryWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates a database file from sql and returns its connection string.
    QString MakeDatabase(const QString& fileName, const std::string& sql);
    // Creates, loads, connects and shows a query window as the manager does; a failing Connect
    // propagates with the window left hidden (the caller decides what to do with it).
    frmMain* OpenWindow(const QString& name, const QString& cnn);
    // Processes events until no query window is connecting or reading its schema any more and
    // the queued activation has reached the window.
    void Settle();

    std::unique_ptr<frmMDI> frame;
    std::unique_ptr<ScriptedMsgBox> boxes;
    TempDir dir;
};

}  // namespace tbn::test
