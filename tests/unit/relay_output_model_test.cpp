#include "pages/device/RelayOutputModel.h"
#include "support/PageFixture.h"

#include <functional>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PageFixture;
using Cell = RelayOutputModel::Cell;
using Entries = std::vector<std::pair<int, QByteArray>>;

namespace {
QByteArray pw(const QByteArray &rest) { return "222222" + rest; }

// A model after the first status record of a logger with `relays` relays.
struct RelayFixture {
    explicit RelayFixture(int relays, int model = ModelOrvelA, int link = -1) : f(model, link), m(f.session)
    {
        f.session.profile().relayCount = relays;
        m.handleMessage({msg::FirstStatus, ToRelayOutput, 0, {}, 0});
    }
    int indexOf(const char *name) const { return int(m.relayNames().indexOf(name)); }
    void choose(const char *name) { m.chooseRelay(indexOf(name)); }

    PageFixture f;
    RelayOutputModel m;
};
} // namespace

TEST(RelayOutputModel, RowLabelsInPositionOrder)
{
    const QList<QByteArray> expected = {
        "Operation Mode", "Time Lapse",    "Humidity",      "AD01",          "AD02",          "AD03",
        "AD04",           "AD05",          "AD06",          "Temperature_3", "Temperature_4", "Temperature_5",
        "Temperature_6",  "Temperature_7", "Temperature_8", "Temperature_1", "Temperature_2", "Power Source",
        "IN1",            "IN2",           "IN3",           "IN4"};
    ASSERT_EQ(expected.size(), RelayOutputModel::StatusRows);
    for (int row = 0; row < RelayOutputModel::StatusRows; ++row)
        EXPECT_EQ(RelayOutputModel::statusRowLabel(row), expected[row]) << row;
    EXPECT_EQ(RelayOutputModel::relayControlChoices(0), (QList<QByteArray>{"H - High Alert", "L - Low Alert", "Off"}));
    EXPECT_EQ(RelayOutputModel::relayControlChoices(14), RelayOutputModel::relayControlChoices(0));
    EXPECT_EQ(RelayOutputModel::relayControlChoices(15), (QList<QByteArray>{"On", "Off"}));
    EXPECT_EQ(RelayOutputModel::relayControlChoices(19), (QList<QByteArray>{"On", "Off"}));
}

TEST(RelayOutputModel, RelayNumberIsTheWholeNumberAfterThePrefix)
{
    const std::vector<std::pair<QByteArray, int>> cases = {
        {"Relay_1", 1}, {"Relay_2", 2}, {"Relay_9", 9}, {"Relay_10", 10}, {"Relay_12", 12},
        {" Relay_3 ", 3}, {"4", 4}, {"", 0}, {"Relay_", 0}, {"Relay", 0}, {"On", 0},
    };
    for (const auto &[name, n] : cases)
        EXPECT_EQ(RelayOutputModel::relayNumber(name), n) << name.data();
}

TEST(RelayOutputModel, BeforeTheFirstStatusRecordTheListsHaveNoRows)
{
    PageFixture f(ModelOrvelA);
    RelayOutputModel m(f.session);
    EXPECT_EQ(m.statusRowCount(), 0);
    EXPECT_EQ(m.alarmRowCount(), 0);
    EXPECT_EQ(m.relayNames(), (QList<QByteArray>{"Relay_1", "Relay_2"}));
    EXPECT_FALSE(m.detailsEnabled());
    m.chooseRelay(0);
    EXPECT_TRUE(m.detailsEnabled());
    ASSERT_TRUE(m.sendAssociation());
    EXPECT_EQ(f.line->written, QList<QByteArray>{pw("#OC1:#")});
    EXPECT_EQ(f.session.batchTable().entries(), (Entries{{14013, pw("#OC1:#")}}));
}

// ---- association strings ---------------------------------------------------

struct AssocCase {
    const char *name;
    std::vector<std::pair<int, QByteArray>> cells; // row -> Relay Control text
    bool startEmpty; // rows as after the rebuild or Clear; otherwise every row "Off" first
    QByteArray expected;
};

