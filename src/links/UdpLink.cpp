#include "links/UdpLink.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

namespace kaspen {

UdpLink::UdpLink(QObject *parent) : CommandLink(parent)
{
    m_wait.setSingleShot(true);
    m_wait.setInterval(ReceiveWaitMs);
    connect(&m_wait, &QTimer::timeout, this, &UdpLink::receiveRound);
}

UdpLink::~UdpLink()
{
    close();
}

void UdpLink::setDestination(const QByteArray &host, int port)
{
    m_host = host;
    m_hostAddress = QHostAddress(QString::fromLatin1(host));
    m_port = port;
}

void UdpLink::setLocal(int port, const QByteArray &pcIp)
{
    m_localPort = port;
    m_pcIp = pcIp;
}

int UdpLink::open()
{
    if (m_socket)
        return 1;
    m_error.clear();
    if (m_localPort <= 0 || m_localPort > 65535) {
        m_error = QStringLiteral("The local port \"%1\" is not a port number (1 to 65535).").arg(m_localPort);
        return 0;
    }
    auto *s = new QUdpSocket(this);
    // Not shared: a port another program holds is reported, not quietly split.
    if (!s->bind(QHostAddress::AnyIPv4, quint16(m_localPort), QAbstractSocket::DontShareAddress)) {
        m_error = QStringLiteral("The local UDP port %1 cannot be opened: %2").arg(m_localPort).arg(s->errorString());
        delete s;
        return 0;
    }
    m_socket = s;
    m_replies = 0;
    m_ignored = 0;
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpLink::onReadyRead);
    return 1;
}

int UdpLink::close()
{
    m_wait.stop();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->close();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    return 1;
}

bool UdpLink::isOpen() const
{
    return m_socket != nullptr;
}

int UdpLink::write(const QByteArray &bytes)
{
    if (!m_socket || m_hostAddress.isNull() || m_port <= 0 || m_port > 65535)
        return 0;
    return m_socket->writeDatagram(bytes, m_hostAddress, quint16(m_port)) == bytes.size() ? 1 : 0;
}

QString UdpLink::name() const
{
    return QStringLiteral("%1:%2").arg(QString::fromLatin1(m_host)).arg(m_port);
}

void UdpLink::onReadyRead()
{
    // The reply is read after a short wait (the module may still be sending).
    if (!m_wait.isActive())
        m_wait.start(ReceiveWaitMs);
}

void UdpLink::receiveRound()
{
    int reported = 0, unreported = 0, taken = 0;
    QList<QByteArray> replies;
    while (m_socket && m_socket->hasPendingDatagrams() && taken < MaxDatagramsPerRound) {
        ++taken;
        const QNetworkDatagram d = m_socket->receiveDatagram(); // whole, whatever its size
        if (!d.isValid())
            continue;
        const QHostAddress from = d.senderAddress();
        if (from.toIPv4Address() != m_hostAddress.toIPv4Address() || m_hostAddress.isNull()) {
            ++m_ignored;
            if (reported < IgnoredReportsPerRound) {
                ++reported;
                emit datagramIgnored(QStringLiteral("Ignored a datagram of %1 bytes from %2:%3 (not the module %4)")
                                         .arg(d.data().size())
                                         .arg(from.toString())
                                         .arg(d.senderPort())
                                         .arg(QString::fromLatin1(m_host))
                                         .toLatin1());
            } else {
                ++unreported;
            }
            continue;
        }
        QByteArray text = d.data();
        const int zero = text.indexOf('\0');
        if (zero >= 0)
            text.truncate(zero);
        if (!text.isEmpty())
            replies.append(text);
    }
    if (unreported > 0)
        emit datagramIgnored(
            QStringLiteral("Ignored %1 more datagrams from other senders than the module").arg(unreported).toLatin1());
    for (const QByteArray &text : std::as_const(replies)) {
        ++m_replies;
        deliver(text); // WM_USER+1, one datagram one reply
        if (!m_socket)
            return; // closed by the reply's handling
    }
    if (m_socket && m_socket->hasPendingDatagrams())
        m_wait.start(taken >= MaxDatagramsPerRound ? 0 : ReceiveWaitMs);
}

} // namespace kaspen
