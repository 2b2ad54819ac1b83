#pragma once
// The frame's place on the screen, kept per user between runs in a small settings file,
// UserConfigFolder()/frame.ini. The first run keeps the frame's own first size; later runs reopen
// it where the user left it: position, size and the maximized state, and whether its query
// windows open maximized, and how far the SQL panes and the grids are zoomed. A place that fits no
// screen any more (a monitor unplugged, a smaller resolution) is ignored.
#include <QList>
#include <QRect>

class frmMDI;

namespace tbn::app {

// True when `rect` lies wholly within one of the screens' available areas.
bool FitsOnAScreen(const QRect& rect, const QList<QRect>& screens);

// Before the frame is first shown. Nothing stored yet, or nothing readable: the frame is left as it
// is.
void RestoreFrameGeometry(frmMDI& frame);
// When the program ends; a failure to write is not worth a word to the user and is ignored.
void SaveFrameGeometry(const frmMDI& frame);

}  // namespace tbn::app
