// The Ethernet Setting page model against a simulated module on loopback.

#include "pages/ethernet/EthernetSettingModel.h"
#include "session/EthernetModules.h"
#include "session/PageMessages.h"
#include "session/Session.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimModules.h"
#include "support/SimPeer.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::test;
using F = EthernetSettingModel::Field;

namespace {

struct PageWorld {
    explicit PageWorld(const QByteArray &base)
        : sims(base, 1), session(ModelOrvelB), modules(session), page(modules)
    {
        emptyPhoneBook(dir.path());
        session.setLink(LinkEthernet);
        modules.client().setScanAddresses(sims.scanList());
        modules.client().setAnswerTimeout(150, 2);
        QObject::connect(&page, &EthernetSettingModel::operationDone, [this](int, int o) { outcome = o; });
        int found = -1;
        modules.autoScan([&](int n) { found = n; });
        waitUntil([&] { return found >= 0; }, 8000);
        EXPECT_EQ(found, 1);
        id = session.phoneBook().ethernetTable().value(0).connectId;
        int reachable = -1;
        modules.chooseConnectionId(id, [&](bool r) { reachable = r; });
        waitUntil([&] { return reachable >= 0; }, 8000);
        EXPECT_EQ(reachable, 1);
        sink.clear();
    }
    ~PageWorld() { PhoneBook::resetSharedState(); }

    // Runs an operation to its end; the outcome, or -1 when refused at once.
    int run(bool started)
    {
        if (!started)
            return -1;
        outcome = -1;
        EXPECT_TRUE(waitUntil([&] { return outcome >= 0; }, 8000));
        return outcome;
    }
    int set(F field, const QByteArray &text, int op)
    {
        page.setField(field, text);
        return run(page.set(op));
    }
    QByteArray key(const char *k) { return sims[0].key(k); }

    QTemporaryDir dir;
    RecordingSink sink;
    SimModules sims;
    Session session;
    EthernetModules modules;
    EthernetSettingModel page;
    QByteArray id;
    int outcome = -1;
};

} // namespace

TEST(EthernetSettingPage, ShowsTheChosenModulesConfiguration)
{
    PageWorld w("127.0.51");
    EXPECT_EQ(w.page.field(F::DeviceIp), w.sims[0].ip());
    EXPECT_EQ(w.page.field(F::DevicePort), QByteArray("20108"));
    EXPECT_EQ(w.page.field(F::SubnetMask), QByteArray("255.255.255.0"));
    EXPECT_EQ(w.page.field(F::Server1Ip), QByteArray("127.0.0.1"));
    EXPECT_EQ(w.page.server1Mode(), 0);
    EXPECT_EQ(w.page.server1Label(), QStringLiteral("IP Address :"));
    EXPECT_EQ(w.page.field(F::Server2Port), QByteArray("20002"));
    EXPECT_EQ(w.page.field(F::LocalIp), QByteArray("127.0.0.1"));
    EXPECT_EQ(w.page.recordedPort(EthernetSettingModel::SetServer2Port), QByteArray("20002"));
    EXPECT_EQ(w.page.selectedMac(), w.sims[0].mac());
    EXPECT_EQ(w.page.selectedIp(), w.sims[0].ip());

    w.page.receive({msg::ClearFields, ToEthernetSetting, 0, {}, 0});
    EXPECT_TRUE(w.page.field(F::DeviceIp).isEmpty());
    EXPECT_TRUE(w.page.field(F::LocalPort).isEmpty());
    EXPECT_EQ(w.page.field(F::DnsServer), QByteArray("127.0.0.1")); // not cleared

    // Lock messages: lParam 1 locks Local IP for good; wParam locks the rest.
    w.page.receive({msg::LockEthernet, ToEthernetSetting, 1, {}, 1});
    EXPECT_TRUE(w.page.fieldsEditable());
    EXPECT_FALSE(w.page.localIpEditable());
    w.page.receive({msg::LockEthernet, ToEthernetSetting, 1, {}, 0});
    EXPECT_FALSE(w.page.fieldsEditable());
    w.page.receive({msg::LockEthernet, ToEthernetSetting, 0, {}, 0});
    EXPECT_TRUE(w.page.fieldsEditable());
    EXPECT_FALSE(w.page.localIpEditable());
}

