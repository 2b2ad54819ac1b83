#pragma once
// The query window's table list grown into a tree of the database's schema. Its top level is the
// table list as it always was: the plain tables, in the catalogue's order, each named as the
// engine gives it. A table opens onto its columns (name, type, a key mark for the primary key's)
// and then its indexes. After the tables come groups, closed at first: "Views" (those of the
// default schemas), then one per other schema with its tables and views.
//
// What an entry holds is built only when it is first opened, so a catalogue of many thousands of
// tables is shown at once. Entries left open stay open when the tree is filled again.
#include "core/SchemaInfo.h"
#include "db/Session.h"

#include <QTreeWidget>
#include <memory>
#include <vector>

class QMenu;

namespace tbn::query {

enum class SchemaEntry { None, Table, View, Relation, Column, Index, Group };

class SchemaTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit SchemaTree(QWidget* parent = nullptr);

    // The plain tables of tables ("TABLE" entries, in their order) and, with schema, what it tells
    // of them and the groups; without one, the tables alone.
    void Fill(const std::vector<tbn::db::TableInfo>& tables,
              std::shared_ptr<const core::SchemaInfo> schema = nullptr);
    QStringList TableNames() const;                     // the top level's tables, as shown
    QTreeWidgetItem* Group(const QString& text) const;  // nullptr when there is none

    static SchemaEntry EntryOf(const QTreeWidgetItem* item);
    // What a double-click on item appends after a space: a table of the top level as shown; any
    // other name as SQL must write it (quoted where the engine needs it, another schema's
    // relations qualified with it). Empty for a group or no item.
    QString InsertText(const QTreeWidgetItem* item) const;
    // A SELECT of the first 100 rows of a table or view, in the engine's own spelling of a row
    // limit; empty for anything else.
    QString SelectTopText(const QTreeWidgetItem* item) const;

    // The pop-up menu, its entries enabled for item (which may be null). The tree pops it up
    // itself; tests trigger its actions.
    QMenu* PopupMenu(const QTreeWidgetItem* item);

signals:
    void RefreshRequested();
    void SelectTopRequested(const QString& selectText);

private:
    void Populate(QTreeWidgetItem* item);
    void AddRelationItems(QTreeWidgetItem* parent, const std::vector<std::size_t>& relations,
                          bool qualified);
    QString SqlName(const std::string& name) const;
    QString QualifiedName(const core::RelationInfo& relation) const;
    void ShowMenu(const QPoint& position);

    std::shared_ptr<const core::SchemaInfo> schema_;
    QMenu* menu_ = nullptr;
    QAction* refresh_ = nullptr;
    QAction* copyName_ = nullptr;
    QAction* selectTop_ = nullptr;
};

}  // namespace tbn::query
