#include "records/PhoneBook.h"

#include "base/Clock.h"
#include "base/DurableFile.h"
#include "support/RecordingSink.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QStandardPaths>
#include <functional>

using namespace kaspen;

namespace {

const QByteArray kDecl = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n";

QByteArray gsmLine(const char *id, const char *phone, const char *enq, const char *setup)
{
    return QByteArray("<Records ID=\"") + id + "\" Phone=\"" + phone + "\" EnquiryPassword=\"" + enq + "\" SetupPassword=\"" + setup
           + "\" />\r\n";
}

QByteArray ethLine(const char *id, const char *phone, const char *enq, const char *setup, const char *ip, const char *mac)
{
    return QByteArray("<Records Connect_ID=\"") + id + "\" Phone_Number=\"" + phone + "\" EnquiryPassword=\"" + enq
           + "\" SetupPassword=\"" + setup + "\" Device_IP=\"" + ip + "\" Device_MAC=\"" + mac + "\" />\r\n";
}

QByteArray book(const QByteArray &records)
{
    return kDecl + "<HEALTHCHECK>\r\n" + records + "</HEALTHCHECK>\r\n";
}

class PhoneBookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PhoneBook::setDirectory(dir.path());
        PhoneBook::resetSharedState();
        setClock(&fixed);
    }
    void TearDown() override
    {
        setClock(nullptr);
        PhoneBook::resetSharedState();
    }
    QByteArray read(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QStringList filesInDir() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir dir;
    FixedClock fixed{QDateTime(QDate(2026, 12, 10), QTime(10, 44, 55))};
    test::RecordingSink sink;
    PhoneBook pb;
};

} // namespace

TEST_F(PhoneBookTest, BooksLieInTheChosenDirectory)
{
    EXPECT_EQ(PhoneBook::gsmBookPath(), QDir(dir.path()).filePath("addressbook.xml"));
    EXPECT_EQ(PhoneBook::ethernetBookPath(), QDir(dir.path()).filePath("addressbookEx.xml"));
}

TEST_F(PhoneBookTest, DefaultDirectoryIsTheProgramsWhenWritableElseTheUsersDataDirectory)
{
    QStandardPaths::setTestModeEnabled(true);
    EXPECT_EQ(PhoneBook::defaultDirectory(dir.path()), dir.path());
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    EXPECT_EQ(PhoneBook::defaultDirectory(dir.filePath("not/there")), data);
    EXPECT_TRUE(QFileInfo(data).isDir());
    QStandardPaths::setTestModeEnabled(false);
}

TEST_F(PhoneBookTest, NewGsmRecordsGoFirstInTheExactFileLayout)
{
    EXPECT_TRUE(pb.AddGsmEntry("000001", "+4912345", "111111", "222222"));
    EXPECT_EQ(read(PhoneBook::gsmBookPath()), book(gsmLine("000001", "+4912345", "111111", "222222")));
    EXPECT_TRUE(pb.AddGsmEntry("000002", "0123", "333333", "444444"));
    EXPECT_TRUE(pb.AddGsmEntry("000003", "", "a\"b", "<&>"));
    EXPECT_EQ(read(PhoneBook::gsmBookPath()),
              book(gsmLine("000003", "", "a&quot;b", "&lt;&amp;&gt;") + gsmLine("000002", "0123", "333333", "444444")
                   + gsmLine("000001", "+4912345", "111111", "222222")));
    const QList<GsmEntry> expected = {
        {"000003", "", "a\"b", "<&>"}, {"000002", "0123", "333333", "444444"}, {"000001", "+4912345", "111111", "222222"}};
    EXPECT_EQ(pb.gsmTable(), expected);
    EXPECT_TRUE(sink.shown.isEmpty());
    EXPECT_EQ(filesInDir(), QStringList{"addressbook.xml"}); // no temporary files left behind
}