TEST(EthernetSettingPage, EachSetChecksItsFieldThenWritesItsKey)
{
    PageWorld w("127.0.52");
    struct Case {
        F field;
        QByteArray text;
        int op;
        const char *message;  // nullptr: written
        const char *key;
        MessageKind kind;
    };
    const MessageKind E = MessageKind::Error, S = MessageKind::Standard;
    const std::vector<Case> cases = {
        {F::DeviceIp, "", 5000, "Ethernet IP value Can not be Null!", "IP", E},
        {F::DeviceIp, "300.1.1.1", 5000,
         "Device IP Address \"300.1.1.1\" is not an IP address (four numbers 0 to 255, such as 192.168.1.20)!", "IP", E},
        {F::DevicePort, "", 5001, "Ethernet Port Can not be Null!", "C1_PORT", E},
        {F::DevicePort, "70000", 5001, "Ethernet Port value Can not Over 65535!", "C1_PORT", E},
        {F::DevicePort, "65536", 5001, "Ethernet Port value Can not Over 65535!", "C1_PORT", E},
        {F::DevicePort, "20002", 5001, "Server Port is in use, please select other port number!", "C1_PORT", S},
        {F::DevicePort, "20109", 5001, nullptr, "C1_PORT", E},
        {F::SubnetMask, "", 5002, "Ethernet Subnet Mask value Can not be Null!", "MARK", E},
        {F::SubnetMask, "255.255.0.0", 5002, nullptr, "MARK", E},
        {F::Gateway, "", 5003, "Ethernet Gateway value Can not be Null!", "GATEWAY", E},
        {F::Gateway, "127.0.0.254", 5003, nullptr, "GATEWAY", E},
        {F::DnsServer, "", 5015, "Ethernet DNS Server value Can not be Null!", "DNS", E},
        {F::DnsServer, "127.0.0.53", 5015, nullptr, "DNS", E},
        {F::Server1Ip, "", 5004, "The Server 1 IP/Domain Can not be Null!", "C1_CLI_IP1", E},
        {F::Server1Ip, "127.0.0.7", 5004, nullptr, "C1_CLI_IP1", E},
        {F::Server1Port, "", 5005, "The Server 1 Port Value Can not be Null!", "C1_CLI_PP1", E},
        {F::Server1Port, "99999", 5005, "The Server 1 Port Value Can not Over 65535!", "C1_CLI_PP1", E},
        {F::Server1Port, "20109", 5005, "Server Port is in use, please select other port number!", "C1_CLI_PP1", S},
        {F::Server1Port, "3001", 5005, nullptr, "C1_CLI_PP1", E},
        {F::Server2Ip, "", 5006, "Nodal IP Can not be Null!", "C1_CLI_IP2", E},
        {F::Server2Ip, "127.0.0.8", 5006, nullptr, "C1_CLI_IP2", E},
        {F::Server2Port, "", 5007, "The Server 2 Port Value Can not be Null!", "C1_CLI_PP2", E},
        {F::Server2Port, "65536", 5007, "The Server 2 Port Value Can not Over 65535!", "C1_CLI_PP2", E},
        {F::Server2Port, "3001", 5007, "Server Port is in use, please select other port number!", "C1_CLI_PP2", S},
        {F::Server2Port, "20002", 5007, nullptr, "C1_CLI_PP2", E}, // its own port is no conflict
        {F::Server3Ip, "", 5008, "Nodal IP Can not be Null!", "C1_CLI_IP3", E},
        {F::Server3Port, "", 5009, "The Server 3 Port Value Can not be Null!", "C1_CLI_PP3", E},
        {F::Server3Port, "123456", 5009, "The Server 3 Port Value Can not Over 65535!", "C1_CLI_PP3", E},
        {F::Server3Port, "3003", 5009, nullptr, "C1_CLI_PP3", E},
        {F::LocalIp, "", 5010, "Nodal IP Can not be Null!", "C1_CLI_IP4", E},
        {F::LocalPort, "", 5011, "The Local Port Value Can not be Null!", "C1_CLI_PP4", E},
        {F::LocalPort, "70000", 5011, "The Local Port Value Can not Over 65535!", "C1_CLI_PP4", E},
        {F::LocalPort, "3003", 5011, "Server Port is in use, please select other port number!", "C1_CLI_PP4", S},
        {F::LocalPort, "12a", 5011, "Local Port Number takes digits only!", "C1_CLI_PP4", E},
        {F::LocalPort, "5011", 5011, nullptr, "C1_CLI_PP4", E},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " for " + c.key);
        w.sink.clear();
        const QByteArray before = w.key(c.key);
        const int outcome = w.set(c.field, c.text, c.op);
        if (c.message) {
            EXPECT_EQ(outcome, -1);
            ASSERT_EQ(w.sink.shown.size(), 1);
            EXPECT_EQ(w.sink.last(), QString::fromLatin1(c.message));
            EXPECT_EQ(w.sink.shown.last().kind, c.kind);
            EXPECT_EQ(w.key(c.key), before);
            if (c.kind == S) { // the port in use: field emptied
                EXPECT_TRUE(w.page.field(c.field).isEmpty());
            }
        } else {
            EXPECT_EQ(outcome, OutcomeSuccess);
            EXPECT_TRUE(w.sink.shown.isEmpty());
            EXPECT_EQ(w.key(c.key), c.text);
        }
    }
    EXPECT_EQ(w.modules.destinationPort, 20109);
    EXPECT_EQ(w.modules.localPortSetting, QByteArray("5011"));

    // Typing a port above 65535 tells at once; the text stays.
    w.sink.clear();
    w.page.portTyped(F::Server2Port, "70000");
    EXPECT_EQ(w.sink.last(), QStringLiteral("Port Number can't over 65535!"));
    w.page.portTyped(F::Server2Port, "6553");
    EXPECT_EQ(w.sink.shown.size(), 1);
}

