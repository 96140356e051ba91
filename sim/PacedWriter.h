#pragma once
// Sends bytes no faster than a serial line at the given baud rate would
// carry them (8N1: ten bits per byte, so 960 bytes/s at 9600 baud), with
// pauses and a "close the line" step in between. A pseudo-terminal or an
// in-process line has no speed of its own; this gives them one.
//
// Driven by a QTimer on the owner's thread; never blocks.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <QTimer>

namespace kaspen::sim {

class PacedWriter : public QObject {
    Q_OBJECT
public:
    explicit PacedWriter(int baud = 9600, QObject *parent = nullptr);

    void setBaud(int baud);
    int baud() const { return m_baud; }
    int bytesPerSecond() const { return m_baud / 10; }

    // Queued in order.
    void send(const QByteArray &bytes);
    void pause(int ms);
    void closeLine();

    // Drops everything not yet sent.
    void clear();
    bool idle() const { return m_queue.isEmpty(); }

signals:
    void output(const QByteArray &chunk);
    // A queued send starts to go out (for logging what is sent, whole).
    void sending(const QByteArray &bytes);
    void closeRequested();
    void drained();

private:
    struct Step {
        enum Kind { Bytes, Pause, Close } kind;
        QByteArray bytes;
        int ms = 0;
    };
    void kick();
    void tick();

    int m_baud;
    QQueue<Step> m_queue;
    QTimer m_timer;
    QElapsedTimer m_clock;
    // Current step's progress: bytes of the front step already written, the
    // time it started, and whether its start has been announced.
    int m_written = 0;
    qint64 m_stepStartMs = 0;
    bool m_started = false;
};

} // namespace kaspen::sim
