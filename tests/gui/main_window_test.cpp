#include "gui/MainWindow.h"
#include "gui/pages/BatchSetupPage.h"

#include <QTableView>
#include "gui/ModelSelectDialog.h"
#include "support/RecordingSink.h"
#include "gui/pages/PhoneBookPage.h"
#include "gui/common/PlaceholderPage.h"
#include "gui/pages/EthernetSettingPage.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace kaspen;

namespace {

QStringList tabTexts(QTabBar *bar)
{
    QStringList t;
    for (int i = 0; i < bar->count(); ++i)
        t << bar->tabText(i);
    return t;
}

QStringList tabTexts(QTabWidget *w)
{
    QStringList t;
    for (int i = 0; i < w->count(); ++i)
        t << w->tabText(i);
    return t;
}

int visibleContainers(MainWindow &w)
{
    int n = 0;
    for (QWidget *c : {static_cast<QWidget *>(w.phoneBookContainer()), static_cast<QWidget *>(w.settingsSheet()),
                       static_cast<QWidget *>(w.ethernetContainer()), w.logView()})
        n += c->isVisible() ? 1 : 0;
    return n;
}

void saveScreenshot(QWidget &w, const QString &name)
{
    const QByteArray dir = qgetenv("KASPEN_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QCoreApplication::processEvents();
    w.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(name));
}

} // namespace

TEST(ModelSelection, NeedsAChoiceBeforeOk)
{
    test::RecordingSink sink;
    ModelSelectDialog d;
    EXPECT_EQ(d.windowTitle(), "Model Selection");
    EXPECT_EQ(d.modelCode(), 0);
    for (int m : {ModelOrvelA, ModelOrvelB, ModelOrvelC})
        EXPECT_FALSE(d.radio(m)->isChecked());
    d.accept();
    EXPECT_EQ(sink.texts(), QStringList{"Please Select suitable model"});
    EXPECT_EQ(d.result(), QDialog::Rejected);

    d.radio(ModelOrvelB)->click();
    EXPECT_EQ(d.modelCode(), ModelOrvelB);
    d.radio(ModelOrvelC)->click();
    EXPECT_EQ(d.modelCode(), ModelOrvelC);
    d.radio(ModelOrvelA)->click();
    EXPECT_EQ(d.modelCode(), ModelOrvelA);
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(sink.shown.size(), 1);
    EXPECT_TRUE(companionProgramPath().contains("ORVEL-C"));
}

struct ModelLayout {
    int model;
    QString title;
    QStringList topTabs;
    bool rs232, gsm, ethernet, port, connect, connection, autoScan, ethConnect, saveExit;
};

