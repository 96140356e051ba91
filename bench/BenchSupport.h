#pragma once
// Helpers the benchmarks share.

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace kaspen::bench {

// Runs the event loop (sleeping between events, not spinning) until done()
// holds or ms have passed; done() is looked at every 5 ms.
inline bool spinUntil(const std::function<bool()> &done, int ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll, guard;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(5);
    guard.setSingleShot(true);
    guard.start(ms);
    loop.exec();
    return done();
}

} // namespace kaspen::bench
