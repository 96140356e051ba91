// The field tools: comparing a configuration with the logger, the audit
// trail, the log journal, the port list and the SMS state over the modem.

#include "links/PortCatalog.h"
#include "pages/batch/ConfigCompare.h"
#include "records/AuditTrail.h"
#include "session/LogJournal.h"
#include "session/MainModel.h"
#include "session/SmsTracker.h"
#include "support/FakeLine.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace kaspen;

namespace {

QDateTime at(int h, int m, int s, int ms = 0)
{
    return QDateTime(QDate(2026, 3, 5), QTime(h, m, s, ms), QTimeZone(3600));
}

// --- compare ---------------------------------------------------------------

struct CompareCase {
    const char *name;
    int code;
    const char *fileText;
    const char *loggerText; // nullptr: the logger did not record the code
    CompareRow::Outcome outcome;
    const char *fileValue;
    const char *loggerValue;
};

const CompareCase kCompare[] = {
    {"same value", 11005, "222222#SA:2#", "222222#SA:2#", CompareRow::Same, "15 Minute", "15 Minute"},
    {"same value, file made for another password", 11005, "999999#SA:2#", "222222#SA:2#", CompareRow::Same,
     "15 Minute", "15 Minute"},
    {"different value", 11005, "222222#SA:2#", "222222#SA:4#", CompareRow::Different, "15 Minute", "60 Minute"},
    {"not read from the logger", 12002, "222222#AD00:100.0,0.000,0.000,1,80.00,20.00#", nullptr,
     CompareRow::Unreadable, "100.0   ,   0.000   ,   0.000   ,   1   ,   80.00   ,   20.00", ""},
    {"empty logger text", 11002, "222222#ST:000041#", "", CompareRow::Unreadable, "000041", ""},
    {"passwords same, never shown", 20050, "999999#PS:111111,222222#", "222222#PS:111111,222222#",
     CompareRow::Same, "(passwords)", "(passwords)"},
    {"passwords different, never shown", 20050, "222222#PS:111111,333333#", "222222#PS:111111,222222#",
     CompareRow::Different, "(passwords)", "(passwords)"},
    {"a value holding the password is compared as a value", 20031, "222222#AP1:222222!#", "222222#AP1:222223!#",
     CompareRow::Different, "222222!", "222223!"},
};

TEST(ConfigCompare, EachRowAgainstTheLoggersValue)
{
    for (const CompareCase &c : kCompare) {
        std::map<int, QByteArray> logger;
        if (c.loggerText)
            logger[c.code] = c.loggerText;
        const auto rows = compare::compareRows({{c.code, c.fileText}}, logger, "222222");
        ASSERT_EQ(rows.size(), 1u) << c.name;
        EXPECT_EQ(rows[0].outcome, c.outcome) << c.name;
        EXPECT_EQ(rows[0].fileValue.toStdString(), c.fileValue) << c.name;
        EXPECT_EQ(rows[0].loggerValue.toStdString(), c.loggerValue) << c.name;
        EXPECT_FALSE(compare::lineOf(1, rows[0]).contains("111111")) << c.name;
    }
}

TEST(ConfigCompare, RowsKeepFileOrderAndCountTheDifferences)
{
    const std::map<int, QByteArray> logger{{11005, "222222#SA:4#"}, {11002, "222222#ST:000041#"}};
    const auto rows = compare::compareRows({{11005, "222222#SA:2#"}, {11002, "222222#ST:000041#"}, {13001, "2#PA:1#"}},
                                           logger, "222222");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].code, 11005);
    EXPECT_EQ(compare::differingCount(rows), 2);
    EXPECT_EQ(compare::lineOf(1, rows[0]).toStdString(), "01\tdifferent\tData Logging Interval\t15 Minute\t60 Minute");
    EXPECT_EQ(compare::lineOf(2, rows[1]).toStdString(), "02\tsame\tStation ID\t000041\t000041");
}

// --- audit trail -------------------------------------------------------------