TEST(EthernetSettingPage, NewDeviceIpMovesLinkPageAndPhoneBook)
{
    PageWorld w("127.0.53");
    int reloads = 0;
    QObject::connect(&w.modules, &EthernetModules::ethernetBookChanged, [&] { ++reloads; });
    const QByteArray newIp = "127.0.53.9";
    EXPECT_EQ(w.set(F::DeviceIp, newIp, EthernetSettingModel::SetDeviceIp), OutcomeSuccess);
    EXPECT_EQ(w.modules.destinationHost, newIp);
    EXPECT_EQ(w.page.selectedIp(), newIp);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(w.session.phoneBook().CurrentEthernetEntry().deviceIp, newIp);
    for (const EthernetEntry &e : w.session.phoneBook().ethernetTable()) {
        if (e.connectId == w.id) {
            EXPECT_EQ(e.deviceIp, newIp);
        }
    }
    // The next Check goes to the module at its new address.
    waitUntil([] { return false; }, 30); // the module moves once its answer is out
    w.page.setField(F::DeviceIp, "");
    EXPECT_EQ(w.run(w.page.check(EthernetSettingModel::CheckDevice)), OutcomeSuccess);
    EXPECT_EQ(w.page.field(F::DeviceIp), newIp);
}

TEST(EthernetSettingPage, ChecksReadGroupsAndSwitchServerOneMode)
{
    PageWorld w("127.0.54");
    auto &keys = w.sims[0].module->state().keys;
    keys["C1_CLI_IP1"] = "logs.example.org";
    keys["C1_CLI_PP3"] = "4444";
    keys["C1_CLI_PP4"] = "5555";
    keys["DNS"] = "127.0.0.77";
    std::vector<int> modes;
    QObject::connect(&w.page, &EthernetSettingModel::modeChanged, [&](int m) { modes.push_back(m); });

    EXPECT_EQ(w.run(w.page.check(EthernetSettingModel::CheckServers)), OutcomeSuccess);
    EXPECT_EQ(w.page.server1Mode(), 1);
    EXPECT_EQ(w.page.server1Label(), QStringLiteral("Domain Name :"));
    EXPECT_EQ(w.page.field(F::Server1Domain), QByteArray("logs.example.org"));
    EXPECT_EQ(w.page.field(F::Server3Port), QByteArray("4444"));
    EXPECT_EQ(modes, std::vector<int>{1});
    // "invalid" read by a Check stays as it is: domain mode.
    keys["C1_CLI_IP1"] = "invalid";
    EXPECT_EQ(w.run(w.page.check(EthernetSettingModel::CheckServers)), OutcomeSuccess);
    EXPECT_EQ(w.page.field(F::Server1Domain), QByteArray("invalid"));
    EXPECT_EQ(w.page.server1Mode(), 1);
    keys["C1_CLI_IP1"] = "127.0.0.5";
    EXPECT_EQ(w.run(w.page.check(EthernetSettingModel::CheckServers)), OutcomeSuccess);
    EXPECT_EQ(w.page.server1Mode(), 0);
    EXPECT_EQ(w.page.field(F::Server1Ip), QByteArray("127.0.0.5"));

    EXPECT_EQ(w.run(w.page.check(EthernetSettingModel::CheckLocal)), OutcomeSuccess);
    EXPECT_EQ(w.page.field(F::LocalPort), QByteArray("5555"));
    EXPECT_EQ(w.run(w.page.check(EthernetSettingModel::CheckDevice)), OutcomeSuccess);
    EXPECT_EQ(w.page.field(F::DnsServer), QByteArray("127.0.0.77"));

    // A module whose last key cannot be read: "Command Fail"; earlier keys shown.
    keys.erase("DNS");
    keys["GATEWAY"] = "127.0.0.66";
    EXPECT_EQ(w.run(w.page.check(EthernetSettingModel::CheckDevice)), OutcomeFail);
    EXPECT_EQ(w.page.field(F::Gateway), QByteArray("127.0.0.66"));
    EXPECT_EQ(moduleOutcomeText(OutcomeFail), QStringLiteral("Command Fail"));

    // Server #1 in domain mode is written from the domain field.
    w.page.setServer1Mode(1);
    w.page.setField(F::Server1Domain, "data.example.net");
    EXPECT_EQ(w.run(w.page.set(EthernetSettingModel::SetServer1)), OutcomeSuccess);
    EXPECT_EQ(w.key("C1_CLI_IP1"), QByteArray("data.example.net"));

    // A module gone quiet: "Ethernet Connect Error", fields keep their text.
    w.sims[0].module->setMuted(true);
    w.page.setField(F::Gateway, "127.0.0.65");
    EXPECT_EQ(w.set(F::Gateway, "127.0.0.65", EthernetSettingModel::SetGateway), OutcomeConnectError);
    EXPECT_EQ(w.page.field(F::Gateway), QByteArray("127.0.0.65"));
    EXPECT_EQ(w.run(w.page.check(EthernetSettingModel::CheckLocal)), OutcomeConnectError);

    // One module operation at a time.
    w.sims[0].module->setMuted(false);
    ASSERT_TRUE(w.page.check(EthernetSettingModel::CheckLocal));
    w.sink.clear();
    EXPECT_FALSE(w.page.check(EthernetSettingModel::CheckDevice));
    EXPECT_EQ(w.sink.last(), QStringLiteral("Command is in progress..."));
    EXPECT_FALSE(w.modules.autoScan());
    waitUntil([&] { return !w.modules.operationRunning(); }, 8000);
}
