#include "ui/WindowListMenu.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

namespace tbn::ui {

namespace {
// Owned by the menu; remembers its own entries so the menu's other entries are never touched.
class WindowListFiller : public QObject {
public:
    WindowListFiller(QMenu* menu, QMdiArea* area) : QObject(menu), menu_(menu), area_(area) {
        connect(menu, &QMenu::aboutToShow, this, &WindowListFiller::Refill);
    }

private:
    void Refill() {
        for (const QPointer<QAction>& action : added_)
            if (action) {
                menu_->removeAction(action);
                delete action;
            }
        added_.clear();
        if (!area_) return;
        const QMdiSubWindow* active = area_->activeSubWindow();
        for (QMdiSubWindow* child : area_->subWindowList(QMdiArea::CreationOrder)) {
            if (child->isHidden()) continue;
            if (added_.isEmpty() && !menu_->actions().isEmpty())
                added_.append(menu_->addSeparator());
            // A '&' in a caption is text, not a mnemonic marker.
            QString caption = child->windowTitle();
            caption.replace(QLatin1Char('&'), QLatin1String("&&"));
            QAction* entry = menu_->addAction(caption);
            entry->setCheckable(true);
            entry->setChecked(child == active);
            QPointer<QMdiSubWindow> target(child);
            QPointer<QMdiArea> area(area_);
            connect(entry, &QAction::triggered, this, [target, area] {
                if (!target || !area) return;
                if (target->isMinimized()) target->showNormal();
                area->setActiveSubWindow(target);
            });
            added_.append(entry);
        }
    }

    QMenu* menu_;
    QPointer<QMdiArea> area_;
    QList<QPointer<QAction>> added_;
};
}  // namespace

void AttachWindowList(QMenu* menu, QMdiArea* area) { new WindowListFiller(menu, area); }

}  // namespace tbn::ui
