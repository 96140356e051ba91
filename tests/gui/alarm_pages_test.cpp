// The two alarm message pages as widgets: their rows and names, typing,
// the buttons, and the main window's delivery of slot read replies.

#include "gui/MainWindow.h"
#include "gui/pages/AlarmMessagePage.h"
#include "pages/alarms/AlarmMessageModel.h"
#include "support/FakeLine.h"
#include "support/PageFixture.h"
#include "support/PhoneBookScratch.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
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

QStringList visibleLabels(QWidget *page)
{
    QStringList texts;
    for (QLabel *l : page->findChildren<QLabel *>())
        if (!l->isHidden() && !l->text().isEmpty())
            texts << l->text();
    return texts;
}

} // namespace

TEST(AlarmPages, AccessibleNamesAndRows)
{
    PageFixture f(ModelOrvelA);
    AlarmMessagePage ad(f.session, AlarmPage::Ad);
    AlarmMessagePage in(f.session, AlarmPage::In);
    struct Case {
        AlarmMessagePage *page;
        int slot;
        const char *words;
    };
    const std::vector<Case> cases = {
        {&ad, 31, "Analog Channel AD05 Alert Low"},
        {&ad, 0, "Humidity Channel Alert High"},
        {&ad, 39, "Temperature 1 Channel Alert Low"},
        {&in, 41, "Power Source On Alert"},
        {&in, 15, "Power Source Off Alert"},
        {&in, 17, "Digital Input Channel IN02 On Alert"},
    };
    for (const Case &c : cases) {
        const QString w = QString::fromLatin1(c.words);
        ASSERT_NE(c.page->messageEdit(c.slot), nullptr) << c.slot;
        EXPECT_EQ(c.page->messageEdit(c.slot)->accessibleName(), w + " Message");
        EXPECT_EQ(c.page->textBox(c.slot)->accessibleName(), w + " Text");
        EXPECT_EQ(c.page->setButton(c.slot)->accessibleName(), "Set " + w + " Message");
        EXPECT_EQ(c.page->readButton(c.slot)->accessibleName(), "Read " + w + " Message");
        EXPECT_TRUE(c.page->setButton(c.slot)->text().isEmpty()); // icon only
    }
    // Each page takes only its own slots.
    EXPECT_EQ(ad.messageEdit(15), nullptr);
    EXPECT_EQ(in.messageEdit(14), nullptr);

    // Every input of both pages is named, and all 30 AD rows are there.
    for (AlarmMessagePage *p : {&ad, &in})
        for (QWidget *x : p->findChildren<QWidget *>())
            if (qobject_cast<QLineEdit *>(x) || qobject_cast<QCheckBox *>(x) || qobject_cast<QPushButton *>(x))
                EXPECT_FALSE(x->accessibleName().isEmpty()) << x->objectName().toStdString();
    EXPECT_EQ(ad.findChildren<QLineEdit *>().size(), 30);
    EXPECT_EQ(in.findChildren<QLineEdit *>().size(), 22);

    // IN05 ... IN10 are hidden with their labels; five rows remain.
    const QStringList inLabels = visibleLabels(&in);
    for (const char *row : {"IN00: Power Source Alert", "IN01: Digital Input", "IN04: Digital Input"})
        EXPECT_TRUE(inLabels.contains(row)) << row;
    EXPECT_FALSE(inLabels.contains("IN05: Digital Input"));
    EXPECT_FALSE(inLabels.contains("IN10: Digital Input"));
    for (int s : {20, 25, 46, 51}) {
        EXPECT_TRUE(in.messageEdit(s)->isHidden()) << s;
        EXPECT_TRUE(in.setButton(s)->isHidden()) << s;
        EXPECT_TRUE(in.textBox(s)->isHidden()) << s;
        EXPECT_TRUE(in.readButton(s)->isHidden()) << s;
    }
    EXPECT_TRUE(visibleLabels(&ad).contains("AD00: Humidity "));
    EXPECT_TRUE(visibleLabels(&ad).contains("AD14: Temperature_2"));
    for (AlarmMessagePage *p : {&ad, &in}) {
        const QStringList labels = visibleLabels(p);
        EXPECT_TRUE(labels.contains("Alarm Text Message will be uploaded when \"Text Message\" is enabled."));
        EXPECT_TRUE(labels.contains("Live Data will be uploaded as default when \"Text Message\" is disabled."));
        EXPECT_EQ(labels.count("Message Content"), 2);
    }
    QStringList inGroups;
    for (QGroupBox *g : in.findChildren<QGroupBox *>())
        inGroups << g->title();
    EXPECT_TRUE(inGroups.contains("Alarm Message Setup"));
    EXPECT_TRUE(inGroups.contains("On Alert"));
    EXPECT_TRUE(inGroups.contains("Off Alert"));
}

