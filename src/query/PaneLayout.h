#pragma once
// The query window's pane arithmetic, in twips, without any widget: two bars (vertical picV,
// horizontal picH) divide the table list, the editor and the grid. The window copies the
// result onto its widgets; positions it never changes are the constants below.
namespace tbn::query {

// Coordinates that the layout never moves.
constexpr double kBarVTop = 0;
constexpr double kBarHLeft = 0;
constexpr double kListLeft = 20;
constexpr double kListTop = 40;
constexpr double kEditorTop = 40;
constexpr double kGridLeft = 0;

struct PaneGeometry {
    double picVLeft = 2640, picVWidth = 70, picVHeight = 0;
    double picHTop = 3480, picHHeight = 135, picHWidth = 0;
    double lstWidth = 0, lstHeight = 0;
    double rtfLeft = 0, rtfWidth = 0, rtfHeight = 0;
    double flexTop = 0, flexWidth = 0, flexHeight = 0;
};

// The geometry a query window starts with: only the two bars are placed; the panes get their
// sizes from the first ArrangePanes.
PaneGeometry InitialPaneGeometry();

// Lays out the panes for a client area of width x height twips. The bars are first clamped to
// stay 1000 twips from the top/left edge and, when the window is larger than 1000 twips in that
// direction, 1000 twips from the opposite edge (the second rule wins in a small window). A step
// that would give a negative width or height is skipped and the value keeps what it held, as the
// steps after it read the values as they then stand (a minimised window has 0 x 0).
void ArrangePanes(PaneGeometry& g, double width, double height);

// Where a bar goes while dragged: its centre follows the pointer, given in the bar's own
// coordinates along the drag axis. No clamping; ArrangePanes clamps at release.
double DragBarPosition(double current, double pointer, double barSize);

}  // namespace tbn::query