AuditRun sampleRun()
{
    AuditRun run;
    run.started = at(14, 7, 9, 250);
    run.kind = QStringLiteral("batch");
    run.loggerId = QStringLiteral("000001");
    run.link = QStringLiteral("RS232");
    run.endpoint = QStringLiteral("/dev/pts/3");
    run.fileName = QStringLiteral("site, north.cfg");
    run.fileSha256 = "ab12";
    run.rows = {{11002, "Station ID", "000041", QStringLiteral("Command Success")},
                {20050, "Password", "111111   ,   222222", QStringLiteral("Password Error")},
                {11005, "Data Logging Interval", "15 Minute", QString()}};
    return run;
}

TEST(AuditTrail, RecordLinesAndSummary)
{
    const QByteArray text = audit::recordText(sampleRun());
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 5); // three rows, the summary, the empty rest after the last LF
    EXPECT_EQ(lines[0].toStdString(),
              "2026-03-05T14:07:09.250+01:00,batch,000001,RS232,/dev/pts/3,\"site, north.cfg\",ab12,1,11002,"
              "Station ID,000041,Command Success\r");
    EXPECT_TRUE(lines[2].endsWith(",3,11005,Data Logging Interval,15 Minute,Not sent\r"));
    EXPECT_TRUE(lines[3].endsWith(",summary,,,,\"3 rows: 1 succeeded, 1 failed, 1 not sent\"\r"));
}

