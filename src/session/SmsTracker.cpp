#include "session/SmsTracker.h"

namespace kaspen {

QString SmsTracker::stateText(State s)
{
    switch (s) {
    case Idle:
        return {};
    case Queued:
        return QStringLiteral("queued");
    case HandedToModem:
        return QStringLiteral("AT+BJSD OK");
    case Sent:
        return QStringLiteral("message send");
    case Answered:
        return QStringLiteral("answered");
    case TimedOut:
        return QStringLiteral("timed out");
    case Late:
        return QStringLiteral("late reply");
    case Refused:
        return QStringLiteral("modem refused");
    }
    return {};
}

QString SmsTracker::lineOf(const QByteArray &command, const Step &step)
{
    return QStringLiteral("SMS %1: %2 %3")
        .arg(QString::fromLatin1(command), stateText(step.state), step.when.toString(QStringLiteral("HH:mm:ss.zzz")));
}

void SmsTracker::reach(State s, const QDateTime &when)
{
    m_steps.append({s, when});
    emit stepReached(lineOf(m_command, m_steps.last()));
}

void SmsTracker::commandWritten(const QByteArray &wrapped, const QDateTime &when)
{
    m_steps.clear();
    // AT+BJSD=<length>,<phone>,<text>\r\n
    QByteArray text = wrapped;
    const int c1 = text.indexOf(',');
    const int c2 = c1 < 0 ? -1 : text.indexOf(',', c1 + 1);
    if (text.startsWith("AT+BJSD=") && c2 > 0)
        text = text.mid(c2 + 1);
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    m_command = text;
    reach(Queued, when);
}

bool SmsTracker::textReceived(const QByteArray &text, const QDateTime &when)
{
    const State s = state();
    if (s == Idle)
        return false;
    const bool echo = text.contains("AT+BJSD") || text.contains("message send");
    if (echo) {
        if (s == Queued && text.contains("AT+BJSD") && text.contains("ERROR")) {
            reach(Refused, when);
            return false;
        }
        if (s == Queued && text.contains("AT+BJSD") && text.contains("OK"))
            reach(HandedToModem, when);
        if ((state() == Queued || state() == HandedToModem) && text.contains("message send"))
            reach(Sent, when);
        return false;
    }
    if (s == TimedOut || s == Late) {
        reach(Late, when);
        return true;
    }
    if (s == Queued || s == HandedToModem || s == Sent)
        reach(Answered, when);
    return false;
}

void SmsTracker::exchangeFinished(int resultCode, const QDateTime &when)
{
    const State s = state();
    if (resultCode == 2 && (s == Queued || s == HandedToModem || s == Sent))
        reach(TimedOut, when);
}

} // namespace kaspen