TEST(MainWindow, LayoutPerModel)
{
    const ModelLayout cases[] = {
        {ModelOrvelA, "KASPEN Setup -  ORVEL-A", {"Phone Book  ", "ORVEL-A  ", "Data Logs "},
         true, true, false, true, true, true, false, false, false},
        {ModelOrvelB, "KASPEN Setup -  ORVEL-B", {"Phone Book  ", "ORVEL-B  ", "Data Logs ", "  Network    "},
         false, true, true, false, false, false, true, true, true},
    };
    for (const ModelLayout &c : cases) {
        MainWindow w(c.model);
        w.show();
        SCOPED_TRACE(c.title.toStdString());
        EXPECT_EQ(w.windowTitle(), c.title);
        EXPECT_EQ(tabTexts(w.topTabs()), c.topTabs);
        EXPECT_EQ(w.topTabs()->currentIndex(), 1);
        EXPECT_EQ(w.rs232Radio()->isVisible(), c.rs232);
        EXPECT_EQ(w.gsmRadio()->isVisible(), c.gsm);
        EXPECT_EQ(w.ethernetRadio()->isVisible(), c.ethernet);
        EXPECT_EQ(w.portList()->isVisible(), c.port);
        EXPECT_EQ(w.connectButton()->isVisible(), c.connect);
        EXPECT_EQ(w.connectionList()->isVisible(), c.connection);
        EXPECT_EQ(w.button("autoScan")->isVisible(), c.autoScan);
        EXPECT_EQ(w.button("ethernetConnect")->isVisible(), c.ethConnect);
        EXPECT_EQ(w.button("saveExit")->isVisible(), c.saveExit);
        EXPECT_EQ(w.session().link(), c.model == ModelOrvelA ? LinkRs232 : LinkEthernet);

        EXPECT_EQ(tabTexts(w.settingsSheet()),
                  (QStringList{"    Device Setup   ", "  Analog Channel   ", " Digital/Pulse Channel ", "  Relay Output  ",
                               " AD Alarm Message ", " IN Alarm Message ", "  Data Record  ", "  Batch Setup  "}));
        EXPECT_EQ(tabTexts(w.phoneBookContainer()), QStringList{"  Phone Number  "});
        EXPECT_EQ(tabTexts(w.ethernetContainer()), QStringList{"   Ethernet Setting   "});
        // The settings sheet shows, disabled until a device is verified.
        EXPECT_TRUE(w.settingsSheet()->isVisible());
        EXPECT_FALSE(w.settingsSheet()->isEnabled());
        EXPECT_EQ(visibleContainers(w), 1);

        // Read Parameters group
        for (const char *name : {"read1", "read2", "read3", "status", "clear", "ver", "batch", "init"})
            EXPECT_TRUE(w.button(name)->isVisible()) << name;
        EXPECT_FALSE(w.button("modemVersion")->isVisible());
        EXPECT_EQ(w.button("read1")->text(), "#1");
        EXPECT_TRUE(w.button("read1")->isDefault());
        EXPECT_EQ(w.button("status")->text(), "  Status");
        EXPECT_EQ(w.button("batch")->text(), " Batch");
        EXPECT_EQ(w.button("saveExit")->text(), "Save && Exit");
        // Status area: progress bar and Stop hidden until a command runs.
        EXPECT_FALSE(w.progressBar()->isVisible());
        EXPECT_FALSE(w.stopButton()->isVisible());

        // Messages at start: the book view and the Batch Setup start notice.
        EXPECT_EQ(w.phoneBookPage()->view(), c.model == ModelOrvelB ? PhoneBookView::Ethernet : PhoneBookView::Gsm);
        // (The start notice lists the empty batch command table.)
        ASSERT_NE(w.batchSetupPage(), nullptr);
        EXPECT_EQ(w.settingsSheet()->widget(7), w.batchSetupPage());
        EXPECT_EQ(w.batchSetupPage()->listView()->model()->rowCount(), 0);
        EXPECT_TRUE(w.batchSetupPage()->model().batchButtonsEnabled());
        if (c.model == ModelOrvelB) {
            // WM_USER+39 with lParam 1: the Local IP field is locked for good.
            ASSERT_NE(w.ethernetSettingPage(), nullptr);
            EXPECT_FALSE(w.ethernetSettingPage()->model().localIpEditable());
            EXPECT_TRUE(w.ethernetSettingPage()->model().fieldsEditable());
        }
        saveScreenshot(w, c.model == ModelOrvelA ? "main-orvel-a.png" : "main-orvel-b.png");
    }
}

