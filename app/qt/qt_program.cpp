// Qt: the Linux program's whole run.
#include "app/qt/qt_program.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <csignal>

#include "app/qt/qt_window_services.h"
#include "app/qt/single_instance.h"
#include "app/shell.h"
#include "embedded_pictures.h"
#include "link/platform_services.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

}  // namespace

int runQtProgram(int argc, char** argv, const std::function<void(QtWindowServices&)>& beforeRun) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zr8-test-tool"));
    const EmbeddedPicture& icon = embeddedIcon();
    QPixmap iconPixmap;
    if (iconPixmap.loadFromData(icon.bytes, icon.size, "ICO")) {
        QApplication::setWindowIcon(QIcon(iconPixmap));
    }

    QtWindowServices* servicesPointer = nullptr;
    SingleInstance instance([&servicesPointer] {
        if (servicesPointer == nullptr) {
            return;
        }
        if (QWidget* front = servicesPointer->frontWindow()) {
            front->showNormal();
            front->raise();
            front->activateWindow();
        }
    });
    QtWindowServices services(&instance);
    servicesPointer = &services;
    installWindowServices(&services);

    const PlatformServices ports;

    // A stop request (Ctrl+C, a shutdown) ends the run as Quit does: outputs off, port closed.
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, [&services] {
        if (stopRequested != 0) {
            services.postQuit(0);
        }
    });
    stopWatch.start(100);

    if (beforeRun) {
        beforeRun(services);
    }
    const int exitCode = runTool();

    installWindowServices(nullptr);
    return exitCode;
}
