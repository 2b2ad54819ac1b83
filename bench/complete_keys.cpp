// bench/complete: from a keystroke to a ready pop-up, in the contexts a user types in.
#include "BenchSupport.h"
#include "CompleteBench.h"
#include "db/Connection.h"
#include "editor/CompletionPopup.h"
#include "editor/SqlEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

namespace bench {

namespace {

struct Scenario {
    const char* name;
    const char* text;  // '|' marks the caret
    const char* keys;  // typed one by one; '\x01' is Ctrl+Space
};

// Each statement follows a script of 500 others, so finding it is part of every key.
const Scenario kScenarios[] = {
    {"alias dot", "SELECT * FROM sales_0001 s JOIN stock_0002 t ON s.id = | WHERE s.status = 1",
     "t.co"},
    {"after FROM", "SELECT * FROM |", "staf"},
    {"select list", "SELECT | FROM sales_0001 s JOIN users_0003 u ON u.id = s.id", "nam"},
    {"thousands of tables", "SELECT * FROM orders_0001 WHERE id IN (SELECT id FROM |)", "or"},
    {"all 10,000 tables", "SELECT * FROM |", "\x01"},
    {"WHERE", "SELECT * FROM users_0007 u WHERE u.status = 1 AND |", "upd"},
};

void Key(QWidget& pane, char c) {
    if (c == '\x01') {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier);
        QApplication::sendEvent(&pane, &press);
        return;
    }
    const QString text(QLatin1Char{c});
    const int key = c == '.' ? int(Qt::Key_Period) : int(QChar(QLatin1Char{c}).toUpper().unicode());
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(&pane, &press);
    QApplication::sendEvent(&pane, &release);
}

// Per key: its handling, the pop-up shown and painted, and the pane's repaint.
void TypeScenario(tbn::editor::SqlEdit& pane, const QString& script, const Scenario& scenario,
                  std::vector<double>& times, int* opened) {
    QString text = QString::fromLatin1(scenario.text);
    const int caret = int(text.indexOf(QLatin1Char('|')));
    text.remove(caret, 1);
    pane.setPlainText(script + text);
    QTextCursor cursor = pane.textCursor();
    cursor.setPosition(int(script.size()) + caret);
    pane.setTextCursor(cursor);
    QApplication::processEvents();
    for (const char* key = scenario.keys; *key; ++key) {
        const auto start = Clock::now();
        Key(pane, *key);
        if (auto* popup = pane.findChild<tbn::editor::CompletionPopup*>();
            popup && popup->isVisible())
            popup->repaint();
        pane.viewport()->repaint();
        times.push_back(Millis(start));
    }
    if (pane.OpenCompletionPopup()) ++*opened;
    pane.CloseCompletion();
}

}  // namespace

void KeystrokeSection(const QString& database, int rounds) {
    tbn::db::Connection cnn;
    cnn.Open("Data Source=" + database.toStdString());
    auto schema = std::make_shared<tbn::core::SchemaInfo>(cnn.session().ReadSchema());
    QString script;
    for (int i = 0; i < 500; ++i)
        script +=
            QStringLiteral("SELECT a, b FROM sales_%1 WHERE status = 'open';\n").arg(i % 2000);

    std::vector<double> on, off;
    std::map<std::string, std::vector<double>> byScenario;
    int opened = 0, scenarios = 0;
    for (const bool completion : {true, false}) {
        tbn::editor::SqlEdit pane;
        pane.SetCompletionSchema(schema);
        pane.SetCompletionEnabled(completion);
        pane.resize(1000, 700);
        pane.show();
        pane.setFocus();
        QApplication::processEvents();
        for (int pass = 0; pass < 3 * rounds; ++pass)
            for (const Scenario& scenario : kScenarios) {
                std::vector<double> times;
                int shown = 0;
                TypeScenario(pane, script, scenario, times, &shown);
                (completion ? on : off)
                    .insert((completion ? on : off).end(), times.begin(), times.end());
                if (completion) {
                    byScenario[scenario.name].insert(byScenario[scenario.name].end(), times.begin(),
                                                     times.end());
                    opened += shown;
                    ++scenarios;
                }
            }
    }
    std::printf("keystroke to a ready pop-up, %zu keys after a script of 500 statements: median "
                "%.2f ms, p99 %.2f ms (target 50); completion off: median %.2f ms, p99 %.2f ms; "
                "pop-up open at the end of %d of %d scenarios\n",
                on.size(), Percentile(on, 0.5), Percentile(on, 0.99), Percentile(off, 0.5),
                Percentile(off, 0.99), opened, scenarios);
    for (const auto& [name, times] : byScenario)
        std::printf("  %-20s median %.2f ms, slowest %.2f ms\n", name.c_str(),
                    Percentile(times, 0.5), Percentile(times, 1.0));
}

}  // namespace bench
