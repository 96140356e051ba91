#pragma once
// A pseudo-terminal pair made by socat, for tests that need a real serial
// line. Started by the test and ended with it.

#include <QProcess>
#include <functional>
#include <QString>
#include <QTemporaryDir>

namespace kaspen::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    bool ok() const { return m_ok; }
    QString a() const { return m_a; } // the program's end
    QString b() const { return m_b; } // the peer's end
    void kill();                      // the peer goes away
    QString error() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QProcess m_socat;
    QString m_a, m_b, m_error;
    bool m_ok = false;
};

// Runs the event loop until pred() holds or ms have passed; returns pred().
bool waitFor(const std::function<bool()> &pred, int ms);

} // namespace kaspen::test
