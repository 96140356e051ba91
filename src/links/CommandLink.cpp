#include "links/CommandLink.h"
#include "protocol/ReplyItems.h"

namespace kaspen {

CommandLink::CommandLink(QObject *parent) : QObject(parent)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(QuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &CommandLink::flush);
}

CommandLink::~CommandLink() = default;

void CommandLink::collect(const QByteArray &chunk)
{
    m_quiet.start(); // delivered once the line has been quiet for 200 ms
    if (m_dropping)
        return;
    m_collected += chunk;
    if (m_collected.size() > MaxReplyBytes) {
        m_collected.truncate(MaxReplyBytes + 1);
        const QByteArray text = m_collected;
        m_collected.clear();
        m_dropping = true;
        emit replyReceived(text); // WM_USER+1: refused there as too long
    }
}

void CommandLink::flush()
{
    m_quiet.stop();
    m_dropping = false;
    if (m_collected.isEmpty())
        return;
    const QByteArray text = m_collected;
    m_collected.clear();
    emit replyReceived(text); // WM_USER+1
}

void CommandLink::discardCollected()
{
    m_quiet.stop();
    m_collected.clear();
    m_dropping = false;
}

void CommandLink::deliver(const QByteArray &reply)
{
    emit replyReceived(reply); // WM_USER+1
}

} // namespace kaspen
