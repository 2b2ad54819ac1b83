#include "query/SchemaTree.h"

#include "editor/NameQuoting.h"
#include "ui/Clipboard.h"

#include <QHash>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <unordered_map>

namespace tbn::query {

namespace {

constexpr int kEntryRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;  // of the relation, or of a group's schema
constexpr int kInsertRole = Qt::UserRole + 2;
constexpr int kPendingRole = Qt::UserRole + 3;  // what it holds is not built yet
constexpr qlonglong kViewsGroup = -1;
const QChar kPathSeparator(0x1F);

// Every column gets an icon of the same size, so the names line up whether or not they carry the
// key mark.
QIcon ColumnIcon(bool key) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    if (key) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0xB0, 0x80, 0x10), 2));
        painter.drawEllipse(QRectF(1.5, 4.5, 6, 6));
        painter.drawLine(QPointF(7.5, 7.5), QPointF(14.5, 7.5));
        painter.drawLine(QPointF(12.5, 7.5), QPointF(12.5, 11));
        painter.drawLine(QPointF(10, 7.5), QPointF(10, 10));
    }
    return QIcon(pixmap);
}

// Three rows of an ordered list: an index, set apart from the columns above it.
QIcon IndexIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(QColor(0x40, 0x70, 0xB0), 2));
    for (const int y : {4, 8, 12}) painter.drawLine(3, y, 13, y);
    return QIcon(pixmap);
}

QString ColumnText(const core::ColumnInfo& column) {
    QString text = QString::fromStdString(column.name);
    if (!column.type.empty()) text += QStringLiteral("  ") + QString::fromStdString(column.type);
    return text;
}

QString IndexText(const core::IndexInfo& index) {
    QStringList columns;
    for (const std::string& column : index.columns) columns << QString::fromStdString(column);
    return QString::fromStdString(index.name) + QStringLiteral(" (") +
           columns.join(QStringLiteral(", ")) + QLatin1Char(')');
}

bool IsDefaultSchema(const core::SchemaInfo& schema, const std::string& name) {
    for (std::size_t s = 0; s < schema.defaultSchemaCount && s < schema.schemas.size(); ++s)
        if (schema.schemas[s] == name) return true;
    return false;
}

bool HoldsAnything(const core::RelationInfo& relation) {
    return !relation.columns.empty() || !relation.indexes.empty();
}

QTreeWidgetItem* NewItem(const QString& text, SchemaEntry entry) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kEntryRole, static_cast<int>(entry));
    return item;
}

void MarkPending(QTreeWidgetItem* item) {
    item->setData(0, kPendingRole, true);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
}

QString StepOf(const QTreeWidgetItem* item) {
    return QString::number(item->data(0, kEntryRole).toInt()) + QLatin1Char(':') + item->text(0);
}

// Names an entry the same way after the tree is filled again, so what was open can be found.
QString PathOf(const QTreeWidgetItem* item) {
    QString path;
    for (; item; item = item->parent()) path.prepend(StepOf(item) + kPathSeparator);
    return path;
}

}  // namespace

SchemaTree::SchemaTree(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    // A double-click appends a name; only a group opens and closes with it (the window decides).
    setExpandsOnDoubleClick(false);
    connect(this, &QTreeWidget::itemExpanded, this, &SchemaTree::Populate);
    menu_ = new QMenu(this);
    refresh_ = menu_->addAction(QStringLiteral("Refresh"));
    copyName_ = menu_->addAction(QStringLiteral("Copy name"));
    selectTop_ = menu_->addAction(QStringLiteral("Select top 100 rows"));
    connect(refresh_, &QAction::triggered, this, &SchemaTree::RefreshRequested);
    connect(copyName_, &QAction::triggered, this,
            [this] { tbn::ui::Clipboard::SetText(copyName_->data().toString()); });
    connect(selectTop_, &QAction::triggered, this,
            [this] { emit SelectTopRequested(selectTop_->data().toString()); });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &SchemaTree::ShowMenu);
}

