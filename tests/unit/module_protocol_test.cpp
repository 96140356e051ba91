#include "links/ModuleClient.h"
#include "protocol/ModuleProtocol.h"

#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::module;

namespace {

QByteArray header(int type, quint16 seq = 0x0102, int version = 1)
{
    QByteArray h("KM");
    h += char(version);
    h += char(type);
    h += char(seq >> 8);
    h += char(seq & 0xff);
    return h;
}

} // namespace

TEST(ModuleProtocol, EncodesEveryMessageAsDocumented)
{
    struct Case {
        Message message;
        QByteArray datagram;
    };
    auto msg = [](Message::Type t, quint16 seq, QList<QPair<QByteArray, QByteArray>> f) {
        Message m;
        m.type = t;
        m.sequence = seq;
        m.fields = std::move(f);
        return m;
    };
    const std::vector<Case> cases = {
        {msg(Message::Discover, 1, {}), header(0x01, 1)},
        {msg(Message::Select, 0x0102, {{"mac", "00-4B-53-00-00-02"}, {"ip", "127.0.0.2"}}),
         header(0x02) + "mac=00-4B-53-00-00-02\nip=127.0.0.2\n"},
        {msg(Message::Read, 0xFFFF, {{"mac", "M"}, {"key", "C1_CLI_IP4"}}), header(0x03, 0xFFFF) + "mac=M\nkey=C1_CLI_IP4\n"},
        {msg(Message::Write, 7, {{"mac", "M"}, {"password", "57721"}, {"C1_OP", "3"}, {"C1_BAUD", "9600"}}),
         header(0x04, 7) + "mac=M\npassword=57721\nC1_OP=3\nC1_BAUD=9600\n"},
        {msg(Message::ReadAnswer, 9, {{"key", "C1_CLI_IP1"}, {"value", "logs.example.org"}}),
         header(0x83, 9) + "key=C1_CLI_IP1\nvalue=logs.example.org\n"},
        {msg(Message::ReadAnswer, 9, {{"key", "DNS"}, {"value", ""}}), header(0x83, 9) + "key=DNS\nvalue=\n"},
        {msg(Message::Error, 3, {{"code", "3"}, {"text", "wrong password"}}),
         header(0xFF, 3) + "code=3\ntext=wrong password\n"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(encode(c.message), c.datagram) << c.datagram.toHex().constData();
        Message back;
        DecodeError e;
        ASSERT_TRUE(decode(c.datagram, &back, &e)) << decodeErrorText(e).toStdString();
        EXPECT_EQ(back.type, c.message.type);
        EXPECT_EQ(back.sequence, c.message.sequence);
        EXPECT_EQ(back.fields, c.message.fields);
    }
}

TEST(ModuleProtocol, RefusesToEncodeWhatCannotTravel)
{
    const QList<QPair<QByteArray, QByteArray>> bad[] = {
        {{"key", "line\nbreak"}},            // LF inside a value
        {{"key", QByteArray("nul\0x", 5)}},  // control byte
        {{"Mixed", "x"}},                    // neither lower nor upper case
        {{"", "x"}},                         // no name
        {{"key", QByteArray(100, 'a')}},     // value longer than 99
        {{"bad name", "x"}},
    };
    for (const auto &fields : bad) {
        Message m;
        m.type = Message::Read;
        m.fields = fields;
        EXPECT_TRUE(encode(m).isEmpty()) << fields.first().first.constData();
    }
    Message big;
    big.type = Message::Write;
    for (int i = 0; i < 30; ++i)
        big.add("K" + QByteArray::number(i), QByteArray(60, 'v'));
    EXPECT_TRUE(encode(big).isEmpty()); // more than MaxDatagramSize
    big.fields.resize(10);
    EXPECT_FALSE(encode(big).isEmpty());
}

TEST(ModuleProtocol, MalformedTruncatedAndOversizedDatagramsFailClearly)
{
    struct Case {
        QByteArray datagram;
        DecodeError error;
    };
    const QByteArray good = header(0x83) + "key=IP\nvalue=127.0.0.2\n";
    const std::vector<Case> cases = {
        {QByteArray(), DecodeError::TooShort},
        {"K", DecodeError::TooShort},
        {good.left(5), DecodeError::TooShort},                   // header cut
        {good.left(good.size() - 1), DecodeError::BadField},      // last field cut before its LF
        {good.left(10), DecodeError::BadField},                   // cut inside a name
        {"XX" + good.mid(2), DecodeError::BadMagic},
        {"#1#STATUS#", DecodeError::BadMagic},                    // a logger command is not for us
        {header(0x83, 1, 2) + "key=IP\n", DecodeError::BadVersion},
        {header(0x83, 1, 0), DecodeError::BadVersion},
        {header(0x42), DecodeError::UnknownType},
        {header(0x00), DecodeError::UnknownType},
        {header(0x83) + "novalue\n", DecodeError::BadField},
        {header(0x83) + "=x\n", DecodeError::BadField},
        {header(0x83) + "key=a\rb\n", DecodeError::BadField},
        {header(0x83) + QByteArray("key=a\0b\n", 8), DecodeError::BadField},
        {header(0x83) + "key=" + QByteArray(100, 'x') + "\n", DecodeError::BadField},
        {header(0x83) + "Key=x\n", DecodeError::BadField},
        {header(0x83) + QByteArray(1400, 'a'), DecodeError::TooLong},
        {QByteArray(70000, '\xff'), DecodeError::TooLong},
    };
    for (const Case &c : cases) {
        Message m;
        DecodeError e = DecodeError::None;
        EXPECT_FALSE(decode(c.datagram, &m, &e)) << c.datagram.left(40).toHex().constData();
        EXPECT_EQ(e, c.error) << c.datagram.left(40).toHex().constData();
        EXPECT_FALSE(decodeErrorText(e).isEmpty());
    }
    // The sequence number survives a bad body, so an error answer can name it.
    Message m;
    decode(header(0x03, 0x0A0B) + "broken", &m);
    EXPECT_EQ(m.sequence, 0x0A0B);
    // Exactly the largest datagram is still taken.
    QByteArray max = header(0x83);
    while (max.size() + 12 <= MaxDatagramSize)
        max += "v=" + QByteArray(9, 'x') + "\n";
    EXPECT_TRUE(decode(max, &m));
}

TEST(ModuleProtocol, DottedAddressesAndScanLists)
{
    for (const char *yes : {"0.0.0.0", "127.0.0.1", "192.168.1.254", "255.255.255.255"})
        EXPECT_TRUE(isDottedIpv4(yes)) << yes;
    for (const char *no : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "a.b.c.d", "1.2.3.", " 1.2.3.4", "1..2.3", "1234.1.1.1",
                           "invalid", "logs.example.org"})
        EXPECT_FALSE(isDottedIpv4(no)) << no;

    QList<QHostAddress> out;
    ASSERT_TRUE(parseScanAddresses(QStringLiteral("127.0.0.1-3, 127.0.9.9"), &out));
    ASSERT_EQ(out.size(), 4);
    EXPECT_EQ(out[0], QHostAddress("127.0.0.1"));
    EXPECT_EQ(out[2], QHostAddress("127.0.0.3"));
    EXPECT_EQ(out[3], QHostAddress("127.0.9.9"));
    QString error;
    for (const char *bad : {"127.0.0.5-2", "127.0.0.1-300", "nothing", "::1", "127.0.0.1-x"}) {
        EXPECT_FALSE(parseScanAddresses(QString::fromLatin1(bad), &out, &error)) << bad;
        EXPECT_FALSE(error.isEmpty());
    }
    // The test main replaces the default list by loopback addresses.
    const QList<QHostAddress> scan = moduleScanAddresses();
    for (const QHostAddress &a : scan)
        EXPECT_TRUE(a.isLoopback()) << a.toString().toStdString();
}

TEST(ModuleProtocol, PcAddressForALoopbackModuleIsLoopback)
{
    EXPECT_EQ(pcAddressFor("127.0.0.2"), QByteArray("127.0.0.1"));
    EXPECT_TRUE(isDottedIpv4(pcAddressFor("10.1.2.3")));
    EXPECT_TRUE(isDottedIpv4(pcAddressFor("")));
}
