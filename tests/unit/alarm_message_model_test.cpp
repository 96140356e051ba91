#include "pages/alarms/AlarmMessageModel.h"
#include "pages/alarms/AlarmSlots.h"
#include "support/PageFixture.h"

#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PageFixture;
namespace am = kaspen::alarmslots;

namespace {
constexpr AlarmPage Ad = AlarmPage::Ad;
constexpr AlarmPage In = AlarmPage::In;
const char *pageName(AlarmPage p) { return p == Ad ? "AD" : "IN"; }
} // namespace

// ---- slot map -----------------------------------------------------------

TEST(AlarmSlots, MapOfBothPages)
{
    struct Case {
        AlarmPage page;
        int row, column;
        int slot;
        const char *label, *subject, *cellName;
        bool shown;
    };
    const std::vector<Case> cases = {
        {Ad, 0, 0, 0, "AD00: Humidity ", "Humidity Channel", "Humidity Channel Alert High", true},
        {Ad, 0, 1, 26, "AD00: Humidity ", "Humidity Channel", "Humidity Channel Alert Low", true},
        {Ad, 1, 0, 1, "AD01: Analog Channel", "Analog Channel AD01", "Analog Channel AD01 Alert High", true},
        {Ad, 5, 1, 31, "AD05: Analog Channel", "Analog Channel AD05", "Analog Channel AD05 Alert Low", true},
        {Ad, 6, 0, 6, "AD06: Analog Channel", "Analog Channel AD06", "Analog Channel AD06 Alert High", true},
        {Ad, 7, 0, 7, "AD07: Temperature_3", "Analog Channel AD07", "Analog Channel AD07 Alert High", true},
        {Ad, 12, 1, 38, "AD12: Temperature_8", "Analog Channel AD12", "Analog Channel AD12 Alert Low", true},
        {Ad, 13, 0, 13, "AD13: Temperature_1", "Temperature 1 Channel", "Temperature 1 Channel Alert High", true},
        {Ad, 13, 1, 39, "AD13: Temperature_1", "Temperature 1 Channel", "Temperature 1 Channel Alert Low", true},
        {Ad, 14, 0, 14, "AD14: Temperature_2", "Temperature 2 Channel", "Temperature 2 Channel Alert High", true},
        {Ad, 14, 1, 40, "AD14: Temperature_2", "Temperature 2 Channel", "Temperature 2 Channel Alert Low", true},
        // The power source row is swapped: On Alert 41, Off Alert 15.
        {In, 0, 0, 41, "IN00: Power Source Alert", "Power Source", "Power Source On Alert", true},
        {In, 0, 1, 15, "IN00: Power Source Alert", "Power Source", "Power Source Off Alert", true},
        {In, 1, 0, 16, "IN01: Digital Input", "Digital Input Channel IN01", "Digital Input Channel IN01 On Alert", true},
        {In, 2, 0, 17, "IN02: Digital Input", "Digital Input Channel IN02", "Digital Input Channel IN02 On Alert", true},
        {In, 3, 1, 44, "IN03: Digital Input", "Digital Input Channel IN03", "Digital Input Channel IN03 Off Alert", true},
        {In, 4, 1, 45, "IN04: Digital Input", "Digital Input Channel IN04", "Digital Input Channel IN04 Off Alert", true},
        {In, 5, 0, 20, "IN05: Digital Input", "Digital Input Channel IN05", "Digital Input Channel IN05 On Alert", false},
        {In, 10, 0, 25, "IN10: Digital Input", "Digital Input Channel IN10", "Digital Input Channel IN10 On Alert", false},
        {In, 10, 1, 51, "IN10: Digital Input", "Digital Input Channel IN10", "Digital Input Channel IN10 Off Alert", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(pageName(c.page)) + " row " + std::to_string(c.row) + " column " + std::to_string(c.column));
        EXPECT_EQ(am::slot(c.page, c.row, c.column), c.slot);
        EXPECT_EQ(am::setCode(c.slot), 19000 + c.slot);
        EXPECT_EQ(am::readCode(c.slot), 19100 + c.slot);
        EXPECT_EQ(am::rowLabel(c.page, c.row), c.label);
        EXPECT_EQ(am::subject(c.page, c.row), c.subject);
        EXPECT_EQ(am::cellName(c.page, c.row, c.column), c.cellName);
        EXPECT_EQ(am::rowShown(c.page, c.row), c.shown);
        AlarmPage page;
        int row = -1, column = -1;
        ASSERT_TRUE(am::locate(c.slot, &page, &row, &column));
        EXPECT_EQ(page, c.page);
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(column, c.column);
    }
    // Every one of the 52 slots has exactly one cell; the pages split them.
    std::vector<int> seen(am::SlotCount, 0);
    for (AlarmPage p : {Ad, In})
        for (int r = 0; r < am::rowCount(p); ++r)
            for (int c = 0; c < am::Columns; ++c)
                ++seen[size_t(am::slot(p, r, c))];
    for (int s = 0; s < am::SlotCount; ++s) {
        EXPECT_EQ(seen[size_t(s)], 1) << s;
        EXPECT_EQ(am::onPage(Ad, s), s <= 14 || (s >= 26 && s <= 40)) << s;
        EXPECT_EQ(am::onPage(In, s), !am::onPage(Ad, s)) << s;
    }
    EXPECT_EQ(am::rowCount(Ad), 15);
    EXPECT_EQ(am::shownRowCount(In), 5);
    EXPECT_EQ(am::rowCount(In), 11);
    EXPECT_FALSE(am::locate(52, nullptr, nullptr, nullptr));
    EXPECT_EQ(am::slot(Ad, 15, 0), -1);
    EXPECT_EQ(am::slotOfReadCode(19151), 51);
    EXPECT_EQ(am::slotOfReadCode(19152), -1);
    EXPECT_EQ(am::slotOfReadCode(19051), -1);
    EXPECT_EQ(am::columnTitle(Ad, 0), "Alert High");
    EXPECT_EQ(am::columnTitle(In, 1), "Off Alert");
}