void SchemaTree::Fill(const std::vector<tbn::db::TableInfo>& tables,
                      std::shared_ptr<const core::SchemaInfo> schema) {
    QStringList open;
    // Asking the view whether an entry is open is dear; only one that was built can be.
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        if ((*it)->childCount() > 0 && (*it)->isExpanded()) open << PathOf(*it);
    const QString current = currentItem() ? PathOf(currentItem()) : QString();
    const int scrolled = verticalScrollBar()->value();

    clear();
    schema_ = std::move(schema);
    std::unordered_map<std::string, std::size_t> defaultTables;
    if (schema_)
        for (std::size_t r = 0; r < schema_->relations.size(); ++r) {
            const core::RelationInfo& relation = schema_->relations[r];
            // The first of the search path's schemas that holds the name is the one it means.
            if (relation.kind == core::RelationKind::Table &&
                IsDefaultSchema(*schema_, relation.schema))
                defaultTables.emplace(relation.name, r);
        }
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(tables.size()) + 8);
    for (const tbn::db::TableInfo& table : tables) {
        if (table.Type != "TABLE") continue;
        QTreeWidgetItem* item = NewItem(QString::fromStdString(table.Name), SchemaEntry::Table);
        if (const auto found = defaultTables.find(table.Name); found != defaultTables.end()) {
            item->setData(0, kIndexRole, static_cast<qlonglong>(found->second));
            if (HoldsAnything(schema_->relations[found->second])) MarkPending(item);
        }
        items << item;
    }
    if (schema_) {
        bool views = false;
        std::vector<bool> holdsSome(schema_->schemas.size(), false);
        for (const core::RelationInfo& relation : schema_->relations) {
            if (IsDefaultSchema(*schema_, relation.schema)) {
                views = views || relation.kind == core::RelationKind::View;
                continue;
            }
            for (std::size_t s = schema_->defaultSchemaCount; s < schema_->schemas.size(); ++s)
                if (schema_->schemas[s] == relation.schema) holdsSome[s] = true;
        }
        if (views) {
            QTreeWidgetItem* group = NewItem(QStringLiteral("Views"), SchemaEntry::Group);
            group->setData(0, kIndexRole, kViewsGroup);
            MarkPending(group);
            items << group;
        }
        for (std::size_t s = schema_->defaultSchemaCount; s < schema_->schemas.size(); ++s) {
            if (!holdsSome[s]) continue;
            QTreeWidgetItem* group =
                NewItem(QString::fromStdString(schema_->schemas[s]), SchemaEntry::Group);
            group->setData(0, kIndexRole, static_cast<qlonglong>(s));
            MarkPending(group);
            items << group;
        }
    }
    addTopLevelItems(items);

    if (open.isEmpty() && current.isEmpty()) return;
    // Only the few entries that were open are looked for, level by level, each level built as it
    // opens.
    QHash<QString, QTreeWidgetItem*> top;
    for (QTreeWidgetItem* item : std::as_const(items)) top.insert(PathOf(item), item);
    auto find = [&top](const QString& path) -> QTreeWidgetItem* {
        const QStringList parts = path.split(kPathSeparator, Qt::SkipEmptyParts);
        if (parts.isEmpty()) return nullptr;
        QTreeWidgetItem* item = top.value(parts.front() + kPathSeparator);
        for (qsizetype p = 1; item && p < parts.size(); ++p) {
            QTreeWidgetItem* parent = item;
            parent->setExpanded(true);
            item = nullptr;
            for (int c = 0; c < parent->childCount() && !item; ++c)
                if (StepOf(parent->child(c)) == parts[p]) item = parent->child(c);
        }
        return item;
    };
    for (const QString& path : std::as_const(open))
        if (QTreeWidgetItem* item = find(path)) item->setExpanded(true);
    if (QTreeWidgetItem* item = find(current)) setCurrentItem(item);
    verticalScrollBar()->setValue(scrolled);
}

QStringList SchemaTree::TableNames() const {
    QStringList names;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (EntryOf(topLevelItem(i)) == SchemaEntry::Table) names << topLevelItem(i)->text(0);
    return names;
}

QTreeWidgetItem* SchemaTree::Group(const QString& text) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (EntryOf(topLevelItem(i)) == SchemaEntry::Group && topLevelItem(i)->text(0) == text)
            return topLevelItem(i);
    return nullptr;
}

SchemaEntry SchemaTree::EntryOf(const QTreeWidgetItem* item) {
    return item ? static_cast<SchemaEntry>(item->data(0, kEntryRole).toInt()) : SchemaEntry::None;
}

