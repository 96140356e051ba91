// ".cfg" configuration files: the exact layout, reading by position, the
// failures the user is told about, and the two default files.

#include "base/Clock.h"
#include "pages/batch/BatchSetupModel.h"
#include "records/ConfigFile.h"
#include "support/BatchFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <clocale>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::BatchFixture;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

struct ConfigFixture : BatchFixture {
    ConfigFixture() : clock(QDateTime(QDate(2024, 12, 10), QTime(16, 4, 5))) { setClock(&clock); }
    ~ConfigFixture() { setClock(nullptr); }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    FixedClock clock;
    QTemporaryDir dir;
};

TEST(ConfigFile, ThreeRowsMiddleUncheckedSavedAndOpenedAgain)
{
    ConfigFixture f;
    f.list({{11002, "222222#ST:000041#"}, {11005, "222222#SA:1#"}, {20031, "222222#AP1:0123456789!#"}});
    f.model().list().setChecked(1, false);
    ASSERT_TRUE(f.model().saveConfigFile(f.path("three")));
    EXPECT_TRUE(f.sink.shown.isEmpty());
    // ".cfg" is appended; DateTime first, the rows last row first, the
    // unchecked row as a bare "Records".
    EXPECT_EQ(readAll(f.path("three.cfg")), QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                                                       "<DATALOG_SETUP>\r\n"
                                                       "<DateTime DateTime=\"12/10/2024 16:04:05\" />\r\n"
                                                       "<Records No.=\"03\" Command=\"222222#AP1:0123456789!#\" COM=\"20031\" />\r\n"
                                                       "<Records />\r\n"
                                                       "<Records No.=\"01\" Command=\"222222#ST:000041#\" COM=\"11002\" />\r\n"
                                                       "</DATALOG_SETUP>\r\n"));

    f.session.batchTable().RecordCommand(11004, "222222#TM:2403051407#");
    f.model().selectAll();
    ASSERT_TRUE(f.model().openConfigFile(f.path("three.cfg")));
    // The table is replaced; the bare element stays in it as code 0.
    const auto entries = f.session.batchTable().entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], (std::pair<int, QByteArray>(0, QByteArray())));
    EXPECT_EQ(entries[1], (std::pair<int, QByteArray>(11002, "222222#ST:000041#")));
    EXPECT_EQ(entries[2], (std::pair<int, QByteArray>(20031, "222222#AP1:0123456789!#")));
    // Listed: rows 1 and 3 only, sorted by code, unchecked.
    ASSERT_EQ(f.model().list().rowCount(), 2);
    EXPECT_EQ(f.model().list().row(0).code, 11002);
    EXPECT_EQ(f.model().list().row(1).code, 20031);
    EXPECT_FALSE(f.model().list().row(0).checked);
    EXPECT_FALSE(f.model().list().row(1).checked);
}

TEST(ConfigFile, SpecialCharactersAndBytesRoundTrip)
{
    ConfigFixture f;
    const QByteArray text("222222#ID:a\"b<c>&d'\xE9!#");
    f.list({{19002, text}});
    ASSERT_TRUE(f.model().saveConfigFile(f.path("chars.cfg")));
    EXPECT_TRUE(readAll(f.path("chars.cfg")).contains("a&quot;b&lt;c&gt;&amp;d&apos;\xE9!#"));
    f.session.batchTable().clear();
    ASSERT_TRUE(f.model().openConfigFile(f.path("chars.cfg")));
    EXPECT_EQ(f.session.batchTable().text(19002), text);
}

TEST(ConfigFile, ControlCharactersAreRefusedAndNothingIsSaved)
{
    ConfigFixture f;
    f.list({{11005, "222222#SA:1#"}, {19002, QByteArray("222222#ID:ab\x02" "c#")}});
    const QString path = f.path("ctl.cfg");
    writeAll(path, "old");
    EXPECT_FALSE(f.model().saveConfigFile(path));
    ASSERT_EQ(f.sink.shown.size(), 1);
    EXPECT_TRUE(f.sink.last().startsWith(QStringLiteral("Cannot save configure file %1 !").arg(QDir::toNativeSeparators(path))));
    EXPECT_TRUE(f.sink.last().contains("control character 0x02")) << f.sink.last().toStdString();
    EXPECT_EQ(readAll(path), "old");
}

