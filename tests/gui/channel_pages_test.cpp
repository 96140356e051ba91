// The Analog Channel and Digital/Pulse Channel widgets: names, binding to
// their models, tables, and a look at both pages in the main window.

#include "gui/MainWindow.h"
#include "gui/pages/AnalogChannelPage.h"
#include "gui/pages/DigitalChannelPage.h"
#include "pages/channels/AnalogChannelModel.h"
#include "pages/channels/DigitalChannelModel.h"
#include "support/PageFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PageFixture;

namespace {

const QByteArray kBlock2 =
    "#STC2:000001;AD00:100.0,0.000,0.000,1,80.00,20.00;AD01:20.00,4.000,4.000,1,18.00,5.000;"
    "AD02:10.00,0.000,2.000,2,8.000,1.000;AD07:1.000,0.000,1.000,2,30.00,10.00;AD08:1.000,0.000,1.000,1,25.00,2.000;"
    "AD13:2,35.00,-5.00;AD14:1,30.00,-10.0;PA:41200000000000000;#";
const QByteArray kBlock4 = "#STC4:000001;TD1:0005;TD2:0010;TD3:0000;TN1:28FF4A1B03170452;TN2:28FF9C2E11160318;"
                           "TN3:28FF0D7A41170533;#";

void type(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
    }
}

void leave(QWidget *w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

template<class T> T *named(QWidget *page, const QString &accessibleName)
{
    for (T *w : page->findChildren<T *>()) {
        if (w->accessibleName() == accessibleName)
            return w;
    }
    ADD_FAILURE() << "no control named " << accessibleName.toStdString();
    return nullptr;
}

void feed(AnalogChannelPage &a, DigitalChannelPage &d, Session &s)
{
    s.profile().analogCount = 15;
    s.profile().digitalCount = 16;
    a.handleMessage({msg::FirstStatus, ToAnalogChannel, 0, {}, 0});
    d.handleMessage({msg::FirstStatus, ToDigitalChannel, 0, {}, 0});
    a.handleMessage({msg::Block2, ToAnalogChannel, 0, kBlock2, 0});
    d.handleMessage({msg::Block2, ToDigitalChannel, 0, kBlock2, 0});
    a.handleMessage({msg::Block4, ToAnalogChannel, 0, kBlock4, 0});
}

} // namespace

TEST(ChannelPagesGui, EveryControlHasItsName)
{
    PageFixture f(ModelOrvelA);
    AnalogChannelPage a(f.session);
    DigitalChannelPage d(f.session);
    for (const QString &n : {QStringLiteral("Temperature Sensor_3 Alert High"), QStringLiteral("Temperature Sensor_8 Alert Low"),
                             QStringLiteral("Analog Channel Upper limit"), QStringLiteral("Analog Channel Alert Low"),
                             QStringLiteral("Humidity Sensor Alert Low"), QStringLiteral("Humidity"),
                             QStringLiteral("Temperature Sensor_4 Alarm Delay Time"), QStringLiteral("Temperature Sensor_2 SN")})
        EXPECT_NE(named<QLineEdit>(&a, n), nullptr);
    for (const QString &n : {QStringLiteral("Set Temperature Sensor_1"), QStringLiteral("Set Alarm Delay Time 3"),
                             QStringLiteral("Calibrate Humidity"), QStringLiteral("Set Analog Channel"),
                             QStringLiteral("Set Humidity Sensor"), QStringLiteral("Check Sensor SN")})
        EXPECT_NE(named<QPushButton>(&a, n), nullptr);
    EXPECT_NE(named<QComboBox>(&a, QStringLiteral("Temperature Sensor_5 Operation Mode")), nullptr);
    EXPECT_NE(named<QPushButton>(&d, QStringLiteral("Set Pulse Input_02")), nullptr);
    EXPECT_NE(named<QPushButton>(&d, QStringLiteral("Set Input Channels")), nullptr);
    EXPECT_NE(named<QLineEdit>(&d, QStringLiteral("Pulse Input_03")), nullptr);
    // Every input has a name.
    for (QWidget *page : {static_cast<QWidget *>(&a), static_cast<QWidget *>(&d)}) {
        for (QLineEdit *e : page->findChildren<QLineEdit *>()) {
            if (e->parent() && qobject_cast<QComboBox *>(e->parent()))
                continue;
            EXPECT_FALSE(e->accessibleName().isEmpty()) << e->objectName().toStdString();
        }
        for (QPushButton *b : page->findChildren<QPushButton *>())
            EXPECT_FALSE(b->accessibleName().isEmpty());
    }
}

