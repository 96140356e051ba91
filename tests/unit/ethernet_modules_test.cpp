// Discovery and configuration against simulated modules on loopback.
// Suites named Ethernet* use UDP; ./scripts/test runs them in a network
// namespace of their own.

#include "links/DemoModule.h"
#include "links/ModuleClient.h"
#include "session/EthernetModules.h"
#include "session/Session.h"
#include "support/FakeLine.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimModules.h"
#include "support/SimPeer.h"

#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::test;

namespace {

// An open (or no) Ethernet carrier on the session.
void setConnected(Session &s, bool on)
{
    if (!on) {
        s.takeLink(LinkKind::Ethernet);
        return;
    }
    auto l = std::make_unique<FakeLine>(LinkKind::Ethernet);
    l->open();
    s.installLink(std::move(l));
}

struct ModuleWorld {
    explicit ModuleWorld(const QByteArray &base, int count) : sims(base, count), session(ModelOrvelB), modules(session)
    {
        emptyPhoneBook(dir.path());
        session.setLink(LinkEthernet);
        modules.client().setScanAddresses(sims.scanList());
        modules.client().setAnswerTimeout(150, 2);
    }
    ~ModuleWorld() { PhoneBook::resetSharedState(); }

    int scan()
    {
        int found = -1;
        EXPECT_TRUE(modules.autoScan([&](int n) { found = n; }));
        EXPECT_TRUE(waitUntil([&] { return found >= 0; }, 8000));
        return found;
    }
    // Chooses and waits for the assignment; -1 when refused at once.
    int choose(const QByteArray &id)
    {
        int reachable = -1;
        if (!modules.chooseConnectionId(id, [&](bool r) { reachable = r ? 1 : 0; }))
            return -1;
        EXPECT_TRUE(waitUntil([&] { return reachable >= 0; }, 8000));
        return reachable;
    }
    ModuleResult call(const std::function<void(ModuleClient::Callback)> &f)
    {
        ModuleResult out;
        bool done = false;
        f([&](const ModuleResult &r) {
            out = r;
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }, 8000));
        return out;
    }

    QTemporaryDir dir;
    RecordingSink sink;
    SimModules sims;
    Session session;
    EthernetModules modules;
};

} // namespace

TEST(EthernetDiscovery, ScanFindsEveryModuleAndMergesThemIntoTheBook)
{
    ModuleWorld w("127.0.41", 3);
    ASSERT_TRUE(w.sims.openError().isEmpty()) << w.sims.openError().toStdString();
    // A module already in the book keeps its Connect ID and passwords.
    w.session.phoneBook().AddEthernetEntry("777777", "0123", "111111", "222222", "10.0.0.1", w.sims[1].mac());
    int started = 0, finished = -1, reloads = 0;
    QObject::connect(&w.modules, &EthernetModules::operationStarted, [&] { ++started; });
    QObject::connect(&w.modules, &EthernetModules::operationFinished, [&](int o) { finished = o; });
    QObject::connect(&w.modules, &EthernetModules::ethernetBookChanged, [&] { ++reloads; });

    EXPECT_EQ(w.scan(), 3);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(finished, OutcomeSuccess);
    EXPECT_EQ(reloads, 1);
    EXPECT_TRUE(w.sink.shown.isEmpty());
    EXPECT_FALSE(w.session.ethernetRecord().inProgress);
    const QList<DiscoveredModule> &found = w.modules.discovered();
    ASSERT_EQ(found.size(), 3);
    QSet<QByteArray> macs;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(found[i].number, i + 1);
        macs.insert(found[i].mac);
        EXPECT_EQ(found[i].searchByte, 1);
    }
    EXPECT_EQ(macs, (QSet<QByteArray>{w.sims[0].mac(), w.sims[1].mac(), w.sims[2].mac()}));

    QMap<QByteArray, EthernetEntry> byMac;
    for (const EthernetEntry &e : w.session.phoneBook().ethernetTable())
        byMac.insert(e.deviceMac, e);
    ASSERT_EQ(byMac.size(), 3);
    EXPECT_EQ(byMac[w.sims[1].mac()].connectId, QByteArray("777777"));
    EXPECT_EQ(byMac[w.sims[1].mac()].deviceIp, w.sims[1].ip());
    EXPECT_EQ(byMac[w.sims[1].mac()].setupPassword, QByteArray("222222"));
    for (int i : {0, 2}) {
        const DiscoveredModule *d = w.modules.discoveredByMac(w.sims[i].mac());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(byMac[w.sims[i].mac()].connectId, QString::asprintf("%06d", d->number).toLatin1());
    }

    // A second scan while one runs is refused; so is a scan while connected.
    ASSERT_TRUE(w.modules.autoScan());
    EXPECT_FALSE(w.modules.autoScan());
    EXPECT_EQ(w.sink.last(), QStringLiteral("Command is in progress..."));
    waitUntil([&] { return !w.modules.operationRunning(); }, 8000);
    setConnected(w.session, true);
    EXPECT_FALSE(w.modules.autoScan());
    EXPECT_EQ(w.sink.last(), QStringLiteral("Before Select Auto Scan,Please Disconnect First!"));
}

