#pragma once
// The state of each command sent over the GSM modem link, as the modem and
// the logger report it: queued (written to the modem) → handed to the modem
// (its "AT+BJSD" acknowledgement with "OK") → sent ("message send") →
// answered by the logger, or timed out; a reply that comes after its
// time-out is late (shown, not lost). Refused when the modem answers ERROR.
// Each state keeps the time it was reached.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

namespace kaspen {

class SmsTracker : public QObject {
    Q_OBJECT
public:
    enum State { Idle, Queued, HandedToModem, Sent, Answered, TimedOut, Late, Refused };
    struct Step {
        State state;
        QDateTime when;
    };

    using QObject::QObject;

    // "queued", "AT+BJSD OK", "message send", "answered", "timed out",
    // "late reply", "modem refused"
    static QString stateText(State s);
    // "SMS 000001#STATUS#: message send 12:00:03.120"
    static QString lineOf(const QByteArray &command, const Step &step);

    // A wrapped command went to the modem.
    void commandWritten(const QByteArray &wrapped, const QDateTime &when);
    // Whatever the modem passed back. Returns true when the text was a
    // reply after the time-out (late).
    bool textReceived(const QByteArray &text, const QDateTime &when);
    // The exchange ended with this result code (2: no reply).
    void exchangeFinished(int resultCode, const QDateTime &when);

    State state() const { return m_steps.isEmpty() ? Idle : m_steps.last().state; }
    const QList<Step> &steps() const { return m_steps; }
    const QByteArray &command() const { return m_command; }

signals:
    void stepReached(const QString &line);

private:
    void reach(State s, const QDateTime &when);

    QByteArray m_command; // the logger command inside AT+BJSD
    QList<Step> m_steps;
};

} // namespace kaspen
