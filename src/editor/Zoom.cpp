#include "editor/Zoom.h"

#include <algorithm>

namespace tbn::editor {

namespace {
constexpr qreal kSmallestPointSize = 4.0;

int Clamped(int step) { return std::clamp(step, kMinZoom, kMaxZoom); }
}  // namespace

QFont ZoomedFont(QFont font, qreal basePointSize, int step) {
    font.setPointSizeF(std::max(kSmallestPointSize, basePointSize + Clamped(step)));
    return font;
}

ZoomLevels& ZoomLevels::Program() {
    static ZoomLevels levels;
    return levels;
}

void ZoomLevels::SetEditor(int step) {
    if (Clamped(step) == editor_) return;
    editor_ = Clamped(step);
    emit Changed();
}

void ZoomLevels::SetGrid(int step) {
    if (Clamped(step) == grid_) return;
    grid_ = Clamped(step);
    emit Changed();
}

}  // namespace tbn::editor