TEST(RelayOutputModel, AssociationStrings)
{
    const QByteArray allOff = "00000000000000000000000000";
    const std::vector<AssocCase> cases = {
        {"humidity high, AD02 low, IN1 on", {{0, "High"}, {2, "Low"}, {16, "On"}}, false, "10200000000000001000000000"},
        {"every alert row low, every on/off row on",
         {{0, "Low"}, {1, "Low"}, {2, "Low"}, {3, "Low"}, {4, "Low"}, {5, "Low"}, {6, "Low"}, {7, "Low"},
          {8, "Low"}, {9, "Low"}, {10, "Low"}, {11, "Low"}, {12, "Low"}, {13, "Low"}, {14, "Low"},
          {15, "On"}, {16, "On"}, {17, "On"}, {18, "On"}, {19, "On"}},
         false, "22222222222222211111000000"},
        {"chosen but not yet normalised", {{3, "L - Low Alert"}, {4, "H - High Alert"}}, false,
         "00021000000000000000000000"},
        {"anything else is off", {{0, "H"}, {1, "Off"}, {15, "Off"}, {16, "x"}}, false, allOff},
        {"empty rows keep their positions", {{17, "On"}}, true, "00000000000000000100000000"},
        {"all empty", {}, true, allOff},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RelayFixture r(2);
        r.choose("Relay_1");
        if (!c.startEmpty)
            for (int row = 0; row < RelayOutputModel::ChannelCount; ++row)
                r.m.setRelayControl(row, "Off");
        for (const auto &[row, text] : c.cells)
            r.m.setRelayControl(row, text);
        const QByteArray s = r.m.associationString();
        EXPECT_EQ(s, c.expected);
        EXPECT_EQ(s.size(), 26);
        ASSERT_TRUE(r.m.sendAssociation());
        EXPECT_EQ(r.f.lastWritten(), pw("#OC1:" + c.expected + "#"));
    }
}

TEST(RelayOutputModel, FocusNormalisesTheLongChoices)
{
    RelayFixture r(2);
    r.m.setRelayControl(0, "H - High Alert");
    r.m.setRelayControl(1, "L - Low Alert");
    r.m.setRelayControl(2, "Off");
    r.m.normaliseRelayControls();
    EXPECT_EQ(r.m.relayControl(0), "High");
    EXPECT_EQ(r.m.relayControl(1), "Low");
    EXPECT_EQ(r.m.relayControl(2), "Off");
}

// ---- set buttons -------------------------------------------------------

struct RelaySendCase {
    const char *name;
    int relays;
    const char *relay;
    std::function<void(RelayOutputModel &)> fill;
    std::function<bool(RelayOutputModel &)> press;
    int key, code;
    QByteArray text;
};

