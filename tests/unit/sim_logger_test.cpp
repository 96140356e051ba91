// The simulated logger's answers to the command catalogue, and set-then-read
// round trips decoded with the program's own item lookup.

#include "protocol/CommandText.h"
#include "protocol/ReplyItems.h"
#include "sim/Logger.h"
#include "sim/Measurements.h"

#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::sim;

namespace {

const QDateTime Now(QDate(2026, 3, 5), QTime(14, 7, 30));

std::unique_ptr<Logger> makeLogger(Model model = Model::A, QDateTime now = Now)
{
    auto l = std::make_unique<Logger>(LoggerState::defaults(model, now));
    l->setClock([now] { return now; });
    return l;
}

// "text*" matches any answer that starts with "text"; anything else must match exactly.
void expectAnswer(const QByteArray &answer, const QByteArray &expected, const QByteArray &command)
{
    if (expected.endsWith('*'))
        EXPECT_TRUE(answer.startsWith(expected.chopped(1))) << command.constData() << " -> " << answer.constData();
    else
        EXPECT_EQ(answer, expected) << command.constData();
}

struct CommandCase {
    QByteArray valid;
    QByteArray validAnswer;
    QByteArray invalid;
    QByteArray invalidAnswer;
    QByteArray wrongPassword;
    Model model = Model::A;
};

const QByteArray Ok = replies::SetSuccess;
const QByteArray Fail = replies::SetFail;
const QByteArray Format = replies::FormatError;

// Every command of the catalogue: a valid text, an invalid one, and the
// valid one with the other password in front.
std::vector<CommandCase> catalogue()
{
    std::vector<CommandCase> c;
    auto read = [&](const QByteArray &body, const QByteArray &answer, const QByteArray &invalid,
                    const QByteArray &invalidAnswer) {
        c.push_back({"111111" + body, answer, "111111" + invalid, invalidAnswer, "222222" + body});
    };
    auto set = [&](const QByteArray &body, const QByteArray &invalid, Model m = Model::A) {
        c.push_back({"222222" + body, Ok, "222222" + invalid, Fail, "111111" + body, m});
    };
    for (int n = 1; n <= 4; ++n)
        read("#CHEACK" + QByteArray::number(n) + "#", "#STC" + QByteArray::number(n) + ":000001;L:*", "#CHEACK5#", Format);
    read("#STATUS#", "#STA:000001,ORV-A;L:*", "#STATUS:1#", Format);
    read("#STATUS#%", "#STA:000001,ORV-A;L:*", "#STATUS#X", Format); // the calibration's query
    read("#CHECKVR", "ORVEL-A Ver 2.13*", "#CHECKVR7", Format);
    read("#SMS:05#", "1,AD05 HIGH ALRM!", "#SMS:52#", Fail);
    read("#REDEEM260305120005#", "#STD:000001,ORV-A;L:*", "#REDEEM261305120005#", Fail);
    read("#REDEEM260304000099#", "#STD:000001,ORV-A;L:*", "#REDEEM260304000000#", Fail);

    c.push_back({"222222#RESET#", replies::InitDone, "222222#RESET:1#", Format, "111111#RESET#"});
    set("#SE:0#", "#SE:2#");
    set("#SE:1#", "#SE:#");
    set("#ST:000007#", "#ST:7#");
    set("#TM:2403051407#", "#TM:2413051407#");
    set("#TM:260305140700#", "#TM:26030514#");
    set("#SA:5#", "#SA:7#");
    set("#SD:12,0,1#", "#SD:14,0,1#");
    set("#SD:05,0,10#", "#SD:05,2,1#");
    set("#CP:0123456789!,2#", "#CP:01234X6789!,2#");
    set("#CP:!,9#", "#CP:0123456789!,#");
    for (int n = 1; n <= 8; ++n) {
        const QByteArray ap = "#AP" + QByteArray::number(n) + ":";
        set(ap + "+4912345!#", ap + "12345678901234567890!#");
        set(ap + "!#", ap + "12a!#");
    }
    set("#AP1:0123456789!#", "#AP9:0123456789!#");
    set("#PS:333333,444444#", "#PS:33333,444444#");
    set("#PS:271828,314159#", "#PS:271828#");
    set("#AD00:100.0,0.000,0.000,1,100.0,0.000#", "#AD00:100.0,0.000,0.000,3,100.0,0.000#");
    set("#AD00:110.3,0.000,0.000,1,100.0,0.000#", "#AD00:100.0,0.000,0.000,1,120.0,0.000#");
    for (int n = 1; n <= 6; ++n) {
        const QByteArray ad = "#AD0" + QByteArray::number(n) + ":";
        set(ad + "20.00,4.000,4.000,1,18.00,5.000#", ad + "20.00,4.000,4.000,1,5.000,18.00#");
    }
    for (int n = 7; n <= 12; ++n) {
        const QByteArray ad = "#AD" + QByteArray::number(n).rightJustified(2, '0') + ":";
        set(ad + "1.000,0.000,1.000,2,30.00,10.00#", ad + "1.000,0.000,1.000,2,30.00#");
    }
    set("#AD13:2,35.00,-5.00#", "#AD13:2,35.00,abc#");
    set("#AD14:0,155.0,-125#", "#AD14:1,156.0,-5.00#");
    set("#AD14:1,30.00,10.00#", "#AD15:1,30.00,10.00#");
    for (int n = 1; n <= 8; ++n) {
        const QByteArray td = "#TD" + QByteArray::number(n) + ":";
        set(td + "0015#", td + "00150#");
    }
    for (int n = 1; n <= 3; ++n) {
        const QByteArray lp = "#LP" + QByteArray::number(n) + ":";
        set(lp + "00000123#", lp + "123456789#");
    }
    set("#LP3:0#", "#LP4:00000123#");
    set("#PA:41300000000#", "#PA:51300000000#");
    set("#PA:40000000000000000#", "#PA:#");
    for (int n = 1; n <= 2; ++n) {
        const QByteArray r = QByteArray::number(n);
        set("#O" + r + ":1#", "#O" + r + ":2#");
        set("#OT" + r + ":0030#", "#OT" + r + ":abc#");
        set("#OC" + r + ":10200000000000001000000000#", "#OC" + r + ":#");
        set("#OC" + r + ":12000000000000000000#", "#OC" + r + ":30000000000000000000000000#");
    }
    set("#O1:0#", "#O3:1#");                       // ORVEL-A has two relays
    set("#O4:1#", "#O5:1#", Model::B);              // ORVEL-B has four
    set("#OC4:00000000000000000000000000#", "#OC4:00000000000000000020000000#", Model::B);
    set("#SMSSET01:1,13,Analog 1 high#", "#SMSSET01:1,12,Analog 1 high#");
    set("#SMSSET26:0#", "#SMSSET52:0#");
    set("#SMSSET14:1,60," + QByteArray(60, 'x') + "#", "#SMSSET14:1,61," + QByteArray(61, 'x') + "#");
    set("#SMSSET17:1,09,Door open#", "#SMSSET17:1,00,#");
    set("#SMSSET15:1,10,A#B,C!D;EF#", "#SMSSET15:2,01,A#"); // the length carries any character
    set("#PL:5#", "#PL:7#");
    set("#IP:192.168.1.10!#", "#IP:192.168.1.10#", Model::B);
    set("#IH:5000#", "#IH:70000#", Model::B);
    set("#AGR:12,34###", "#AGR:###");
    set("#ST:000009#SA:1#", "#ST:000009#SA:9#"); // one text, two fields: all or nothing
    return c;
}

} // namespace