// ---- set and read buttons ---------------------------------------------------

TEST(AlarmMessageModel, SetButtons)
{
    const QByteArray sixty(60, 'x');
    const QByteArray accented = QStringLiteral("Temp\u00e9rature haute").toUtf8(); // 17 characters, 18 bytes
    struct Case {
        AlarmPage page;
        int row, column;
        bool ticked;
        QByteArray text;
        QByteArray command; // empty: refused with `message`
        int code;
        const char *message;
    };
    const std::vector<Case> cases = {
        {Ad, 1, 0, true, "Analog 1 high", "222222#SMSSET01:1,13,Analog 1 high#", 19001, ""},
        {Ad, 0, 1, false, "kept on the page", "222222#SMSSET26:0#", 19026, ""},
        {Ad, 0, 0, false, "", "222222#SMSSET00:0#", 19000, ""},
        {Ad, 14, 0, true, sixty, "222222#SMSSET14:1,60," + sixty + "#", 19014, ""},
        {Ad, 5, 1, true, accented, "222222#SMSSET31:1,18," + accented + "#", 19031, ""},
        {Ad, 0, 0, true, "", "", 0, "Humidity Channel Content is empty!"},
        {Ad, 5, 1, true, "", "", 0, "Analog Channel AD05 Content is empty!"},
        {Ad, 0, 0, true, sixty + "y", "", 0, "Humidity Channel Content over 60 byte!"},
        {Ad, 13, 1, false, sixty + "y", "", 0, "Temperature 1 Channel Content over 60 byte!"},
        {In, 2, 0, true, "Door open", "222222#SMSSET17:1,09,Door open#", 19017, ""},
        {In, 0, 1, false, "", "222222#SMSSET15:0#", 19015, ""},
        {In, 0, 0, true, "Mains back", "222222#SMSSET41:1,10,Mains back#", 19041, ""},
        {In, 10, 1, true, "hidden row", "222222#SMSSET51:1,10,hidden row#", 19051, ""},
        {In, 3, 1, true, "", "", 0, "Digital Input Channel IN03 Content is empty!"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(pageName(c.page)) + " row " + std::to_string(c.row) + " column "
                     + std::to_string(c.column) + " " + c.text.toStdString());
        PageFixture f(ModelOrvelA);
        AlarmMessageModel m(f.session, c.page);
        m.setCell(c.row, c.column, c.ticked, c.text);
        const bool sent = m.sendSet(c.row, c.column);
        EXPECT_EQ(sent, !c.command.isEmpty());
        if (c.command.isEmpty()) {
            ASSERT_EQ(f.sink.shown.size(), 1);
            EXPECT_EQ(f.sink.shown[0].text, QString::fromLatin1(c.message));
            EXPECT_EQ(f.sink.shown[0].kind, MessageKind::Error);
            EXPECT_TRUE(f.line->written.isEmpty());
            EXPECT_TRUE(f.session.batchTable().isEmpty());
            continue;
        }
        EXPECT_TRUE(f.sink.shown.isEmpty()) << f.sink.last().toStdString();
        EXPECT_EQ(f.line->written, QList<QByteArray>{c.command});
        EXPECT_EQ(f.logs, QList<QByteArray>{c.command});
        EXPECT_EQ(f.session.serialRecord().commandCode, c.code);
        EXPECT_EQ(f.session.batchTable().text(c.code), c.command);
        EXPECT_EQ(f.session.batchTable().size(), 1);
        // The cell is as it was: the set button changes nothing on the page.
        EXPECT_EQ(m.text(c.row, c.column), c.text);
        EXPECT_EQ(m.ticked(c.row, c.column), c.ticked);
    }
}