TEST_F(PhoneBookTest, GsmOperationsOnKnownAndUnknownIds)
{
    write(PhoneBook::gsmBookPath(), book(gsmLine("000002", "22", "222222", "222222") + gsmLine("000001", "11", "111111", "111111")));
    const QByteArray before = read(PhoneBook::gsmBookPath());

    // Refusals: each one message, file untouched.
    struct Refusal {
        const char *what;
        std::function<bool()> call;
        QString message;
    };
    const std::vector<Refusal> refusals = {
        {"add existing", [&] { return pb.AddGsmEntry("000001", "9", "999999", "999999"); }, "The ID is exist !"},
        {"edit unknown", [&] { return pb.EditGsmEntry("000009", "9", "999999", "999999"); }, "The ID is not exist !"},
        {"delete unknown", [&] { return pb.DeleteGsmEntry("000009"); }, "The ID is not exist !"},
        {"passwords unknown", [&] { return pb.UpdateGsmPasswords("000009", "999999", "999999"); }, "The ID is not exist !"},
        {"ids compare exactly", [&] { return pb.DeleteGsmEntry("1"); }, "The ID is not exist !"},
    };
    for (const auto &r : refusals) {
        sink.clear();
        EXPECT_FALSE(r.call()) << r.what;
        EXPECT_EQ(sink.texts(), QStringList{r.message}) << r.what;
        EXPECT_EQ(sink.shown.value(0).kind, MessageKind::Standard) << r.what;
        EXPECT_EQ(read(PhoneBook::gsmBookPath()), before) << r.what;
    }
    sink.clear();

    EXPECT_TRUE(pb.EditGsmEntry("000001", "+49", "123456", "654321"));
    EXPECT_TRUE(pb.UpdateGsmPasswords("000002", "000000", "999999"));
    EXPECT_EQ(pb.CurrentGsmEntry(), (GsmEntry{"000002", "22", "000000", "999999"}));
    EXPECT_EQ(read(PhoneBook::gsmBookPath()),
              book(gsmLine("000002", "22", "000000", "999999") + gsmLine("000001", "+49", "123456", "654321")));
    EXPECT_TRUE(pb.DeleteGsmEntry("000002"));
    EXPECT_EQ(read(PhoneBook::gsmBookPath()), book(gsmLine("000001", "+49", "123456", "654321")));
    EXPECT_EQ(pb.gsmTable(), (QList<GsmEntry>{{"000001", "+49", "123456", "654321"}}));
    EXPECT_TRUE(sink.shown.isEmpty());
}

TEST_F(PhoneBookTest, SelectCopiesFirstMatchAndKeepsCurrentOtherwise)
{
    write(PhoneBook::gsmBookPath(), book(gsmLine("000001", "a", "1", "1") + gsmLine("000001", "b", "2", "2")));
    pb.LoadGsmTable();
    EXPECT_EQ(pb.CurrentGsmEntry(), GsmEntry());
    pb.SelectGsmEntry("000001");
    EXPECT_EQ(pb.CurrentGsmEntry(), (GsmEntry{"000001", "a", "1", "1"}));
    pb.SelectGsmEntry("000077");
    EXPECT_EQ(pb.CurrentGsmEntry().phone, "a");
    // Another instance shares the tables and the current record.
    PhoneBook other;
    EXPECT_EQ(other.CurrentGsmEntry().phone, "a");
    EXPECT_EQ(other.gsmTable().size(), 2);
}

TEST_F(PhoneBookTest, RecordsAreReadByPositionNotByName)
{
    write(PhoneBook::gsmBookPath(),
          "<HEALTHCHECK>\n"
          "  <Records SetupPassword='4' ID='000001' Phone='2' EnquiryPassword='3'/>\n"
          "  <Other ID='x'/>\n"
          "  <Records ID='000002'/>\n"
          "  <Records ID='000003' Phone=\"&#43;49\" EnquiryPassword='5' SetupPassword='6' Extra='7'></Records>\n"
          "</HEALTHCHECK>\n");
    pb.LoadGsmTable();
    const QList<GsmEntry> expected = {{"4", "000001", "2", "3"}, {"000002", "", "", ""}, {"000003", "+49", "5", "6"}};
    EXPECT_EQ(pb.gsmTable(), expected);
    EXPECT_TRUE(pb.GsmIdExists("4"));
    EXPECT_FALSE(pb.GsmIdExists("000001"));
    EXPECT_FALSE(pb.GsmIdExists("x"));
}