void SchemaTree::Populate(QTreeWidgetItem* item) {
    if (!schema_ || !item->data(0, kPendingRole).toBool()) return;
    item->setData(0, kPendingRole, false);
    const qlonglong index = item->data(0, kIndexRole).toLongLong();
    if (EntryOf(item) == SchemaEntry::Group) {
        std::vector<std::size_t> relations;
        for (std::size_t r = 0; r < schema_->relations.size(); ++r) {
            const core::RelationInfo& relation = schema_->relations[r];
            if (index == kViewsGroup
                    ? relation.kind == core::RelationKind::View &&
                          IsDefaultSchema(*schema_, relation.schema)
                    : relation.schema == schema_->schemas[static_cast<std::size_t>(index)])
                relations.push_back(r);
        }
        AddRelationItems(item, relations, index != kViewsGroup);
        return;
    }
    const core::RelationInfo& relation = schema_->relations[static_cast<std::size_t>(index)];
    QList<QTreeWidgetItem*> children;
    for (const core::ColumnInfo& column : relation.columns) {
        QTreeWidgetItem* child = NewItem(ColumnText(column), SchemaEntry::Column);
        child->setData(0, kInsertRole, SqlName(column.name));
        child->setIcon(0, ColumnIcon(column.primaryKey));
        if (column.primaryKey) child->setToolTip(0, QStringLiteral("Primary key"));
        children << child;
    }
    for (const core::IndexInfo& index : relation.indexes) {
        QTreeWidgetItem* child = NewItem(IndexText(index), SchemaEntry::Index);
        child->setData(0, kInsertRole, SqlName(index.name));
        child->setIcon(0, IndexIcon());
        QFont font = child->font(0);
        font.setItalic(true);
        child->setFont(0, font);
        child->setToolTip(0,
                          index.unique ? QStringLiteral("Unique index") : QStringLiteral("Index"));
        children << child;
    }
    item->addChildren(children);
}

void SchemaTree::AddRelationItems(QTreeWidgetItem* parent,
                                  const std::vector<std::size_t>& relations, bool qualified) {
    QList<QTreeWidgetItem*> children;
    for (const std::size_t r : relations) {
        const core::RelationInfo& relation = schema_->relations[r];
        const bool view = relation.kind == core::RelationKind::View;
        QTreeWidgetItem* child = NewItem(QString::fromStdString(relation.name),
                                         qualified ? SchemaEntry::Relation : SchemaEntry::View);
        child->setData(0, kIndexRole, static_cast<qlonglong>(r));
        child->setData(0, kInsertRole,
                       qualified ? QualifiedName(relation) : SqlName(relation.name));
        child->setToolTip(0, view ? QStringLiteral("View") : QStringLiteral("Table"));
        if (HoldsAnything(relation)) MarkPending(child);
        children << child;
    }
    parent->addChildren(children);
}

QString SchemaTree::SqlName(const std::string& name) const {
    static const core::SchemaInfo unread;
    return editor::QuoteName(QString::fromStdString(name), schema_ ? *schema_ : unread);
}

QString SchemaTree::QualifiedName(const core::RelationInfo& relation) const {
    if (relation.schema.empty()) return SqlName(relation.name);
    return SqlName(relation.schema) + QLatin1Char('.') + SqlName(relation.name);
}

QString SchemaTree::InsertText(const QTreeWidgetItem* item) const {
    switch (EntryOf(item)) {
    case SchemaEntry::None:
    case SchemaEntry::Group: return {};
    case SchemaEntry::Table: return item->text(0);
    default: return item->data(0, kInsertRole).toString();
    }
}

QString SchemaTree::SelectTopText(const QTreeWidgetItem* item) const {
    QString name;
    switch (EntryOf(item)) {
    case SchemaEntry::Table: name = SqlName(item->text(0).toStdString()); break;
    case SchemaEntry::View:
    case SchemaEntry::Relation: name = InsertText(item); break;
    default: return {};
    }
    switch (schema_ ? schema_->rowLimit : core::RowLimitSpelling::Limit) {
    case core::RowLimitSpelling::Top: return QStringLiteral("SELECT TOP 100 * FROM ") + name;
    case core::RowLimitSpelling::FetchFirst:
        return QStringLiteral("SELECT * FROM ") + name +
               QStringLiteral(" FETCH FIRST 100 ROWS ONLY");
    case core::RowLimitSpelling::Limit: break;
    }
    return QStringLiteral("SELECT * FROM ") + name + QStringLiteral(" LIMIT 100");
}

QMenu* SchemaTree::PopupMenu(const QTreeWidgetItem* item) {
    // The texts are taken now: a read that ends while the menu is open fills the tree anew.
    copyName_->setData(InsertText(item));
    copyName_->setEnabled(!copyName_->data().toString().isEmpty());
    selectTop_->setData(SelectTopText(item));
    selectTop_->setEnabled(!selectTop_->data().toString().isEmpty());
    return menu_;
}

void SchemaTree::ShowMenu(const QPoint& position) {
    QTreeWidgetItem* item = itemAt(position);
    if (item) setCurrentItem(item);
    PopupMenu(item)->popup(viewport()->mapToGlobal(position));
}

}  // namespace tbn::query