TEST(AlarmMessageModel, ReadButtonsAskWithTheEnquiryPasswordAndRecordNothing)
{
    struct Case {
        AlarmPage page;
        int row, column;
        QByteArray command;
        int code;
    };
    const std::vector<Case> cases = {
        {In, 0, 0, "111111#SMS:41#", 19141},
        {In, 0, 1, "111111#SMS:15#", 19115},
        {Ad, 0, 0, "111111#SMS:00#", 19100},
        {Ad, 5, 1, "111111#SMS:31#", 19131},
    };
    for (const Case &c : cases) {
        PageFixture f(ModelOrvelA);
        AlarmMessageModel m(f.session, c.page);
        ASSERT_TRUE(m.sendRead(c.row, c.column));
        EXPECT_EQ(f.line->written, QList<QByteArray>{c.command});
        EXPECT_EQ(f.logs, QList<QByteArray>{c.command});
        EXPECT_EQ(f.session.serialRecord().commandCode, c.code);
        EXPECT_TRUE(f.session.batchTable().isEmpty());
    }
}

TEST(AlarmMessageModel, GsmModemRecordsTheBareTextAndLogsItAsSent)
{
    PageFixture f(ModelOrvelA, LinkGsmModem);
    AlarmMessageModel m(f.session, Ad);
    m.setCell(1, 0, true, "Analog 1 high");
    ASSERT_TRUE(m.sendSet(1, 0));
    const QByteArray bare = "222222#SMSSET01:1,13,Analog 1 high#";
    const QByteArray wrapped = "AT+BJSD=10,0123456789," + bare + "\r\n";
    EXPECT_EQ(f.line->written, QList<QByteArray>{wrapped});
    EXPECT_EQ(f.logs, QList<QByteArray>{wrapped});
    EXPECT_EQ(f.session.batchTable().text(19001), bare);
}

TEST(AlarmMessageModel, EthernetHandsTheTextToTheMainWindow)
{
    PageFixture f(ModelOrvelB);
    AlarmMessageModel m(f.session, In);
    ASSERT_TRUE(m.sendRead(0, 0));
    ASSERT_EQ(f.ethernet.size(), 1);
    EXPECT_EQ(f.ethernet[0].code, 19141);
    EXPECT_EQ(f.ethernet[0].text, "111111#SMS:41#");
    EXPECT_EQ(f.ethernetSent, QList<QByteArray>{"111111#SMS:41#"});
    EXPECT_EQ(f.logs, QList<QByteArray>{"111111#SMS:41#"});
}