TEST(ConfigFile, DateIgnoresTheUserLocale)
{
    const QDateTime t(QDate(2025, 3, 5), QTime(7, 8, 9));
    const char *saved = std::setlocale(LC_ALL, nullptr);
    const std::string restore = saved ? saved : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(configDateTime(t), "03/05/2025 07:08:09");
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, restore.c_str());
}

TEST(ConfigFile, ReadingByPositionWithMissingAndForeignAttributes)
{
    ConfigFixture f;
    writeAll(f.path("odd.cfg"), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                                "<DATALOG_SETUP>\r\n"
                                "<DateTime DateTime=\"x\" />\r\n"
                                "<Records a=\"1\" b=\"111111#SA:2#\" c=\"11005\" />\r\n"
                                "<Records No.=\"02\" Command=\"111111#SA:3#\" COM=\"11005\" />\r\n"
                                "<Records No.=\"03\" Command=\"111111#CP:!,1#\" />\r\n"
                                "</DATALOG_SETUP>\r\n");
    ASSERT_TRUE(f.model().openConfigFile(f.path("odd.cfg")));
    const auto entries = f.session.batchTable().entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (std::pair<int, QByteArray>(0, "111111#CP:!,1#"))); // no code: 0
    EXPECT_EQ(entries[1], (std::pair<int, QByteArray>(11005, "111111#SA:3#"))); // the later one wins
    // Listed with the current password (the 0 entry has text, so it shows).
    ASSERT_EQ(f.model().list().rowCount(), 2);
    EXPECT_EQ(f.model().list().row(1).text, "222222#SA:3#");
}

TEST(ConfigFile, FilesThatCannotBeUsedAreReportedAndChangeNothing)
{
    struct Case {
        const char *name;
        const char *content; // nullptr: no file
        const char *message;
    };
    const Case cases[] = {
        {"missing.cfg", nullptr, "Cannot open configure file %1 !"},
        {"broken.cfg", "<DATALOG_SETUP><Records No.=\"01\"", "Configure file %1 is damaged!"},
        {"empty.cfg", "", "Configure file %1 is damaged!"},
        {"book.cfg", "<?xml version=\"1.0\"?>\r\n<AddressBook>\r\n<Records />\r\n</AddressBook>\r\n",
         "%1 is not a configure file!"},
    };
    for (const Case &c : cases) {
        ConfigFixture f;
        f.list({{11005, "222222#SA:1#"}});
        if (c.content)
            writeAll(f.path(c.name), c.content);
        EXPECT_FALSE(f.model().openConfigFile(f.path(c.name))) << c.name;
        ASSERT_EQ(f.sink.shown.size(), 1) << c.name;
        EXPECT_EQ(f.sink.last(), QString::fromLatin1(c.message).arg(QDir::toNativeSeparators(f.path(c.name))));
        EXPECT_EQ(f.session.batchTable().size(), 1) << c.name;
        EXPECT_EQ(f.model().list().rowCount(), 1) << c.name;
    }
}

TEST(ConfigFile, SaveFailureIsReportedAndEmptyListsSaveNothing)
{
    ConfigFixture f;
    EXPECT_FALSE(f.model().canSave());
    EXPECT_FALSE(f.model().saveConfigFile(f.path("none.cfg")));
    EXPECT_FALSE(QFile::exists(f.path("none.cfg")));
    EXPECT_TRUE(f.sink.shown.isEmpty());

    f.list({{11005, "222222#SA:1#"}});
    const QString bad = f.path("no/such/dir/x.cfg");
    EXPECT_FALSE(f.model().saveConfigFile(bad));
    ASSERT_EQ(f.sink.shown.size(), 1);
    EXPECT_TRUE(f.sink.last().startsWith(QStringLiteral("Cannot save configure file %1 !").arg(QDir::toNativeSeparators(bad))));
}

