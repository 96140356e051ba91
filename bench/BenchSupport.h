#pragma once
// Helpers the benchmarks share.

#include "base/MessageSink.h"
#include "pages/batch/BatchSetupModel.h"
#include "records/ConfigFile.h"
#include "session/MainModel.h"

#include <QDateTime>

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace kaspen::bench {

constexpr double BytesPerSecond = 960.0; // 9600 baud, 8N1
constexpr double QuietGapSeconds = 0.2;  // the cable's quiet gap after each reply

// Message boxes of the program are errors in a benchmark: kept, never shown.
class QuietSink : public MessageSink {
public:
    void show(MessageKind, const QString &text, const QString &) override { last = text; }
    bool confirm(const QString &, const QString &) override { return false; }
    QString last;
};


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

// The settings, cycled to 100 rows under their own codes.
inline std::vector<QByteArray> settingTexts()
{
    std::vector<QByteArray> s = {"#SA:3#", "#CP:0555123456!,4#", "#AD00:95.00,0.000,0.000,1,85.00,15.00#",
                                 "#AD13:1,40.00,-8.00#", "#AD14:2,45.00,-2.00#", "#PA:40000000000#", "#O1:1#",
                                 "#OT1:0030#", "#OC1:10200000000000001000000000#", "#O2:0#", "#OT2:0045#",
                                 "#OC2:01000000000000000100000000#"};
    for (int n = 1; n <= 8; ++n)
        s.push_back("#AP" + QByteArray::number(n) + ":055500000" + QByteArray::number(n) + "!#");
    for (int n = 1; n <= 6; ++n)
        s.push_back("#AD0" + QByteArray::number(n) + ":2" + QByteArray::number(n) + ".00,4.000,4.000,1,1"
                    + QByteArray::number(n) + ".00,5.000#");
    for (int n = 7; n <= 12; ++n)
        s.push_back("#AD" + QByteArray::number(n).rightJustified(2, '0') + ":1.000,0.000,1.000,2,30.00,10.00#");
    for (int n = 1; n <= 3; ++n)
        s.push_back("#LP" + QByteArray::number(n) + ":0000012" + QByteArray::number(n) + "#");
    for (int n = 1; n <= 8; ++n)
        s.push_back("#TD" + QByteArray::number(n) + ":00" + QByteArray::number(10 + n) + "#");
    return s;
}

// The batch of 100 settings: the settings cycled to 100 rows under their
// own codes, with the Setup password 222222. False when it cannot be written.
inline bool writeBatch100(const QString &path)
{
    std::vector<ConfigRow> rows;
    const std::vector<QByteArray> texts = settingTexts();
    for (int i = 0; i < 100; ++i)
        rows.push_back({QByteArray::number(i + 1).rightJustified(2, '0'), "222222" + texts[size_t(i) % texts.size()],
                        30000 + i, true});
    return writeConfigFile(path, rows, QDateTime::currentDateTime());
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
