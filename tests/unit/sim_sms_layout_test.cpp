// The simulated logger's SMS parts against the program's GSM reassembly,
// the modem command parser and the fault helpers.

#include "protocol/CommandText.h"
#include "protocol/ReplyItems.h"
#include "sim/Faults.h"
#include "sim/GsmModem.h"
#include "sim/Logger.h"

#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::sim;

namespace {

const QDateTime Now(QDate(2026, 3, 5), QTime(14, 7, 30));

// Feeds parts to the program's reassembly the way its reply intake does
// (modem echoes skipped, the accumulator reset after a whole reply). Returns
// the whole replies in order; `completedAt` gets the index of the part that
// completed each.
QList<QByteArray> reassemble(const QList<QByteArray> &parts, QList<int> *completedAt = nullptr)
{
    GsmAccumulator acc;
    QList<QByteArray> whole;
    for (int i = 0; i < parts.size(); ++i) {
        const QByteArray r = acc.take(parts.at(i), true);
        if (r.isEmpty())
            continue;
        whole.append(r);
        if (completedAt)
            completedAt->append(i);
    }
    return whole;
}

void expectSmsRoundTrip(const QByteArray &record)
{
    const QList<QByteArray> parts = smsParts(record);
    for (const QByteArray &p : parts)
        EXPECT_LE(p.size(), SmsMaxLength);
    QList<int> at;
    const QList<QByteArray> whole = reassemble(parts, &at);
    ASSERT_EQ(whole.size(), 1) << record.constData();
    EXPECT_EQ(whole.first(), record);
    EXPECT_EQ(at.first(), parts.size() - 1); // complete exactly with the last part
}

QByteArray filler(int n)
{
    QByteArray f;
    for (int i = 0; i < n; ++i)
        f += char('0' + i % 10);
    return f;
}

} // namespace

TEST(SimSmsLayout, EveryRecordOfBothModelsIsJoinedBackExactly)
{
    for (Model m : {Model::A, Model::B}) {
        Logger logger(LoggerState::defaults(m, Now));
        logger.setClock([] { return Now; });
        const QByteArray records[] = {
            logger.answer("111111#STATUS#"),           logger.answer("111111#CHEACK1#"),
            logger.answer("111111#CHEACK2#"),          logger.answer("111111#CHEACK3#"),
            logger.answer("111111#CHEACK4#"),          logger.answer("111111#REDEEM260305120001#"),
            logger.answer("111111#REDEEM260304070012#"), logger.answer("222222#ST:123456#"),
            logger.answer("111111#SMS:41#"),
        };
        for (const QByteArray &r : records)
            expectSmsRoundTrip(r);
        EXPECT_GT(smsParts(records[0]).size(), 1); // the status record takes two SMS
        EXPECT_GT(smsParts(records[2]).size(), 3);
    }
}

TEST(SimSmsLayout, RecordsOfEveryLengthAroundThePartBoundaries)
{
    // One part, exactly one part, one character more, and on to four parts.
    for (const auto &[name, identity] : {std::pair<QByteArray, QByteArray>{"STA:", "000001,ORV-A"},
                                         {"STC1:", "000001"}, {"STD:", "000001,ORV-B"}}) {
        for (int n = 60; n <= 560; ++n) {
            const QByteArray record = RecordText(name, identity).item("A00:", filler(n)).finish();
            SCOPED_TRACE(record.size());
            expectSmsRoundTrip(record);
        }
    }
}

TEST(SimSmsLayout, ContinuationNeverStartsWithALengthItem)
{
    // An "L:" item that would land at characters 12..19 of a continuation
    // part: the cut moves so that the receiver does not take it for the start
    // of a new reply.
    bool moved = false;
    for (int k = 100; k <= 170; ++k) {
        const QByteArray record = RecordText("STC2:", "000001").item("X:", filler(k)).item("L:", "9").item("Y:", filler(200)).finish();
        const QList<QByteArray> parts = smsParts(record);
        moved = moved || parts.first().size() < SmsMaxLength;
        expectSmsRoundTrip(record);
    }
    EXPECT_TRUE(moved);
}

