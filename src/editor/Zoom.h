#pragma once
// How far the user has zoomed the SQL panes and the result grids, in steps of one point from the
// font's own size. One level for all SQL panes and one for all grids, program-wide, so a window
// opened later shows what the others show; the frame keeps them across starts.
#include <QFont>
#include <QObject>

namespace tbn::editor {

constexpr int kMinZoom = -5;
constexpr int kMaxZoom = 30;

// The font at zoom step `step` (clamped to the limits), never below a readable size.
QFont ZoomedFont(QFont font, qreal basePointSize, int step);

class ZoomLevels : public QObject {
    Q_OBJECT
public:
    static ZoomLevels& Program();  // user-interface thread only

    int Editor() const { return editor_; }
    int Grid() const { return grid_; }
    void SetEditor(int step);  // clamped; Changed only when it changes
    void SetGrid(int step);

signals:
    void Changed();

private:
    int editor_ = 0;
    int grid_ = 0;
};

}  // namespace tbn::editor