TEST(AlarmMessageModel, GuardWordingByPageAndLink)
{
    struct Case {
        AlarmPage page;
        int model, link;
        QByteArray phone, enquiry, setup;
        const char *message;
    };
    const std::vector<Case> cases = {
        {Ad, ModelOrvelA, LinkRs232, "", "111111", "222222", "Device Phone Number is empty ,please Edit Phone Book!"},
        {Ad, ModelOrvelB, LinkEthernet, "0123", "", "222222", "Device QueryPassword is empty ,please Edit Phone Book!"},
        {Ad, ModelOrvelB, LinkEthernet, "0123", "111111", "", "Device SetupPassword is empty ,please Edit Phone Book!"},
        {In, ModelOrvelB, LinkEthernet, "0123", "111111", "", "Device SetupPassword is NULL ,please Edit Phone Book!"},
        {In, ModelOrvelB, LinkEthernet, "", "111111", "222222", "Device Phone Number is NULL ,please Edit Phone Book!"},
        {In, ModelOrvelA, LinkRs232, "0123", "111111", "", "Device SetupPassword is empty ,please Edit Phone Book!"},
        {In, ModelOrvelA, LinkGsmModem, "0123", "", "222222", "Device QueryPassword is empty ,please Edit Phone Book!"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        PageFixture f(c.model, c.link);
        f.setEntry("000001", c.phone, c.enquiry, c.setup);
        AlarmMessageModel m(f.session, c.page);
        m.setCell(1, 0, false, {});
        for (bool set : {true, false}) {
            f.forget();
            EXPECT_FALSE(set ? m.sendSet(1, 0) : m.sendRead(1, 0));
            EXPECT_EQ(f.sink.texts(), QStringList{QString::fromLatin1(c.message)});
            EXPECT_EQ(f.sink.shown.value(0).kind, MessageKind::Standard);
            EXPECT_TRUE(f.sent().isEmpty());
        }
    }
    // The tests before the phone book ones, on both pages alike; a phone
    // number "NULL" is an ordinary number.
    for (AlarmPage page : {Ad, In}) {
        PageFixture f(ModelOrvelA);
        AlarmMessageModel m(f.session, page);
        f.session.serialRecord().inProgress = true;
        EXPECT_FALSE(m.sendRead(0, 0));
        EXPECT_EQ(f.sink.last(), "Command is in progress...");
        f.session.serialRecord().inProgress = false;
        f.line->close();
        EXPECT_FALSE(m.sendRead(0, 0));
        EXPECT_EQ(f.sink.last(), "Before Setup Command ,please Connect!");
        f.line->open();
        f.setEntry("", "0123", "111111", "222222");
        EXPECT_FALSE(m.sendRead(0, 0));
        EXPECT_EQ(f.sink.last(), "Before Setup Command ,please Select Device ID!");
        f.setEntry("000001", "NULL", "111111", "222222");
        f.sink.clear();
        EXPECT_TRUE(m.sendRead(0, 0));
        EXPECT_TRUE(f.sink.shown.isEmpty());
    }
}

// ---- typing and reading back --------------------------------------------------

TEST(AlarmMessageModel, TypingMoreThanSixtyBytesCutsOnAWholeCharacter)
{
    const QByteArray e = QStringLiteral("\u00e9").toUtf8();   // 2 bytes
    const QByteArray euro = QStringLiteral("\u20ac").toUtf8(); // 3 bytes
    struct Case {
        QByteArray typed;
        QByteArray kept;
    };
    const std::vector<Case> cases = {
        {QByteArray(60, 'a'), QByteArray(60, 'a')},
        {QByteArray(58, 'a') + e, QByteArray(58, 'a') + e},   // 60 bytes, kept whole
        {QByteArray(61, 'a'), QByteArray(60, 'a')},
        {QByteArray(59, 'a') + e, QByteArray(59, 'a')},        // é would end at byte 61
        {QByteArray(58, 'a') + e + "b", QByteArray(58, 'a') + e},
        {QByteArray(58, 'a') + euro, QByteArray(58, 'a')},     // € would end at byte 61
        {QByteArray(59, 'a') + euro + "zz", QByteArray(59, 'a')},
        {euro.repeated(21), euro.repeated(20)},                // 63 bytes: 20 whole €
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        PageFixture f(ModelOrvelA);
        AlarmMessageModel m(f.session, Ad);
        m.setText(3, 1, c.typed);
        const bool cut = c.typed.size() > 60;
        EXPECT_EQ(f.sink.texts(), cut ? QStringList{"Message Content can't over 60 Number!"} : QStringList{});
        if (cut)
            EXPECT_EQ(f.sink.shown.value(0).kind, MessageKind::Standard);
        EXPECT_EQ(m.text(3, 1), c.kept);
    }
}

TEST(AlarmMessageModel, ReadBack)
{
    struct Case {
        AlarmPage page;
        int slot;
        QByteArray reply;
        bool tickedBefore;
        bool taken;
        bool ticked;
        QByteArray text;
        bool cutMessage;
    };
    const QByteArray seventy(70, 'z');
    const std::vector<Case> cases = {
        {Ad, 1, "1,HIGH ALRM!", false, true, true, "HIGH ALARM!", false},
        {Ad, 26, "0,", true, true, false, "", false},
        {Ad, 14, "1,ALRM! ALRM!", false, true, true, "ALARM! ALARM!", false},
        {Ad, 5, "1,AD05 HIGH ALM!", false, true, true, "AD05 HIGH ALM!", false}, // "ALM!" only on slot 15
        {Ad, 3, "HELLO", true, true, true, "HELLO", false},   // no "1"/"0": shown whole, box kept
        {Ad, 3, "HELLO", false, true, false, "HELLO", false},
        {Ad, 7, "1," + seventy, false, true, true, QByteArray(60, 'z'), true},
        {Ad, 20, "1,IN05 ON", false, false, false, "before", false}, // an IN page slot
        {Ad, 2, "", true, false, true, "before", false},           // an empty reply
        {In, 15, "1,MAINS ALM!", false, true, true, "MAINS ALARM!", false},
        {In, 15, "1,MAINS OFF ALRM! ALM!", false, true, true, "MAINS OFF ALARM! ALARM!", false},
        {In, 41, "1,MAINS ALM!", false, true, true, "MAINS ALM!", false},
        {In, 41, "0,MAINS ON ALRM!", true, true, false, "MAINS ON ALARM!", false},
        {In, 25, "1,Hidden row", false, true, true, "Hidden row", false},
        {In, 5, "1,AD05", false, false, false, "before", false},  // an AD page slot
        {In, 52, "1,none", false, false, false, "before", false}, // no slot
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(pageName(c.page)) + " slot " + std::to_string(c.slot) + " " + c.reply.toStdString());
        PageFixture f(ModelOrvelA);
        AlarmMessageModel m(f.session, c.page);
        AlarmPage page = c.page;
        int row = 0, column = 0;
        const bool known = am::locate(c.slot, &page, &row, &column) && page == c.page;
        if (known)
            m.setCell(row, column, c.tickedBefore, "before");
        int changes = 0;
        QObject::connect(&m, &AlarmMessageModel::cellChanged, [&] { ++changes; });
        // As the main window delivers it: the exchange ran under 19100 + NN.
        f.session.serialRecord().commandCode = 19100 + c.slot;
        m.handleMessage({msg::AlarmText, ToAdAlarmMessage | ToInAlarmMessage, 0, c.reply});
        EXPECT_EQ(changes, c.taken ? 1 : 0);
        EXPECT_EQ(f.sink.texts(), c.cutMessage ? QStringList{"Message Content can't over 60 Number!"} : QStringList{});
        if (known) {
            EXPECT_EQ(m.ticked(row, column), c.taken ? c.ticked : c.tickedBefore);
            EXPECT_EQ(m.text(row, column), c.text);
        }
        EXPECT_TRUE(f.session.batchTable().isEmpty());
    }
}

TEST(AlarmMessageModel, ClearEmptiesEveryEditAndKeepsTheBoxes)
{
    PageFixture f(ModelOrvelA);
    AlarmMessageModel in(f.session, In);
    for (int r = 0; r < in.rowCount(); ++r)
        for (int c = 0; c < 2; ++c)
            in.setCell(r, c, (r + c) % 2 == 0, "text");
    in.handleMessage({msg::ClearFields, ToInAlarmMessage, 0, {}});
    for (int r = 0; r < in.rowCount(); ++r) {
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(in.text(r, c), "") << r; // hidden rows IN05 ... IN10 included
            EXPECT_EQ(in.ticked(r, c), (r + c) % 2 == 0) << r;
        }
    }
}