TEST(SimSmsLayout, StatusRecordWithoutLengthNeverCompletes)
{
    Logger logger(LoggerState::defaults(Model::A, Now));
    logger.setClock([] { return Now; });
    const QByteArray broken = spoilReply(FaultKind::NoLength, logger.answer("111111#STATUS#"));
    EXPECT_FALSE(broken.contains("L:"));
    EXPECT_TRUE(reassemble(smsParts(broken)).isEmpty());
}

TEST(SimSmsLayout, ModemSendCommandIsParsedAndChecked)
{
    struct Case {
        QByteArray line;
        bool parsed;
        bool lengthOk;
        QByteArray phone, text;
    };
    const Case cases[] = {
        {wrapForGsmModem("0123456789", "111111#STATUS#").trimmed(), true, true, "0123456789", "111111#STATUS#"},
        {wrapForGsmModem("+49123456789", "2#CP:1!,2#").trimmed(), true, true, "+49123456789", "2#CP:1!,2#"},
        {"AT+BJSD=9,0123456789,111111#STATUS#", true, false, "0123456789", "111111#STATUS#"},
        {"AT+BJSD=10,0123456789", false, false, {}, {}},
        {"AT+BJSD=x,0123456789,a", false, false, {}, {}},
        {"AT+BJTE", false, false, {}, {}},
    };
    for (const Case &c : cases) {
        const auto s = parseModemSend(c.line);
        ASSERT_EQ(bool(s), c.parsed) << c.line.constData();
        if (!s)
            continue;
        EXPECT_EQ(s->lengthMatches(), c.lengthOk);
        EXPECT_EQ(s->phone, c.phone);
        EXPECT_EQ(s->text, c.text);
    }
}

TEST(SimFaults, KindsParseAndShapeTheAnswer)
{
    EXPECT_EQ(parseFault("late:5000")->ms, 5000);
    EXPECT_EQ(parseFault("split")->ms, 1000);
    EXPECT_EQ(parseFault("none")->kind, FaultKind::NoAnswer);
    EXPECT_EQ(parseFault("off")->kind, FaultKind::None);
    EXPECT_FALSE(parseFault("garbage:10"));
    EXPECT_FALSE(parseFault("sometimes"));

    const QList<OutStep> answer{{100, "0123456789", false}};
    EXPECT_TRUE(applyFault(FaultKind::NoAnswer, 0, answer).isEmpty());
    EXPECT_EQ(applyFault(FaultKind::Late, 900, answer).first().pauseMs, 1000);
    const QList<OutStep> split = applyFault(FaultKind::Split, 700, answer);
    ASSERT_EQ(split.size(), 2);
    EXPECT_EQ(split[0].bytes + split[1].bytes, QByteArray("0123456789"));
    EXPECT_EQ(split[1].pauseMs, 700);
    const QList<OutStep> closedInPart = applyFault(FaultKind::Close, 0, answer);
    ASSERT_EQ(closedInPart.size(), 1);
    EXPECT_EQ(closedInPart[0].bytes, QByteArray("01234"));
    EXPECT_TRUE(closedInPart[0].closeAfter);
    // Two SMS parts: the line closes after the first.
    const QList<OutStep> closed = applyFault(FaultKind::Close, 0, {{100, "01234", false}, {500, "56789", false}});
    ASSERT_EQ(closed.size(), 1);
    EXPECT_EQ(closed[0].bytes, QByteArray("01234"));
    EXPECT_TRUE(closed[0].closeAfter);

    FaultPlan once{FaultKind::Garbage, 0, 1};
    EXPECT_EQ(once.take(), FaultKind::Garbage);
    EXPECT_EQ(once.take(), FaultKind::None);
    EXPECT_NE(spoilReply(FaultKind::Garbage, "Set success!"), QByteArray("Set success!"));
}
