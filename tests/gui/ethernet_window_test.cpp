// The main window on the Ethernet link against a simulated module on loopback.

#include "gui/MainWindow.h"
#include "gui/pages/EthernetSettingPage.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimModules.h"
#include "support/SimPeer.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::test;

TEST(EthernetWindow, AutoScanChooseConnectAndSaveExit)
{
    QTemporaryDir dir;
    emptyPhoneBook(dir.path());
    RecordingSink sink;
    SimModules sims("127.0.92", 1);
    // The module sends the logger's answers to the PC's local port.
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    const int localPort = probe.localPort();
    probe.close();
    sims[0].module->state().keys["C1_CLI_PP4"] = QByteArray::number(localPort);

    MainWindow w(ModelOrvelB);
    bool exited = false;
    w.setExitAction([&] { exited = true; });
    w.show();
    w.model().ethernetModules().client().setScanAddresses(sims.scanList());
    w.model().ethernetModules().setDemoModule(false);

    // Auto Scan: progress with "Stop %d", then "Command Success" and the book.
    w.button("autoScan")->click();
    EXPECT_TRUE(w.progressBar()->isVisible());
    EXPECT_TRUE(w.stopButton()->text().startsWith(QStringLiteral("Stop ")));
    EXPECT_EQ(w.statusText()->text(), QStringLiteral("Command in Progress"));
    ASSERT_TRUE(waitUntil([&] { return !w.model().ethernetModules().operationRunning(); }, 8000));
    EXPECT_EQ(w.statusText()->text(), QStringLiteral("Command Success"));
    EXPECT_FALSE(w.progressBar()->isVisible());
    ASSERT_TRUE(w.session().phoneBook().EditEthernetEntry("000001", "0123456789", "111111", "222222"));

    // Connect before choosing a Connection ID.
    w.button("ethernetConnect")->click();
    EXPECT_EQ(sink.last(), QStringLiteral("Before Connect,Please Select Connection ID First!"));

    // Opening the list refills it; choosing the ID reads the module.
    QComboBox *list = w.ethernetConnectionList();
    list->showPopup();
    list->hidePopup();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->itemText(0), QStringLiteral("000001"));
    list->setCurrentIndex(0);
    emit list->activated(0);
    ASSERT_TRUE(waitUntil([&] { return w.model().ethernetModules().moduleReachable; }, 8000));
    EXPECT_TRUE(w.ethernetContainer()->isEnabled());
    EthernetSettingPage *page = w.ethernetSettingPage();
    EXPECT_EQ(page->edit(EthernetSettingModel::DeviceIp)->text(), QStringLiteral("127.0.92.2"));

    // Connect: verified by the status record, then "Disconnect".
    sink.clear();
    w.button("ethernetConnect")->click();
    ASSERT_TRUE(waitUntil([&] { return w.session().verified(); }, 8000)) << sink.last().toStdString();
    EXPECT_EQ(w.button("ethernetConnect")->text(), QStringLiteral("Disconnect"));
    EXPECT_FALSE(w.gsmRadio()->isEnabled());
    EXPECT_FALSE(w.ethernetContainer()->isEnabled());
    EXPECT_FALSE(page->edit(EthernetSettingModel::DevicePort)->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return !w.model().exchange().running(); }, 8000));

    // Save & Exit: one "#SE:1#" with the Setup password, then the end.
    const int before = int(sims[0].endpoint->dataReceived.size());
    w.button("saveExit")->click();
    EXPECT_TRUE(exited);
    ASSERT_TRUE(waitUntil([&] { return sims[0].endpoint->dataReceived.size() > before; }, 3000));
    EXPECT_EQ(sims[0].endpoint->dataReceived.last(), QByteArray("222222#SE:1#"));
    PhoneBook::resetSharedState();
}

TEST(EthernetWindow, TheDemoModuleIsFoundAndServesTheDemoLogger)
{
    QTemporaryDir dir;
    emptyPhoneBook(dir.path());
    RecordingSink sink;
    MainWindow w(ModelOrvelB);
    w.show();
    EthernetModules &modules = w.model().ethernetModules();
    modules.client().setScanAddresses({}); // only the demo module
    w.button("autoScan")->click();
    ASSERT_TRUE(waitUntil([&] { return !modules.operationRunning(); }, 8000));
    ASSERT_EQ(modules.discovered().size(), 1);
    EXPECT_EQ(modules.discovered().first().secondText, QByteArray("Demo module (simulated)"));
    ASSERT_TRUE(w.session().phoneBook().EditEthernetEntry("000001", "0123456789", "111111", "222222"));
    int reachable = -1;
    modules.chooseConnectionId("000001", [&](bool r) { reachable = r; });
    ASSERT_TRUE(waitUntil([&] { return reachable >= 0; }, 8000));
    ASSERT_EQ(reachable, 1);
    w.ethernetConnectionList()->addItem(QStringLiteral("000001"));
    w.ethernetConnectionList()->setCurrentIndex(0);
    w.button("ethernetConnect")->click();
    ASSERT_TRUE(waitUntil([&] { return w.session().verified() && !w.model().exchange().running(); }, 8000))
        << sink.last().toStdString();
    spin(300); // the answer to "#SE:0#", which no exchange awaits
    EXPECT_EQ(w.model().runToEnd([&] { w.model().readBlock(1); }), ResultSuccess);
    EXPECT_EQ(w.button("ethernetConnect")->text(), QStringLiteral("Disconnect"));
    PhoneBook::resetSharedState();
}
