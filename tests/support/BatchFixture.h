#pragma once
// A Session with a fake serial line and a fake command exchange for the batch
// setup tests: every command the runner writes is answered with a result
// notice, the way the main window's exchange finishes a 16001/20050 command.

#include "session/Session.h"
#include "protocol/CommandCodes.h"
#include "pages/batch/BatchSetupModel.h"
#include "support/FakeLine.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>
#include <random>

namespace kaspen::test {

// When the fake exchange delivers a command's result.
enum class ResultTiming {
    InsideWrite,  // inside the write itself, before the runner even hears the send went out
    DuringWrite,  // as the exchange starts, while the runner goes back to wait
    Posted,       // right after the write handler returns
    Later,        // after a short timer
    Never,        // the exchange never finishes
};

class BatchFixture {
public:
    explicit BatchFixture(int model = 7)
        : session(model)
    {
        emptyPhoneBook(bookDir.path());
        auto l = std::make_unique<FakeLine>();
        l->open();
        l->onWrite = [this](const QByteArray &bytes) { onWrite(bytes); };
        line = l.get();
        session.setSerialLine(std::move(l));
        setEntry("000001", "0123456789", "111111", "222222");
        model_ = std::make_unique<BatchSetupModel>(session);
        model_->setResultDelayMs(0);
        // WM_USER+2: the exchange starts; the fake logger answers.
        QObject::connect(&session, &Session::commandSent, [this] { onExchangeStarted(); });
    }
    ~BatchFixture()
    {
        model_.reset();
        PhoneBook::resetSharedState();
    }

    BatchSetupModel &model() { return *model_; }

    void setEntry(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry, const QByteArray &setup)
    {
        emptyPhoneBook(bookDir.path());
        PhoneBook &book = session.phoneBook();
        book.AddGsmEntry(id, phone, enquiry, setup);
        book.SelectGsmEntry(id);
        book.AddEthernetEntry(id, phone, enquiry, setup, "192.168.1.10", "00-11-22-33-44-55");
        book.SelectEthernetEntry(id);
    }

    // Fills the batch command table and lists it, every row checked.
    void list(const std::vector<std::pair<int, QByteArray>> &entries, bool band = false)
    {
        session.batchTable().replaceAll(entries);
        model().handleMessage({msg::BatchNotice, ToBatchSetup, 1, {}, band ? 1 : 0});
    }

    // Runs the event loop until the run has ended and no result is pending,
    // or the guard deadline passes (a hang then fails the test, it does not
    // stall the suite).
    bool waitIdle(int guardMs = 60000)
    {
        QDeadlineTimer deadline(guardMs);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (!model().running() && pendingResults == 0 && !session.serialRecord().inProgress)
                return true;
        }
        return false;
    }

    QStringList statuses() const
    {
        QStringList s;
        for (int r = 0; r < model_->list().rowCount(); ++r)
            s << model_->list().row(r).status;
        return s;
    }

    // The status text for a written command (default: success).
    std::function<QString(const QByteArray &)> answer = [](const QByteArray &) {
        return QStringLiteral("Command Success");
    };
    // How results are timed; by default chosen at random per command from
    // the first four kinds.
    std::function<ResultTiming()> timing;

    QTemporaryDir bookDir; // the phone book of the test
    Session session;
    FakeLine *line = nullptr;
    RecordingSink sink;
    int pendingResults = 0;
    int started = 0;

private:
    void onWrite(const QByteArray &)
    {
        m_nextTiming = timing ? timing() : ResultTiming(rng() % 4);
        if (m_nextTiming != ResultTiming::InsideWrite)
            return;
        // The exchange starts and ends before the write even returns.
        m_skipStart = true;
        CommandRecord &rec = session.serialRecord();
        rec.inProgress = true;
        ++started;
        ++pendingResults;
        finishExchange(answer(line->written.last()));
    }

    void onExchangeStarted()
    {
        if (session.onEthernet())
            return; // the test plays the Ethernet side itself
        if (m_skipStart) {
            m_skipStart = false;
            return;
        }
        CommandRecord &rec = session.serialRecord();
        rec.inProgress = true;
        rec.resultCode = ResultNoReply;
        ++started;
        const QByteArray written = line->written.last();
        const ResultTiming t = m_nextTiming;
        if (t == ResultTiming::Never)
            return;
        ++pendingResults;
        auto finish = [this, written] { finishExchange(answer(written)); };
        switch (t) {
        case ResultTiming::DuringWrite: finish(); break;
        case ResultTiming::Posted: QTimer::singleShot(0, model_.get(), finish); break;
        default: QTimer::singleShot(1 + int(rng() % 3), model_.get(), finish); break;
        }
    }
    void finishExchange(const QString &status)
    {
        CommandRecord &rec = session.serialRecord();
        rec.inProgress = false;
        const int code = rec.commandCode;
        rec.commandCode = codes::None;
        --pendingResults;
        if (code == codes::Batch || code == codes::Passwords) // WM_USER+18 wParam 2
            model().handleMessage({msg::BatchNotice, ToBatchSetup, 2, status.toLatin1(), 0});
    }

    std::unique_ptr<BatchSetupModel> model_;
    std::mt19937 rng{12345};
    ResultTiming m_nextTiming = ResultTiming::Posted;
    bool m_skipStart = false;
};

} // namespace kaspen::test
