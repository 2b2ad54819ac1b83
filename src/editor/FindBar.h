#pragma once
// The find and replace bar of a text pane: a row inside the window, not a box over it. It searches
// the pane's text with the options it shows (match case, whole word, regular expression), marks
// the matches on screen, moves the selection to the next or previous match (wrapping at either
// end) and replaces one match or all of them, the latter as one undo step. A regular expression
// that does not compile is told in the bar and finds nothing. Escape in the bar closes it and gives
// the focus back to the pane; the pane's own Escape is its owner's to route (CloseBar).
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

namespace tbn::editor {

struct SearchOptions;

class FindBar : public QWidget {
    Q_OBJECT
public:
    // The pane is not owned and must outlive the bar.
    explicit FindBar(QPlainTextEdit* editor, QWidget* parent = nullptr);

    void OpenFind();     // shows the bar for finding, the pane's selected word as the pattern
    void OpenReplace();  // the same, with the replace row
    void CloseBar();     // hides it, clears the marks, focus back to the pane
    bool FindNext();     // false when nothing matches
    bool FindPrevious();
    // Replaces the selection when it is a match, then selects the next one.
    bool ReplaceOne();
    int ReplaceAll();  // the number replaced

    bool ReplaceShown() const;
    QString Message() const;  // what the bar tells: a count, nothing found, a bad expression
    int MarkCount() const { return markCount_; }
    QLineEdit* FindField() const { return findField_; }
    QLineEdit* ReplaceField() const { return replaceField_; }
    QCheckBox* MatchCaseBox() const { return matchCase_; }
    QCheckBox* WholeWordBox() const { return wholeWord_; }
    QCheckBox* RegularExpressionBox() const { return regex_; }

    // Marks on screen are capped: a huge text full of matches is marked near the view only.
    static constexpr int kMarkLimit = 2000;
    // The extra selections of the pane that are the bar's marks carry this property; any other
    // extra selection of the pane is left as it is.
    static constexpr int kMarkProperty = 0x100000 + 24;

signals:
    void VisibilityChanged(bool shown);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Open(bool replace);
    SearchOptions Options() const;
    void PatternChanged();
    void UpdateMarks();
    QString PaneText() const;
    void SelectMatch(int start, int length);

    QPlainTextEdit* editor_;
    QLineEdit* findField_;
    QLineEdit* replaceField_;
    QWidget* replaceRow_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QCheckBox* regex_;
    QLabel* message_;
    int markCount_ = 0;
    bool badExpression_ = false;
};

}  // namespace tbn::editor