TEST(SimLogger, AnswersEveryCatalogueCommandValidInvalidAndWrongPassword)
{
    for (const CommandCase &c : catalogue()) {
        expectAnswer(makeLogger(c.model)->answer(c.valid), c.validAnswer, c.valid);
        expectAnswer(makeLogger(c.model)->answer(c.invalid), c.invalidAnswer, c.invalid);
        EXPECT_EQ(makeLogger(c.model)->answer(c.wrongPassword), QByteArray(replies::PasswordError)) << c.wrongPassword.constData();
    }
}

TEST(SimLogger, TextsThatAreNoCommandGetTheFormatError)
{
    const QByteArray cases[] = {
        "hello", "111111", "111111#", "111111#STATUS", "111111#FOO#", "222222#ST:000001", "222222#ST000001#",
        "111111#STATUS#CHEACK1#", "222222#RESET#ST:000001#", "222222#st:000001#", "111111#CHEACK#",
    };
    auto logger = makeLogger();
    for (const QByteArray &text : cases)
        EXPECT_EQ(logger->answer(text), QByteArray(replies::FormatError)) << text.constData();
    EXPECT_EQ(logger->answer(""), QByteArray());
    EXPECT_EQ(logger->answer("\r\n"), QByteArray());
    // An empty password is still a password, and a wrong one; so is the head
    // of a modem command sent down the cable.
    EXPECT_EQ(logger->answer("#STATUS#"), QByteArray(replies::PasswordError));
    EXPECT_EQ(logger->answer("AT+BJSD=10,0123456789,111111#STATUS#\r\n"), QByteArray(replies::PasswordError));
}

