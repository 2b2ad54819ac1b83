// Plays the user of the packaged TBN for scripts/package-check.sh. The script loads this library
// into the unpacked program with LD_PRELOAD; the program itself carries no test hook. The library
// links only the toolkit, finds the program's windows the way a person sees them (captions,
// button texts, the names the windows give their controls), presses buttons and types text, and
// reports what it saw on the error stream. TBN_PACKAGE_DRIVER chooses the scenario:
//
//   add      in the connection manager: New, type TBN_DRIVER_NAME and TBN_DRIVER_CNN, Done; the
//            entry must be listed; then close the manager and the frame.
//   window   no dialog may appear; a query window captioned TBN_DRIVER_CAPTION must list the table
//            TBN_DRIVER_TABLE; then close the frame.
//   refused  an error box must appear; press OK; the connection manager must then open with a
//            text box that contains TBN_DRIVER_CNN; close it and the frame.
//
// Closing the frame ends the program as a person's click would, so its exit code is the verdict;
// a scenario that fails, or has not finished within 30 seconds, ends the process with code 3.
#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

void Say(const QString& text) {
    std::fprintf(stderr, "package driver: %s\n", qPrintable(text));
    std::fflush(stderr);
}

[[noreturn]] void Fail(const QString& why) {
    Say(QStringLiteral("FAILED: ") + why);
    std::_Exit(3);
}

QString Env(const char* name) { return qEnvironmentVariable(name); }

QWidget* Modal() { return QApplication::activeModalWidget(); }

QWidget* ModalNamed(const QString& name) {
    QWidget* modal = Modal();
    return modal && modal->objectName() == name ? modal : nullptr;
}

QAbstractButton* ButtonWithText(QWidget* window, const QString& text) {
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->text() == text) return button;
    Fail(QStringLiteral("no button \"%1\" in %2").arg(text, window->objectName()));
}

// Pressed once control is back in the event loop: the press may open a modal dialog of its own,
// whose loop must not run inside this driver's step.
void Press(QAbstractButton* button) { QTimer::singleShot(0, button, &QAbstractButton::click); }

// The last two steps of every scenario: close the dialog in front, then, a poll later (the start-up
// dialog's own loop has ended by then and the program's main loop runs), close the frame as a
// person would, which ends the program.
QList<std::function<bool()>> CloseEverything() {
    return {
        [] {
            if (auto* dialog = qobject_cast<QDialog*>(Modal())) dialog->reject();
            return true;
        },
        [] {
            if (Modal()) return false;
            QApplication::closeAllWindows();
            return true;
        },
    };
}

QString DescribeScreen() {
    QStringList seen;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible())
            seen << QStringLiteral("%1 \"%2\"")
                        .arg(top->metaObject()->className(), top->windowTitle());
    if (auto* box = qobject_cast<QMessageBox*>(Modal()))
        seen << QStringLiteral("box text \"%1\"").arg(box->text());
    return seen.join(QStringLiteral(", "));
}

// One scenario as a list of steps; each step is polled until it reports that it is done.
class Driver : public QObject {
public:
    using Step = std::function<bool()>;
    Driver(QString scenario, QList<Step> steps)
        : QObject(qApp), scenario_(std::move(scenario)),
          steps_(std::move(steps) + CloseEverything()) {
        deadline_ = QDeadlineTimer(30000);
        connect(&timer_, &QTimer::timeout, this, &Driver::Poll);
        timer_.start(50);
    }

private:
    void Poll() {
        if (next_ >= steps_.size()) return;
        if (steps_[next_]()) {
            ++next_;
            return;
        }
        if (deadline_.hasExpired())
            Fail(QStringLiteral("%1: step %2 not reached in time; on screen: %3")
                     .arg(scenario_)
                     .arg(next_ + 1)
                     .arg(DescribeScreen()));
    }

    QString scenario_;
    QList<Step> steps_;
    qsizetype next_ = 0;
    QTimer timer_;
    QDeadlineTimer deadline_;
};

QList<Driver::Step> AddConnection() {
    const QString name = Env("TBN_DRIVER_NAME");
    const QString cnn = Env("TBN_DRIVER_CNN");
    return {
        [] {
            QWidget* manager = ModalNamed(QStringLiteral("frmConnections"));
            if (manager) Press(ButtonWithText(manager, QStringLiteral("New ...")));
            return manager != nullptr;
        },
        [name, cnn] {
            QWidget* editor = ModalNamed(QStringLiteral("frmEditConnection"));
            if (!editor) return false;
            editor->findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(name);
            editor->findChild<QLineEdit*>(QStringLiteral("txtConnectionString"))->setText(cnn);
            Press(ButtonWithText(editor, QStringLiteral("Done")));
            return true;
        },
        [name] {
            QWidget* manager = ModalNamed(QStringLiteral("frmConnections"));
            auto* list =
                manager ? manager->findChild<QTreeWidget*>(QStringLiteral("lvCnn")) : nullptr;
            if (!list || list->findItems(name, Qt::MatchExactly).isEmpty()) return false;
            Say(QStringLiteral("the manager lists \"%1\"; its list's tooltip: %2")
                    .arg(name, list->toolTip()));
            return true;
        },
    };
}

QList<Driver::Step> ExpectWindow() {
    const QString caption = Env("TBN_DRIVER_CAPTION");
    const QString table = Env("TBN_DRIVER_TABLE");
    return {
        [caption, table] {
            if (Modal()) Fail(QStringLiteral("a dialog appeared: ") + DescribeScreen());
            for (QWidget* top : QApplication::topLevelWidgets()) {
                for (QMdiSubWindow* sub : top->findChildren<QMdiSubWindow*>()) {
                    if (!sub->isVisible() || sub->windowTitle() != caption) continue;
                    auto* tables = sub->findChild<QTreeWidget*>(QStringLiteral("lstTablas"));
                    if (!tables || tables->findItems(table, Qt::MatchExactly).isEmpty()) continue;
                    Say(QStringLiteral("query window \"%1\" lists table %2").arg(caption, table));
                    return true;
                }
            }
            return false;
        },
    };
}

QList<Driver::Step> ExpectRefusal() {
    const QString cnn = Env("TBN_DRIVER_CNN");
    return {
        [] {
            auto* box = qobject_cast<QMessageBox*>(Modal());
            if (!box) return false;
            Say(QStringLiteral("error box \"%1\": %2").arg(box->windowTitle(), box->text()));
            Press(box->button(QMessageBox::Ok));
            return true;
        },
        [cnn] {
            QWidget* manager = ModalNamed(QStringLiteral("frmConnections"));
            if (!manager) return false;
            const QString typed = manager->findChild<QLineEdit*>(QStringLiteral("txtCnn"))->text();
            if (!typed.contains(cnn))
                Fail(QStringLiteral("the manager opened on \"%1\", not on \"%2\"").arg(typed, cnn));
            Say(QStringLiteral("the manager opened on the refused string"));
            return true;
        },
    };
}

void StartDriver() {
    const QString scenario = Env("TBN_PACKAGE_DRIVER");
    if (scenario.isEmpty()) return;
    QList<Driver::Step> steps;
    if (scenario == QLatin1String("add"))
        steps = AddConnection();
    else if (scenario == QLatin1String("window"))
        steps = ExpectWindow();
    else if (scenario == QLatin1String("refused"))
        steps = ExpectRefusal();
    else
        Fail(QStringLiteral("unknown scenario ") + scenario);
    // Created once the application object is complete; its timer then runs in whichever event
    // loop is turning, the modal one of the start-up included.
    QTimer::singleShot(0, qApp, [scenario, steps] { new Driver(scenario, steps); });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDriver)
