#include "links/CommandLink.h"

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
    m_collected += chunk;
    m_quiet.start(); // delivered once the line has been quiet for 200 ms
}

void CommandLink::flush()
{
    m_quiet.stop();
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
}

void CommandLink::deliver(const QByteArray &reply)
{
    emit replyReceived(reply); // WM_USER+1
}

} // namespace kaspen
