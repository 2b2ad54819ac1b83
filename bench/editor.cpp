// bench/editor: the SQL pane's load and typing against a plain QPlainTextEdit (see README.md).
#include "BenchSupport.h"
#include "EditorBench.h"
#include "editor/SqlEdit.h"
#include "editor/SqlHighlighter.h"
#include "query/QueryFile.h"
#include "ui/TextBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace bench {

namespace {

// SQL of every kind the colouring knows, about 51 bytes a line: words, numbers, strings,
// quoted names, comments, and now and then a block comment or a dollar body over several lines.
QString QueryText(int lines) {
    QString text;
    text.reserve(qsizetype(lines) * 54);
    for (int i = 0; i < lines; ++i) {
        if (i) text += QStringLiteral("\r\n");
        switch (i % 500) {
        case 10: text += QStringLiteral("/* a note that runs over three lines, opened here"); break;
        case 12: text += QStringLiteral("   and closed here */ SELECT count(*) FROM t;"); break;
        case 20: text += QStringLiteral("CREATE FUNCTION f() RETURNS int AS $body$ -- body"); break;
        case 23: text += QStringLiteral("$body$ LANGUAGE sql;"); break;
        default:
            text += QStringLiteral("SELECT a%1, 'it''s', 1.5 FROM \"t%2\" WHERE x=%3 --")
                        .arg(i % 97, 2, 10, QLatin1Char('0'))
                        .arg(i % 13)
                        .arg(i % 1000, 3, 10, QLatin1Char('0'));
        }
    }
    return text;
}

using MakePane = std::function<std::unique_ptr<QPlainTextEdit>()>;

std::unique_ptr<QPlainTextEdit> Plain() { return std::make_unique<QPlainTextEdit>(); }
std::unique_ptr<QPlainTextEdit> Sql() { return std::make_unique<tbn::editor::SqlEdit>(); }

void Prepare(QPlainTextEdit& pane) {
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(9.75);
    pane.setFont(font);
    pane.setLineWrapMode(QPlainTextEdit::NoWrap);
    pane.resize(1000, 700);
    pane.show();
    QApplication::processEvents();
}

struct LoadTimes {
    double firstScreen = 0;  // from reading the file to the first screen painted
    double allColoured = 0;  // from reading the file until the last line is coloured
};

// As the query window loads a file.
LoadTimes LoadOnce(const MakePane& make, const QString& path) {
    auto pane = make();
    Prepare(*pane);
    tbn::ui::TextBox box(pane.get());
    const auto start = Clock::now();
    box.SetText(tbn::query::ReadQueryFile(path));
    pane->viewport()->repaint();
    LoadTimes times;
    times.firstScreen = Millis(start);
    if (auto* sql = qobject_cast<tbn::editor::SqlEdit*>(pane.get()))
        while (sql->highlighter()->IsColouring()) QApplication::processEvents();
    times.allColoured = Millis(start);
    return times;
}

void Type(QPlainTextEdit& pane, QChar c) {
    const int key = c == QLatin1Char(' ') ? int(Qt::Key_Space) : int(c.toUpper().unicode());
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(&pane, &press);
    QApplication::sendEvent(&pane, &release);
}

// Per key: the key's handling and the repaint of what it changed.
std::vector<double> TypeAtEnd(const MakePane& make, const QString& text, int keys) {
    auto pane = make();
    Prepare(*pane);
    tbn::ui::TextBox(pane.get()).SetText(text);
    pane->moveCursor(QTextCursor::End);
    pane->setFocus();
    QApplication::processEvents();
    const QString typed = QStringLiteral("select count(x) from t where y = 'a' -- note ");
    std::vector<double> times;
    times.reserve(size_t(keys));
    for (int i = 0; i < keys; ++i) {
        const auto start = Clock::now();
        Type(*pane, typed[i % typed.size()]);
        pane->viewport()->repaint();
        times.push_back(Millis(start));
    }
    return times;
}

}  // namespace

void LoadSection(int rounds) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.sql"));
    const QString text = QueryText(200000);
    tbn::query::WriteQueryFile(path, text);
    std::vector<double> plain, sql, sqlAll;
    for (int i = 0; i < rounds; ++i) {
        plain.push_back(LoadOnce(Plain, path).firstScreen);
        const LoadTimes times = LoadOnce(Sql, path);
        sql.push_back(times.firstScreen);
        sqlAll.push_back(times.allColoured);
    }
    std::printf("load %.1f MB, 200,000 lines to the first screen: SQL pane median %.0f ms "
                "(target 1000), plain pane %.0f ms; every line coloured after %.0f ms; "
                "%d rounds\n",
                double(text.toUtf8().size()) / 1e6, Percentile(sql, 0.5), Percentile(plain, 0.5),
                Percentile(sqlAll, 0.5), rounds);
}

void TypingSection(int keys) {
    const QString text = QueryText(20000);
    const std::vector<double> plain = TypeAtEnd(Plain, text, keys);
    const std::vector<double> sql = TypeAtEnd(Sql, text, keys);
    std::printf("typing at the end of 20,000 lines, %d keys: SQL pane median %.2f ms, p99 %.2f ms "
                "(target 16); plain pane median %.2f ms, p99 %.2f ms\n",
                keys, Percentile(sql, 0.5), Percentile(sql, 0.99), Percentile(plain, 0.5),
                Percentile(plain, 0.99));
}

}  // namespace bench

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    bench::LoadSection(std::max(1, rounds));
    bench::TypingSection(1000);
    bench::ReplaceAllSection();
    std::fflush(stdout);
    return 0;
}
