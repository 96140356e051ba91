#include "session/CommandExchange.h"
#include "session/Session.h"
#include "base/Clock.h"
#include "session/LogPanes.h"

namespace kaspen {

QString resultText(int resultCode, bool ipCommandSent)
{
    switch (resultCode) {
    case ResultSuccess: return QStringLiteral("Command Success");
    case ResultRefused: return ipCommandSent ? QStringLiteral("Command Success") : QStringLiteral("Command Fail ");
    case ResultNoReply: return QStringLiteral("Command Time Out");
    case ResultPasswordError: return QStringLiteral("Password Error");
    case ResultDataError: return QStringLiteral("Data Error");
    case ResultLineLost: return QStringLiteral("Connection Error");
    default: return QString();
    }
}

CommandExchange::CommandExchange(Session &session, QObject *parent) : QObject(parent), m_session(session)
{
    m_timer.setInterval(TickMs);
    connect(&m_timer, &QTimer::timeout, this, &CommandExchange::tick);
}

void CommandExchange::StartCommandExchange()
{
    CommandRecord &record = m_session.activeRecord();
    SetupLog::append(record.lastText, clock().now());
    record.resultCode = ResultNoReply;
    record.inProgress = true;
    m_status = QStringLiteral("Command in progress");
    m_stopRequest = false;
    m_picture = BitmapIdle;
    m_tick = 0;
    m_running = true;
    ++m_runNumber;
    if (m_timerDriven)
        m_timer.start();
    m_progressVisible = true;
    m_progress = 0;
    emit started();
    emit statusChanged();
}

void CommandExchange::tick()
{
    if (!m_running)
        return;
    CommandRecord &record = m_session.activeRecord();
    const bool gsm = record.link == LinkGsmModem;
    bool over = m_stopRequest || !record.inProgress;
    if (!over) {
        switch (record.link) {
        case LinkRs232: over = m_tick > Rs232TimeoutTicks; break;
        case LinkGsmModem: over = m_tick > GsmTimeoutTicks; break;
        case LinkEthernet: over = m_tick > EthernetTimeoutTicks; break;
        default: break;
        }
    }
    if (over) {
        if (m_session.onEthernet() && record.commandCode == codes::ConnectStatus && !m_session.verified())
            emit ethernetConnectTimedOut();
        m_timer.stop();
        m_running = false;
        FinishCommandExchange();
    }
    m_progress = gsm ? m_tick * 100 / 900 : m_tick * 100 / 450;
    m_stopText = QStringLiteral("Stop %1").arg((gsm ? 90 : 40) - m_tick / 10);
    ++m_tick;
    emit statusChanged();
}

void CommandExchange::replyTaken()
{
    if (!m_running || !m_timerDriven || m_finishPosted || m_session.activeRecord().inProgress)
        return;
    // Posted, so whatever the reply's handling posted comes first, as it
    // would before a tick.
    m_finishPosted = true;
    QTimer::singleShot(0, this, [this, run = m_runNumber] {
        m_finishPosted = false;
        if (run == m_runNumber) // not an exchange started since
            tick();
    });
}

void CommandExchange::stop()
{
    m_stopRequest = true;
}

void CommandExchange::showProgress()
{
    m_progressVisible = true;
    emit statusChanged();
}

void CommandExchange::FinishCommandExchange()
{
    CommandRecord &record = m_session.activeRecord();
    m_progressVisible = false;
    m_tick = 0;
    m_status = resultText(record.resultCode, m_session.ipCommandSent());
    m_picture = record.resultCode == ResultSuccess ? BitmapSuccess : BitmapIdle;
    record.inProgress = false;
    const int code = record.commandCode;
    const QString status = m_status;
    if (code == codes::Batch || code == codes::Passwords) {
        record.commandCode = codes::None;
        emit batchCommandFinished(status); // WM_USER+18, wParam 2
    } else if (code != codes::Calibration && code != codes::CalibrationRead && code != codes::DataRecord) {
        record.commandCode = codes::None;
    }
    emit statusChanged();
    emit finished(code, record.resultCode, status);
}

} // namespace kaspen
