#pragma once
// The strip left of the SQL pane that shows line numbers; the pane measures and paints it.
#include <QWidget>

namespace tbn::editor {

class SqlEdit;

class LineNumberGutter : public QWidget {
    Q_OBJECT
public:
    explicit LineNumberGutter(SqlEdit* editor);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SqlEdit* editor_;
};

}  // namespace tbn::editor
