#include "ui/FileDialogs.h"

#include "support/ScriptedFileDialog.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tbn::ui;
using tbn::test::ScriptedFileDialog;

namespace {

OPENFILENAMEA Record(std::int32_t bufferSize) {
    OPENFILENAMEA ofn;
    ofn.lStructSize = 76;
    ofn.nFilterIndex = 1;
    ofn.nMaxFile = bufferSize;
    ofn.lpstrFile.assign(static_cast<std::size_t>(bufferSize), '\0');
    return ofn;
}

}  // namespace

TEST(FileDialogs, ResultIsNulPaddedToTheBuffer) {
    ScriptedFileDialog human;
    human.Choose({"/data/x.sql"});
    OPENFILENAMEA ofn = Record(64);
    ofn.lpstrFile = std::string("old name that is longer") + std::string(41, '\0');
    ASSERT_NE(GetOpenFileNameA(ofn), 0);
    EXPECT_EQ(human.Requests().at(0).presetName, "old name that is longer");
    EXPECT_EQ(ofn.lpstrFile, std::string("/data/x.sql") + std::string(64 - 11, '\0'));
}

TEST(FileDialogs, ResultThatDoesNotFitFailsLikeACancel) {
    ScriptedFileDialog human;
    human.Choose({"/a/very/long/path/name.sql"}).Choose({"/d/a", "/d/b"});
    OPENFILENAMEA ofn = Record(10);
    EXPECT_EQ(GetSaveFileNameA(ofn), 0);
    EXPECT_EQ(ofn.lpstrFile, std::string(10, '\0'));

    // "/d" NUL "a" NUL "b" NUL NUL needs 9 bytes.
    OPENFILENAMEA multi = Record(8);
    multi.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER;
    EXPECT_EQ(GetOpenFileNameA(multi), 0);
}

TEST(FileDialogs, OddFilterIndexAndBrokenFilterAreTolerated) {
    ScriptedFileDialog human;
    OPENFILENAMEA ofn = Record(16);
    ofn.lpstrFilter = std::string("A\0*.a;*.b\0Dangling\0\0", 21);
    ofn.nFilterIndex = 0;
    GetOpenFileNameA(ofn);
    const FileDialogRequest& r = human.Requests().at(0);
    ASSERT_EQ(r.filters.size(), 1);
    EXPECT_EQ(r.filters[0].patterns, (QStringList{"*.a", "*.b"}));
    EXPECT_EQ(r.filterIndex, 1);
    EXPECT_EQ(ofn.nFilterIndex, 0);  // a cancel writes nothing back
}

// The real dialog, answered from the event loop as a person would: the record's settings must
// reach it, and its choice must come back through the same record.
TEST(FileDialogs, RealSaveDialogCarriesTheSettingsBothWays) {
    tbn::test::TempDir dir;
    OPENFILENAMEA ofn = Record(1024);
    ofn.lpstrFilter = std::string("SQL files (*.sql)\0*.sql\0Text files (*.txt)\0*.txt\0\0", 50);
    ofn.nFilterIndex = 2;
    ofn.lpstrDefExt = "sql";
    ofn.lpstrInitialDir = dir.path().toStdString();
    ofn.Flags = OFN_OVERWRITEPROMPT;

    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        seen = true;
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        // The one question before replacing a file is the layer's, asked after the dialog.
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_TRUE(dialog->selectedNameFilter().startsWith("Text files"))
            << dialog->selectedNameFilter().toStdString();
        EXPECT_EQ(dialog->windowTitle(), "Save As");
        dialog->selectNameFilter("SQL files (*.sql) (*.sql)");
        dialog->selectFile(dir.file("fresh"));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept is protected
    });
    QTimer::singleShot(2000, [] {  // safety net: never leave the test blocked
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    ASSERT_NE(GetSaveFileNameA(ofn), 0);
    EXPECT_TRUE(seen);
    EXPECT_EQ(QString::fromStdString(ofn.lpstrFile.substr(0, ofn.lpstrFile.find('\0'))),
              dir.file("fresh.sql"));
    EXPECT_EQ(ofn.nFilterIndex, 1);
}
