#include "support/Pty.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace kaspen::test {

PtyPair::PtyPair()
{
    m_a = m_dir.filePath(QStringLiteral("a"));
    m_b = m_dir.filePath(QStringLiteral("b"));
    m_socat.setProgram(QStringLiteral("socat"));
    m_socat.setArguments({QStringLiteral("pty,raw,echo=0,link=%1").arg(m_a), QStringLiteral("pty,raw,echo=0,link=%1").arg(m_b)});
    m_socat.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_socat.start();
    if (!m_socat.waitForStarted(3000)) {
        m_error = QStringLiteral("socat did not start: %1").arg(m_socat.errorString());
        return;
    }
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        if (QFileInfo::exists(m_a) && QFileInfo::exists(m_b)) {
            m_ok = true;
            return;
        }
        QThread::msleep(10);
    }
    m_error = QStringLiteral("socat made no pseudo-terminals");
}

PtyPair::~PtyPair()
{
    kill();
}

void PtyPair::kill()
{
    if (m_socat.state() != QProcess::NotRunning) {
        m_socat.terminate();
        if (!m_socat.waitForFinished(2000)) {
            m_socat.kill();
            m_socat.waitForFinished(2000);
        }
    }
}

bool waitFor(const std::function<bool()> &pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

} // namespace kaspen::test