TEST(MainWindow, LinkRadiosOnOrvelB)
{
    MainWindow w(ModelOrvelB);
    w.show();
    QList<PageMessage> book, batch;
    QObject::connect(&w, &MainWindow::pageMessageDelivered, [&](unsigned target, const PageMessage &m) {
        if (target == ToPhoneBook)
            book << m;
        if (target == ToBatchSetup)
            batch << m;
    });

    w.gsmRadio()->click();
    EXPECT_EQ(w.session().link(), LinkGsmModem);
    EXPECT_EQ(tabTexts(w.topTabs()), (QStringList{"Phone Book  ", "ORVEL-B  ", "Data Logs "}));
    EXPECT_EQ(w.topTabs()->currentIndex(), 1);
    EXPECT_TRUE(w.portList()->isVisible());
    EXPECT_TRUE(w.connectButton()->isVisible());
    EXPECT_TRUE(w.connectionList()->isVisible());
    EXPECT_FALSE(w.button("autoScan")->isVisible());
    EXPECT_FALSE(w.button("saveExit")->isVisible());
    EXPECT_FALSE(w.button("init")->isVisible());
    EXPECT_EQ(w.button("batch")->text(), "M test");
    EXPECT_TRUE(w.button("modemVersion")->isVisible());
    ASSERT_EQ(book.size(), 1);
    EXPECT_EQ(book[0].message, msg::BookView);
    EXPECT_EQ(book[0].wParam, 0);
    EXPECT_EQ(w.phoneBookPage()->view(), PhoneBookView::Gsm);
    ASSERT_EQ(batch.size(), 1);
    EXPECT_EQ(batch[0].wParam, 0);
    EXPECT_EQ(batch[0].lParam, 0);
    EXPECT_FALSE(w.batchSetupPage()->model().batchButtonsEnabled()); // no batch setup on the GSM modem

    w.ethernetRadio()->click();
    EXPECT_EQ(w.session().link(), LinkEthernet);
    EXPECT_EQ(tabTexts(w.topTabs()), (QStringList{"Phone Book  ", "ORVEL-B  ", "Data Logs ", "   Network    "}));
    EXPECT_EQ(w.topTabs()->currentIndex(), 3);
    EXPECT_TRUE(w.ethernetContainer()->isVisible());
    EXPECT_EQ(visibleContainers(w), 1);
    EXPECT_FALSE(w.portList()->isVisible());
    EXPECT_TRUE(w.button("autoScan")->isVisible());
    EXPECT_TRUE(w.button("init")->isVisible());
    EXPECT_EQ(w.button("batch")->text(), "Batch");
    EXPECT_FALSE(w.button("modemVersion")->isVisible());
    ASSERT_EQ(book.size(), 2);
    EXPECT_EQ(book[1].wParam, 1);
    EXPECT_EQ(w.phoneBookPage()->view(), PhoneBookView::Ethernet);
    ASSERT_EQ(batch.size(), 2);
    EXPECT_EQ(batch[1].lParam, 1);
    EXPECT_TRUE(w.batchSetupPage()->model().batchButtonsEnabled());

    // Choosing Ethernet again does not add a second Network tab.
    w.ethernetRadio()->click();
    EXPECT_EQ(w.topTabs()->count(), 4);
}

TEST(MainWindow, LinkRadiosOnOrvelA)
{
    MainWindow w(ModelOrvelA);
    w.show();
    w.gsmRadio()->click();
    EXPECT_EQ(w.session().link(), LinkGsmModem);
    EXPECT_EQ(w.button("batch")->text(), "M test");
    EXPECT_FALSE(w.button("init")->isVisible());
    w.rs232Radio()->click();
    EXPECT_EQ(w.session().link(), LinkRs232);
    EXPECT_EQ(w.button("batch")->text(), "Batch");
    EXPECT_TRUE(w.button("init")->isVisible());
    EXPECT_FALSE(w.button("modemVersion")->isVisible());
    EXPECT_EQ(w.topTabs()->count(), 3);
}

TEST(MainWindow, NeverTwoContainersVisible)
{
    for (int model : {ModelOrvelA, ModelOrvelB}) {
        MainWindow w(model);
        w.show();
        const int sequence[] = {0, 1, 2, 1, 0, 2, 3, 0, 3, 2, 1};
        for (int tab : sequence) {
            if (tab >= w.topTabs()->count())
                continue;
            w.topTabs()->setCurrentIndex(tab);
            EXPECT_EQ(visibleContainers(w), 1) << "model " << model << " tab " << tab;
            for (int i = 0; i < w.topTabs()->count(); ++i)
                EXPECT_EQ(w.topTabs()->tabIcon(i).cacheKey() != 0, true);
        }
        w.topTabs()->setCurrentIndex(2);
        EXPECT_TRUE(w.logView()->isVisible());
        w.topTabs()->setCurrentIndex(0);
        EXPECT_TRUE(w.phoneBookContainer()->isVisible());
    }
}

TEST(MainWindow, SerialConnectRefusals)
{
    test::RecordingSink sink;
    MainWindow w(ModelOrvelA);
    w.portList()->setEditText(QString());
    w.connectButton()->click();
    EXPECT_EQ(sink.last(), "Before Connect ,please select COM Port!");
    w.portList()->setEditText("/dev/does-not-exist-kaspen");
    w.connectButton()->click();
    EXPECT_EQ(sink.last(), "Connect Error,Port Invalid! (/dev/does-not-exist-kaspen: no such file or device)");
    EXPECT_EQ(w.connectButton()->text(), "Connect");
    EXPECT_TRUE(w.rs232Radio()->isEnabled());
}