TEST(ChannelPagesGui, WidgetsFollowTheirModels)
{
    PageFixture f(ModelOrvelA);
    AnalogChannelPage a(f.session);
    DigitalChannelPage d(f.session);
    a.model().setTimersEnabled(false);
    feed(a, d, f.session);

    QLineEdit *high1 = named<QLineEdit>(&a, QStringLiteral("Temperature Sensor_1 Alert High"));
    EXPECT_EQ(high1->text(), "35.00");
    EXPECT_EQ(named<QComboBox>(&a, QStringLiteral("Temperature Sensor_1 Operation Mode"))->currentText(),
              "Capture & Alert Enable");
    EXPECT_EQ(named<QLineEdit>(&a, QStringLiteral("Temperature Sensor_2 SN"))->text(), "28FF9C2E11160318");
    EXPECT_EQ(named<QLineEdit>(&a, QStringLiteral("Temperature Sensor_2 Alarm Delay Time"))->text(), "0010");
    EXPECT_EQ(named<QLineEdit>(&a, QStringLiteral("Humidity Sensor Upper limit"))->text(), "100.0");

    // Typing and leaving runs the field rules.
    QLineEdit *high3 = named<QLineEdit>(&a, QStringLiteral("Temperature Sensor_3 Alert High"));
    high3->clear();
    type(high3, QStringLiteral("12.345"));
    leave(high3);
    EXPECT_EQ(high3->text(), "12.34");
    QLineEdit *low1 = named<QLineEdit>(&a, QStringLiteral("Temperature Sensor_1 Alert Low"));
    high1->clear();
    type(high1, QStringLiteral("156"));
    leave(high1);
    EXPECT_EQ(f.sink.last(), "Temperature Sensor_1 Alert High is Range -125 to 155!");
    EXPECT_EQ(high1->text(), "");
    EXPECT_FALSE(low1->isEnabled());

    // Typing stops at five characters on the short fields; sensors 3 to 8
    // take more and are shortened on leaving.
    QLineEdit *upper = named<QLineEdit>(&a, QStringLiteral("Analog Channel Upper limit"));
    type(upper, QStringLiteral("1234567"));
    EXPECT_EQ(upper->text(), "12345");
    high3->clear();
    type(high3, QStringLiteral("-12.345"));
    EXPECT_EQ(high3->text(), "-12.345");
    leave(high3);
    EXPECT_EQ(high3->text(), "-12.3");
    upper->clear();

    // The table: columns, widths, row height and shading.
    QTableWidget *t = a.table();
    ASSERT_EQ(t->rowCount(), 6);
    ASSERT_EQ(t->columnCount(), 7);
    const int widths[] = {125, 170, 130, 130, 130, 130, 130};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(t->columnWidth(c), widths[c]);
    EXPECT_EQ(t->rowHeight(0), 21);
    EXPECT_EQ(t->item(1, 1)->text(), "Capture & Alert Enable");
    EXPECT_EQ(t->item(1, 2)->text(), "10.00");
    EXPECT_EQ(t->item(1, 0)->background().color(), QColor(230, 235, 235));
    EXPECT_EQ(t->item(0, 0)->background().color(), QColor(Qt::white));

    // Choosing Analog_02 loads its row; only Upper Limit is editable.
    QComboBox *box = a.channelBox();
    ASSERT_EQ(box->count(), 6);
    box->setCurrentIndex(1);
    emit box->activated(1);
    EXPECT_EQ(named<QLineEdit>(&a, QStringLiteral("Analog Channel Upper limit"))->text(), "10.00");
    EXPECT_TRUE(named<QLineEdit>(&a, QStringLiteral("Analog Channel Upper limit"))->isEnabled());
    EXPECT_FALSE(named<QLineEdit>(&a, QStringLiteral("Analog Channel Lower limit"))->isEnabled());
    f.forget();
    named<QPushButton>(&a, QStringLiteral("Set Analog Channel"))->click();
    EXPECT_EQ(f.lastWritten(), "222222#AD02:10.00,0.000,2.000,2,8.000,1.000#");

    // Digital page: 17 rows, the in-place list opens on the current text.
    QTableWidget *inputs = d.table();
    ASSERT_EQ(inputs->rowCount(), 17);
    EXPECT_EQ(inputs->columnWidth(1), 165);
    EXPECT_EQ(inputs->item(0, 2)->text(), "AC Power Resume/Loss Alarm");
    EXPECT_EQ(inputs->item(1, 2)->text(), "Pulse Channel Enable");
    d.show();
    d.editMode(2);
    auto *editor = inputs->findChild<QComboBox *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->currentText(), "NO - Close Triggered Alarm");
    EXPECT_EQ(editor->count(), 5);
    editor->setCurrentIndex(4);
    emit editor->activated(4);
    EXPECT_EQ(d.model().mode(2), "Change State Triggered Alarm");
    f.forget();
    named<QPushButton>(&d, QStringLiteral("Set Input Channels"))->click();
    EXPECT_EQ(f.lastWritten(), "222222#PA:41400000000#");

    QLineEdit *pulse2 = named<QLineEdit>(&d, QStringLiteral("Pulse Input_02"));
    type(pulse2, QStringLiteral("42"));
    leave(pulse2);
    EXPECT_EQ(pulse2->text(), "00000042");
    named<QPushButton>(&d, QStringLiteral("Set Pulse Input_02"))->click();
    EXPECT_EQ(f.lastWritten(), "222222#LP2:00000042#");
    EXPECT_FALSE(named<QLineEdit>(&d, QStringLiteral("Pulse Input_04"))->isVisibleTo(&d));
}

