// The demo port: the in-process simulated logger behind the program's line
// interface, on both serial links.

#include "links/DemoLine.h"
#include "links/SerialLine.h"
#include "protocol/CommandText.h"
#include "protocol/ReplyItems.h"
#include "sim/Demo.h"
#include "support/SimPeer.h"

#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::test;

namespace {

struct DemoEnd {
    std::unique_ptr<SerialLine> line;
    QList<QByteArray> texts;

    explicit DemoEnd(int modelCode) : line(createSerialLine(demoPortName(), 9600, modelCode))
    {
        QObject::connect(line.get(), &CommandLink::replyReceived, [this](const QByteArray &t) { texts.append(t); });
    }
    QByteArray ask(const QByteArray &text, int timeoutMs = 5000)
    {
        texts.clear();
        if (line->write(text) != 1)
            return "(not written)";
        waitUntil([&] { return !texts.isEmpty(); }, timeoutMs);
        return texts.value(0);
    }
};

} // namespace

TEST(SimDemoLine, IsARealLookingPortForTheCableLink)
{
    DemoEnd demo(7);
    ASSERT_NE(dynamic_cast<DemoLine *>(demo.line.get()), nullptr);
    EXPECT_EQ(demo.line->name(), demoPortName());
    EXPECT_EQ(demo.line->write("111111#STATUS#"), 0); // not open yet
    ASSERT_EQ(demo.line->open(), 1);
    EXPECT_TRUE(demo.line->isOpen());

    const sim::DemoIdentity id = sim::demoIdentity(7);
    const QByteArray status = demo.ask(id.enquiry + "#STATUS#");
    EXPECT_TRUE(status.startsWith("#STA:" + id.id + ",ORV-A;L:")) << status.constData();
    EXPECT_EQ(GetItemValue(status, "O01:").value.size(), 2);
    EXPECT_EQ(demo.ask(id.setup + "#SA:1#"), QByteArray("Set success!"));
    EXPECT_EQ(demo.ask("000000#SA:1#"), QByteArray("Password is error!"));
    EXPECT_EQ(demo.line->close(), 1);
    EXPECT_FALSE(demo.line->isOpen());
}

TEST(SimDemoLine, ServesTheGsmModemLinkAndKeepsItsStateForTheRun)
{
    const sim::DemoIdentity id = sim::demoIdentity(13);
    {
        DemoEnd demo(13);
        ASSERT_EQ(demo.line->open(), 1);
        EXPECT_EQ(demo.ask(ModemTest), QByteArray("AT+BJTE\r\nOK\r\n"));
        demo.texts.clear();
        demo.line->write(wrapForGsmModem(id.phone, id.enquiry + "#STATUS#"));
        GsmAccumulator acc;
        QByteArray whole;
        int consumed = 0;
        ASSERT_TRUE(waitUntil([&] {
            for (; consumed < demo.texts.size(); ++consumed) {
                const QByteArray &t = demo.texts.at(consumed);
                if (whole.isEmpty())
                    whole = acc.take(t, true);
            }
            return !whole.isEmpty();
        }, 15000));
        EXPECT_TRUE(demo.texts.first().contains("message send"));
        EXPECT_TRUE(whole.startsWith("#STA:" + id.id + ",ORV-B;L:"));
        EXPECT_EQ(GetItemValue(whole, "L:").value.toInt(), whole.size() - 1);
        EXPECT_EQ(GetItemValue(whole, "O01:").value.size(), 4);

        demo.texts.clear();
        demo.line->write(wrapForGsmModem(id.phone, id.setup + "#ST:000123#"));
        ASSERT_TRUE(waitUntil([&] { return demo.texts.size() >= 2; }, 10000));
        EXPECT_EQ(demo.texts.at(1), QByteArray("Set success!"));
    }
    // A new demo line of the same model talks to the same logger.
    EXPECT_EQ(sim::demoIdentity(13).id, QByteArray("000123"));
    DemoEnd again(13);
    ASSERT_EQ(again.line->open(), 1);
    EXPECT_TRUE(again.ask(id.enquiry + "#CHEACK1#").startsWith("#STC1:000123;"));
    EXPECT_EQ(sim::demoIdentity(7).id, sim::defaultIdentity().id); // the other model's logger is its own
}
