// Qt: drives the program without a person, for headless runs and screenshots.
#include "tools/autopilot/autopilot.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/qt/qt_window_services.h"
#include "ui/connection_window_ids.h"
#include "ui/test_window_ids.h"

namespace {

enum class Step { FindRow, PressOk, Watch, Done };

struct Autopilot {
    QtWindowServices* services = nullptr;
    QString folder;
    QString row;
    int watchMs = 8000;
    Step step = Step::FindRow;
    QElapsedTimer clock;
    QTimer timer;
};

void save(QWidget* window, const QString& path) {
    if (window != nullptr && window->grab().save(path)) {
        std::printf("autopilot: saved %s\n", qPrintable(path));
    } else {
        std::printf("autopilot: could not save %s\n", qPrintable(path));
    }
    std::fflush(stdout);
}

void click(QWidget* control) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->click();
    }
}

void advance(Autopilot& pilot) {
    QtWindowServices& services = *pilot.services;
    switch (pilot.step) {
        case Step::FindRow: {
            const WindowHandle window = services.windowOfClass("CONNECTIONWINZR8");
            auto* list =
                qobject_cast<QListWidget*>(services.controlWidget(window, kConnectionListId));
            if (list == nullptr || services.widget(window) == nullptr ||
                !services.widget(window)->isVisible()) {
                break;
            }
            const auto found = list->findItems(pilot.row, Qt::MatchExactly);
            if (found.isEmpty()) {
                if (pilot.clock.elapsed() > 10000) {
                    std::printf("autopilot: no row \"%s\" in the list; quitting\n",
                                qPrintable(pilot.row));
                    click(services.controlWidget(window, kConnectionQuitId));
                    pilot.step = Step::Done;
                }
                break;
            }
            list->setCurrentItem(found.first());
            pilot.step = Step::PressOk;
            pilot.clock.restart();
            break;
        }
        case Step::PressOk: {
            if (pilot.clock.elapsed() < 300) {
                break;  // let the selection show before the picture is taken
            }
            const WindowHandle window = services.windowOfClass("CONNECTIONWINZR8");
            save(services.widget(window), pilot.folder + QStringLiteral("/connection-window.png"));
            click(services.controlWidget(window, kConnectionOkId));
            pilot.step = Step::Watch;
            pilot.clock.restart();
            break;
        }
        case Step::Watch: {
            if (pilot.clock.elapsed() < pilot.watchMs) {
                break;
            }
            const WindowHandle window = services.windowOfClass("SERIALWINZR8");
            save(services.widget(window), pilot.folder + QStringLiteral("/test-window.png"));
            click(services.controlWidget(window, kQuitButtonId));
            pilot.step = Step::Done;
            break;
        }
        case Step::Done:
            pilot.timer.stop();
            break;
    }
}

}  // namespace

bool startAutopilotIfAsked(QtWindowServices& services) {
    const QByteArray folder = qgetenv("ZR8_AUTOPILOT");
    if (folder.isEmpty()) {
        return false;
    }
    static Autopilot pilot;
    pilot.services = &services;
    pilot.folder = QString::fromLocal8Bit(folder);
    QDir().mkpath(pilot.folder);
    const QByteArray row = qgetenv("ZR8_AUTOPILOT_ROW");
    pilot.row = row.isEmpty() ? QStringLiteral("COMM - COM5") : QString::fromLatin1(row);
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("ZR8_AUTOPILOT_SECONDS", &ok);
    pilot.watchMs = ok && seconds > 0 ? seconds * 1000 : 8000;
    pilot.clock.start();
    QObject::connect(&pilot.timer, &QTimer::timeout, [] { advance(pilot); });
    pilot.timer.start(100);
    return true;
}