TEST(SimLogger, RefusedSettingChangesNothing)
{
    auto logger = makeLogger();
    const QByteArray before = logger->parameterBlock(1);
    EXPECT_EQ(logger->answer("222222#ST:000009#SA:9#"), QByteArray(replies::SetFail));
    EXPECT_EQ(logger->answer("111111#ST:000009#"), QByteArray(replies::PasswordError));
    EXPECT_EQ(logger->parameterBlock(1), before);
}

struct RoundTrip {
    QByteArray set;     // bare setting, Setup password in front
    QByteArray read;    // read command
    QByteArray key;     // item key as the pages look it up
    QByteArray value;   // value expected back
};

TEST(SimLogger, SettingsReadBackThroughTheProgramsItemLookup)
{
    const std::vector<RoundTrip> cases = {
        {"222222#TM:2403051407#", "111111#CHEACK1#", "TM:", "2403051407"},
        {"222222#SA:3#", "111111#CHEACK1#", "SA:", "3"},
        {"222222#SD:12,0,1#", "111111#CHEACK1#", "SD:", "12,0,1"},
        {"222222#SD:05,1,10#", "111111#CHEACK1#", "SD:", "05,1,10"},
        {"222222#CP:0123456789!,2#", "111111#CHEACK1#", "CP:", "0123456789,2"},
        {"222222#CP:!,0#", "111111#CHEACK1#", "CP:", ",0"},
        {"222222#AP3:!#", "111111#CHEACK1#", "AP3:", ""},
        {"222222#AP8:+4912345678!#", "111111#CHEACK1#", "AP8:", "+4912345678"},
        {"222222#OT2:0030#", "111111#CHEACK1#", "OUT2:", "0030"},
        {"222222#OT1:7#", "111111#CHEACK1#", "OUT1:", "0007"},
        {"222222#AD00:110.3,0.000,0.000,1,100.0,0.000#", "111111#CHEACK2#", "AD00:", "110.3,0.000,0.000,1,100.0,0.000"},
        {"222222#AD02:10.00,0.000,2.000,1,8.000,1.000#", "111111#CHEACK2#", "AD02:", "10.00,0.000,2.000,1,8.000,1.000"},
        {"222222#AD07:1.000,0.000,1.000,2,30.00,10.00#", "111111#CHEACK2#", "AD07:", "1.000,0.000,1.000,2,30.00,10.00"},
        {"222222#AD13:2,35.00,-5.00#", "111111#CHEACK2#", "AD13:", "2,35.00,-5.00"},
        {"222222#PA:41300000000#", "111111#CHEACK2#", ";PA:", "41300000000000000"},
        {"222222#OC2:12000000000000000000000000#", "111111#CHEACK3#", "COUT2:", "12000000000000000000000000"},
        {"222222#OC1:10200000000000001000#", "111111#CHEACK3#", "COUT1:", "10200000000000001000000000"},
        {"222222#TD3:0015#", "111111#CHEACK4#", "TD3:", "0015"},
        {"222222#O2:1#", "111111#STATUS#", ";O01:", "01"},
        {"222222#LP1:00000123#", "111111#STATUS#", "P01:", "123"},
        {"222222#TM:2601020304#", "111111#STATUS#", "TM:", "260102030400"},
        {"222222#SMSSET01:1,13,Analog 1 high#", "111111#SMS:01#", "", "1,Analog 1 high"},
        {"222222#SMSSET26:0#", "111111#SMS:26#", "", "0,"},
        {"222222#SMSSET15:1,10,A#B,C!D;EF#", "111111#SMS:15#", "", "1,A#B,C!D;EF"},
    };
    for (const RoundTrip &c : cases) {
        auto logger = makeLogger();
        ASSERT_EQ(logger->answer(c.set), QByteArray(replies::SetSuccess)) << c.set.constData();
        const QByteArray reply = logger->answer(c.read);
        const QByteArray got = c.key.isEmpty() ? reply : GetItemValue(reply, c.key).value;
        EXPECT_EQ(got, c.value) << c.set.constData() << " -> " << reply.constData();
    }
}

