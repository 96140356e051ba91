#pragma once
// Test processes never look for Ethernet modules beyond this machine: the
// module search list is loopback only, whatever the caller's environment
// says. The test mains call this before anything else runs, and the
// processes they start inherit it.

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace kaspen::test {

inline void keepModuleSearchOnLoopback()
{
    const QByteArray given = qgetenv("KASPEN_SCAN_ADDRESSES");
    bool loopback = !given.isEmpty();
    for (const QByteArray &item : given.split(',')) {
        if (!item.trimmed().startsWith("127."))
            loopback = false;
    }
    if (!loopback)
        qputenv("KASPEN_SCAN_ADDRESSES", "127.0.0.1");
}

} // namespace kaspen::test
