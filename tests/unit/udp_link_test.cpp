// The UDP link on loopback: binding, whole datagrams, foreign senders, a flood.

#include "links/UdpLink.h"
#include "support/SimPeer.h"

#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::test;

namespace {

struct LinkWorld {
    explicit LinkWorld(const char *moduleIp, const char *strangerIp)
    {
        EXPECT_TRUE(module.bind(QHostAddress(QString::fromLatin1(moduleIp)), 0));
        EXPECT_TRUE(stranger.bind(QHostAddress(QString::fromLatin1(strangerIp)), 0));
        // A free local port: bind, note, release.
        QUdpSocket probe;
        probe.bind(QHostAddress::AnyIPv4, 0);
        localPort = probe.localPort();
        probe.close();
        link.setDestination(moduleIp, module.localPort());
        link.setLocal(localPort, "127.0.0.1");
        QObject::connect(&link, &CommandLink::replyReceived, [this](const QByteArray &t) { replies << t; });
        QObject::connect(&link, &UdpLink::datagramIgnored, [this](const QByteArray &t) { ignored << t; });
    }
    void fromModule(const QByteArray &d) { module.writeDatagram(d, QHostAddress::LocalHost, quint16(localPort)); }
    QUdpSocket module, stranger;
    UdpLink link;
    int localPort = 0;
    QList<QByteArray> replies, ignored;
};

} // namespace

TEST(EthernetUdpLink, SendsToTheModuleAndTakesOnlyItsDatagramsWhole)
{
    LinkWorld w("127.0.71.2", "127.0.71.9");
    EXPECT_EQ(w.link.write("111111#STATUS#"), 0); // closed
    ASSERT_EQ(w.link.open(), 1) << w.link.errorText().toStdString();
    EXPECT_TRUE(w.link.isOpen());
    ASSERT_EQ(w.link.write("111111#STATUS#"), 1);
    ASSERT_TRUE(waitUntil([&] { return w.module.hasPendingDatagrams(); }, 3000));
    const QNetworkDatagram sent = w.module.receiveDatagram();
    EXPECT_EQ(sent.data(), QByteArray("111111#STATUS#"));
    EXPECT_EQ(sent.senderPort(), w.localPort);

    const QByteArray big = "#STA:" + QByteArray(5000, 'x') + "#";
    w.fromModule(big);
    w.stranger.writeDatagram("Set success!", QHostAddress::LocalHost, quint16(w.localPort));
    w.fromModule(QByteArray("Set success!\0junk", 17));
    ASSERT_TRUE(waitUntil([&] { return w.replies.size() == 2; }, 3000));
    EXPECT_EQ(w.replies[0], big); // longer than 2048 bytes, whole
    EXPECT_EQ(w.replies[1], QByteArray("Set success!")); // up to the first zero byte
    ASSERT_EQ(w.ignored.size(), 1);
    EXPECT_TRUE(w.ignored[0].startsWith("Ignored a datagram of 12 bytes from 127.0.71.9:")) << w.ignored[0].constData();
    EXPECT_EQ(w.link.datagramsIgnored(), 1);

    w.link.close();
    EXPECT_FALSE(w.link.isOpen());
    EXPECT_EQ(w.link.write("x"), 0);
}

TEST(EthernetUdpLink, APortInUseIsReportedAndTheLinkStaysClosed)
{
    LinkWorld w("127.0.72.2", "127.0.72.9");
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, quint16(w.localPort)));
    EXPECT_EQ(w.link.open(), 0);
    EXPECT_FALSE(w.link.isOpen());
    EXPECT_TRUE(w.link.errorText().startsWith(QStringLiteral("The local UDP port %1 cannot be opened").arg(w.localPort)))
        << w.link.errorText().toStdString();
    EXPECT_EQ(w.link.write("x"), 0);
    w.link.setLocal(0, "127.0.0.1");
    EXPECT_EQ(w.link.open(), 0);
    EXPECT_FALSE(w.link.errorText().isEmpty());
}

TEST(EthernetUdpLink, AFloodOfGarbageLeavesTheNextReplyHandled)
{
    LinkWorld w("127.0.73.2", "127.0.73.9");
    ASSERT_EQ(w.link.open(), 1);
    const QHostAddress to = QHostAddress::LocalHost;
    QByteArray garbage(64, '\xee');
    for (int i = 0; i < 100000; ++i) {
        garbage[0] = char(i);
        w.stranger.writeDatagram(garbage, to, quint16(w.localPort));
        if (i % 500 == 0)
            QCoreApplication::processEvents();
    }
    spin(400);
    w.fromModule("#STA:000001,ORV-B;L:9;#");
    ASSERT_TRUE(waitUntil([&] { return !w.replies.isEmpty(); }, 10000));
    EXPECT_EQ(w.replies.last(), QByteArray("#STA:000001,ORV-B;L:9;#"));
    EXPECT_GT(w.link.datagramsIgnored(), 0);
    // Reports are bounded: a few per round, then a count.
    EXPECT_LT(w.ignored.size(), w.link.datagramsIgnored() / 10 + 20);
}