TEST_F(PhoneBookTest, BookWithAnotherRootIsLeftAlone)
{
    const QByteArray other = "<?xml version='1.0'?>\n<OTHER><Records ID='000001'/></OTHER>\n";
    write(PhoneBook::gsmBookPath(), other);
    EXPECT_FALSE(pb.GsmIdExists("000001"));
    // Add, edit and delete refuse and say why; nothing reports success.
    const QString why = QStringLiteral("The file %1 is not a phone book (its root element is not \"HEALTHCHECK\"). "
                                       "It was left as it is and nothing was changed.")
                            .arg(QDir::toNativeSeparators(PhoneBook::gsmBookPath()));
    EXPECT_EQ(PhoneBook::gsmBookProblem(), why);
    EXPECT_FALSE(pb.AddGsmEntry("000001", "1", "111111", "111111"));
    EXPECT_FALSE(pb.EditGsmEntry("000001", "1", "111111", "111111"));
    EXPECT_FALSE(pb.DeleteGsmEntry("000001"));
    EXPECT_EQ(sink.texts(), QStringList({why, why, why}));
    EXPECT_EQ(read(PhoneBook::gsmBookPath()), other);
    EXPECT_TRUE(pb.gsmTable().isEmpty());
    EXPECT_EQ(filesInDir(), QStringList{"addressbook.xml"});
}

TEST_F(PhoneBookTest, UnreadableBookIsKeptAsDatedBackupBeforeANewOneStarts)
{
    struct Case {
        const char *what;
        QString file;
        std::function<void()> add;
        QByteArray expected;
    };
    const QByteArray broken = "<HEALTHCHECK>\r\n<Records ID=\"000001\" Phone=\"typed by hand\"\r\n";
    const std::vector<Case> cases = {
        {"GSM add", "addressbook.xml", [&] { EXPECT_TRUE(pb.AddGsmEntry("000005", "5", "555555", "555555")); },
         book(gsmLine("000005", "5", "555555", "555555"))},
        {"Ethernet add", "addressbookEx.xml",
         [&] { EXPECT_TRUE(pb.AddEthernetEntry("000005", "5", "555555", "555555", "10.0.0.5", "AA")); },
         book(ethLine("000005", "5", "555555", "555555", "10.0.0.5", "AA"))},
        {"merge", "addressbookEx.xml", [&] { pb.MergeDiscoveredDevice("000007", "10.0.0.7", "BB"); },
         book(ethLine("000007", "", "", "", "10.0.0.7", "BB"))},
    };
    for (const auto &c : cases) {
        QTemporaryDir d;
        PhoneBook::setDirectory(d.path());
        const QString path = QDir(d.path()).filePath(c.file);
        write(path, broken);
        sink.clear();
        // Changing operations that need a readable book refuse, say that the
        // book could not be read (not that the ID is unknown), and keep it.
        const bool gsm = c.file == "addressbook.xml";
        EXPECT_FALSE(gsm ? pb.EditGsmEntry("000001", "1", "1", "1") : pb.EditEthernetEntry("000001", "1", "1", "1"));
        EXPECT_FALSE(gsm ? pb.DeleteGsmEntry("000001") : pb.DeleteEthernetEntry("000001"));
        ASSERT_EQ(sink.shown.size(), 2) << c.what;
        for (const auto &m : sink.shown)
            EXPECT_TRUE(m.text.startsWith(QStringLiteral("The phone book %1 could not be read (").arg(QDir::toNativeSeparators(path))))
                << m.text.toStdString();
        EXPECT_EQ(read(path), broken) << c.what;
        sink.clear();

        c.add();
        const QString backup = path + ".unreadable-20261210-104455";
        EXPECT_EQ(read(backup), broken) << c.what;
        EXPECT_EQ(read(path), c.expected) << c.what;
        ASSERT_EQ(sink.shown.size(), 1) << c.what;
        EXPECT_EQ(sink.shown[0].text, QStringLiteral("The phone book %1 could not be read. It was kept as %2 and a new phone "
                                                     "book was started.")
                                          .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(backup)))
            << c.what;
        // A second unreadable file in the same second does not overwrite the first backup.
        write(path, "<broken");
        c.add();
        EXPECT_EQ(read(backup), broken) << c.what;
        EXPECT_EQ(read(backup + "-1"), "<broken") << c.what;
    }
    PhoneBook::setDirectory(dir.path());
}