TEST(AuditTrail, AppendsWholeRecordsAndClosesOffOneCutShort)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("audit.csv"));
    audit::setPath(path);
    ASSERT_TRUE(audit::append(sampleRun()));
    {
        // A kill in the middle of an append leaves a record without its end.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("2026-03-05T14:08:00.000+01:00,batch,000001,RS2");
    }
    ASSERT_TRUE(audit::append(sampleRun()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    audit::setPath({});
    EXPECT_EQ(lines[0].toStdString(), std::string(audit::Header) + "\r");
    EXPECT_EQ(lines.size(), 1 + 4 + 1 + 4 + 1);
    EXPECT_EQ(lines[5].toStdString(), "2026-03-05T14:08:00.000+01:00,batch,000001,RS2\r");
    EXPECT_TRUE(lines[6].startsWith("2026-03-05T14:07:09.250+01:00,batch,000001,RS232"));
}

TEST(AuditTrail, FileHashAndReport)
{
    QTemporaryDir dir;
    const QString cfg = dir.filePath(QStringLiteral("a.cfg"));
    QFile f(cfg);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("abc");
    f.close();
    EXPECT_EQ(audit::fileSha256(cfg).toStdString(),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_TRUE(audit::fileSha256(dir.filePath(QStringLiteral("none"))).isEmpty());

    const QString report = dir.filePath(QStringLiteral("run.csv"));
    ASSERT_TRUE(audit::writeReport(report, sampleRun()));
    QFile r(report);
    ASSERT_TRUE(r.open(QIODevice::ReadOnly));
    EXPECT_EQ(r.readAll(), QByteArray(audit::Header) + "\r\n" + audit::recordText(sampleRun()));
    EXPECT_FALSE(audit::writeReport(dir.filePath(QStringLiteral("no/such/dir/run.csv")), sampleRun()));
}

// --- log journal -------------------------------------------------------------

TEST(LogJournal, ExportedLinesInTimeOrderWithEscapes)
{
    LogJournal j;
    j.add(LogJournal::Sent, QStringLiteral("GSM Modem"), "AT+BJSD=10,0123456789,111111#STATUS#\r\n", at(9, 0, 1, 5));
    j.add(LogJournal::Received, QStringLiteral("GSM Modem"), "AT+BJSD\r\nOK\r\n", at(9, 0, 1, 900));
    j.add(LogJournal::Received, QStringLiteral("RS232"), QByteArray("#STA:\x01\xe9\\\t;", 10), at(9, 0, 2, 0));
    EXPECT_EQ(j.exportText().toStdString(),
              "2026-03-05T09:00:01.005+01:00 \u2192 GSM Modem AT+BJSD=10,0123456789,111111#STATUS#\\r\\n\n"
              "2026-03-05T09:00:01.900+01:00 \u2190 GSM Modem AT+BJSD\\r\\nOK\\r\\n\n"
              "2026-03-05T09:00:02.000+01:00 \u2190 RS232 #STA:\\x01\\xE9\\\\\\t;\n");
}

TEST(LogJournal, KeepsTheNewestEntriesWhenFull)
{
    LogJournal j;
    for (size_t i = 0; i < LogJournal::MaxEntries + 3; ++i)
        j.add(LogJournal::Sent, QStringLiteral("RS232"), QByteArray::number(qulonglong(i)), at(9, 0, 0));
    EXPECT_EQ(j.entries().size(), LogJournal::MaxEntries);
    EXPECT_EQ(j.entries().front().bytes, "3");
}

// --- ports -------------------------------------------------------------------

TEST(PortCatalog, ListTexts)
{
    struct Case {
        PortDescription port;
        const char *label;
    };
    const Case cases[] = {
        {{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI"}, "/dev/ttyUSB0 \u2014 FT232R USB UART, FTDI (A50285BI)"},
        {{"/dev/ttyUSB1", "FTDI FT232R USB UART", "FTDI", ""}, "/dev/ttyUSB1 \u2014 FTDI FT232R USB UART"},
        {{"/dev/ttyACM0", "", "Prolific", "X1"}, "/dev/ttyACM0 \u2014 Prolific (X1)"},
        {{"/dev/ttyS0", "", "", ""}, "/dev/ttyS0"},
        {{"COM3", "", "", "77"}, "COM3 \u2014 (77)"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ports::label(c.port).toStdString(), c.label);
        EXPECT_EQ(ports::pathOf(ports::label(c.port)), c.port.path);
    }
    EXPECT_EQ(ports::pathOf(QStringLiteral(" /tmp/x/b ")), QStringLiteral("/tmp/x/b"));
    EXPECT_EQ(ports::whatItWas({"/dev/ttyUSB0", "FT232R USB UART", "", "A5"}).toStdString(),
              "FT232R USB UART (A5) on /dev/ttyUSB0");
    EXPECT_EQ(ports::whatItWas({"/dev/ttyS0", "", "", ""}), QStringLiteral("/dev/ttyS0"));
}

TEST(PortCatalog, WatcherFollowsAdaptersAndFindsACableBySerialNumber)
{
    QList<PortDescription> now{{"/dev/ttyS0", "", "", ""}, {"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A5"}};
    PortWatcher w([&now] { return now; });
    int changed = 0, came = 0;
    QList<PortDescription> gone;
    QObject::connect(&w, &PortWatcher::changed, [&] { ++changed; });
    QObject::connect(&w, &PortWatcher::appeared, [&](const PortDescription &) { ++came; });
    QObject::connect(&w, &PortWatcher::vanished, [&](const PortDescription &p) { gone.append(p); });
    w.poll();
    EXPECT_EQ(changed, 1);
    w.poll();
    EXPECT_EQ(changed, 1); // nothing new, no signal
    now.removeLast();              // unplugged
    w.poll();
    ASSERT_EQ(gone.size(), 1);
    EXPECT_EQ(gone.at(0).serialNumber, QStringLiteral("A5"));
    EXPECT_TRUE(w.pathOfSerial(QStringLiteral("A5")).isEmpty());
    now.append({"/dev/ttyUSB1", "FT232R USB UART", "FTDI", "A5"}); // plugged in again under another name
    w.poll();
    EXPECT_EQ(w.pathOfSerial(QStringLiteral("A5")), QStringLiteral("/dev/ttyUSB1"));
    EXPECT_EQ(came, 3);
    EXPECT_EQ(changed, 3);
}

// --- SMS state ---------------------------------------------------------------

TEST(SmsTracker, StatesOfAScriptedModem)
{
    using S = SmsTracker::State;
    struct Case {
        const char *name;
        std::vector<std::pair<const char *, int>> script; // text (nullptr: exchange ends, int = result)
        std::vector<S> states;
        bool lastLate;
    };
    const Case cases[] = {
        {"acknowledged, sent, answered",
         {{"AT+BJSD\r\nOK\r\n", 0}, {"message send\r\n", 0}, {"#STA:000001;", 0}, {nullptr, 0}},
         {S::Queued, S::HandedToModem, S::Sent, S::Answered}, false},
        {"acknowledgement and send in one text", {{"AT+BJSD\r\nOK\r\nmessage send\r\n", 0}},
         {S::Queued, S::HandedToModem, S::Sent}, false},
        {"never answered", {{"AT+BJSD\r\nOK\r\nmessage send\r\n", 0}, {nullptr, 2}},
         {S::Queued, S::HandedToModem, S::Sent, S::TimedOut}, false},
        {"late reply", {{"AT+BJSD\r\nOK\r\nmessage send\r\n", 0}, {nullptr, 2}, {"Set success!", 0}},
         {S::Queued, S::HandedToModem, S::Sent, S::TimedOut, S::Late}, true},
        {"modem refused", {{"AT+BJSD\r\nERROR\r\n", 0}, {nullptr, 2}}, {S::Queued, S::Refused}, false},
    };
    for (const Case &c : cases) {
        SmsTracker t;
        int lines = 0;
        QObject::connect(&t, &SmsTracker::stepReached, [&](const QString &) { ++lines; });
        t.commandWritten("AT+BJSD=10,0123456789,111111#STATUS#\r\n", at(9, 0, 0));
        bool late = false;
        int second = 1;
        for (const auto &[text, result] : c.script) {
            if (text)
                late = t.textReceived(text, at(9, 0, second++));
            else
                t.exchangeFinished(result, at(9, 0, second++));
        }
        std::vector<S> got;
        for (const auto &s : t.steps())
            got.push_back(s.state);
        EXPECT_EQ(got, c.states) << c.name;
        EXPECT_EQ(late, c.lastLate) << c.name;
        EXPECT_EQ(lines, int(c.states.size())) << c.name;
    }
    SmsTracker t;
    t.commandWritten("AT+BJSD=10,0123456789,111111#STATUS#\r\n", at(9, 0, 0, 120));
    EXPECT_EQ(SmsTracker::lineOf(t.command(), t.steps().last()).toStdString(), "SMS 111111#STATUS#: queued 09:00:00.120");
}

// The main model keeps the journal and the SMS states of what goes over the
// modem, a late reply included.
TEST(SmsTracker, MainModelFollowsEachCommandOverTheModem)
{
    QTemporaryDir dir;
    kaspen::test::emptyPhoneBook(dir.path());
    kaspen::test::RecordingSink sink;
    MainModel model(ModelOrvelA);
    model.exchange().setTimerDriven(false);
    model.session().phoneBook().AddGsmEntry("000001", "0123456789", "111111", "222222");
    model.session().phoneBook().SelectGsmEntry("000001");
    model.selectLink(LinkGsmModem);
    auto owned = std::make_unique<kaspen::test::FakeLine>();
    kaspen::test::FakeLine *line = owned.get();
    line->open();
    model.session().setSerialLine(std::move(owned));
    model.session().serialRecord().link = LinkGsmModem;
    QStringList states;
    QObject::connect(&model, &MainModel::smsStateChanged, [&](const QString &l) { states << l.section(QLatin1Char(' '), 2, -2); });

    model.versionQuery();
    QCoreApplication::processEvents();
    ASSERT_TRUE(model.exchange().running());
    line->reply("AT+BJSD\r\nOK\r\nmessage send\r\n");
    line->reply("V2.13");
    model.exchange().tick();
    EXPECT_EQ(states, QStringList({"queued", "AT+BJSD OK", "message send", "answered"}));

    states.clear();
    model.versionQuery();
    QCoreApplication::processEvents();
    line->reply("AT+BJSD\r\nOK\r\nmessage send\r\n");
    model.stop();
    model.exchange().tick();
    line->reply("V2.13");
    EXPECT_EQ(states, QStringList({"queued", "AT+BJSD OK", "message send", "timed out", "late reply"}));
    EXPECT_TRUE(model.dataLogs().contains("(late reply) V2.13"));
    EXPECT_TRUE(model.sendLogs().contains("SMS 111111#CHECKVR: late reply"));

    const auto &j = model.journal().entries();
    ASSERT_EQ(j.size(), 6u);
    EXPECT_EQ(j[0].direction, LogJournal::Sent);
    EXPECT_EQ(j[0].bytes, "AT+BJSD=10,0123456789,111111#CHECKVR\r\n");
    EXPECT_EQ(j[0].link, QStringLiteral("GSM Modem"));
    EXPECT_EQ(j[5].direction, LogJournal::Received);
    EXPECT_EQ(j[5].bytes, "V2.13");
    PhoneBook::resetSharedState();
}

} // namespace