TEST(EthernetDiscovery, NothingFoundIsAConnectErrorWithItsMessage)
{
    ModuleWorld w("127.0.42", 0);
    w.modules.client().setScanAddresses({QHostAddress("127.0.42.7")});
    int finished = -1;
    QObject::connect(&w.modules, &EthernetModules::operationFinished, [&](int o) { finished = o; });
    EXPECT_EQ(w.scan(), 0);
    EXPECT_EQ(finished, OutcomeConnectError);
    EXPECT_EQ(moduleOutcomeText(finished), QStringLiteral("Ethernet Connect Error"));
    EXPECT_EQ(w.sink.last(), QStringLiteral("No search to the Nodal equipment\r\nPlease check the Ethernet network!"));
    EXPECT_TRUE(w.session.phoneBook().ethernetTable().isEmpty());
}

TEST(EthernetDiscovery, ClientAssignmentReadsThirteenKeysAndMakesThePcTheFourthClient)
{
    ModuleWorld w("127.0.43", 2);
    SimModule &m = w.sims[0];
    m.module->state().keys["C1_CLI_IP2"] = "invalid";
    m.module->state().keys["C1_CLI_IP1"] = "invalid";
    m.module->state().keys["C1_OP"] = "0";
    ASSERT_EQ(w.scan(), 2);
    const DiscoveredModule *d = w.modules.discoveredByMac(m.mac());
    ASSERT_NE(d, nullptr);
    const QByteArray id = QString::asprintf("%06d", d->number).toLatin1();

    EXPECT_EQ(w.choose(id), 1);
    EXPECT_TRUE(w.modules.moduleReachable);
    const ModuleConfigRow *row = w.modules.config(d->number);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->value("IP"), m.ip());
    EXPECT_EQ(row->value("C1_PORT"), QByteArray("20108"));
    EXPECT_EQ(row->value("C1_CLI_IP1"), QByteArray("0.0.0.0")); // "invalid" address keys
    EXPECT_EQ(row->value("C1_CLI_IP2"), QByteArray("0.0.0.0"));
    EXPECT_EQ(row->value("C1_CLI_IP4"), QByteArray("127.0.0.1")); // the PC, as written
    EXPECT_EQ(row->value("MARK"), QByteArray("255.255.255.0"));
    EXPECT_EQ(m.key("C1_OP"), QByteArray("3"));
    EXPECT_EQ(m.key("C1_BAUD"), QByteArray("9600"));
    EXPECT_EQ(m.key("C1_SER_LEN"), QByteArray("1024"));
    EXPECT_EQ(m.key("C1_CLI_IP4"), QByteArray("127.0.0.1"));
    EXPECT_EQ(w.modules.destinationHost, m.ip());
    EXPECT_EQ(w.modules.destinationPort, 20108);
    EXPECT_EQ(w.modules.localIpSetting, QByteArray("127.0.0.1"));
    EXPECT_EQ(w.session.phoneBook().CurrentEthernetEntry().connectId, id);
    EXPECT_EQ(w.session.ethernetRecord().deviceId, id);

    // Every choice writes the four keys again.
    m.module->state().keys["C1_OP"] = "1";
    m.module->state().keys["C1_CLI_IP4"] = "127.0.0.8";
    EXPECT_EQ(w.choose(id), 1);
    using KV = QPair<QByteArray, QByteArray>;
    EXPECT_EQ(m.module->lastWrite(), (QList<KV>{{"C1_OP", "3"}, {"C1_BAUD", "9600"}, {"C1_SER_LEN", "1024"},
                                                {"C1_CLI_IP4", "127.0.0.1"}}));
    EXPECT_EQ(m.key("C1_OP"), QByteArray("3"));
}

TEST(EthernetDiscovery, RefusalsAndAModuleThatStopsAnswering)
{
    ModuleWorld w("127.0.44", 2);
    // Before any scan: no discovered row for the MAC.
    w.session.phoneBook().AddEthernetEntry("000009", "1", "111111", "222222", "127.0.44.2", w.sims[0].mac());
    w.modules.moduleReachable = true;
    EXPECT_EQ(w.choose("000009"), -1);
    EXPECT_EQ(w.sink.last(), QStringLiteral("Invalid Connectino ID,Please Check Device Network!"));
    EXPECT_TRUE(w.modules.moduleReachable); // stays as it was

    ASSERT_EQ(w.scan(), 2);
    const QByteArray id = w.session.phoneBook().ethernetTable().first().connectId;
    setConnected(w.session, true);
    w.sink.clear();
    EXPECT_EQ(w.choose(id), -1);
    EXPECT_EQ(w.sink.last(), QStringLiteral("Before Select Connection,Please Disconnect First!"));
    setConnected(w.session, false);

    for (int i = 0; i < 2; ++i)
        w.sims[i].module->setMuted(true);
    w.sink.clear();
    EXPECT_EQ(w.choose(id), 0);
    EXPECT_FALSE(w.modules.moduleReachable);
    EXPECT_TRUE(w.sink.shown.isEmpty()); // the connect check reports it
}