TEST_F(PhoneBookTest, FailuresToWriteOrKeepABookAreReported)
{
    // A book in a directory that does not exist cannot be written.
    PhoneBook::setDirectory(dir.filePath("no/such/dir"));
    EXPECT_FALSE(pb.AddGsmEntry("000001", "1", "111111", "111111"));
    ASSERT_EQ(sink.shown.size(), 1);
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(sink.shown[0].text.startsWith(
        "The phone book could not be saved to " + QDir::toNativeSeparators(dir.filePath("no/such/dir/addressbook.xml")) + ": "))
        << sink.shown[0].text.toStdString();
    sink.clear();
    // A "book" that cannot even be copied aside is not replaced.
    PhoneBook::setDirectory(dir.path());
    QDir(dir.path()).mkdir("addressbook.xml");
    EXPECT_FALSE(pb.AddGsmEntry("000001", "1", "111111", "111111"));
    ASSERT_EQ(sink.shown.size(), 1);
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(sink.shown[0].text.contains("could not be kept aside")) << sink.shown[0].text.toStdString();
    EXPECT_TRUE(QFileInfo(PhoneBook::gsmBookPath()).isDir());
}

TEST_F(PhoneBookTest, EthernetBookAllowsDuplicatesAndReachesTheFirst)
{
    EXPECT_TRUE(pb.AddEthernetEntry("000001", "old", "111111", "111111", "10.0.0.1", "M1"));
    EXPECT_TRUE(pb.AddEthernetEntry("000001", "new", "222222", "222222", "10.0.0.2", "M2"));
    EXPECT_TRUE(pb.EthernetIdExists("000001"));
    EXPECT_EQ(pb.ethernetTable().size(), 2);
    EXPECT_TRUE(pb.EditEthernetEntry("000001", "edited", "333333", "333333"));
    pb.UpdateEthernetIp("000001", "10.0.0.9");
    pb.UpdateEthernetPasswords("000001", "444444", "555555");
    EXPECT_EQ(pb.CurrentEthernetEntry(), (EthernetEntry{"000001", "edited", "444444", "555555", "10.0.0.9", "M2"}));
    EXPECT_EQ(read(PhoneBook::ethernetBookPath()), book(ethLine("000001", "edited", "444444", "555555", "10.0.0.9", "M2")
                                                         + ethLine("000001", "old", "111111", "111111", "10.0.0.1", "M1")));
    EXPECT_TRUE(pb.DeleteEthernetEntry("000001"));
    EXPECT_EQ(read(PhoneBook::ethernetBookPath()), book(ethLine("000001", "old", "111111", "111111", "10.0.0.1", "M1")));
    // Unknown IDs: password and IP updates change nothing and say nothing.
    const QByteArray before = read(PhoneBook::ethernetBookPath());
    pb.UpdateEthernetIp("000009", "1.1.1.1");
    pb.UpdateEthernetPasswords("000009", "1", "1");
    EXPECT_EQ(read(PhoneBook::ethernetBookPath()), before);
    EXPECT_FALSE(pb.EditEthernetEntry("000009", "", "", ""));
    EXPECT_EQ(sink.texts(), QStringList{"The ID is not exist !"});
}

