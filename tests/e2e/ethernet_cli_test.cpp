// kaspen-cli's Ethernet commands against kaspen-sim modules on loopback.

#include "support/SimPeer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>

using kaspen::test::SimProcess;

namespace {

struct CliResult {
    int exitCode = -1;
    QByteArray out, err;
};

struct EthernetCli : ::testing::Test {
    // Modules on 127.0.61.2 and 127.0.61.3; the search looks at 127.0.61.1-4.
    CliResult cli(const QStringList &args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KASPEN_SCAN_ADDRESSES"), QStringLiteral("127.0.61.1-4"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KASPEN_BIN_DIR "/kaspen-cli"), QStringList{"--data-dir", dir.path()} + args);
        CliResult r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
    QByteArray idOf(const QByteArray &mac)
    {
        const CliResult r = cli({"phonebook", "--ethernet", "list"});
        for (const QByteArray &line : r.out.split('\n')) {
            if (line.endsWith(mac))
                return line.split('\t').value(0);
        }
        return {};
    }
    QTemporaryDir dir;
    QTemporaryDir state;
};

} // namespace

TEST_F(EthernetCli, ScanShowSetAndTheEthernetBook)
{
    // Nothing on the network yet.
    CliResult r = cli({"scan"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("No search to the Nodal equipment")) << r.err.constData();

    const QString stateB = state.path() + QStringLiteral("/b.txt");
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    const QString localPort = QString::number(probe.localPort());
    probe.close();
    SimProcess a({"module", "--address", "127.0.61.2", "--logger", "B", "--set", "C1_CLI_PP4=" + localPort});
    SimProcess b({"module", "--address", "127.0.61.3", "--mac", "00-4B-53-61-00-03", "--state", stateB});
    ASSERT_TRUE(a.ok()) << a.errorOutput().constData();
    ASSERT_TRUE(b.ok()) << b.errorOutput().constData();

    // A known module keeps its Connect ID; the other gets its number.
    r = cli({"phonebook", "--ethernet", "add", "--id", "42", "--phone", "0123456789", "--enquiry", "111111", "--setup",
             "222222", "--ip", "10.0.0.3", "--mac", "00-4b-53-61-00-03"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    r = cli({"scan"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.startsWith("No\tIP Address\tMAC Address\n")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("\t127.0.61.2\t00-4B-53-00-00-02\n")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("\t127.0.61.3\t00-4B-53-61-00-03\n")) << r.out.constData();
    r = cli({"phonebook", "--ethernet", "list"});
    EXPECT_TRUE(r.out.contains("000042\t0123456789\t111111\t222222\t127.0.61.3\t00-4B-53-61-00-03\n")) << r.out.constData();
    const QByteArray idA = idOf("00-4B-53-00-00-02");
    ASSERT_EQ(idA.size(), 6);

    r = cli({"module", "show", "000042"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("IP\t127.0.61.3\n")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("C1_CLI_IP4\t127.0.0.1\n")) << r.out.constData();

    // The page's checks, then the write; the module keeps it (state file).
    struct Case {
        QStringList args;
        int exitCode;
        QByteArray text;
    };
    const std::vector<Case> cases = {
        {{"module", "set", "000042", "C1_PORT", "70000"}, 64, "Ethernet Port value Can not Over 65535!"},
        {{"module", "set", "000042", "C1_PORT", "20002"}, 64, "Server Port is in use, please select other port number!"},
        {{"module", "set", "000042", "GATEWAY", ""}, 64, "Ethernet Gateway value Can not be Null!"},
        {{"module", "set", "000042", "NOPE", "1"}, 65, "module set takes one of the keys"},
        {{"module", "set", "000099", "DNS", "127.0.0.5"}, 64, "The Connect ID 000099 is not in the Ethernet phone book."},
        {{"module", "set", "000042", "C1_CLI_PP3", "4503"}, 0, "Command Success"},
        {{"module", "set", "000042", "C1_CLI_IP1", "logs.example.org"}, 0, "Command Success"},
    };
    for (const Case &c : cases) {
        r = cli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << r.err.constData();
        EXPECT_TRUE((r.out + r.err).contains(c.text)) << c.args.join(' ').toStdString() << (r.out + r.err).constData();
    }
    // The Check buttons' reads: what was just written comes back from the
    // module, a domain name as a domain name.
    r = cli({"module", "check", "000042", "servers"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("C1_CLI_IP1\tlogs.example.org\n")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("C1_CLI_PP3\t4503\n")) << r.out.constData();
    EXPECT_TRUE(r.out.endsWith("Command Success\n")) << r.out.constData();
    r = cli({"module", "check", "000042", "device"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.startsWith("IP\t127.0.61.3\nC1_PORT\t")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("\nDNS\t")) << r.out.constData();
    r = cli({"module", "check", "000042", "local"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.startsWith("C1_CLI_IP4\t127.0.0.1\nC1_CLI_PP4\t")) << r.out.constData();
    r = cli({"module", "check", "000042", "gateway"});
    EXPECT_EQ(r.exitCode, 65);
    EXPECT_TRUE(r.err.contains("module check takes device, local or servers")) << r.err.constData();

    QFile f(stateB);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    EXPECT_TRUE(saved.contains("C1_CLI_PP3=4503\n")) << saved.constData();
    EXPECT_TRUE(saved.contains("C1_CLI_IP1=logs.example.org\n"));
    EXPECT_TRUE(saved.contains("C1_OP=3\n")); // the client assignment

    // Device commands over UDP after the client assignment and the checks.
    r = cli({"phonebook", "--ethernet", "edit", "--id", idA, "--phone", "0123456789", "--enquiry", "111111", "--setup",
             "222222"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    r = cli({"--link", "ethernet", "--device", idA, "status"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData() << r.out.constData();
    EXPECT_TRUE(r.out.contains("111111#STATUS#")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("#STA:")) << r.out.constData();
    EXPECT_TRUE(r.out.endsWith("Command Success\n")) << r.out.constData();
    r = cli({"--link", "ethernet", "--device", idA, "read", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("#STC1:")) << r.out.constData();

    // The Ethernet book with the page's rules.
    const std::vector<Case> book = {
        {{"phonebook", "--ethernet", "edit", "--id", idA, "--phone", "12x", "--enquiry", "111111", "--setup", "222222"},
         64, "PhoneNumber is error !"},
        {{"phonebook", "--ethernet", "edit", "--id", idA, "--phone", "0123", "--enquiry", "11", "--setup", "222222"},
         64, "GSM Quiry Password Is 6 Number!"},
        {{"phonebook", "--ethernet", "add", "--id", "7", "--phone", "1", "--enquiry", "111111", "--setup", "222222",
          "--ip", "1.2.3", "--mac", "00-00-00-00-00-07"},
         64, "is not an IP address"},
        {{"phonebook", "--ethernet", "edit", "--id", idA, "--phone", "0987", "--enquiry", "333333", "--setup", "444444"},
         0, "edit " + idA},
        {{"phonebook", "--ethernet", "delete", "--id", "000042"}, 0, "delete 000042"},
    };
    for (const Case &c : book) {
        r = cli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << r.err.constData();
        EXPECT_TRUE((r.out + r.err).contains(c.text)) << c.args.join(' ').toStdString() << (r.out + r.err).constData();
    }
    r = cli({"phonebook", "--ethernet", "list"});
    EXPECT_TRUE(r.out.contains(idA + "\t0987\t333333\t444444\t127.0.61.2\t00-4B-53-00-00-02\n")) << r.out.constData();
    EXPECT_FALSE(r.out.contains("000042"));
}
