#include "protocol/CommandText.h"

#include <gtest/gtest.h>

using namespace kaspen;

struct TemplateCase {
    const char *tmpl;
    std::vector<TemplateArg> args;
    QByteArray expected;
};

TEST(CommandText, CatalogueTemplatesFillAsTheLoggerExpects)
{
    const QByteArray pw = "111111";
    const QByteArray sp = "222222";
    const std::vector<std::pair<QByteArray, QByteArray>> cases = {
        {formatTemplate(templates::ReadBlock1, {pw}), "111111#CHEACK1#"},
        {formatTemplate(templates::ReadBlock2, {pw}), "111111#CHEACK2#"},
        {formatTemplate(templates::ReadBlock3, {pw}), "111111#CHEACK3#"},
        {formatTemplate(templates::ReadBlock4, {pw}), "111111#CHEACK4#"},
        {formatTemplate(templates::Status, {pw}), "111111#STATUS#"},
        {formatTemplate(templates::Version, {pw}), "111111#CHECKVR"},
        {formatTemplate(templates::Reset, {sp}), "222222#RESET#"},
        {formatTemplate(templates::SetupState, {sp, 0}), "222222#SE:0#"},
        {formatTemplate(templates::SetupState, {sp, 1}), "222222#SE:1#"},
        {formatTemplate(templates::StationId, {sp, "000007"}), "222222#ST:000007#"},
        {formatTemplate(templates::DateTime, {sp, "2612101045"}), "222222#TM:2612101045#"},
        {formatTemplate(templates::LogInterval, {sp, "3"}), "222222#SA:3#"},
        {formatTemplate(templates::UploadSetup, {sp, "5", "0", "10"}), "222222#SD:05,0,10#"},
        {formatTemplate(templates::UploadSetup, {sp, "11", "1", "3"}), "222222#SD:11,1,3#"},
        {formatTemplate(templates::ControlCentre, {sp, "0123456789", "4"}), "222222#CP:0123456789!,4#"},
        {formatTemplate(templates::AlarmPhone, {sp, 3, "+4912345"}), "222222#AP3:+4912345!#"},
        {formatTemplate(templates::Passwords, {sp, "333333", "444444"}), "222222#PS:333333,444444#"},
        {formatTemplate(templates::AnalogLimits, {sp, 2, "a", "b", "c", "d", "e", "f"}), "222222#AD02:a,b,c,d,e,f#"},
        {formatTemplate(templates::Analog13, {sp, "1", "2", "3"}), "222222#AD13:1,2,3#"},
        {formatTemplate(templates::TempDelay, {sp, 4, "0010"}), "222222#TD4:0010#"},
        {formatTemplate(templates::PulseStart, {sp, 2, "100"}), "222222#LP2:100#"},
        {formatTemplate(templates::DigitalModes, {sp, "0101"}), "222222#PA:0101#"},
        {formatTemplate(templates::RelaySwitch, {sp, 1, "1"}), "222222#O1:1#"},
        {formatTemplate(templates::RelayAssociation, {sp, 2, "HL"}), "222222#OC2:HL#"},
        {formatTemplate(templates::RelayTimeLapse, {sp, 2, "0030"}), "222222#OT2:0030#"},
        {formatTemplate(templates::ReadSms, {pw, "01"}), "111111#SMS:01#"},
        {formatTemplate(templates::SmsSlot, {sp, "01", "HIGH"}), "222222#SMSSET01:HIGH#"},
        {formatTemplate(templates::SmsSlotWithDelay, {sp, "01", "HIGH", 5, "x"}), "222222#SMSSET01:HIGH,05,x#"},
        {formatTemplate(templates::Redeem, {pw, "Q"}), "111111#REDEEMQ#"},
        // An empty password still yields the code field.
        {formatTemplate(templates::ReadBlock1, {""}), "#CHEACK1#"},
    };
    for (const auto &[got, want] : cases)
        EXPECT_EQ(got, want);
}

TEST(CommandText, PrintfConversionsUsedByThePages)
{
    EXPECT_EQ(formatTemplate("%.6lld", {41LL}), "000041");
    EXPECT_EQ(formatTemplate("%06s", {"12"}), "000012");
    EXPECT_EQ(formatTemplate("%04d", {7}), "0007");
    EXPECT_EQ(formatTemplate("%02X ", {0x2f}), "2F ");
    EXPECT_EQ(formatTemplate("%-4s|", {"ab"}), "ab  |");
    EXPECT_EQ(formatTemplate("100%%", {}), "100%");
    EXPECT_EQ(formatTemplate("%d", {-5}), "-5");
    EXPECT_EQ(formatTemplate("%03d", {-5}), "-05");
}

TEST(CommandText, GsmModemWrapsWithThePhoneNumbersLength)
{
    EXPECT_EQ(wrapForGsmModem("01234567890", "111111#CHEACK1#"), "AT+BJSD=11,01234567890,111111#CHEACK1#\r\n");
    EXPECT_EQ(wrapForGsmModem("+4912345678", "x"), "AT+BJSD=11,+4912345678,x\r\n");
    EXPECT_EQ(frameForLink(LinkGsmModem, "123", "T"), "AT+BJSD=3,123,T\r\n");
    EXPECT_EQ(frameForLink(LinkRs232, "123", "T"), "T");
    EXPECT_EQ(frameForLink(LinkEthernet, "123", "T"), "T");
}

TEST(CommandText, HexadecimalForm)
{
    struct Case {
        QByteArray hex;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"23 41 47", QByteArray("\x23\x41\x47")},
        {"2 3", QByteArray()},
        {"23 41 47 52 3A", QByteArray("#AGR:")},
        {"2341", QByteArray("#A")},
        {"aBcD", QByteArray("\xab\xcd")},
        {"23 4", QByteArray("#")},
        {"23 zz 41", QByteArray("#")},
        {"  ", QByteArray()},
        {"00 23", QByteArray("\0#", 2)},
    };
    for (const auto &c : cases) {
        const auto r = hexToBytes(c.hex);
        EXPECT_FALSE(r.tooLong) << c.hex.constData();
        EXPECT_EQ(r.bytes, c.bytes) << c.hex.constData();
    }
}

TEST(CommandText, HexadecimalOver256BytesIsRefusedWhole)
{
    QByteArray exact;
    for (int i = 0; i < 256; ++i)
        exact += "41 ";
    const auto ok = hexToBytes(exact);
    EXPECT_FALSE(ok.tooLong);
    EXPECT_EQ(ok.bytes.size(), 256);

    const auto refused = hexToBytes(exact + "42");
    EXPECT_TRUE(refused.tooLong);
    EXPECT_TRUE(refused.bytes.isEmpty());
    EXPECT_FALSE(refused.error.isEmpty());
}

TEST(CommandText, AgrPasswordBytes)
{
    EXPECT_EQ(bytesToHexPairs("222222"), "32 32 32 32 32 32 ");
    EXPECT_EQ(formatTemplate(templates::AgrHex, {bytesToHexPairs("222222"), "31 2C 32"}),
              "32 32 32 32 32 32 23 41 47 52 3A 31 2C 32 23 23 23");
}
