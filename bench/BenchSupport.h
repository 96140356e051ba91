#pragma once
// Helpers the benchmarks share.

#include "pages/batch/BatchSetupModel.h"
#include "session/MainModel.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <functional>
#include <string>

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

// kaspen-sim playing a logger on one end of a socat pseudo-terminal pair;
// port() is the other end, for the program.
class SimOverPty {
public:
    // Empty when both run, else why not. The pseudo-terminals are made in
    // dir; simArgs follow the simulator's "--port".
    std::string start(const QString &dir, const QStringList &simArgs)
    {
        m_port = QDir(dir).filePath(QStringLiteral("a"));
        const QString b = QDir(dir).filePath(QStringLiteral("b"));
        m_socat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=%1").arg(m_port),
                                                QStringLiteral("pty,raw,echo=0,link=%1").arg(b)});
        if (!m_socat.waitForStarted(3000)
            || !spinUntil([&] { return QFileInfo::exists(m_port) && QFileInfo::exists(b); }, 5000))
            return "socat made no pseudo-terminals";
        m_sim.setProgram(QStringLiteral(KASPEN_BIN_DIR "/kaspen-sim"));
        m_sim.setArguments(QStringList{QStringLiteral("--port"), b} + simArgs);
        m_sim.start();
        QByteArray err;
        const bool up = m_sim.waitForStarted(5000) && spinUntil(
                                                          [&] {
                                                              err += m_sim.readAllStandardError();
                                                              return err.contains(" on ");
                                                          },
                                                          10000);
        return up ? std::string() : "kaspen-sim did not start";
    }
    ~SimOverPty()
    {
        m_sim.terminate();
        m_sim.waitForFinished(3000);
        m_socat.terminate();
        m_socat.waitForFinished(3000);
    }
    QString port() const { return m_port; }

private:
    QProcess m_socat, m_sim;
    QString m_port;
};

// Opens the cable on port and chooses device 000001, as the Connection list
// does; empty once the logger is verified, else why not.
inline std::string connectOverCable(MainModel &model, const QString &port)
{
    model.selectLink(LinkRs232);
    if (!model.toggleSerialConnection(port))
        return "cannot open the port";
    model.serialConnectionIds();
    model.chooseSerialDevice("000001");
    if (!spinUntil([&] { return model.session().verified() && !model.exchange().running(); }, 20000))
        return "the simulated logger did not answer";
    return {};
}

// Waits until the batch run has ended with every row successful.
inline bool batchRunSucceeds(BatchSetupModel &batch, MainModel &model, int ms)
{
    return spinUntil(
        [&] {
            if (batch.running() || model.exchange().running())
                return false;
            for (int r = 0; r < batch.list().rowCount(); ++r)
                if (batch.list().row(r).status != QLatin1String("Command Success"))
                    return false;
            return true;
        },
        ms);
}

} // namespace kaspen::bench