TEST(SimLogger, StationIdAndPasswordsTakeEffect)
{
    auto logger = makeLogger();
    ASSERT_EQ(logger->answer("222222#ST:000007#"), QByteArray(replies::SetSuccess));
    ASSERT_EQ(logger->answer("222222#PS:333333,444444#"), QByteArray(replies::SetSuccess));
    EXPECT_EQ(logger->answer("111111#CHEACK1#"), QByteArray(replies::PasswordError));
    const QByteArray block = logger->answer("333333#CHEACK1#");
    // The Device Setup page: six characters after "#STC1:", six from PS:+3 and PS:+10.
    const int p = block.indexOf("#STC1:");
    EXPECT_EQ(block.mid(p + 6, 6), QByteArray("000007"));
    const int ps = block.indexOf("PS:");
    EXPECT_EQ(block.mid(ps + 3, 6), QByteArray("333333"));
    EXPECT_EQ(block.mid(ps + 10, 6), QByteArray("444444"));
    EXPECT_EQ(logger->answer("444444#SA:1#"), QByteArray(replies::SetSuccess));
    // The connect-time status: station ID at characters 5 to 10.
    EXPECT_EQ(logger->answer("333333#STATUS#").mid(5, 6), QByteArray("000007"));
}

TEST(SimLogger, RecordsCarryTheirLengthAndTheItemsTheProgramCounts)
{
    for (Model m : {Model::A, Model::B}) {
        auto logger = makeLogger(m);
        const QByteArray records[] = {logger->answer("111111#STATUS#"), logger->answer("111111#CHEACK1#"),
                                      logger->answer("111111#CHEACK2#"), logger->answer("111111#CHEACK3#"),
                                      logger->answer("111111#CHEACK4#"),
                                      logger->answer("111111#REDEEM260304000020#")};
        for (const QByteArray &r : records) {
            const ItemValue l = GetItemValue(r, "L:");
            EXPECT_GE(l.position, 12) << r.constData();
            EXPECT_LE(l.position, 19) << r.constData();
            EXPECT_EQ(l.value.toInt(), r.size() - 1) << r.constData();
            EXPECT_TRUE(r.endsWith('#')) << r.constData();
        }
        const QByteArray status = records[0];
        EXPECT_EQ(GetItemValue(status, "K01:").value.size(), 5);
        EXPECT_EQ(GetItemValue(status, "O01:").value.size(), m == Model::B ? 4 : 2);
        // The first value is longer than ten characters; the log view shortens it to the ID.
        EXPECT_EQ(GetItemValue(status, ":").value, m == Model::B ? QByteArray("000001,ORV-B") : QByteArray("000001,ORV-A"));
        for (int ch = 0; ch < AnalogChannels; ++ch)
            EXPECT_FALSE(GetItemValue(status, "A" + QByteArray::number(ch).rightJustified(2, '0') + ":").value.isEmpty());
        EXPECT_EQ(GetItemValue(status, "TM:").value, QByteArray("260305140730"));
        EXPECT_FALSE(GetItemValue(records[1], "OUT" + QByteArray::number(logger->state().relayCount()) + ":").value.isEmpty());
        EXPECT_FALSE(GetItemValue(records[3], "COUT" + QByteArray::number(logger->state().relayCount()) + ":").value.isEmpty());
        EXPECT_EQ(GetItemValue(records[4], "TN1:").value, QByteArray("28FF4A1B03170452"));
    }
}

