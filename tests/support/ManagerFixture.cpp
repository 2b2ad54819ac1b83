#include "support/ManagerFixture.h"

#include "connections/ProgramFolder.h"
#include "connections/frmEditConnection.h"
#include "ui/Modal.h"

#include <QLineEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace tbn::test {

void ManagerFixture::SetUp() {
    QueryWindowFixture::SetUp();
    connections::SetProgramFolderForTesting(dir.path());
}

void ManagerFixture::TearDown() {
    manager.reset();
    ui::SetModalResponder({});
    connections::SetProgramFolderForTesting(QString());
    QueryWindowFixture::TearDown();
}

frmConnections& ManagerFixture::NewManager() {
    manager.reset();
    manager = std::make_unique<frmConnections>(*frame);
    manager->FillCnns();
    return *manager;
}

int ManagerFixture::Listed() const { return manager->lvCnn->topLevelItemCount(); }

QString ManagerFixture::Name(int index) const {
    return manager->lvCnn->topLevelItem(index)->text(0);
}

QStringList ManagerFixture::Names() const {
    QStringList names;
    for (int i = 0; i < Listed(); ++i) names << Name(i);
    return names;
}

bool ManagerFixture::Select(const QString& name) {
    for (int i = 0; i < Listed(); ++i) {
        if (Name(i) == name) {
            manager->lvCnn->setCurrentItem(manager->lvCnn->topLevelItem(i));
            return true;
        }
    }
    return false;
}

void ManagerFixture::AnswerEditor(std::optional<QPair<QString, QString>> typed,
                                  QString* seenCaption) {
    ui::SetModalResponder([typed, seenCaption](QDialog& dialog) {
        auto* editor = qobject_cast<frmEditConnection*>(&dialog);
        if (!editor) {
            ADD_FAILURE() << "a dialog other than the connection editor was shown";
            return 0;
        }
        if (seenCaption) *seenCaption = editor->windowTitle();
        if (!typed) return 0;
        editor->txtName->setText(typed->first);
        editor->txtConnectionString->setText(typed->second);
        editor->cmdDone_Click();
        return editor->result();
    });
}

}  // namespace tbn::test
