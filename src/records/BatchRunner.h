#pragma once
// The batch runner: a worker thread that sends the queued batch commands one
// after another, each only once the result of the one before has arrived.
//
// The queue is shared by the owner's thread (the UI thread, which appends and
// reports results) and the worker (which takes the front and removes it once
// handed on); a mutex guards it. The wake-up is a flag under the same mutex
// with a condition variable: the worker clears it *before* a command goes
// out, so a result that arrives before the worker waits again is kept and
// never lost.
//
// The worker never sends by itself: it hands each command back to the owner's
// thread (where the serial port and the session live) and waits for the
// outcome there. It waits only on its own condition variable, so stopping it
// never waits for the UI thread.

#include <QByteArray>
#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

namespace kaspen {

class BatchRunner : public QObject {
    Q_OBJECT
public:
    struct Item {
        QByteArray text;
        int rowId = 0; // the batch list row the text came from
    };
    // Runs on the owner's thread for each command; true when it was handed on.
    using Sender = std::function<bool(const Item &)>;

    enum class EndReason { Done, SendFailed, Aborted };

    explicit BatchRunner(Sender send, QObject *parent = nullptr);
    ~BatchRunner() override; // aborts and joins the worker

    // Appends to the queue. When the queue was empty before, a new worker is
    // started and woken at once; returns true in that case.
    bool enqueue(const Item &item);
    // The runner is busy while the queue holds commands.
    bool busy() const;
    int queued() const;
    // The result of the outstanding command has arrived: wake the worker
    // (only when the queue is not empty, like the result notice does).
    void wake();
    // Drops every queued command; the worker ends without sending more.
    void abort();

signals:
    // The worker has ended (delivered on the owner's thread).
    void ended(kaspen::BatchRunner::EndReason reason);

private:
    void run(unsigned generation);
    void sendOnOwnerThread(const Item &item, unsigned generation);
    void stopWorker();

    Sender m_send;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Item> m_queue;
    bool m_signalled = false; // the wake-up event
    bool m_stop = false;
    bool m_sendDone = false;
    bool m_sendOk = false;
    unsigned m_generation = 0; // of the current worker
    QThread *m_thread = nullptr;
};

} // namespace kaspen