TEST(RelayOutputModel, SetButtonsRecordUnderTheRelayKeyAndRunUnderTheBaseCode)
{
    using M = RelayOutputModel;
    const std::vector<RelaySendCase> cases = {
        {"relay 2 on", 2, "Relay_2", [](M &m) { m.setOnOffIndex(0); }, &M::sendOnOff, 14021, 14001, pw("#O2:1#")},
        {"relay 1 off", 2, "Relay_1", [](M &m) { m.setOnOffText("Off"); }, &M::sendOnOff, 14011, 14001, pw("#O1:0#")},
        {"typed text other than On", 2, "Relay_1", [](M &m) { m.setOnOffText("on"); }, &M::sendOnOff, 14011, 14001,
         pw("#O1:0#")},
        {"time lapse 30", 2, "Relay_1",
         [](M &m) {
             m.setTimeLapse("30");
             m.leaveTimeLapse();
             EXPECT_EQ(m.timeLapse(), "0030");
         },
         &M::sendTimeLapse, 14012, 14002, pw("#OT1:0030#")},
        {"time lapse padded when sent", 2, "Relay_2", [](M &m) { m.setTimeLapse("5"); }, &M::sendTimeLapse, 14022,
         14002, pw("#OT2:0005#")},
        {"time lapse 4 digits", 2, "Relay_1", [](M &m) { m.setTimeLapse("1234"); }, &M::sendTimeLapse, 14012, 14002,
         pw("#OT1:1234#")},
        {"relay 12 of 12", 12, "Relay_12", [](M &m) { m.setOnOffIndex(0); }, &M::sendOnOff, 14121, 14001,
         pw("#O12:1#")},
        {"associations of relay 3", 3, "Relay_3", [](M &m) { m.setRelayControl(19, "On"); }, &M::sendAssociation,
         14033, 14003, pw("#OC3:00000000000000000001000000#")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RelayFixture r(c.relays);
        r.choose(c.relay);
        c.fill(r.m);
        r.f.forget();
        r.f.session.batchTable().clear();
        ASSERT_TRUE(c.press(r.m));
        EXPECT_EQ(r.f.line->written, QList<QByteArray>{c.text});
        EXPECT_EQ(r.f.session.batchTable().entries(), (Entries{{c.key, c.text}}));
        EXPECT_EQ(r.f.session.serialRecord().commandCode, c.code);
        EXPECT_EQ(r.f.logs, QList<QByteArray>{c.text});
    }
}

TEST(RelayOutputModel, EthernetCarriesTheBaseCode)
{
    RelayFixture r(2, ModelOrvelB);
    r.choose("Relay_2");
    r.m.setOnOffIndex(1);
    ASSERT_TRUE(r.m.sendOnOff());
    ASSERT_EQ(r.f.ethernet.size(), 1);
    EXPECT_EQ(r.f.ethernet[0].code, 14001);
    EXPECT_EQ(r.f.ethernetSent, QList<QByteArray>{pw("#O2:0#")});
    EXPECT_EQ(r.f.session.batchTable().text(14021), pw("#O2:0#"));
    EXPECT_EQ(r.f.logs, QList<QByteArray>{pw("#O2:0#")});
}

TEST(RelayOutputModel, RefusalsSendNothing)
{
    struct Case {
        const char *name;
        std::function<void(RelayFixture &)> prepare;
        std::function<bool(RelayOutputModel &)> press;
        QStringList messages;
        MessageKind kind;
    };
    using M = RelayOutputModel;
    const std::vector<Case> cases = {
        {"no relay chosen", [](RelayFixture &r) { r.m.setOnOffIndex(0); }, &M::sendOnOff,
         {"Relay Channel_No. is empty!"}, MessageKind::Error},
        {"no relay for Set", [](RelayFixture &) {}, &M::sendAssociation, {"Relay Channel_No. is empty!"},
         MessageKind::Error},
        {"typed name without number", [](RelayFixture &r) { r.m.setRelayChannelText("Relay_"); r.m.setTimeLapse("1"); },
         &M::sendTimeLapse, {"Relay Channel_No. is empty!"}, MessageKind::Error},
        {"empty on/off is silent", [](RelayFixture &r) { r.choose("Relay_1"); }, &M::sendOnOff, {}, MessageKind::Standard},
        {"empty time lapse is silent", [](RelayFixture &r) { r.choose("Relay_1"); }, &M::sendTimeLapse, {},
         MessageKind::Standard},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RelayFixture r(2);
        c.prepare(r);
        r.f.sink.clear();
        EXPECT_FALSE(c.press(r.m));
        EXPECT_EQ(r.f.sink.texts(), c.messages);
        if (!c.messages.isEmpty())
            EXPECT_EQ(r.f.sink.shown[0].kind, c.kind);
        EXPECT_TRUE(r.f.line->written.isEmpty());
        EXPECT_TRUE(r.f.session.batchTable().isEmpty());
    }
}

TEST(RelayOutputModel, CommandGuardTestsInOrder)
{
    struct Case {
        const char *name;
        int model, link;
        std::function<void(PageFixture &)> prepare;
        QString message;
    };
    const std::vector<Case> cases = {
        {"serial closed", ModelOrvelA, LinkRs232, [](PageFixture &f) { f.line->close(); },
         "Before Setup Command ,please Connect!"},
        {"ethernet not connected", ModelOrvelB, LinkEthernet, [](PageFixture &f) { f.ethernetLine->close(); },
         "Before Setup Command ,please Connect!"},
        {"in progress", ModelOrvelA, LinkGsmModem, [](PageFixture &f) { f.session.serialRecord().inProgress = true; },
         "Command is in progress..."},
        {"no id", ModelOrvelB, LinkEthernet, [](PageFixture &f) { f.setEntry("", "1", "1", "1"); },
         "Before Setup Command ,please Select Device ID!"},
        {"serial phone", ModelOrvelA, LinkRs232, [](PageFixture &f) { f.setEntry("000001", "", "1", "1"); },
         "Device Phone Number is empty ,please Edit Phone Book!"},
        {"ethernet phone", ModelOrvelB, LinkEthernet, [](PageFixture &f) { f.setEntry("000001", "", "1", "1"); },
         "Device Phone Number is NULL ,please Edit Phone Book!"},
        {"serial query", ModelOrvelA, LinkRs232, [](PageFixture &f) { f.setEntry("000001", "NULL", "", "1"); },
         "Device QueryPassword is empty ,please Edit Phone Book!"},
        {"ethernet query", ModelOrvelB, LinkEthernet, [](PageFixture &f) { f.setEntry("000001", "1", "", "1"); },
         "Device QueryPassword is NULL ,please Edit Phone Book!"},
        {"serial setup", ModelOrvelA, LinkGsmModem, [](PageFixture &f) { f.setEntry("000001", "1", "1", ""); },
         "Device SetupPassword is empty ,please Edit Phone Book!"},
        {"ethernet setup", ModelOrvelB, LinkEthernet, [](PageFixture &f) { f.setEntry("000001", "1", "1", ""); },
         "Device SetupPassword is NULL ,please Edit Phone Book!"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RelayFixture r(2, c.model, c.link);
        c.prepare(r.f);
        r.choose("Relay_1");
        r.m.setOnOffIndex(0);
        r.f.sink.clear();
        EXPECT_FALSE(r.m.sendOnOff());
        EXPECT_EQ(r.f.sink.texts(), QStringList{c.message});
        EXPECT_TRUE(r.f.sent().isEmpty());
        EXPECT_TRUE(r.f.session.batchTable().isEmpty());
    }
}

// ---- reading back ------------------------------------------------------------

TEST(RelayOutputModel, SwitchingStatesOfTwoRelays)
{
    RelayFixture r(2);
    r.m.handleMessage({msg::StatusReply, ToRelayOutput, 0, "#STA:000001;K01:0000;O01:10;A00:1;#", 0});
    EXPECT_EQ(r.m.statusCell(0, 1), (Cell{"On", true}));
    EXPECT_EQ(r.m.statusCell(0, 2), (Cell{"Off", false}));
    EXPECT_EQ(r.f.session.batchTable().entries(), (Entries{{14011, pw("#O1:1#")}, {14021, pw("#O2:0#")}}));
    // Another character leaves the cell but is still recorded.
    r.m.readSwitchingStates(";O01:x1;");
    EXPECT_EQ(r.m.statusCell(0, 1), (Cell{"On", true}));
    EXPECT_EQ(r.m.statusCell(0, 2), (Cell{"On", true}));
    EXPECT_EQ(r.f.session.batchTable().text(14011), pw("#O1:x#"));
    // The key includes its semicolon: "COUT01:" or a leading "O01:" do not count.
    r.m.readSwitchingStates("O01:00;");
    EXPECT_EQ(r.m.statusCell(0, 2), (Cell{"On", true}));
}

TEST(RelayOutputModel, TimeLapsesAreReadAndRecordedEvenWhenMissing)
{
    RelayFixture r(3);
    r.m.handleMessage({msg::Block1, ToRelayOutput | ToDeviceSetup, 0, "#STC1:000001;OUT1:0030;OUT3:;#", 0});
    EXPECT_EQ(r.m.statusCell(1, 1).text, "0030");
    EXPECT_EQ(r.m.statusCell(1, 2).text, "");
    EXPECT_EQ(r.m.statusCell(1, 3).text, "");
    EXPECT_EQ(r.m.storedTimeLapse(1), "0030");
    EXPECT_EQ(r.f.session.batchTable().entries(),
              (Entries{{14012, pw("#OT1:0030#")}, {14022, pw("#OT2:#")}, {14032, pw("#OT3:#")}}));
}

TEST(RelayOutputModel, AssociationsShowInTheStatusMatrix)
{
    RelayFixture r(2);
    const QByteArray record = "#STC3:000001;COUT1:102000000000000x1000000000;COUT2:12000000000000000000000000;#";
    r.m.handleMessage({msg::Block3, ToRelayOutput, 0, record, 0});
    EXPECT_EQ(r.f.session.batchTable().entries(),
              (Entries{{14013, pw("#OC1:102000000000000x1000000000#")}, {14023, pw("#OC2:12000000000000000000000000#")}}));
    // Relay 1: Humidity H, AD01 Off, AD02 L, Power Source stays empty ('x'), IN1 On.
    EXPECT_EQ(r.m.statusCell(2, 1), (Cell{"H", true}));
    EXPECT_EQ(r.m.statusCell(3, 1), (Cell{"Off", false}));
    EXPECT_EQ(r.m.statusCell(4, 1), (Cell{"L", true}));
    EXPECT_EQ(r.m.statusCell(17, 1), (Cell{"", false}));
    EXPECT_EQ(r.m.statusCell(18, 1), (Cell{"On", true}));
    EXPECT_EQ(r.m.statusCell(21, 1), (Cell{"Off", false}));
    EXPECT_EQ(r.m.statusCell(3, 2), (Cell{"L", true}));

    // Choosing Relay_2 fills the details from what was read.
    r.m.readSwitchingStates(";O01:01;");
    r.m.readTimeLapses("OUT2:0007;");
    r.choose("Relay_2");
    EXPECT_TRUE(r.m.detailsEnabled());
    EXPECT_EQ(r.m.relayControl(0), "High");
    EXPECT_EQ(r.m.relayControl(1), "Low");
    for (int row = 2; row < 20; ++row)
        EXPECT_EQ(r.m.relayControl(row), "Off") << row;
    EXPECT_EQ(r.m.onOffIndex(), 0);
    EXPECT_EQ(r.m.onOffText(), "On");
    EXPECT_EQ(r.m.timeLapse(), "0007");

    // Relay 1: an unknown character at an alert row is shown as it is,
    // at an on/off row as "On".
    r.m.readAssociations("COUT1:30000000000000003;COUT2:;");
    r.choose("Relay_1");
    EXPECT_EQ(r.m.relayControl(0), "3");
    EXPECT_EQ(r.m.relayControl(15), "Off");
    EXPECT_EQ(r.m.relayControl(16), "On");
    EXPECT_EQ(r.m.relayControl(17), "Off"); // string ended: row kept its text
    EXPECT_EQ(r.m.onOffIndex(), 1);
}

TEST(RelayOutputModel, ChoosingNothingDisablesTheDetails)
{
    RelayFixture r(2);
    r.choose("Relay_1");
    EXPECT_TRUE(r.m.detailsEnabled());
    r.m.chooseRelay(-1);
    EXPECT_FALSE(r.m.detailsEnabled());
    EXPECT_EQ(r.m.relayChannelText(), "");
}

TEST(RelayOutputModel, RebuildDoesNotRepeatRelays)
{
    for (const int link : {int(LinkRs232), int(LinkEthernet)}) {
        SCOPED_TRACE(link);
        RelayFixture r(4, ModelOrvelB, link);
        EXPECT_EQ(r.m.relayNames(), (QList<QByteArray>{"Relay_1", "Relay_2", "Relay_3", "Relay_4"}));
        EXPECT_EQ(r.m.relayColumnCount(), 4);
        EXPECT_EQ(r.m.statusRowCount(), 22);
        EXPECT_EQ(r.m.alarmRowCount(), 20);
        r.choose("Relay_3");
        r.m.readSwitchingStates(";O01:1111;");
        r.m.handleMessage({msg::FirstStatus, ToRelayOutput, 0, {}, 0});
        EXPECT_EQ(r.m.relayNames().size(), 4);
        EXPECT_EQ(r.m.relayColumnCount(), 4);
        EXPECT_EQ(r.m.statusCell(0, 1).text, ""); // rows refilled empty
        // Ethernet empties the list; the serial links keep the choice.
        EXPECT_EQ(r.m.chosenRelayIndex(), link == LinkEthernet ? -1 : 2);
        EXPECT_EQ(r.m.detailsEnabled(), link != LinkEthernet);

        r.f.session.profile().relayCount = 1;
        r.m.rebuild();
        EXPECT_EQ(r.m.relayNames(), (QList<QByteArray>{"Relay_1", "Relay_2"}));
        EXPECT_EQ(r.m.relayColumnCount(), 2);
        EXPECT_EQ(r.m.chosenRelayIndex(), -1);
    }
}

TEST(RelayOutputModel, ClearEmptiesCellsAndDetailsButKeepsWhatWasRead)
{
    RelayFixture r(2);
    r.m.readSwitchingStates(";O01:11;");
    r.m.readAssociations("COUT1:11111111111111111111000000;");
    r.choose("Relay_1");
    r.m.setTimeLapse("0010");
    r.m.handleMessage({msg::ClearFields, ToRelayOutput, 0, {}, 0});
    for (int row = 0; row < 22; ++row)
        for (int relay = 1; relay <= 2; ++relay)
            EXPECT_EQ(r.m.statusCell(row, relay), Cell{}) << row << "/" << relay;
    for (int row = 0; row < 20; ++row)
        EXPECT_EQ(r.m.relayControl(row), "");
    EXPECT_EQ(r.m.timeLapse(), "");
    EXPECT_EQ(r.m.chosenRelayIndex(), -1);
    EXPECT_EQ(r.m.relayChannelText(), "");
    EXPECT_EQ(r.m.onOffIndex(), -1);
    EXPECT_EQ(r.m.storedAssociation(1), "11111111111111111111000000");
    r.choose("Relay_1");
    EXPECT_EQ(r.m.relayControl(0), "High");
}