TEST(EthernetModuleClient, DistinctFailuresForPasswordKeyAndSilence)
{
    ModuleWorld w("127.0.45", 1);
    ModuleClient &c = w.modules.client();
    SimModule &m = w.sims[0];
    const QByteArray mac = m.mac(), ip = m.ip();

    EXPECT_EQ(w.call([&](auto cb) { c.getDevConfig("IP", cb); }).failure, ModuleFailure::NotSelected);
    EXPECT_TRUE(w.call([&](auto cb) { c.selectDevice(mac, ip, 1, cb); }).ok());
    const ModuleResult read = w.call([&](auto cb) { c.getDevConfig("C1_PORT", cb); });
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.value, QByteArray("20108"));
    EXPECT_EQ(w.call([&](auto cb) { c.getDevConfig("NO_SUCH_KEY", cb); }).failure, ModuleFailure::UnknownKey);

    c.resetModifyConfig();
    c.setModifyConfig("C1_CLI_PP2", "4000");
    EXPECT_EQ(w.call([&](auto cb) { c.modifyDevice(mac, ip, "12345", 1, cb); }).failure, ModuleFailure::WrongPassword);
    EXPECT_EQ(m.key("C1_CLI_PP2"), QByteArray("20002"));
    c.setModifyConfig("C1_CLI_PP2", "4001"); // replaces the listed value
    EXPECT_TRUE(w.call([&](auto cb) { c.modifyDevice(mac, ip, "57721", 1, cb); }).ok());
    EXPECT_EQ(m.key("C1_CLI_PP2"), QByteArray("4001"));
    c.resetModifyConfig();
    c.setModifyConfig("C1_PORT", "70000");
    EXPECT_EQ(w.call([&](auto cb) { c.modifyDevice(mac, ip, "57721", 1, cb); }).failure, ModuleFailure::BadValue);
    c.resetModifyConfig();
    c.setModifyConfig("NOPE", "1");
    EXPECT_EQ(w.call([&](auto cb) { c.modifyDevice(mac, ip, "57721", 1, cb); }).failure, ModuleFailure::UnknownKey);
    // Another module's MAC at this address is not this module.
    EXPECT_EQ(w.call([&](auto cb) { c.selectDevice("00-00-00-00-00-00", ip, 1, cb); }).failure,
              ModuleFailure::Refused);

    // One request at a time.
    bool first = false;
    c.getDevConfig("IP", [&](const ModuleResult &) { first = true; });
    EXPECT_EQ(w.call([&](auto cb) { c.getDevConfig("DNS", cb); }).failure, ModuleFailure::Busy);
    waitUntil([&] { return first; }, 8000);

    m.module->setMuted(true);
    EXPECT_EQ(w.call([&](auto cb) { c.getDevConfig("IP", cb); }).failure, ModuleFailure::NoAnswer);
    EXPECT_EQ(w.call([&](auto cb) { c.selectDevice(mac, "127.0.45.99", 1, cb); }).failure, ModuleFailure::NoAnswer);
    for (ModuleFailure f : {ModuleFailure::NoAnswer, ModuleFailure::WrongPassword, ModuleFailure::UnknownKey})
        EXPECT_FALSE(moduleFailureText(f).isEmpty());
}

TEST(EthernetModuleClient, GarbageAndForeignAnswersAreIgnored)
{
    ModuleWorld w("127.0.46", 1);
    ModuleClient &c = w.modules.client();
    QStringList traced;
    c.setTrace([&](const QString &t) { traced << t; });
    // A stranger answers the search and a read with made-up datagrams.
    QUdpSocket stranger;
    ASSERT_TRUE(stranger.bind(QHostAddress("127.0.46.50"), 0));
    SimModule &m = w.sims[0];
    ASSERT_TRUE(w.call([&](auto cb) { c.selectDevice(m.mac(), m.ip(), 1, cb); }).ok());
    // The program's transport: the demo module in front of UDP.
    auto *demo = qobject_cast<DemoModuleTransport *>(c.transport());
    ASSERT_NE(demo, nullptr);
    auto *udp = qobject_cast<UdpModuleTransport *>(demo->inner());
    ASSERT_NE(udp, nullptr);
    bool done = false;
    ModuleResult got;
    m.module->setMuted(true);
    c.getDevConfig("IP", [&](const ModuleResult &r) {
        got = r;
        done = true;
    });
    const QHostAddress me("127.0.0.1");
    for (quint16 seq = 0; seq < 200; ++seq) {
        QByteArray forged("KM\x01\x83");
        forged += char(seq >> 8);
        forged += char(seq & 0xff);
        forged += "key=IP\nvalue=6.6.6.6\n";
        stranger.writeDatagram(forged, me, udp->localPort());
    }
    stranger.writeDatagram(QByteArray(3000, 'x'), me, udp->localPort());
    stranger.writeDatagram("", me, udp->localPort());
    spin(40);
    m.module->setMuted(false); // the retry is answered
    ASSERT_TRUE(waitUntil([&] { return done; }, 8000));
    EXPECT_TRUE(got.ok());
    EXPECT_EQ(got.value, m.ip());
    EXPECT_GE(traced.size(), 200);
}
