// A phone book change survives the program being killed at any moment: the
// book on disk is always either the old one or the new one, never a torn
// file. kaspen-cli adds records to a large book and is killed at random
// times during its run.

#include "base/DurableFile.h"
#include "records/XmlDocument.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace kaspen;

namespace {

int recordCount(const QString &path, bool &wellFormed)
{
    XmlDocument doc;
    wellFormed = doc.LoadFile(path);
    int n = 0;
    if (wellFormed && doc.FindElement("HEALTHCHECK")) {
        doc.EnterElement();
        while (doc.FindElement("Records"))
            ++n;
    }
    return n;
}

} // namespace

TEST(PhoneBookKill, BookIsWholeAfterAKillAtAnyMoment)
{
    const QString cli = QStringLiteral(KASPEN_BIN_DIR "/kaspen-cli");
    if (!QFile::exists(cli))
        GTEST_SKIP() << "kaspen-cli is not built";
    QTemporaryDir dir;
    const QString book = dir.filePath("addressbook.xml");
    {
        // A large book, so that the write takes a noticeable part of the run.
        QByteArray t = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<HEALTHCHECK>\r\n";
        for (int i = 0; i < 20000; ++i)
            t += "<Records ID=\"9" + QByteArray::number(i).rightJustified(5, '0')
                 + "\" Phone=\"+4917012345678\" EnquiryPassword=\"111111\" SetupPassword=\"222222\" />\r\n";
        t += "</HEALTHCHECK>\r\n";
        QFile f(book);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(t);
    }
    auto add = [&](int id) {
        auto *p = new QProcess;
        p->start(cli, {"--data-dir", dir.path(), "phonebook", "add", "--id", QString::number(id), "--phone", "1", "--enquiry",
                       "111111", "--setup", "222222"});
        return p;
    };

    // How long one add takes (the fastest of three), to spread the kills over it.
    qint64 runMs = 1 << 30;
    for (int i = 1; i <= 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        std::unique_ptr<QProcess> p(add(i));
        ASSERT_TRUE(p->waitForFinished(30000));
        ASSERT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        runMs = std::min(runMs, std::max<qint64>(timer.elapsed(), 5));
    }
    bool ok = false;
    int count = recordCount(book, ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(count, 20003);

    std::mt19937 rng(12345);
    std::uniform_int_distribution<qint64> delay(0, runMs);
    int completed = 0, killed = 0;
    for (int round = 0; round < 25; ++round) {
        std::unique_ptr<QProcess> p(add(100 + round));
        ASSERT_TRUE(p->waitForStarted(10000));
        QThread::msleep(static_cast<unsigned long>(delay(rng)));
        p->kill();
        p->waitForFinished(10000);
        const bool finished = p->exitStatus() == QProcess::NormalExit;
        finished ? ++completed : ++killed;
        const int before = count;
        count = recordCount(book, ok);
        ASSERT_TRUE(ok) << "round " << round << ": the book is torn";
        EXPECT_TRUE(count == before || count == before + 1) << "round " << round;
    }
    std::printf("[ kill     ] %d adds killed, %d finished before the kill; the book stayed whole (%d records)\n", killed,
                completed, count);
    EXPECT_GT(killed, 0);
    // The next save that succeeds leaves no temporary file of a killed one.
    std::unique_ptr<QProcess> last(add(999));
    ASSERT_TRUE(last->waitForFinished(30000));
    ASSERT_EQ(last->exitCode(), 0) << last->readAllStandardError().toStdString();
    EXPECT_TRUE(staleTemporaryFiles(book).isEmpty()) << staleTemporaryFiles(book).join(' ').toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"addressbook.xml"});
}
