#include "session/MainModel.h"
#include "session/LogPanes.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimPeer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PtyPair;
using kaspen::test::SimProcess;
using kaspen::test::waitUntil;

namespace {

// The program's main model on one end of a pseudo-terminal pair, the
// simulated logger on the other.
struct SimExchange : ::testing::TestWithParam<int> {
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok()) << "socat made no pseudo-terminal pair";
        test::emptyPhoneBook(dir.path());
        SetupLog::setPath(dir.filePath("SetupLog.txt"));
    }
    void TearDown() override
    {
        model.reset();
        sim.reset();
        SetupLog::setPath(QString());
        PhoneBook::resetSharedState();
    }
    int link() const { return GetParam(); }
    void startSim(const QStringList &extra = {})
    {
        QStringList args = {"--port", pty.b(), "--frontend", link() == LinkGsmModem ? "gsm" : "rs232"};
        sim = std::make_unique<SimProcess>(args + extra);
        ASSERT_TRUE(sim->ok()) << sim->errorOutput().constData();
    }
    void open(const QByteArray &enquiry = "111111")
    {
        PhoneBook book;
        book.AddGsmEntry("000001", "0123456789", enquiry, "222222");
        model = std::make_unique<MainModel>(ModelOrvelA);
        model->exchange().setTimerDriven(false);
        QObject::connect(model.get(), &MainModel::pageMessage, [this](const PageMessage &m) { pages << m; });
        model->selectLink(Link(link()));
        ASSERT_TRUE(model->toggleSerialConnection(pty.a()));
    }
    // Lets the logger answer (real time), then runs the 100 ms ticks at once
    // until the exchange ends: a time-out takes no wall-clock time.
    QString finish(int answerMs)
    {
        QCoreApplication::processEvents();
        waitUntil([this] { return !model->session().serialRecord().inProgress; }, answerMs);
        for (int i = 0; i < 1000 && model->exchange().running(); ++i)
            model->exchange().tick();
        return model->exchange().statusText();
    }
    int answerMs() const { return link() == LinkGsmModem ? 15000 : 5000; }

    QTemporaryDir dir;
    PtyPair pty;
    std::unique_ptr<SimProcess> sim;
    test::RecordingSink sink;
    std::unique_ptr<MainModel> model;
    QList<PageMessage> pages;
};

} // namespace

TEST_P(SimExchange, VerifyThenReadBlock1)
{
    startSim();
    open();
    bool enabled = false;
    QObject::connect(model.get(), &MainModel::settingsSheetEnabled, [&](bool on) { enabled = on; });
    model->chooseSerialDevice("000001");
    EXPECT_EQ(finish(answerMs()), "Command Success");
    EXPECT_TRUE(model->session().verified());
    EXPECT_TRUE(enabled);
    EXPECT_EQ(model->session().serialRecord().stationIdText, "000001");
    EXPECT_GT(model->session().profile().relayCount, 0);

    pages.clear();
    model->readBlock(1);
    EXPECT_EQ(finish(answerMs()), "Command Success");
    ASSERT_FALSE(pages.isEmpty());
    EXPECT_EQ(pages[0].message, msg::Block1);
    EXPECT_TRUE(pages[0].text.startsWith("#STC1:")) << pages[0].text.constData();
    EXPECT_TRUE(pages[0].text.endsWith("#"));
    EXPECT_TRUE(model->dataLogs().contains("#STC1:"));
    EXPECT_TRUE(sink.shown.isEmpty()) << sink.last().toStdString();
}

TEST_P(SimExchange, WrongPasswordIsAPasswordError)
{
    startSim();
    open("999999");
    model->chooseSerialDevice("000001");
    EXPECT_EQ(finish(answerMs()), "Password Error");
    EXPECT_FALSE(model->session().verified());
}

TEST_P(SimExchange, SilentLoggerTimesOut)
{
    startSim({"--fault", "none"});
    open();
    model->chooseSerialDevice("000001");
    EXPECT_EQ(finish(1500), "Command Time Out");
    EXPECT_FALSE(model->session().verified());
}

INSTANTIATE_TEST_SUITE_P(Links, SimExchange, ::testing::Values(int(LinkRs232), int(LinkGsmModem)),
                         [](const auto &info) { return info.param == LinkGsmModem ? "GsmModem" : "Rs232"; });
