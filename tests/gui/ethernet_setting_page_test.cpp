// The Ethernet Setting page's widgets over its model (a simulated module on loopback).

#include "gui/pages/EthernetSettingPage.h"
#include "session/EthernetModules.h"
#include "session/PageMessages.h"
#include "session/Session.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimModules.h"
#include "support/SimPeer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::test;
using M = EthernetSettingModel;

TEST(EthernetSettingWidgets, NamesFieldsShowsAModuleAndFollowsLocksAndMode)
{
    QTemporaryDir dir;
    emptyPhoneBook(dir.path());
    RecordingSink sink;
    SimModules sims("127.0.91", 1);
    Session session(ModelOrvelB);
    session.setLink(LinkEthernet);
    EthernetModules modules(session);
    modules.client().setScanAddresses(sims.scanList());
    EthernetSettingPage page(modules);
    page.resize(900, 560);
    page.show();

    // Accessible names: label and group; icon buttons "Set " + that name.
    EXPECT_EQ(page.edit(M::DeviceIp)->accessibleName(), QStringLiteral("Device Ethernet Properties Device IP Address"));
    EXPECT_EQ(page.edit(M::Server2Port)->accessibleName(), QStringLiteral("Server #2 Port"));
    EXPECT_EQ(page.edit(M::LocalPort)->accessibleName(),
              QStringLiteral("Local PC Network Properties Local Port Number"));
    EXPECT_EQ(page.setButton(M::SetServer2Port)->accessibleName(), QStringLiteral("Set Server #2 Port"));
    EXPECT_EQ(page.setButton(M::SetDeviceIp)->accessibleName(),
              QStringLiteral("Set Device Ethernet Properties Device IP Address"));
    for (const auto &op : M::setOperations())
        EXPECT_NE(page.setButton(op.operation), nullptr) << op.key;
    for (int op : {M::CheckDevice, M::CheckLocal, M::CheckServers})
        EXPECT_EQ(page.checkButton(op)->text(), QStringLiteral("Check"));

    int found = -1;
    modules.autoScan([&](int n) { found = n; });
    ASSERT_TRUE(waitUntil([&] { return found == 1; }, 8000));
    int reachable = -1;
    modules.chooseConnectionId("000001", [&](bool r) { reachable = r; });
    ASSERT_TRUE(waitUntil([&] { return reachable == 1; }, 8000));
    EXPECT_EQ(page.edit(M::DeviceIp)->text(), QStringLiteral("127.0.91.2"));
    EXPECT_EQ(page.edit(M::LocalIp)->text(), QStringLiteral("127.0.0.1"));

    // Typing: digits only, five at most; above 65535 is told at once.
    page.edit(M::Server3Port)->clear();
    page.edit(M::Server3Port)->insert(QStringLiteral("7x"));
    EXPECT_TRUE(page.edit(M::Server3Port)->text().isEmpty());
    page.edit(M::Server3Port)->insert(QStringLiteral("700001"));
    EXPECT_EQ(page.edit(M::Server3Port)->text(), QStringLiteral("70000"));
    EXPECT_EQ(sink.last(), QStringLiteral("Port Number can't over 65535!"));
    page.setButton(M::SetServer3Port)->click();
    EXPECT_EQ(sink.last(), QStringLiteral("The Server 3 Port Value Can not Over 65535!"));

    // A Set through the button.
    page.edit(M::Server2Port)->setText(QStringLiteral("4600"));
    int outcome = -1;
    QObject::connect(&page.model(), &M::operationDone, [&](int, int o) { outcome = o; });
    page.setButton(M::SetServer2Port)->click();
    ASSERT_TRUE(waitUntil([&] { return outcome >= 0; }, 8000));
    EXPECT_EQ(outcome, OutcomeSuccess);
    EXPECT_EQ(sims[0].key("C1_CLI_PP2"), QByteArray("4600"));

    // Server #1 mode radios.
    page.domainRadio()->setChecked(true);
    EXPECT_EQ(page.server1Label()->text(), QStringLiteral("Domain Name :"));
    EXPECT_TRUE(page.edit(M::Server1Domain)->isVisible());
    EXPECT_FALSE(page.edit(M::Server1Ip)->isVisible());
    page.fixedIpRadio()->setChecked(true);
    EXPECT_EQ(page.server1Label()->text(), QStringLiteral("IP Address :"));
    EXPECT_TRUE(page.edit(M::Server1Ip)->isVisible());

    // Locks: WM_USER+39 with lParam 1 locks Local IP; wParam 1 the rest.
    page.handleMessage({msg::LockEthernet, ToEthernetSetting, 1, {}, 1});
    EXPECT_FALSE(page.edit(M::LocalIp)->isEnabled());
    EXPECT_TRUE(page.edit(M::DevicePort)->isEnabled());
    const QString shot = QStringLiteral(KASPEN_BUILD_DIR "/ethernet-setting-page.png");
    page.grab().save(shot);
    page.handleMessage({msg::LockEthernet, ToEthernetSetting, 1, {}, 0});
    EXPECT_FALSE(page.edit(M::DevicePort)->isEnabled());
    page.handleMessage({msg::LockEthernet, ToEthernetSetting, 0, {}, 0});
    EXPECT_TRUE(page.edit(M::DevicePort)->isEnabled());
    EXPECT_FALSE(page.edit(M::LocalIp)->isEnabled());
    PhoneBook::resetSharedState();
}