TEST(SimLogger, HistoryQueryGivesEvenlySpacedPacketsWithOneValuePerRecord)
{
    auto logger = makeLogger();
    // The factory history: every 15 minutes for a week, with a power cut
    // of three hours between 30 and 27 hours ago. A query over the cut gives
    // two packets.
    const QByteArray reply = logger->answer("111111#REDEEM260304070099#");
    const QList<QByteArray> packets = [&] {
        QList<QByteArray> out;
        for (int p = reply.indexOf("#STD:"); p >= 0;) {
            const int next = reply.indexOf("#STD:", p + 1);
            out.append(reply.mid(p, next < 0 ? -1 : next - p));
            p = next;
        }
        return out;
    }();
    ASSERT_EQ(packets.size(), 2) << reply.constData();
    int total = 0;
    for (const QByteArray &packet : packets) {
        EXPECT_EQ(GetItemValue(packet, ";D:").value, QByteArray("2"));
        const int t = GetItemValue(packet, ";T:").value.toInt();
        EXPECT_GT(t, 0);
        total += t;
        for (const char *key : {"A00:", "A01:", "A13:", "P01:", "K01:", "O01:"})
            EXPECT_EQ(GetItemValue(packet, key).value.split('|').size(), t) << key;
        EXPECT_TRUE(GetItemValue(packet, "A03:").value.isEmpty()); // disabled channel: not captured
    }
    EXPECT_EQ(total, 99);
    // 07:00 the day before is 31 hours before the last record (14:00): five
    // records (07:00 ... 08:00) before the cut, the next at 11:00.
    EXPECT_EQ(GetItemValue(packets[0], "TM:").value, QByteArray("260304070000"));
    EXPECT_EQ(GetItemValue(packets[0], ";T:").value, QByteArray("5"));
    EXPECT_EQ(GetItemValue(packets[1], "TM:").value, QByteArray("260304110000"));

    // After the last record: the logger reports its status (ends a download).
    EXPECT_TRUE(logger->answer("111111#REDEEM260305141001#").startsWith("#STA:"));
    // A logger without any record: interval code 0.
    logger->state().records.clear();
    logger->state().logInterval = 0;
    EXPECT_EQ(GetItemValue(logger->answer("111111#REDEEM260305000001#"), ";D:").value, QByteArray("0"));
}

TEST(SimLogger, LogsNewRecordsAsItsClockRuns)
{
    QDateTime now = Now;
    Logger logger(LoggerState::defaults(Model::A, now));
    logger.setClock([&now] { return now; });
    const int before = int(logger.state().records.size());
    ASSERT_EQ(logger.answer("222222#SA:5#"), QByteArray(replies::SetSuccess)); // every minute
    now = now.addSecs(10 * 60);
    logger.catchUp();
    EXPECT_EQ(logger.state().records.size(), before + 10);
    EXPECT_EQ(logger.state().records.last().time, QDateTime(Now.date(), QTime(14, 17), Qt::UTC));
    EXPECT_EQ(logger.state().records.last().interval, 5);
    // Setting the clock back drops what would lie in the future.
    ASSERT_EQ(logger.answer("222222#TM:2603051410#"), QByteArray(replies::SetSuccess));
    EXPECT_EQ(logger.state().records.last().time, QDateTime(Now.date(), QTime(14, 10), Qt::UTC));
    EXPECT_EQ(logger.loggerNow(), QDateTime(Now.date(), QTime(14, 10), Qt::UTC));
}

TEST(SimLogger, HumidityCalibrationScalesTheReading)
{
    auto logger = makeLogger();
    ASSERT_EQ(logger->answer("222222#AD00:100.0,0.000,0.000,1,100.0,0.000#"), QByteArray(replies::SetSuccess));
    const double v = GetItemValue(logger->answer("111111#STATUS#%"), "A00:").value.toDouble();
    ASSERT_GT(v, 0.0);
    // The program's calibration: Upper = actual * 100 / reading.
    const double actual = 50.0;
    const QByteArray upper = QByteArray::number(actual * 100.0 / v, 'f', 6).left(5);
    ASSERT_EQ(logger->answer("222222#AD00:" + upper + ",0.000,0.000,1,100.0,0.000#"), QByteArray(replies::SetSuccess));
    EXPECT_NEAR(GetItemValue(logger->answer("111111#STATUS#"), "A00:").value.toDouble(), actual, 0.2);
}

TEST(SimLogger, StateSurvivesSaveAndLoad)
{
    auto logger = makeLogger(Model::B);
    for (const char *c : {"222222#ST:000042#", "222222#AP2:0123!#", "222222#OC3:12000000000000000000000000#",
                          "222222#SMSSET20:1,04,Gate#", "222222#IP:10.0.0.1!#", "222222#TM:2603051200#"})
        ASSERT_EQ(logger->answer(c), QByteArray(replies::SetSuccess)) << c;
    LoggerState loaded;
    ASSERT_TRUE(LoggerState::fromJson(logger->state().toJson(), Now, &loaded));
    QJsonObject a = logger->state().toJson(), b = loaded.toJson();
    a.remove("loggedUntil");
    b.remove("loggedUntil");
    EXPECT_EQ(a, b);
    Logger again(loaded);
    again.setClock([] { return Now; });
    EXPECT_EQ(again.answer("111111#CHEACK3#"), logger->answer("111111#CHEACK3#"));
    EXPECT_FALSE(LoggerState::fromJson(QJsonObject{{"kind", "something else"}}, Now, &loaded));
}
