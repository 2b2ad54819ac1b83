#pragma once
// The window list of a multiple-document frame's "Windows" menu. Each time the menu opens, the
// entries added the time before are removed and, below the menu's own entries and a separator,
// one checkable entry per visible child window is added (its caption, checked for the active
// one); choosing an entry activates that child, restoring it first when minimised.
class QMdiArea;
class QMenu;

namespace tbn::ui {

// Lasts as long as both objects do; call once per menu.
void AttachWindowList(QMenu* menu, QMdiArea* area);

}  // namespace tbn::ui
