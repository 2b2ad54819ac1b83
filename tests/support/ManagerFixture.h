#pragma once
// A connection manager over a store in the test's own folder, as the frame would show it.
#include "connections/frmConnections.h"
#include "support/QueryWindowFixture.h"

#include <QPair>
#include <QStringList>
#include <memory>
#include <optional>

namespace tbn::test {

class ManagerFixture : public QueryWindowFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh manager (the previous one goes), its list filled from the store.
    frmConnections& NewManager();
    int Listed() const;
    QString Name(int index) const;
    QStringList Names() const;
    // Makes the named entry the list's selection; false when no entry has that name.
    bool Select(const QString& name);
    // Plays the person at the connection editor: types the name and string and presses Done, or
    // (nullopt) closes it by its close box. The editor's caption is kept in seenCaption if given.
    void AnswerEditor(std::optional<QPair<QString, QString>> typed, QString* seenCaption = nullptr);

    std::unique_ptr<frmConnections> manager;
};

}  // namespace tbn::test
