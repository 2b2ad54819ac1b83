#include "query/PaneLayout.h"

namespace tbn::query {

namespace {

// A control refuses a negative size; the refused step leaves the old value in place.
void SetSize(double& size, double value) {
    if (value >= 0) size = value;
}

}  // namespace

PaneGeometry InitialPaneGeometry() { return PaneGeometry{}; }

void ArrangePanes(PaneGeometry& g, double width, double height) {
    if (g.picVLeft < 1000) g.picVLeft = 1000;
    if (g.picVLeft > width - 1000 && width - 1000 > 0) g.picVLeft = width - 1000;
    if (g.picHTop < 1000) g.picHTop = 1000;
    if (g.picHTop > height - 1000 && height - 1000 > 0) g.picHTop = height - 1000;

    SetSize(g.lstWidth, g.picVLeft - 10);
    SetSize(g.lstHeight, g.picHTop - 10);
    SetSize(g.rtfWidth, width - g.lstWidth - 30);
    g.rtfLeft = g.picVLeft + g.picVWidth;
    SetSize(g.rtfHeight, g.picHTop - 100);
    SetSize(g.picVHeight, g.picHTop);
    SetSize(g.picHWidth, width);
    g.flexTop = g.picHTop + g.picHHeight;
    SetSize(g.flexWidth, width);
    SetSize(g.flexHeight, height - g.flexTop);
}

double DragBarPosition(double current, double pointer, double barSize) {
    return current + pointer - barSize / 2;
}

}  // namespace tbn::query
