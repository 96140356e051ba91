#include "pages/datarecord/DataRecordModel.h"
#include "pages/datarecord/HistoryRecords.h"
#include "base/Clock.h"
#include "protocol/ReplyItems.h"
#include "support/PageFixture.h"
#include "sim/Logger.h"
#include "sim/LoggerState.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PageFixture;
using Outcome = DataRecordModel::Outcome;

namespace {

QDateTime wall(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

QByteArray tm12(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyMMddHHmmss")).toLatin1();
}

// A logger's history for scripted replies: one record every `step` seconds
// from `first` to `last`, values that tell the record apart.
struct ScriptedLogger {
    QDateTime first, last;
    int step = 300;
    int code = 1;

    int indexAt(const QDateTime &t) const { return int(first.secsTo(t) / step); }

    // The reply to a REDEEM text as sent; empty when the text is not one.
    QByteArray answer(const QByteArray &sent) const
    {
        const int p = sent.indexOf("#REDEEM");
        if (p < 0)
            return QByteArray();
        const QByteArray arg = sent.mid(p + 7, 12);
        const QDateTime from(QDate(2000 + arg.left(2).toInt(), arg.mid(2, 2).toInt(), arg.mid(4, 2).toInt()),
                             QTime(arg.mid(6, 2).toInt(), arg.mid(8, 2).toInt()), Qt::UTC);
        const int count = arg.mid(10, 2).toInt();
        QDateTime t = first;
        while (t < from)
            t = t.addSecs(step);
        if (t > last)
            return "#STA:000001,ORV-A;D:1;T:1;TM:" + tm12(last) + ";A00:50.0;K01:10000;O01:00;#";
        QList<QByteArray> hum, k;
        QDateTime head = t;
        for (int i = 0; i < count && t <= last; ++i, t = t.addSecs(step)) {
            hum << QByteArray::number(indexAt(t));
            k << "10000";
        }
        return "#STD:000001,ORV-A;D:" + QByteArray::number(code) + ";T:" + QByteArray::number(hum.size()) + ";TM:"
            + tm12(head) + ";A00:" + hum.join('|') + ";K01:" + k.join('|') + ";#";
    }
};

struct DownloadFixture {
    explicit DownloadFixture(const QDateTime &now = wall(2026, 3, 10, 12, 0))
        : clock(now), f(ModelOrvelA), m(f.session, &clock)
    {
        path = dir.filePath(QStringLiteral("000001_260305.txt"));
    }

    QByteArray lastSent() const { return f.lastWritten(); }
    void reply(const QByteArray &text, int wParam = 1) { m.handleMessage({msg::DataRecords, ToDataRecord, wParam, text, 0}); }
    bool start(const QDate &from, const QDate &to, int perRequest = 1)
    {
        m.setStartDate(from);
        m.setEndDate(to);
        m.setPerRequest(perRequest);
        if (m.prepareDownload().isEmpty())
            return false;
        return m.startDownload(path);
    }
    // Answers every request from the scripted logger until the download ends
    // (at most `limit` replies).
    int runAgainst(const ScriptedLogger &logger, int limit = 100000)
    {
        int n = 0;
        while (m.downloadActive() && n < limit) {
            const QByteArray a = logger.answer(lastSent());
            reply(a, a.contains("#STD:") ? 1 : 2);
            ++n;
        }
        return n;
    }
    QList<QByteArray> fileLines() const
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> lines = file.readAll().split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    QTemporaryDir dir;
    QString path;
    FixedClock clock;
    PageFixture f;
    DataRecordModel m;
};

} // namespace

TEST(DataRecordDecode, RedeemParameterAndCommand)
{
    struct Case {
        QDate date;
        int hour, minute, count;
        QByteArray parameter;
    };
    const Case cases[] = {
        {QDate(2026, 3, 5), 7, 30, 12, "260305073012"},
        {QDate(2026, 1, 1), 0, 0, 1, "260101000001"},
        {QDate(2009, 12, 31), 23, 59, 99, "091231235999"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(history::redeemParameter(c.date, c.hour, c.minute, c.count), c.parameter) << c.parameter.data();
    EXPECT_EQ(history::redeemCommand("111111", "260305073012"), "111111#REDEEM260305073012#");
}

TEST(DataRecordDecode, ProposedFileName)
{
    struct Case {
        QByteArray station;
        QDate start, end;
        const char *name;
    };
    const Case cases[] = {
        {"000001", QDate(2026, 3, 5), QDate(2026, 3, 5), "000001_260305.txt"},
        {"000001", QDate(2026, 3, 5), QDate(2026, 3, 6), "000001_260305_0306.txt"},
        {"123456", QDate(2025, 12, 30), QDate(2026, 1, 2), "123456_251230_0102.txt"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(history::proposedFileName(c.station, c.start, c.end), QString::fromLatin1(c.name));
}

TEST(DataRecordDecode, ChannelTitles)
{
    const std::vector<std::pair<int, const char *>> analog = {
        {0, "Humidity"}, {1, ""}, {6, ""}, {7, "Temperature_3"}, {12, "Temperature_8"}, {13, "Temperature_1"},
        {14, "Temperature_2"}, {15, ""}, {19, ""}, {20, "P1_U1"}, {22, "P1_U3"}, {23, "P1_I1"}, {26, "P1_FP1"},
        {28, "P1_FP3"}, {29, "P1_MDA"}, {30, "P2_U1"}, {59, "P4_MDA"}};
    for (const auto &[n, title] : analog)
        EXPECT_EQ(history::analogTitle(n), QString::fromLatin1(title)) << n;
    const std::vector<std::pair<int, const char *>> pulse = {
        {1, ""}, {3, ""}, {21, "P1_EA+"}, {22, "P1_ER+"}, {23, ""}, {31, "P2_EA+"}, {52, "P4_ER+"}};
    for (const auto &[n, title] : pulse)
        EXPECT_EQ(history::pulseTitle(n), QString::fromLatin1(title)) << n;
}

TEST(DataRecordDecode, TimeStampForms)
{
    using TS = history::TimeStamp;
    const TS s = history::parseTimeStamp("260305073015");
    EXPECT_EQ(s.form, TS::Seconds);
    EXPECT_EQ(s.time, wall(2026, 3, 5, 7, 30, 15));
    const TS m = history::parseTimeStamp("2603050730");
    EXPECT_EQ(m.form, TS::Minutes);
    EXPECT_EQ(m.time, wall(2026, 3, 5, 7, 30));
    const TS f = history::parseTimeStamp("03/05/2026,07:30:00");
    EXPECT_EQ(f.form, TS::Formatted);
    EXPECT_EQ(f.dateText, QStringLiteral("03/05/2026"));
    EXPECT_EQ(f.timeText, QStringLiteral("07:30:00"));
    EXPECT_EQ(f.time, wall(2026, 3, 5, 7, 30));
    EXPECT_EQ(history::parseTimeStamp("26030507").form, TS::None);
}

TEST(DataRecordQuery, GuardAndDropListsInOrder)
{
    PageFixture f(ModelOrvelA);
    DataRecordModel m(f.session);
    EXPECT_FALSE(m.query());
    EXPECT_EQ(f.sink.last(), QStringLiteral("Please Select Hour !"));
    m.setHour(7);
    EXPECT_FALSE(m.query());
    EXPECT_EQ(f.sink.last(), QStringLiteral("Please Select Minute !"));
    m.setMinute(30);
    EXPECT_FALSE(m.query());
    EXPECT_EQ(f.sink.last(), QStringLiteral("Please Select Number of Records !"));
    EXPECT_TRUE(f.line->written.isEmpty());

    f.session.activeRecord().inProgress = true;
    m.setCount(12);
    EXPECT_FALSE(m.query());
    EXPECT_EQ(f.sink.last(), QStringLiteral("Command is in progress..."));
    f.session.activeRecord().inProgress = false;
    f.line->close();
    EXPECT_FALSE(m.query());
    EXPECT_EQ(f.sink.last(), QStringLiteral("Before Setup Command ,please Connect!"));
    f.line->open();

    m.setQueryDate(QDate(2026, 3, 5));
    EXPECT_TRUE(m.query());
    EXPECT_EQ(f.lastWritten(), "111111#REDEEM260305073012#");
    EXPECT_TRUE(f.session.dataQueryFlag);
    EXPECT_FALSE(f.session.dataDownloadFlag);
    ASSERT_EQ(m.columns().size(), 5);
    EXPECT_EQ(m.columns().at(0).title, QStringLiteral("Count"));
    EXPECT_EQ(m.columns().at(4).width, 90);
}

TEST(DataRecordQuery, NumberOfRecordsOnTheGsmModemIsOne)
{
    PageFixture f(ModelOrvelA, LinkGsmModem);
    DataRecordModel m(f.session);
    EXPECT_EQ(m.countChoices(), QStringList{QStringLiteral("1")});
    EXPECT_EQ(m.maxPerRequest(), 1);
    f.session.setLink(LinkRs232);
    EXPECT_EQ(m.countChoices().size(), 99);
    EXPECT_EQ(m.countChoices().last(), QStringLiteral("99"));
}

TEST(DataRecordQuery, RowsAndColumnsFromTwoPackets)
{
    PageFixture f(ModelOrvelA);
    DataRecordModel m(f.session);
    m.setHour(7);
    m.setMinute(30);
    m.setCount(5);
    ASSERT_TRUE(m.query());
    // Two packets in one reply: the channel columns come from the first only,
    // so A13 of the second gets no column; K and O of both are placed.
    m.handleMessage({msg::DataRecords, ToDataRecord, 0,
                     "#STD:000007,ORV-A;L:999;D:1;T:3;TM:260305073000;A00:41.5|41.7|42.0;A05:1.25|1.30|1.35;A20:230|231|"
                     "232;P01:10|12|15;P21:7|8|9;K01:10010|10011|10000;O01:01|10|11;"
                     "#STD:000007;D:2;T:2;TM:2603051000;A00:50.0|51.0;A13:20.5|20.6;K01:00000|11111;O01:00|01;#",
                     0});
    QStringList titles;
    for (const auto &c : m.columns())
        titles << c.title;
    EXPECT_EQ(titles, (QStringList{"Count", "Header", "Station ID", "Date", "Time", "Humidity", "A05", "P1_U1", "P01",
                                   "P1_EA+", "K00", "K01", "K02", "K03", "K04", "O01", "O02"}));
    EXPECT_EQ(m.columns().at(5).width, 100);
    EXPECT_EQ(m.columns().at(6).width, 60);
    EXPECT_EQ(m.columns().at(8).width, 80);
    EXPECT_EQ(m.columns().at(10).width, 40);
    EXPECT_EQ(m.columns().at(15).width, 50);
    ASSERT_EQ(m.rows().size(), 5);
    const auto row = [&](int r) {
        QStringList cells;
        for (int c = 0; c < m.columns().size(); ++c)
            cells << m.cell(r, c);
        return cells.join(QLatin1Char(' '));
    };
    EXPECT_EQ(row(0), QStringLiteral("1 STD 000007 03/05/2026 07:30:00 41.5 1.25 230 10 7 1 0 0 1 0 0 1"));
    EXPECT_EQ(row(2), QStringLiteral("3 STD 000007 03/05/2026 07:40:00 42.0 1.35 232 15 9 1 0 0 0 0 1 1"));
    EXPECT_EQ(row(3), QStringLiteral("4 STD 000007 03/05/2026 10:00:00 50.0     0 0 0 0 0 0 0"));
    EXPECT_EQ(row(4), QStringLiteral("5 STD 000007 03/05/2026 10:15:00 51.0     1 1 1 1 1 0 1"));

    // A further reply adds rows under the same columns; the formatted TM form.
    m.handleMessage({msg::DataRecords, ToDataRecord, 0, "#STD:000007;D:5;T:2;TM:03/06/2026,08:00:00;A00:1|2;A05:3|4;#", 0});
    ASSERT_EQ(m.rows().size(), 7);
    EXPECT_EQ(m.cell(5, 3), QStringLiteral("03/06/2026"));
    EXPECT_EQ(m.cell(6, 4), QStringLiteral("08:01:00"));
    EXPECT_EQ(m.cell(6, 0), QStringLiteral("7"));

    const QByteArray csv = m.csv();
    EXPECT_TRUE(csv.startsWith("Count,Header,Station ID,Date,Time,Humidity,"));
    EXPECT_TRUE(csv.contains("\r\n1,STD,000007,2026-03-05,07:30:00,41.5,1.25,230,10,7,1,0,0,1,0,0,1\r\n"));
    EXPECT_TRUE(m.table().startsWith("Count\tHeader\tStation ID\tDate\tTime\tHumidity\t"));

    QTemporaryDir dir;
    QString error;
    EXPECT_TRUE(m.exportCsv(dir.filePath(QStringLiteral("r.csv")), &error));
    QFile out(dir.filePath(QStringLiteral("r.csv")));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), csv);
    EXPECT_FALSE(m.exportCsv(dir.filePath(QStringLiteral("missing/r.csv")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(DataRecordQuery, LiveRows)
{
    PageFixture f(ModelOrvelA);
    DataRecordModel m(f.session);
    m.setHour(7);
    m.setMinute(30);
    m.setCount(2);
    ASSERT_TRUE(m.query());
    m.handleMessage({msg::DataRecords, ToDataRecord, 0, "#STD:000007;D:1;T:2;TM:260305073000;A00:1|2;#", 0});
    ASSERT_EQ(m.rows().size(), 2);
    // The first live row deletes the query rows and the columns.
    const QByteArray sta = "#STA:000007,ORV-A;L:99;D:1;T:1;TM:260305081503;A00:55.1;A13:21.5;P01:99;K01:10000;O01:01;ER:00;#";
    m.handleMessage({msg::StatusReply, ToDataRecord, 0, sta, 0});
    ASSERT_EQ(m.rows().size(), 1);
    QStringList titles;
    for (const auto &c : m.columns())
        titles << c.title;
    EXPECT_EQ(titles, (QStringList{"Count", "Header", "Station ID", "Date", "Time", "Humidity", "Temperature_1",
                                   "P01", "K00:", "K01:", "K02:", "K03:", "K04:", "O01:", "O02:"}));
    EXPECT_EQ(m.cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(m.cell(0, 1), QStringLiteral("STA"));
    EXPECT_EQ(m.cell(0, 2), QStringLiteral("000007"));
    EXPECT_EQ(m.cell(0, 3), QStringLiteral("03/05/26"));
    EXPECT_EQ(m.cell(0, 4), QStringLiteral("08:15:03"));
    // Later live rows keep the columns and count on; the 10-character form.
    m.handleMessage({msg::StatusReply, ToDataRecord, 0, "#STA:000007;D:1;T:1;TM:2603050820;A00:56.0;A05:9;K01:1;#", 0});
    ASSERT_EQ(m.rows().size(), 2);
    EXPECT_EQ(m.columns().size(), 15);
    EXPECT_EQ(m.cell(1, 0), QStringLiteral("2"));
    EXPECT_EQ(m.cell(1, 4), QStringLiteral("08:20"));
    EXPECT_EQ(m.cell(1, 5), QStringLiteral("56.0"));
    // Not in query mode: no live row.
    f.session.dataQueryFlag = false;
    m.handleMessage({msg::StatusReply, ToDataRecord, 0, sta, 0});
    EXPECT_EQ(m.rows().size(), 2);
    // Clear empties the list and the drop lists, keeps the flags.
    f.session.dataQueryFlag = true;
    m.handleMessage({msg::ClearFields, ToDataRecord, 0, {}, 0});
    EXPECT_TRUE(m.rows().isEmpty());
    EXPECT_EQ(m.hour(), -1);
    EXPECT_TRUE(f.session.dataQueryFlag);
    m.handleMessage({msg::StatusReply, ToDataRecord, 0, sta, 0});
    EXPECT_EQ(m.cell(0, 0), QStringLiteral("1"));
}

TEST(DataRecordDownload, DateChecksAndFileName)
{
    DownloadFixture d(wall(2026, 3, 10, 12, 0));
    struct Case {
        QDate from, to;
        const char *message; // empty: accepted
    };
    const Case cases[] = {
        {QDate(2026, 3, 11), QDate(2026, 3, 11), "The \"Start Date\" you selected must before today!"},
        {QDate(2026, 3, 5), QDate(2026, 3, 11), "The \"End Date\" you selected must before today!"},
        {QDate(2026, 3, 7), QDate(2026, 3, 5), "The \"Start Date\" must before the \"End Date\"!"},
        {QDate(2026, 3, 5), QDate(2026, 3, 10), ""},
    };
    for (const Case &c : cases) {
        d.f.sink.clear();
        d.m.setStartDate(c.from);
        d.m.setEndDate(c.to);
        const QString name = d.m.prepareDownload();
        if (*c.message) {
            EXPECT_TRUE(name.isEmpty());
            EXPECT_EQ(d.f.sink.last(), QString::fromLatin1(c.message));
        } else {
            EXPECT_EQ(name, QStringLiteral("000001_260305_0310.txt"));
            EXPECT_TRUE(d.f.sink.shown.isEmpty());
        }
    }
    // "today" ends the range now; another day at 23:59:59.
    EXPECT_EQ(d.m.rangeStart(), wall(2026, 3, 5));
    EXPECT_EQ(d.m.rangeEnd(), wall(2026, 3, 10, 12, 0));
    d.m.setEndDate(QDate(2026, 3, 6));
    EXPECT_FALSE(d.m.prepareDownload().isEmpty());
    EXPECT_EQ(d.m.rangeEnd(), wall(2026, 3, 6, 23, 59, 59));
    EXPECT_TRUE(d.f.session.dataDownloadFlag);
    EXPECT_FALSE(d.f.session.dataQueryFlag);
}

TEST(DataRecordDownload, CursorSteppingLinesAndCompletionByCursor)
{
    DownloadFixture d;
    ASSERT_TRUE(d.start(QDate(2026, 3, 5), QDate(2026, 3, 5)));
    EXPECT_EQ(d.lastSent(), "111111#REDEEM260305000001#");
    ScriptedLogger logger{wall(2026, 3, 5), wall(2026, 3, 6, 23, 55)};
    const QByteArray first = logger.answer(d.lastSent());
    d.reply(first);
    EXPECT_EQ(d.m.cursor(), wall(2026, 3, 5, 0, 5));
    EXPECT_EQ(d.lastSent(), "111111#REDEEM260305000501#");
    EXPECT_EQ(d.m.total(), 288);
    EXPECT_EQ(d.m.received(), 1);
    d.runAgainst(logger);
    EXPECT_EQ(d.m.lastOutcome(), Outcome::Completed);
    EXPECT_EQ(d.f.sink.last(), QStringLiteral("Download completed!"));
    EXPECT_EQ(d.m.received(), 288);
    const QList<QByteArray> lines = d.fileLines();
    ASSERT_EQ(lines.size(), 288);
    EXPECT_EQ(lines.first(), "1:" + first + "\r");
    EXPECT_TRUE(lines.last().startsWith("288:#STD:000001,ORV-A;D:1;T:1;TM:260305235500;"));
    // Nothing after the end is asked for.
    EXPECT_EQ(d.f.line->written.size(), 288);
}

TEST(DataRecordDownload, RecordsPerRequestHoldTheSameRecords)
{
    ScriptedLogger logger{wall(2026, 3, 4), wall(2026, 3, 9, 23, 55)};
    auto records = [&](int perRequest, int *requests) {
        DownloadFixture d;
        EXPECT_TRUE(d.start(QDate(2026, 3, 5), QDate(2026, 3, 6), perRequest));
        *requests = d.runAgainst(logger);
        EXPECT_EQ(d.m.lastOutcome(), Outcome::Completed);
        QList<QByteArray> all;
        for (const QByteArray &line : d.fileLines()) {
            const QByteArray hum = GetItemValue(line, "A00:").value;
            all += hum.split('|');
        }
        return all;
    };
    int one = 0, twenty = 0;
    const QList<QByteArray> a = records(1, &one), b = records(20, &twenty);
    EXPECT_EQ(a.size(), 576);
    EXPECT_EQ(a, b);
    EXPECT_EQ(one, 576);
    EXPECT_EQ(twenty, 1 + 29); // the first request asks for one record
}

TEST(DataRecordDownload, LimitStatusRecordAndEndOfStore)
{
    // The store ends before the range does: the logger answers with its
    // status record, which ends the download.
    DownloadFixture d;
    ScriptedLogger logger{wall(2026, 3, 5), wall(2026, 3, 5, 1, 0)};
    ASSERT_TRUE(d.start(QDate(2026, 3, 5), QDate(2026, 3, 5)));
    d.runAgainst(logger);
    EXPECT_EQ(d.m.lastOutcome(), Outcome::Completed);
    EXPECT_EQ(d.fileLines().size(), 13);

    // A reply whose records reach past the range: the limit still takes it,
    // and the cursor beyond the range end completes.
    DownloadFixture e(wall(2026, 3, 5, 0, 12));
    ASSERT_TRUE(e.start(QDate(2026, 3, 5), QDate(2026, 3, 5)));
    e.reply("#STD:000001;D:1;T:3;TM:260305000000;A00:1|2|3;#");
    EXPECT_EQ(e.m.lastOutcome(), Outcome::Completed);
    EXPECT_EQ(e.fileLines().size(), 1);

    // Far past the limit (the logger answered with a larger step): completed,
    // nothing written.
    DownloadFixture g(wall(2026, 3, 5, 0, 12));
    ASSERT_TRUE(g.start(QDate(2026, 3, 5), QDate(2026, 3, 5)));
    g.reply("#STD:000001;D:4;T:0;TM:260305000000;#");
    EXPECT_EQ(g.m.lastOutcome(), Outcome::Completed);
    EXPECT_TRUE(g.fileLines().isEmpty());
}

TEST(DataRecordDownload, IntervalCodes)
{
    struct Case {
        QByteArray reply;
        Outcome outcome;
        const char *message;
    };
    const Case cases[] = {
        {"#STD:000001;D:0;T:0;TM:260305000000;#", Outcome::NoData, "No history package data!"},
        {"#STD:000001;T:0;TM:260305000000;#", Outcome::NoData, "No history package data!"},
        {"#STD:000001;D:7;T:1;TM:260305000000;A00:1;#", Outcome::UnknownInterval,
         "The logger sent history data with the unknown logging interval code 7: the download stopped."},
    };
    for (const Case &c : cases) {
        DownloadFixture d;
        ASSERT_TRUE(d.start(QDate(2026, 3, 5), QDate(2026, 3, 5)));
        int closed = 0;
        QObject::connect(&d.m, &DataRecordModel::progressWindowClosed, [&] { ++closed; });
        d.reply(c.reply);
        EXPECT_EQ(d.m.lastOutcome(), c.outcome);
        EXPECT_TRUE(d.f.sink.last().startsWith(QString::fromLatin1(c.message))) << qPrintable(d.f.sink.last());
        EXPECT_EQ(closed, 1);
        EXPECT_FALSE(d.m.downloadActive());
        EXPECT_EQ(d.f.line->written.size(), 1);
        EXPECT_TRUE(d.fileLines().isEmpty());
    }
}

TEST(DataRecordDownload, CancelKeepsTheLinesReceived)
{
    DownloadFixture d;
    ScriptedLogger logger{wall(2026, 3, 5), wall(2026, 3, 6)};
    ASSERT_TRUE(d.start(QDate(2026, 3, 5), QDate(2026, 3, 5)));
    d.runAgainst(logger, 10);
    // A partial line a failed write left behind goes too.
    {
        QFile f(d.path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("11:#STD:0000");
    }
    d.m.cancelDownload();
    EXPECT_EQ(d.m.lastOutcome(), Outcome::Cancelled);
    EXPECT_EQ(d.f.sink.last(), QStringLiteral("DownLoad Cancel Success!\n10 records saved in %1").arg(d.path));
    const QList<QByteArray> lines = d.fileLines();
    ASSERT_EQ(lines.size(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(lines[i].startsWith(QByteArray::number(i + 1) + ":#STD:") && lines[i].endsWith("#\r")) << i;

    // The reply to the request that was out when Cancel came is neither
    // written nor answered, and does not move a later download's cursor.
    const int sent = int(d.f.line->written.size());
    d.reply(logger.answer(d.lastSent()));
    EXPECT_EQ(d.f.line->written.size(), sent);
    EXPECT_EQ(d.fileLines().size(), 10);
    d.reply("#STA:000001;D:1;T:1;TM:260305000000;#", 2);
    EXPECT_EQ(d.f.sink.shown.size(), 1);
    ASSERT_TRUE(d.start(QDate(2026, 3, 5), QDate(2026, 3, 5)));
    d.m.progressClosed(); // closing the window ends it as well
    d.reply(logger.answer(d.lastSent()));
    EXPECT_EQ(d.m.cursor(), wall(2026, 3, 5));
    EXPECT_EQ(d.m.replyCount(), 0);
}

TEST(DataRecordDownload, UnwritableFileStopsAndSays)
{
    DownloadFixture d;
    d.path = d.dir.filePath(QStringLiteral("no/such/dir/x.txt"));
    ScriptedLogger logger{wall(2026, 3, 5), wall(2026, 3, 6)};
    ASSERT_TRUE(d.start(QDate(2026, 3, 5), QDate(2026, 3, 5)));
    d.reply(logger.answer(d.lastSent()));
    EXPECT_EQ(d.m.lastOutcome(), Outcome::WriteFailed);
    ASSERT_FALSE(d.f.sink.shown.isEmpty());
    EXPECT_EQ(d.f.sink.shown.last().kind, MessageKind::Error);
    EXPECT_TRUE(d.f.sink.last().startsWith(QStringLiteral("Cannot write the download file %1").arg(d.path)));
    EXPECT_FALSE(d.m.downloadActive());
    EXPECT_EQ(d.f.line->written.size(), 1);
}

TEST(DataRecordQuery, EveryTimeFormOfTheSimulatedLogger)
{
    const QDateTime now(QDate(2026, 3, 5), QTime(14, 7, 30));
    struct Case {
        int form;
        const char *tm;
        const char *time;
    };
    const Case cases[] = {{0, "260304070000", "07:00:00"}, {1, "2603040700", "07:00:00"},
                          {2, "03/04/2026,07:00:00", "07:00:00"}};
    for (const Case &c : cases) {
        sim::LoggerState state = sim::LoggerState::defaults(sim::Model::A, now);
        state.historyTimeForm = c.form;
        sim::Logger logger(state);
        logger.setClock([now] { return now; });
        const QByteArray reply = logger.answer("111111#REDEEM260304070003#");
        EXPECT_EQ(GetItemValue(reply, "TM:").value, QByteArray(c.tm));

        PageFixture f(ModelOrvelA);
        DataRecordModel m(f.session);
        m.setHour(7);
        m.setMinute(0);
        m.setCount(3);
        ASSERT_TRUE(m.query());
        m.handleMessage({msg::DataRecords, ToDataRecord, 0, reply, 0});
        ASSERT_EQ(m.rows().size(), 3) << reply.constData();
        EXPECT_EQ(m.cell(0, 3), QStringLiteral("03/04/2026"));
        EXPECT_EQ(m.cell(0, 4), QString::fromLatin1(c.time));
        EXPECT_EQ(m.cell(2, 4), QStringLiteral("07:30:00"));
        EXPECT_EQ(m.rows().at(2).when, wall(2026, 3, 4, 7, 30));
    }
}