TEST(DefaultFiles, BothModelsLoadCheckedAndReSaveByteForByte)
{
    for (int model : {ModelOrvelA, ModelOrvelB}) {
        ConfigFixture f;
        f.clock.set(QDateTime(QDate(2024, 12, 10), QTime(9, 0, 0)));
        const QString path = BatchSetupModel::defaultFilePath(model);
        EXPECT_EQ(QFileInfo(path).dir(), QDir(QCoreApplication::applicationDirPath()));
        ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
        f.model().handleMessage({msg::LoadDefaultFile, ToBatchSetup, 0, {}, model}); // WM_USER+19
        EXPECT_TRUE(f.sink.shown.isEmpty());
        const int rows = f.model().list().rowCount();
        EXPECT_GE(rows, 40);
        for (int r = 0; r < rows; ++r) {
            EXPECT_TRUE(f.model().list().row(r).checked);
            EXPECT_TRUE(f.model().list().row(r).text.startsWith("222222#")) << r; // current password
        }
        // SD (Ethernet upload) only on ORVEL-B.
        EXPECT_EQ(f.session.batchTable().contains(11006), model == ModelOrvelB);
        // Written exactly as Save writes it (with the file's own password and date).
        std::vector<ConfigRow> saved;
        for (const auto &[code, text] : f.session.batchTable().entries())
            saved.push_back({QByteArray::number(qlonglong(saved.size() + 1)).rightJustified(2, '0'), text, code, true});
        EXPECT_EQ(configFileText(saved, f.clock.now()), readAll(path)) << path.toStdString();
    }
}

TEST(DefaultFiles, InitLoadsAndRunsTheDefaultFile)
{
    ConfigFixture f;
    f.list({{11002, "222222#ST:000077#"}}); // what the list held before
    f.model().handleMessage({msg::LoadDefaultFile, ToBatchSetup, 0, {}, ModelOrvelA}); // WM_USER+19
    f.model().handleMessage({msg::RunInit, ToBatchSetup, 0, {}, 0});                   // WM_USER+22
    ASSERT_TRUE(f.waitIdle());
    const int rows = f.model().list().rowCount();
    EXPECT_EQ(f.line->written.size(), rows);
    for (int r = 0; r < rows; ++r)
        EXPECT_EQ(f.model().list().row(r).status, "Command Success") << r;
    for (const QByteArray &w : f.line->written)
        EXPECT_FALSE(w.contains("#ST:")) << w.constData();
}

TEST(DefaultFiles, InitWithAMissingDefaultFileSendsNothing)
{
    ConfigFixture f;
    f.list({{11002, "222222#ST:000077#"}});
    f.model().handleMessage({msg::LoadDefaultFile, ToBatchSetup, 0, {}, 99});
    f.model().handleMessage({msg::RunInit, ToBatchSetup, 0, {}, 0});
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.model().running());
    EXPECT_TRUE(f.line->written.isEmpty());
    EXPECT_EQ(f.sink.shown.size(), 1);
}

} // namespace

#include "sim/Logger.h"

namespace {

// Every command of both default files is one the logger of that model takes.
TEST(DefaultFiles, EveryCommandIsTakenByALoggerOfTheModel)
{
    for (int model : {ModelOrvelA, ModelOrvelB}) {
        const ConfigOpenResult r = readConfigFile(BatchSetupModel::defaultFilePath(model));
        ASSERT_EQ(r.status, ConfigOpenResult::Ok);
        sim::Logger logger(sim::LoggerState::defaults(sim::modelFromCode(model), QDateTime::currentDateTime()));
        const QByteArray pw = logger.state().setupPassword;
        for (const auto &[code, text] : r.entries) {
            const QByteArray sent = withCurrentPassword(text, pw);
            EXPECT_EQ(logger.answer(sent), QByteArray(sim::replies::SetSuccess)) << model << " " << sent.constData();
        }
    }
}

} // namespace
