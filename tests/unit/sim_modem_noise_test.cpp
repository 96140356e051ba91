// The simulated GSM modem under line noise: it answers a burst of noise once
// and takes the next real command at once, however much noise came before.

#include "sim/Frontend.h"
#include "sim/Logger.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <random>

using namespace kaspen::sim;

TEST(SimGsmModem, NoiseIsAnsweredOncePerBurstAndNeverDelaysTheNextCommand)
{
    const QDateTime now(QDate(2026, 3, 5), QTime(14, 7, 30));
    Logger logger(LoggerState::defaults(Model::A, now));
    Frontend modem(logger, Frontend::Kind::GsmModem);
    FrontendTiming timing;
    timing.modemAckDelayMs = 10;
    timing.lineTimeoutMs = 100;
    modem.setTiming(timing);
    modem.setBaud(9600);
    QByteArray out;
    QObject::connect(&modem, &Frontend::output, [&](const QByteArray &b) { out += b; });

    // 1 MB of random bytes, CR and LF among them, in one burst.
    std::mt19937 rng(7);
    QByteArray noise(1 << 20, '\0');
    for (char &c : noise)
        c = char(rng());
    for (qsizetype at = 0; at < noise.size(); at += 4096)
        modem.receive(noise.mid(at, 4096));

    auto runFor = [](int ms, const std::function<bool()> &done) {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired() && !done())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    };
    // The burst ends with the quiet gap; one "ERROR" for all of it.
    runFor(600, [] { return false; });
    EXPECT_EQ(out.count("ERROR"), 1) << out.size();
    EXPECT_TRUE(modem.writer().idle());

    // The next real command is answered at once.
    out.clear();
    modem.receive("AT+BJTE\r\n");
    EXPECT_TRUE(runFor(2000, [&] { return out.contains("AT+BJTE\r\nOK\r\n"); })) << out.constData();
    EXPECT_FALSE(out.contains("ERROR"));

    // Each unknown AT command still gets its own answer.
    out.clear();
    modem.receive("AT+CSQ\r\n");
    EXPECT_TRUE(runFor(2000, [&] { return out == "ERROR\r\n"; })) << out.constData();
}
