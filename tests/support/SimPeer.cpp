#include "support/SimPeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace kaspen::test {

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitUntil(const std::function<bool()> &cond, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeoutMs)
            return false;
        spin(5);
    }
    return true;
}

QString simExecutable()
{
    return QStringLiteral(KASPEN_BIN_DIR "/kaspen-sim");
}

PtyPair::PtyPair()
{
    const QString link = QStringLiteral("pty,raw,echo=0,link=%1");
    m_socat.start(QStringLiteral("socat"), {QStringLiteral("-d"), QStringLiteral("-d"), link.arg(a()), link.arg(b())});
    if (!m_socat.waitForStarted(3000))
        return;
    m_ok = waitUntil([this] { return QFileInfo::exists(a()) && QFileInfo::exists(b()); }, 5000);
}

PtyPair::~PtyPair()
{
    stop();
}

void PtyPair::stop()
{
    if (m_socat.state() != QProcess::NotRunning) {
        m_socat.terminate();
        if (!m_socat.waitForFinished(3000))
            m_socat.kill();
        m_socat.waitForFinished(1000);
    }
}

bool PtyPair::running() const
{
    return m_socat.state() == QProcess::Running;
}

SimProcess::SimProcess(const QStringList &args)
{
    m_proc.start(simExecutable(), args);
    if (!m_proc.waitForStarted(3000))
        return;
    // It reports on stderr once the port is open.
    m_ok = waitUntil([this] {
        m_err += m_proc.readAllStandardError();
        return m_err.contains(" on ") || m_proc.state() == QProcess::NotRunning;
    }, 5000) && m_proc.state() == QProcess::Running;
}

SimProcess::~SimProcess()
{
    stop();
}

int SimProcess::stop()
{
    if (m_proc.state() == QProcess::NotRunning)
        return m_proc.exitStatus() == QProcess::NormalExit ? m_proc.exitCode() : -1;
    m_proc.terminate();
    if (!waitUntil([this] { return m_proc.state() == QProcess::NotRunning; }, 5000)) {
        m_proc.kill();
        m_proc.waitForFinished(1000);
        return -1;
    }
    return m_proc.exitStatus() == QProcess::NormalExit ? m_proc.exitCode() : -1;
}

bool SimProcess::running() const
{
    return m_proc.state() == QProcess::Running;
}

QByteArray SimProcess::errorOutput()
{
    m_err += m_proc.readAllStandardError();
    return m_err;
}

CliRun runCli(const QStringList &args, int timeoutMs, const QProcessEnvironment *env)
{
    QProcess p;
    if (env)
        p.setProcessEnvironment(*env);
    p.start(QStringLiteral(KASPEN_BIN_DIR "/kaspen-cli"), args);
    CliRun r;
    if (!p.waitForStarted(5000))
        return r;
    if (!waitUntil([&] { return p.state() == QProcess::NotRunning; }, timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

} // namespace kaspen::test