TEST(AlarmPages, TypingTickingAndTheButtons)
{
    PageFixture f(ModelOrvelA);
    AlarmMessagePage ad(f.session, AlarmPage::Ad);
    QLineEdit *edit = ad.messageEdit(1);
    type(edit, QStringLiteral("Analog 1 high"));
    ad.textBox(1)->setChecked(true);
    EXPECT_TRUE(ad.model().ticked(0 + 1, 0));
    ad.setButton(1)->click();
    EXPECT_EQ(f.line->written, QList<QByteArray>{"222222#SMSSET01:1,13,Analog 1 high#"});
    ad.readButton(1)->click();
    EXPECT_EQ(f.line->written.value(1), "111111#SMS:01#");

    // The 61st byte: a notice, and the edit keeps the first 60.
    QLineEdit *low = ad.messageEdit(26);
    low->setText(QString(60, QLatin1Char('a')));
    EXPECT_TRUE(f.sink.shown.isEmpty());
    type(low, QStringLiteral("b"));
    EXPECT_EQ(f.sink.texts(), QStringList{"Message Content can't over 60 Number!"});
    EXPECT_EQ(low->text(), QString(60, QLatin1Char('a')));
    // A multi-byte character that would end past byte 60 is left out whole.
    low->setText(QString(59, QLatin1Char('a')) + QChar(0x00e9));
    EXPECT_EQ(low->text(), QString(59, QLatin1Char('a')));

    // A reply fills the edit and the box; Clear empties the edits only.
    f.session.serialRecord().commandCode = 19126;
    ad.handleMessage({msg::AlarmText, ToAdAlarmMessage | ToInAlarmMessage, 0, "1,LOW ALRM!"});
    EXPECT_EQ(low->text(), "LOW ALARM!");
    EXPECT_TRUE(ad.textBox(26)->isChecked());
    ad.handleMessage({msg::ClearFields, ToAdAlarmMessage, 0, {}});
    EXPECT_EQ(low->text(), "");
    EXPECT_EQ(edit->text(), "");
    EXPECT_TRUE(ad.textBox(26)->isChecked());
    EXPECT_TRUE(ad.textBox(1)->isChecked());
}

TEST(AlarmPages, MainWindowShowsBothPagesAndDeliversSlotReplies)
{
    QTemporaryDir dir;
    test::emptyPhoneBook(dir.path());
    test::RecordingSink sink;
    {
        MainWindow w(ModelOrvelA);
        ASSERT_NE(w.adAlarmMessagePage(), nullptr);
        ASSERT_NE(w.inAlarmMessagePage(), nullptr);
        QTabWidget *tabs = qobject_cast<QTabWidget *>(w.adAlarmMessagePage()->parentWidget()->parentWidget());
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(tabs->indexOf(w.adAlarmMessagePage()), 4);
        EXPECT_EQ(tabs->indexOf(w.inAlarmMessagePage()), 5);
        EXPECT_EQ(tabs->tabText(4), " AD Alarm Message ");
        EXPECT_EQ(tabs->tabText(5), " IN Alarm Message ");

        auto line = std::make_unique<test::FakeLine>();
        test::FakeLine *raw = line.get();
        line->open();
        w.session().setSerialLine(std::move(line));
        // A read of slot 15 runs; its reply reaches both pages, and only the
        // IN page takes it.
        CommandRecord &r = w.session().serialRecord();
        r.commandCode = 19115;
        r.inProgress = true;
        raw->reply("1,MAINS ALM!");
        EXPECT_EQ(w.inAlarmMessagePage()->messageEdit(15)->text(), "MAINS ALARM!");
        EXPECT_TRUE(w.inAlarmMessagePage()->textBox(15)->isChecked());
        for (QLineEdit *e : w.adAlarmMessagePage()->findChildren<QLineEdit *>())
            EXPECT_TRUE(e->text().isEmpty());
        EXPECT_FALSE(r.inProgress);

        // Slot 41 gets the same words as they came ("ALM!" is mended on 15 only).
        r.commandCode = 19141;
        r.inProgress = true;
        raw->reply("1,MAINS ALM!");
        EXPECT_EQ(w.inAlarmMessagePage()->messageEdit(41)->text(), "MAINS ALM!");

        // A slot of the AD page.
        r.commandCode = 19105;
        r.inProgress = true;
        raw->reply("0,AD05 HIGH ALRM!");
        EXPECT_EQ(w.adAlarmMessagePage()->messageEdit(5)->text(), "AD05 HIGH ALARM!");
        EXPECT_FALSE(w.adAlarmMessagePage()->textBox(5)->isChecked());
    }
    PhoneBook::resetSharedState();
}