TEST_F(PhoneBookTest, DiscoveryMergeKeepsKnownModulesAndAddsNewOnes)
{
    // Missing book: a new one with the module.
    pb.MergeDiscoveredDevice("000003", "10.0.0.3", "MAC-3");
    EXPECT_EQ(read(PhoneBook::ethernetBookPath()), book(ethLine("000003", "", "", "", "10.0.0.3", "MAC-3")));
    EXPECT_TRUE(pb.ethernetTable().isEmpty()); // the merge does not reload

    write(PhoneBook::ethernetBookPath(), book(ethLine("000001", "11", "111111", "111111", "10.0.0.1", "MAC-1")
                                              + ethLine("000002", "22", "222222", "222222", "10.0.0.2", "MAC-2")));
    const QList<DiscoveredDevice> found = {{9, "10.9.9.9", "MAC-9"}, {4, "10.4.4.4", "MAC-1"}, {2, "10.2.2.2", "MAC-7"}};
    pb.MergeDiscoveredDevices(found);
    // MAC-1 keeps ID and passwords, new IP; MAC-7 (number 2) and then MAC-9
    // land before the last record.
    EXPECT_EQ(read(PhoneBook::ethernetBookPath()),
              book(ethLine("000001", "11", "111111", "111111", "10.4.4.4", "MAC-1")
                   + ethLine("000002", "", "", "", "10.2.2.2", "MAC-7") + ethLine("000009", "", "", "", "10.9.9.9", "MAC-9")
                   + ethLine("000002", "22", "222222", "222222", "10.0.0.2", "MAC-2")));

    // An empty book gets the module as its first child.
    write(PhoneBook::ethernetBookPath(), kDecl + "<HEALTHCHECK/>\r\n");
    pb.MergeDiscoveredDevice("000005", "10.0.0.5", "MAC-5");
    EXPECT_EQ(read(PhoneBook::ethernetBookPath()), book(ethLine("000005", "", "", "", "10.0.0.5", "MAC-5")));
    EXPECT_TRUE(sink.shown.isEmpty());
}

TEST_F(PhoneBookTest, ControlCharactersNeverReachTheFile)
{
    ASSERT_TRUE(pb.AddGsmEntry("000001", "1", "111111", "222222"));
    const QByteArray before = read(PhoneBook::gsmBookPath());
    sink.clear();
    for (const QByteArray bad : {QByteArray("12\x01" "3"), QByteArray("\x1f"), QByteArray("a\0b", 3), QByteArray("\x1b[2J")}) {
        EXPECT_FALSE(pb.AddGsmEntry("000002", bad, "111111", "222222"));
        EXPECT_FALSE(pb.EditGsmEntry("000001", "1", bad, "222222"));
        EXPECT_FALSE(pb.AddEthernetEntry("000003", "1", "111111", "222222", bad, "AA"));
    }
    ASSERT_EQ(sink.shown.size(), 12);
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(sink.shown[0].text.contains("holds the control character 0x01")) << sink.shown[0].text.toStdString();
    EXPECT_TRUE(sink.shown[0].text.contains("12\\x013")) << sink.shown[0].text.toStdString();
    EXPECT_EQ(read(PhoneBook::gsmBookPath()), before);
    EXPECT_FALSE(QFile::exists(PhoneBook::ethernetBookPath()));
    // Tab, CR and LF are text.
    EXPECT_TRUE(pb.AddGsmEntry("000004", "1\t2", "111111", "222222"));
}

TEST_F(PhoneBookTest, ASaveRemovesTemporaryFilesLeftByAKilledSave)
{
    const QString path = PhoneBook::gsmBookPath();
    for (const char *stale : {"addressbook.xml.Ab12Cd", "addressbook.xml.x9Y8z7"})
        write(dir.filePath(stale), "<HEALTHCHECK>\r\n<Rec");
    write(dir.filePath("addressbook.xml.unreadable-20261210-104455"), "<kept");
    write(dir.filePath("addressbookEx.xml.Ab12Cd"), "other book");
    EXPECT_EQ(staleTemporaryFiles(path).size(), 2);
    ASSERT_TRUE(pb.AddGsmEntry("000001", "1", "111111", "222222"));
    EXPECT_TRUE(staleTemporaryFiles(path).isEmpty());
    EXPECT_EQ(filesInDir(), QStringList({"addressbook.xml", "addressbook.xml.unreadable-20261210-104455",
                                         "addressbookEx.xml.Ab12Cd"}));
}
