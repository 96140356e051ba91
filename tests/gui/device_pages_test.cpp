#include "gui/MainWindow.h"
#include "pages/device/DeviceSetupModel.h"
#include "gui/pages/DeviceSetupPage.h"
#include "pages/device/RelayOutputModel.h"
#include "gui/pages/RelayOutputPage.h"
#include "support/PageFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PageFixture;

namespace {

void type(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
    }
}

void key(QWidget *w, int k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

void leave(QWidget *w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

void enter(QWidget *w)
{
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(w, &in);
}

template<class T> T *child(QWidget *page, const char *name)
{
    T *w = page->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QStringList groupTitles(QWidget *page)
{
    QStringList titles;
    for (QGroupBox *g : page->findChildren<QGroupBox *>())
        if (!g->isHidden())
            titles << g->title();
    return titles;
}

QStringList labelTexts(QWidget *w)
{
    QStringList texts;
    for (QLabel *l : w->findChildren<QLabel *>())
        if (!l->text().isEmpty())
            texts << l->text();
    return texts;
}

QStringList entries(QComboBox *c)
{
    QStringList e;
    for (int i = 0; i < c->count(); ++i)
        e << c->itemText(i);
    return e;
}

QStringList columnTexts(QTableWidget *t, int col)
{
    QStringList texts;
    for (int row = 0; row < t->rowCount(); ++row)
        texts << (t->item(row, col) ? t->item(row, col)->text() : QString());
    return texts;
}

QStringList headers(QTableWidget *t)
{
    QStringList h;
    for (int c = 0; c < t->columnCount(); ++c)
        h << (t->horizontalHeaderItem(c) ? t->horizontalHeaderItem(c)->text() : QString());
    return h;
}

} // namespace

// ---- Device Setup page -----------------------------------------------------

TEST(DeviceSetupPage, GroupsLabelsAndListsPerModel)
{
    for (const int model : {ModelOrvelA, ModelOrvelB}) {
        SCOPED_TRACE(model);
        PageFixture f(model);
        DeviceSetupPage page(f.session);
        page.resize(1000, 560);
        QStringList groups = {"Device Properties", "Ethernet Upload Setup", "SMS Upload Setup", "Alarm Phone Number",
                              "GSM Network", "Info"};
        if (model == ModelOrvelA)
            groups.removeAll("Ethernet Upload Setup");
        EXPECT_EQ(groupTitles(&page), groups);
        const QStringList labels = labelTexts(&page);
        for (const char *l : {"Station ID ", "Enquiry Password", "Setup Password", "Date/Time", "Data Logging Interval",
                              "Ethernet Upload Interval", "SMS Upload Interval", "Control Centre Number",
                              "Module Status:", "GSM Module", "SIM Card", "Network Signal Strength:"})
            EXPECT_TRUE(labels.contains(QString::fromLatin1(l))) << l;

        auto *logging = child<QComboBox>(&page, "loggingInterval");
        auto *sms = child<QComboBox>(&page, "smsUploadInterval");
        auto *eth = child<QComboBox>(&page, "ethernetUploadInterval");
        EXPECT_EQ(entries(logging), (QStringList{"00", "01 Minute", "05 Minute", "15 Minute", "30 Minute", "60 Minute"}));
        EXPECT_EQ(entries(sms).size(), 10);
        EXPECT_EQ(entries(eth).size(), 14);
        for (QComboBox *c : {logging, sms, eth})
            EXPECT_EQ(c->currentIndex(), -1);
        EXPECT_EQ(child<QWidget>(&page, "ethernetUploadGroup")->isHidden(), model == ModelOrvelA);
        EXPECT_EQ(child<QLineEdit>(&page, "stationId")->maxLength(), 6);
        EXPECT_EQ(child<QLineEdit>(&page, "stationId")->accessibleName(), "Station ID");
        for (int n = 1; n <= 8; ++n) {
            auto *b = child<QPushButton>(&page, QStringLiteral("alarmPhoneSet%1").arg(n).toLatin1());
            EXPECT_EQ(b->text(), QStringLiteral(" %1").arg(n));
            EXPECT_EQ(b->accessibleName(), QString::number(n));
        }
        // Icon-only set buttons say what they set.
        for (const char *name : {"setStationId", "setPasswords", "setDateTime", "setLoggingInterval", "setSmsUpload"}) {
            auto *b = child<QPushButton>(&page, name);
            EXPECT_TRUE(b->text().isEmpty());
            EXPECT_TRUE(b->accessibleName().startsWith("Set ")) << name;
        }
    }
}

TEST(DeviceSetupPage, TypingLeavingAndSetting)
{
    PageFixture f(ModelOrvelA);
    DeviceSetupPage page(f.session);
    auto *station = child<QLineEdit>(&page, "stationId");
    type(station, "7x");
    EXPECT_EQ(station->text(), "7"); // digits only
    leave(station);
    EXPECT_EQ(station->text(), "000007");
    child<QPushButton>(&page, "setStationId")->click();
    EXPECT_EQ(f.line->written, QList<QByteArray>{"222222#ST:000007#"});

    auto *phone = child<QLineEdit>(&page, "alarmPhone4");
    type(phone, QString(19, '5'));
    EXPECT_EQ(phone->text(), QString(19, '5'));
    EXPECT_TRUE(f.sink.shown.isEmpty());
    type(phone, "5");
    EXPECT_EQ(phone->text(), "");
    EXPECT_EQ(f.sink.texts(), QStringList{"Phone Number over 19 Number!"});

    auto *logging = child<QComboBox>(&page, "loggingInterval");
    key(logging, Qt::Key_Down); // first entry
    key(logging, Qt::Key_Down); // "01 Minute"
    EXPECT_EQ(page.model().loggingIndex(), 1);
    child<QPushButton>(&page, "setLoggingInterval")->click();
    EXPECT_EQ(f.lastWritten(), "222222#SA:5#");

    child<QPushButton>(&page, "reset")->click();
    EXPECT_EQ(child<QLineEdit>(&page, "enquiryPassword")->text(), "271828");
    EXPECT_EQ(child<QLineEdit>(&page, "setupPassword")->text(), "314159");
}

TEST(DeviceSetupPage, RecordAndInfoFillTheControls)
{
    PageFixture f(ModelOrvelB);
    DeviceSetupPage page(f.session);
    page.handleMessage({msg::Block1, ToDeviceSetup, 0,
                        "#STC1:000007;TM:2403051407;PS:123456,654321;SA:2;SD:12,0,1;CP:0123,9;AP8:888;ER:00;XH:23;#", 0});
    EXPECT_EQ(child<QLineEdit>(&page, "stationId")->text(), "000007");
    EXPECT_EQ(child<QLineEdit>(&page, "dateTime")->text(), "2403051407");
    EXPECT_EQ(child<QLineEdit>(&page, "enquiryPassword")->text(), "123456");
    EXPECT_EQ(child<QComboBox>(&page, "loggingInterval")->currentText(), "15 Minute");
    EXPECT_EQ(child<QComboBox>(&page, "ethernetUploadInterval")->currentText(), "05 Second");
    EXPECT_EQ(child<QComboBox>(&page, "smsUploadInterval")->currentText(), "24 Hour");
    EXPECT_EQ(child<QLineEdit>(&page, "controlCentre")->text(), "0123");
    EXPECT_EQ(child<QLineEdit>(&page, "alarmPhone8")->text(), "888");
    EXPECT_EQ(child<QProgressBar>(&page, "signalStrength")->value(), 23);
    EXPECT_EQ(child<QLabel>(&page, "gsmModuleLamp")->accessibleDescription(), "on");
    page.handleMessage({msg::VersionReply, ToDeviceSetup, 0, "initialize succesed!", 0});
    EXPECT_EQ(child<QPlainTextEdit>(&page, "info")->toPlainText(), "Initialization Completed!");
    page.handleMessage({msg::ClearFields, ToDeviceSetup, 0, {}, 0});
    EXPECT_EQ(child<QLineEdit>(&page, "stationId")->text(), "");
    EXPECT_EQ(child<QComboBox>(&page, "ethernetUploadInterval")->currentIndex(), -1);
    EXPECT_EQ(child<QProgressBar>(&page, "signalStrength")->value(), 0);
    EXPECT_EQ(child<QLabel>(&page, "gsmModuleLamp")->accessibleDescription(), "off");
    EXPECT_EQ(child<QPlainTextEdit>(&page, "info")->toPlainText(), "");
}

// ---- Relay Output page -------------------------------------------------------

TEST(RelayOutputPage, ListsAppearWithTheFirstStatusRecord)
{
    PageFixture f(ModelOrvelA);
    RelayOutputPage page(f.session);
    page.resize(1000, 560);
    auto *status = child<QTableWidget>(&page, "currentStatus");
    auto *alarms = child<QTableWidget>(&page, "associatedAlarms");
    auto *relay = child<QComboBox>(&page, "relayChannel");
    EXPECT_EQ(status->rowCount(), 0);
    EXPECT_EQ(alarms->rowCount(), 0);
    EXPECT_EQ(headers(status), (QStringList{"", "Channel List", "Relay_1", "Relay_2"}));
    EXPECT_EQ(headers(alarms), (QStringList{"", "Channel List", "Relay Control"}));
    EXPECT_TRUE(status->isColumnHidden(0));
    EXPECT_EQ(entries(relay), (QStringList{"Relay_1", "Relay_2"}));
    EXPECT_EQ(entries(child<QComboBox>(&page, "turnOnOff")), (QStringList{"On", "Off"}));
    EXPECT_FALSE(alarms->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(&page, "timeLapse")->isEnabled());

    f.session.profile().relayCount = 3;
    for (int i = 0; i < 2; ++i) // a second rebuild repeats nothing
        page.handleMessage({msg::FirstStatus, ToRelayOutput, 0, {}, 0});
    EXPECT_EQ(headers(status), (QStringList{"", "Channel List", "Relay_1", "Relay_2", "Relay_3"}));
    EXPECT_EQ(entries(relay), (QStringList{"Relay_1", "Relay_2", "Relay_3"}));
    ASSERT_EQ(status->rowCount(), 22);
    EXPECT_EQ(columnTexts(status, 1).mid(0, 3), (QStringList{"Operation Mode", "Time Lapse", "Humidity"}));
    EXPECT_EQ(columnTexts(status, 1).last(), "IN4");
    ASSERT_EQ(alarms->rowCount(), 20);
    EXPECT_EQ(columnTexts(alarms, 1).first(), "Humidity");
    EXPECT_EQ(status->item(1, 1)->background().color(), QColor(230, 235, 235));
    EXPECT_EQ(status->item(2, 1)->background().color(), QColor(Qt::white));

    page.handleMessage({msg::StatusReply, ToRelayOutput, 0, "#STA:000001;O01:100;#", 0});
    page.handleMessage({msg::Block1, ToRelayOutput, 0, "#STC1:000001;OUT1:0;OUT2:0030;OUT3:;#", 0});
    EXPECT_EQ(status->item(0, 2)->text(), "On");
    EXPECT_FALSE(status->item(0, 2)->icon().isNull());
    EXPECT_EQ(status->item(0, 3)->text(), "Off");
    EXPECT_TRUE(status->item(0, 3)->icon().isNull());
    EXPECT_EQ(status->item(1, 2)->text(), "0");
    EXPECT_EQ(status->item(1, 2)->foreground().color(), QColor(128, 128, 128));
    EXPECT_EQ(status->item(1, 3)->foreground().color(), QColor(Qt::black));

    key(relay, Qt::Key_Down); // Relay_1
    EXPECT_TRUE(alarms->isEnabled());
    EXPECT_EQ(child<QComboBox>(&page, "turnOnOff")->currentText(), "On");
    EXPECT_EQ(child<QLineEdit>(&page, "timeLapse")->text(), "0");
}

TEST(RelayOutputPage, InCellDropDownAndNormalisation)
{
    PageFixture f(ModelOrvelA);
    f.session.profile().relayCount = 2;
    RelayOutputPage page(f.session);
    page.resize(1000, 560);
    page.show();
    page.handleMessage({msg::FirstStatus, ToRelayOutput, 0, {}, 0});
    auto *relay = child<QComboBox>(&page, "relayChannel");
    key(relay, Qt::Key_Down);
    key(relay, Qt::Key_Down); // Relay_2
    ASSERT_EQ(page.model().relayChannelText(), "Relay_2");
    auto *alarms = child<QTableWidget>(&page, "associatedAlarms");

    auto choose = [&](int row, int choice) {
        const QModelIndex index = alarms->model()->index(row, 2);
        alarms->edit(index);
        auto *editor = qobject_cast<QComboBox *>(alarms->indexWidget(index));
        if (!editor)
            editor = alarms->viewport()->findChild<QComboBox *>();
        ASSERT_NE(editor, nullptr);
        editor->hidePopup();
        editor->setCurrentIndex(choice);
        emit editor->activated(choice);
        QApplication::processEvents();
    };
    choose(1, 1);  // AD01: "L - Low Alert"
    choose(16, 0); // IN1: "On"
    EXPECT_EQ(page.model().relayControl(1), "L - Low Alert");
    EXPECT_EQ(page.model().relayControl(16), "On");
    EXPECT_EQ(alarms->item(16, 2)->foreground().color(), QColor(220, 0, 0));
    enter(alarms);
    EXPECT_EQ(page.model().relayControl(1), "Low");
    EXPECT_EQ(alarms->item(1, 2)->text(), "Low");
    EXPECT_EQ(alarms->item(1, 2)->foreground().color(), QColor(220, 0, 0));
    EXPECT_EQ(alarms->item(2, 2)->foreground().color(), QColor(128, 128, 128));

    child<QPushButton>(&page, "setAssociatedAlarms")->click();
    EXPECT_EQ(f.lastWritten(), "222222#OC2:02000000000000001000000000#");

    auto *time = child<QLineEdit>(&page, "timeLapse");
    type(time, "30");
    leave(time);
    EXPECT_EQ(time->text(), "0030");
    child<QPushButton>(&page, "setTimeLapse")->click();
    EXPECT_EQ(f.lastWritten(), "222222#OT2:0030#");
    EXPECT_EQ(f.session.batchTable().text(14022), "222222#OT2:0030#");
}

// Screenshots for a look by eye: KASPEN_SCREENSHOT_DIR=/tmp/shots
TEST(DevicePagesScreens, GrabBothPagesForBothModels)
{
    const QString dir = qEnvironmentVariable("KASPEN_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "KASPEN_SCREENSHOT_DIR not set";
    for (const int model : {ModelOrvelA, ModelOrvelB}) {
        PageFixture f(model);
        f.session.profile().relayCount = model == ModelOrvelA ? 2 : 4;
        const QString tag = model == ModelOrvelA ? "orvel-a" : "orvel-b";
        DeviceSetupPage device(f.session);
        device.resize(1000, 520);
        device.handleMessage({msg::Block1, ToDeviceSetup, 0,
                              "#STC1:000007;TM:2403051407;PS:123456,654321;SA:1;SD:12,0,1;CP:0123456789,2;"
                              "AP1:13800000001;AP2:;AP3:13800000003;ER:01;XH:23;#",
                              0});
        device.handleMessage({msg::VersionReply, ToDeviceSetup, 0, "KASPEN logger V7.1", 0});
        device.show();
        QApplication::processEvents();
        device.grab().save(dir + "/device-" + tag + ".png");

        RelayOutputPage relay(f.session);
        relay.resize(1000, 520);
        relay.show();
        relay.handleMessage({msg::FirstStatus, ToRelayOutput, 0, {}, 0});
        relay.handleMessage({msg::StatusReply, ToRelayOutput, 0, "#STA:000007;O01:1001;#", 0});
        relay.handleMessage({msg::Block1, ToRelayOutput, 0, "#STC1:000007;OUT1:0030;OUT2:0;OUT3:0005;OUT4:0100;#", 0});
        relay.handleMessage({msg::Block3, ToRelayOutput, 0,
                             "#STC3:000007;COUT1:12000000000000001000000000;COUT2:00000000000000000000000000;"
                             "COUT3:21000000000000000100000000;COUT4:00000000000000010000000000;#",
                             0});
        relay.model().chooseRelay(0);
        QApplication::processEvents();
        relay.grab().save(dir + "/relay-" + tag + ".png");
    }
}

// The two pages in the main window's settings sheet at 1024x768, for a look by
// eye (the main window installs them itself; here they replace the stand-ins).
TEST(DevicePagesScreens, GrabInsideTheMainWindow)
{
    const QString dir = qEnvironmentVariable("KASPEN_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "KASPEN_SCREENSHOT_DIR not set";
    for (const int model : {ModelOrvelA, ModelOrvelB}) {
        MainWindow w(model);
        w.resize(1024, 768);
        QTabWidget *sheet = w.settingsSheet();
        auto *device = new DeviceSetupPage(w.session());
        auto *relay = new RelayOutputPage(w.session());
        const QString t0 = sheet->tabText(0), t3 = sheet->tabText(3);
        delete sheet->widget(0);
        sheet->insertTab(0, device, t0);
        delete sheet->widget(3);
        sheet->insertTab(3, relay, t3);
        w.ShowTab(1);
        w.show();
        const QString tag = model == ModelOrvelA ? "orvel-a" : "orvel-b";
        sheet->setCurrentIndex(0);
        QApplication::processEvents();
        w.grab().save(dir + "/main-device-" + tag + ".png");
        w.session().profile().relayCount = 2;
        relay->handleMessage({msg::FirstStatus, ToRelayOutput, 0, {}, 0});
        sheet->setCurrentIndex(3);
        QApplication::processEvents();
        w.grab().save(dir + "/main-relay-" + tag + ".png");
    }
}

// Text entered without key presses (an on-screen keyboard, voice input, a
// screen reader's edit action) counts like typed text.
TEST(Accessibility, FieldsActOnTheirText)
{
    PageFixture f(ModelOrvelA);
    DeviceSetupPage page(f.session);
    child<QLineEdit>(&page, "enquiryPassword")->setText("333333");
    child<QLineEdit>(&page, "setupPassword")->setText("444444");
    child<QPushButton>(&page, "setPasswords")->click();
    EXPECT_TRUE(f.sink.shown.isEmpty()) << f.sink.texts().join('|').toStdString();
    EXPECT_EQ(f.lastWritten(), "222222#PS:333333,444444#");
    child<QLineEdit>(&page, "stationId")->setText("000042");
    child<QPushButton>(&page, "setStationId")->click();
    EXPECT_EQ(f.lastWritten(), "222222#ST:000042#");

    f.session.profile().relayCount = 2;
    RelayOutputPage relays(f.session);
    relays.handleMessage({msg::FirstStatus, ToRelayOutput, 0, {}, 0});
    auto *relay = child<QComboBox>(&relays, "relayChannel");
    key(relay, Qt::Key_Down); // Relay_1
    child<QLineEdit>(&relays, "timeLapse")->setText("0030");
    child<QPushButton>(&relays, "setTimeLapse")->click();
    EXPECT_EQ(f.lastWritten(), "222222#OT1:0030#");
}
