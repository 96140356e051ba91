#include "sim/PacedWriter.h"

namespace kaspen::sim {

namespace {
constexpr int TickMs = 5;
}

PacedWriter::PacedWriter(int baud, QObject *parent) : QObject(parent), m_baud(baud > 0 ? baud : 9600)
{
    m_timer.setInterval(TickMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PacedWriter::tick);
    m_clock.start();
}

void PacedWriter::setBaud(int baud)
{
    m_baud = baud > 0 ? baud : 9600;
}

void PacedWriter::send(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_queue.enqueue({Step::Bytes, bytes, 0});
    kick();
}

void PacedWriter::pause(int ms)
{
    if (ms <= 0)
        return;
    m_queue.enqueue({Step::Pause, {}, ms});
    kick();
}

void PacedWriter::closeLine()
{
    m_queue.enqueue({Step::Close, {}, 0});
    kick();
}

void PacedWriter::clear()
{
    m_queue.clear();
    m_started = false;
    m_written = 0;
    m_timer.stop();
}

void PacedWriter::kick()
{
    if (!m_timer.isActive()) {
        m_timer.start();
        // Start at once rather than a tick later.
        QMetaObject::invokeMethod(this, &PacedWriter::tick, Qt::QueuedConnection);
    }
}

void PacedWriter::tick()
{
    const qint64 now = m_clock.elapsed();
    while (!m_queue.isEmpty()) {
        Step &step = m_queue.head();
        if (!m_started) {
            m_started = true;
            m_written = 0;
            m_stepStartMs = now;
            if (step.kind == Step::Bytes) {
                emit sending(step.bytes);
                if (!m_started)
                    continue; // cleared by a receiver
            }
        }
        if (step.kind == Step::Pause) {
            if (now - m_stepStartMs < step.ms)
                return;
        } else if (step.kind == Step::Close) {
            m_queue.dequeue();
            m_started = false;
            m_queue.clear();
            m_timer.stop();
            emit closeRequested();
            return;
        } else {
            // Bytes due since the step began, at the line's speed; the first
            // byte goes at once.
            const qint64 due = std::min<qint64>(step.bytes.size(), 1 + (now - m_stepStartMs) * bytesPerSecond() / 1000);
            if (due > m_written) {
                const QByteArray chunk = step.bytes.mid(m_written, int(due - m_written));
                m_written = int(due);
                emit output(chunk);
                if (!m_started)
                    continue; // cleared by a receiver
            }
            if (m_written < step.bytes.size())
                return;
            // The last byte still needs its own time on the line before the
            // next step can start.
            const qint64 doneAt = m_stepStartMs + qint64(step.bytes.size()) * 1000 / bytesPerSecond();
            if (now < doneAt)
                return;
        }
        m_queue.dequeue();
        m_started = false;
    }
    m_timer.stop();
    emit drained();
}

} // namespace kaspen::sim
