#pragma once
// A thin bar the user drags to move a pane border. It only reports the mouse: the query window
// decides what a press, a move and a release do. Positions are in the bar's own twips.
#include <QColor>
#include <QWidget>

namespace tbn::query {

class SplitterBar : public QWidget {
    Q_OBJECT
public:
    explicit SplitterBar(Qt::Orientation orientation, QWidget* parent = nullptr);
    Qt::Orientation orientation() const { return orientation_; }
    void SetBackColor(const QColor& color);
    QColor BackColor() const;

signals:
    void MouseDown(Qt::MouseButton button, double xTwips, double yTwips);
    void MouseMove(Qt::MouseButtons buttons, double xTwips, double yTwips);
    void MouseUp(Qt::MouseButton button, double xTwips, double yTwips);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Qt::Orientation orientation_;
};

}  // namespace tbn::query