TEST(MainWindow, WindowSizeFollowsTheScreen)
{
    struct Case {
        QSize screen;
        QSize window;
        Qt::ScrollBarPolicy vertical, horizontal;
    };
    const Case cases[] = {
        {{1920, 1080}, {1632, 918}, Qt::ScrollBarAsNeeded, Qt::ScrollBarAsNeeded},
        {{1024, 768}, {1024, 768}, Qt::ScrollBarAsNeeded, Qt::ScrollBarAsNeeded},
        {{1280, 720}, {1024, 720}, Qt::ScrollBarAlwaysOn, Qt::ScrollBarAlwaysOff},
        {{800, 600}, {800, 600}, Qt::ScrollBarAlwaysOn, Qt::ScrollBarAlwaysOn},
        {{1280, 600}, {1024, 600}, Qt::ScrollBarAlwaysOn, Qt::ScrollBarAlwaysOff},
    };
    for (const Case &c : cases) {
        MainWindow w(ModelOrvelA);
        w.applyScreenSize(c.screen);
        EXPECT_EQ(w.size(), c.window);
        EXPECT_EQ(w.scrollArea()->verticalScrollBarPolicy(), c.vertical);
        EXPECT_EQ(w.scrollArea()->horizontalScrollBarPolicy(), c.horizontal);
    }
}

TEST(MainWindow, EveryInputHasAnAccessibleName)
{
    for (int model : {ModelOrvelA, ModelOrvelB}) {
        MainWindow w(model);
        for (QWidget *child : w.findChildren<QWidget *>()) {
            const bool input = qobject_cast<QPushButton *>(child) || qobject_cast<QComboBox *>(child)
                || qobject_cast<QRadioButton *>(child) || qobject_cast<QPlainTextEdit *>(child);
            if (!input || qobject_cast<QLineEdit *>(child->parentWidget()))
                continue;
            if (child->objectName().startsWith("qt_"))
                continue;
            EXPECT_FALSE(child->accessibleName().isEmpty())
                << child->metaObject()->className() << " " << child->objectName().toStdString();
        }
    }
}

TEST(MainWindow, BufferClearEmptiesBothPanes)
{
    MainWindow w(ModelOrvelA);
    w.model().addSendLogEntry("111111#CHEACK1#");
    EXPECT_TRUE(w.sendLogsPane()->toPlainText().contains("111111#CHEACK1#"));
    w.button("bufferClear")->click();
    EXPECT_TRUE(w.sendLogsPane()->toPlainText().isEmpty());
    EXPECT_TRUE(w.dataLogsPane()->toPlainText().isEmpty());
}

// A screen reader's "toggle" checks a radio without a click: the checked
// state alone chooses the model and the link.
TEST(Accessibility, RadiosActOnTheirCheckedState)
{
    test::RecordingSink sink;
    {
        ModelSelectDialog d;
        d.radio(ModelOrvelB)->setChecked(true);
        EXPECT_EQ(d.modelCode(), ModelOrvelB);
        d.accept();
        EXPECT_TRUE(sink.shown.isEmpty());
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    MainWindow w(ModelOrvelB);
    w.show();
    EXPECT_EQ(w.session().link(), LinkEthernet);
    w.gsmRadio()->setChecked(true);
    EXPECT_EQ(w.session().link(), LinkGsmModem);
    EXPECT_EQ(w.button("batch")->text(), "M test");
    EXPECT_TRUE(w.portList()->isVisible());
    EXPECT_FALSE(w.button("autoScan")->isVisible());
    EXPECT_EQ(w.topTabs()->count(), 3);
    w.ethernetRadio()->setChecked(true);
    EXPECT_EQ(w.session().link(), LinkEthernet);
    EXPECT_TRUE(w.button("autoScan")->isVisible());
    EXPECT_EQ(w.topTabs()->count(), 4);
    EXPECT_TRUE(sink.shown.isEmpty());
}
