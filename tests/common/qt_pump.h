// Lets the Qt event loop run until `done` holds: the Qt tests' one way of waiting for a
// window or a change made on the GUI thread. Bounded: false after `ms` milliseconds.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <functional>

namespace kwtest {

inline bool pumpUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

}  // namespace kwtest
