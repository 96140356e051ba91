// End to end over loopback: the program (MainModel, as the main window and
// kaspen-cli drive it) finds a kaspen-sim module by Auto Scan, chooses its
// Connection ID, connects over UDP and talks to a kaspen-sim logger that the
// module reaches over a pseudo-terminal, byte for byte as a cable carries.

#include "pages/BatchCli.h"
#include "pages/ethernet/EthernetSettingModel.h"
#include "session/MainModel.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimPeer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::test;

namespace {

int freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(EthernetEndToEnd, ScanChooseConnectReadBatchDisconnectAndSaveExit)
{
    QTemporaryDir dir;
    emptyPhoneBook(dir.path());
    RecordingSink sink;
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const QString loggerLog = dir.path() + QStringLiteral("/logger.log");
    SimProcess logger({"--port", pty.a(), "--model", "B", "--log", loggerLog});
    ASSERT_TRUE(logger.ok()) << logger.errorOutput().constData();
    const int localPort = freeUdpPort();
    SimProcess module({"module", "--address", "127.0.63.2", "--serial", pty.b(), "--set",
                       QStringLiteral("C1_CLI_PP4=%1").arg(localPort), "--set", "C1_CLI_IP4=127.0.0.77"});
    ASSERT_TRUE(module.ok()) << module.errorOutput().constData();

    MainModel model(ModelOrvelB);
    model.selectLink(LinkEthernet);
    EthernetModules &modules = model.ethernetModules();
    modules.client().setScanAddresses({QHostAddress("127.0.63.1"), QHostAddress("127.0.63.2")});
    EthernetSettingModel page(modules);
    CorePages pages(model.session());
    QObject::connect(&model, &MainModel::pageMessage, [&](const PageMessage &m) {
        pages.deliver(m);
        if (m.targets & ToEthernetSetting)
            page.receive(m);
    });
    QList<QByteArray> dataLogs;
    QObject::connect(&model, &MainModel::dataLogAdded, [&](const QByteArray &t) { dataLogs << t; });

    // Auto Scan, then the entry gets its phone number and passwords.
    int found = -1;
    ASSERT_TRUE(modules.autoScan([&](int n) { found = n; }));
    ASSERT_TRUE(waitUntil([&] { return found >= 0; }, 8000));
    ASSERT_EQ(found, 1);
    ASSERT_EQ(model.ethernetConnectionIds(), QList<QByteArray>{"000001"});
    PhoneBook &book = model.session().phoneBook();
    ASSERT_TRUE(book.EditEthernetEntry("000001", "0123456789", "111111", "222222"));
    EthernetConnection &eth = model.ethernet();

    EXPECT_FALSE(eth.toggle(""));
    EXPECT_EQ(sink.last(), QStringLiteral("Before Connect,Please Select Connection ID First!"));

    // Choose the Connection ID: the PC becomes the module's fourth client.
    int reachable = -1;
    ASSERT_TRUE(modules.chooseConnectionId("000001", [&](bool r) { reachable = r; }));
    ASSERT_TRUE(waitUntil([&] { return reachable >= 0; }, 8000));
    ASSERT_EQ(reachable, 1);
    EXPECT_EQ(page.field(EthernetSettingModel::LocalIp), QByteArray("127.0.0.1"));
    EXPECT_EQ(modules.destinationHost, QByteArray("127.0.63.2"));

    // Another local IP setting than the PC's address refuses the connection.
    modules.localIpSetting = "127.0.0.77";
    sink.clear();
    EXPECT_FALSE(eth.toggle("000001"));
    ASSERT_EQ(sink.shown.size(), 1);
    EXPECT_EQ(sink.last(),
              QStringLiteral(" SetupLoaclIP & LocalIP is not consistent!\r\nPlease Set Ethernet Communication IP!"));
    EXPECT_EQ(sink.shown.last().kind, MessageKind::Error);
    EXPECT_FALSE(eth.isOpen());
    modules.localIpSetting = "127.0.0.1";

    // Connect: the status query verifies the device, "#SE:0#" follows.
    int verified = 0;
    QObject::connect(&model, &MainModel::deviceVerified, [&] { ++verified; });
    const int connectResult = model.runToEnd([&] { ASSERT_TRUE(eth.toggle("000001")); });
    EXPECT_EQ(connectResult, ResultSuccess);
    EXPECT_EQ(verified, 1);
    EXPECT_TRUE(model.session().verified());
    EXPECT_TRUE(eth.isOpen());
    EXPECT_FALSE(page.fieldsEditable()); // locked while connected
    // "#SE:0#" awaits no exchange: let its answer pass before the next command.
    ASSERT_TRUE(waitUntil([&] { return readAll(loggerLog).contains("RX 222222#SE:0#"); }, 5000));
    spin(700);

    // "#1" over UDP through the module to the logger on the line.
    EXPECT_EQ(model.runToEnd([&] { model.readBlock(1); }), ResultSuccess);
    // A setting and the batch run of a saved configuration.
    const QString cfg = dir.path() + QStringLiteral("/b.cfg");
    QByteArray out;
    EXPECT_EQ(batchcli::backup(model, pages, cfg, [&](const QByteArray &t) { out += t; }), 0) << out.constData();
    EXPECT_EQ(batchcli::apply(model, pages, cfg, false, [&](const QByteArray &t) { out += t; }), 0) << out.constData();
    EXPECT_TRUE(out.contains("Command Success")) << out.constData();

    // Disconnect is refused while an exchange runs.
    model.readBlock(2);
    spin(20);
    sink.clear();
    EXPECT_FALSE(eth.toggle("000001"));
    EXPECT_EQ(sink.last(), QStringLiteral("Command is Progress , Don't Disconnect!"));
    ASSERT_TRUE(waitUntil([&] { return !model.exchange().running(); }, 10000));

    // A stranger's datagram to the local port is shown as ignored, not taken.
    QUdpSocket stranger;
    ASSERT_TRUE(stranger.bind(QHostAddress("127.0.63.50"), 0));
    stranger.writeDatagram("#STA:999999,ORV-B;L:9;#", QHostAddress::LocalHost, quint16(localPort));
    ASSERT_TRUE(waitUntil([&] { return !dataLogs.isEmpty() && dataLogs.last().startsWith("Ignored"); }, 3000));
    EXPECT_TRUE(dataLogs.last().contains("from 127.0.63.50:")) << dataLogs.last().constData();

    // Save & Exit: "%s#SE:1#" once with the Setup password.
    EXPECT_TRUE(eth.saveAndExit());
    EXPECT_EQ(model.session().ethernetRecord().commandCode, codes::SaveAndExit);
    ASSERT_TRUE(waitUntil([&] { return readAll(loggerLog).contains("RX 222222#SE:1#"); }, 5000));
    const QByteArray seen = readAll(loggerLog);
    EXPECT_TRUE(seen.contains("RX 111111#STATUS#\n")) << seen.constData();
    EXPECT_TRUE(seen.contains("RX 222222#SE:0#\n"));
    EXPECT_TRUE(seen.contains("RX 111111#CHEACK1#\n"));
    EXPECT_EQ(seen.count("RX 222222#SE:1#"), 1);

    // Disconnect when idle.
    EXPECT_TRUE(eth.toggle("000001"));
    EXPECT_FALSE(eth.isOpen());
    EXPECT_TRUE(page.fieldsEditable());
    EXPECT_FALSE(model.session().ethernetConnected());
    PhoneBook::resetSharedState();
}