TEST(ChannelPagesGui, MainWindowShowsAndFeedsBothPages)
{
    const QString dir = qEnvironmentVariable("KASPEN_SCREENSHOT_DIR");
    for (const int model : {ModelOrvelA, ModelOrvelB}) {
        MainWindow w(model);
        w.resize(1024, 768);
        ASSERT_NE(w.analogChannelPage(), nullptr);
        ASSERT_NE(w.digitalChannelPage(), nullptr);
        QTabWidget *sheet = w.settingsSheet();
        EXPECT_EQ(sheet->widget(1), w.analogChannelPage());
        EXPECT_EQ(sheet->widget(2), w.digitalChannelPage());
        w.session().profile().analogCount = 15;
        w.session().profile().digitalCount = 16;
        w.deliver({msg::FirstStatus, ToAnalogChannel | ToDigitalChannel, 0, {}, 0});
        w.deliver({msg::Block2, ToAnalogChannel | ToDigitalChannel, 0, kBlock2, 0});
        w.deliver({msg::Block4, ToAnalogChannel, 0, kBlock4, 0});
        EXPECT_EQ(w.analogChannelPage()->table()->item(0, 2)->text(), "20.00");
        EXPECT_EQ(w.digitalChannelPage()->model().mode(0), "AC Power Resume/Loss Alarm");
        if (dir.isEmpty())
            continue;
        w.ShowTab(1);
        w.show();
        const QString tag = model == ModelOrvelA ? "orvel-a" : "orvel-b";
        for (const int page : {1, 2}) {
            sheet->setCurrentIndex(page);
            QApplication::processEvents();
            w.grab().save(dir + QStringLiteral("/main-channels-%1-%2.png").arg(page).arg(tag));
        }
    }
}
