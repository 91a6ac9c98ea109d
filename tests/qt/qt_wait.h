// Waiting in Qt tests: runs the event loop until a condition holds or a time limit passes.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

inline bool waitUntil(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Runs the event loop for a while, for checks that something does NOT happen.
inline void runEventsFor(int ms) {
    waitUntil([] { return false; }, ms);
}
