#include "records/BatchRunner.h"

#include <QMetaObject>
#include <QPointer>
#include <QThread>

namespace kaspen {

BatchRunner::BatchRunner(Sender send, QObject *parent) : QObject(parent), m_send(std::move(send)) {}

BatchRunner::~BatchRunner()
{
    abort();
    stopWorker();
}

bool BatchRunner::enqueue(const Item &item)
{
    bool start = false;
    {
        std::lock_guard lock(m_mutex);
        start = m_queue.empty();
        m_queue.push_back(item);
    }
    if (!start)
        return false;
    // The previous worker (if any) has already decided to end: it only has
    // its last steps left and never waits for this thread.
    stopWorker();
    unsigned generation = 0;
    {
        std::lock_guard lock(m_mutex);
        generation = ++m_generation;
        m_stop = false;
        m_sendDone = false;
        m_signalled = true; // started and signalled at once
    }
    m_thread = QThread::create([this, generation] { run(generation); });
    m_thread->setObjectName(QStringLiteral("batch runner"));
    m_thread->start();
    return true;
}

bool BatchRunner::busy() const
{
    std::lock_guard lock(m_mutex);
    return !m_queue.empty();
}

int BatchRunner::queued() const
{
    std::lock_guard lock(m_mutex);
    return int(m_queue.size());
}

void BatchRunner::wake()
{
    std::lock_guard lock(m_mutex);
    if (m_queue.empty())
        return;
    m_signalled = true;
    m_cv.notify_all();
}

void BatchRunner::abort()
{
    std::lock_guard lock(m_mutex);
    m_queue.clear();
    m_stop = true;
    m_cv.notify_all();
}

void BatchRunner::stopWorker()
{
    if (!m_thread)
        return;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}

void BatchRunner::run(unsigned generation)
{
    EndReason reason = EndReason::Done;
    std::unique_lock lock(m_mutex);
    for (;;) {
        // 1. Wait for the wake-up, without time limit.
        m_cv.wait(lock, [this] { return m_signalled || m_stop; });
        if (m_stop) {
            reason = EndReason::Aborted;
            break;
        }
        if (m_queue.empty())
            break;
        // 2. The front stays queued while it is sent.
        const Item item = m_queue.front();
        if (!item.text.isEmpty()) {
            // Reset the wake-up before the command goes out: its result can
            // then arrive at any moment and is kept for the next wait.
            m_signalled = false;
            m_sendDone = false;
            lock.unlock();
            QMetaObject::invokeMethod(
                this, [this, item, generation] { sendOnOwnerThread(item, generation); }, Qt::QueuedConnection);
            lock.lock();
            m_cv.wait(lock, [this] { return m_sendDone || m_stop; });
            if (m_stop) {
                reason = EndReason::Aborted;
                break;
            }
            if (!m_sendOk) {
                // Nothing went out, so no result will come: the run stops.
                m_queue.clear();
                reason = EndReason::SendFailed;
                break;
            }
        }
        // 9. Remove the front; end once the queue is empty.
        if (!m_queue.empty())
            m_queue.pop_front();
        if (m_queue.empty())
            break;
    }
    lock.unlock();
    QPointer<BatchRunner> self(this);
    QMetaObject::invokeMethod(
        this,
        [this, generation, reason] {
            {
                std::lock_guard l(m_mutex);
                if (generation != m_generation)
                    return; // a newer worker has started meanwhile
            }
            emit ended(reason);
        },
        Qt::QueuedConnection);
}

void BatchRunner::sendOnOwnerThread(const Item &item, unsigned generation)
{
    {
        std::lock_guard lock(m_mutex);
        if (generation != m_generation || m_stop)
            return;
    }
    const bool ok = m_send ? m_send(item) : false;
    std::lock_guard lock(m_mutex);
    if (generation != m_generation)
        return;
    m_sendOk = ok;
    m_sendDone = true;
    m_cv.notify_all();
}

} // namespace kaspen
