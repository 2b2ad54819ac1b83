// "Replace all" of 10,000 matches in a pane through the find bar, one undo step, against a bare
// QString::replace of the same text.
#include "BenchSupport.h"
#include "EditorBench.h"

#include "editor/FindBar.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace bench {

namespace {
constexpr int kMatches = 10000;
constexpr int kRounds = 5;

QString ScriptWithMatches() {
    QString text;
    for (int i = 0; i < kMatches; ++i)
        text += QStringLiteral("SELECT name, total FROM orders WHERE id = %1;\n").arg(i);
    return text;
}
}  // namespace

void ReplaceAllSection() {
    const QString script = ScriptWithMatches();
    QPlainTextEdit pane;
    pane.resize(800, 600);
    pane.show();
    tbn::editor::FindBar bar(&pane);
    std::vector<double> barTimes, baseTimes;
    int replaced = 0;
    for (int round = 0; round < kRounds; ++round) {
        pane.setPlainText(script);
        bar.OpenReplace();
        bar.FindField()->setText(QStringLiteral("WHERE"));
        bar.ReplaceField()->setText(QStringLiteral("AND"));
        QApplication::processEvents();
        const Clock::time_point start = Clock::now();
        replaced = bar.ReplaceAll();
        QApplication::processEvents();  // the marks and the repaint that follow
        barTimes.push_back(Seconds(start));

        QString copy = script;
        const Clock::time_point baseStart = Clock::now();
        copy.replace(QStringLiteral("WHERE"), QStringLiteral("AND"), Qt::CaseInsensitive);
        baseTimes.push_back(Seconds(baseStart));
        if (copy != pane.toPlainText()) {
            std::fprintf(stderr, "replace all gave another text than QString::replace\n");
            std::exit(1);
        }
    }
    std::printf("replace all of %d matches: find bar median %.1f ms (one undo step); "
                "QString::replace median %.2f ms; ratio %.0f\n",
                replaced, Median(barTimes) * 1000, Median(baseTimes) * 1000,
                Median(barTimes) / Median(baseTimes));
}

}  // namespace bench
