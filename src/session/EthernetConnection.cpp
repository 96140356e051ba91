#include "session/EthernetConnection.h"

#include "base/MessageSink.h"
#include "protocol/CommandCodes.h"
#include "protocol/CommandText.h"
#include "session/EthernetModules.h"
#include "session/Session.h"

namespace kaspen {

EthernetConnection::EthernetConnection(Session &session, EthernetModules &modules, QObject *parent)
    : QObject(parent), m_session(session), m_modules(modules)
{
    connect(&m_link, &SerialLine::textReceived, this, &EthernetConnection::textReceived);
    connect(&m_link, &UdpLink::datagramIgnored, this, &EthernetConnection::ignoredDatagram);
    // WM_USER+33 and WM_USER+34 from pages and the batch runner
    connect(&session, &Session::ethernetStoreCommand, this, &EthernetConnection::storeCommand);
    connect(&session, &Session::ethernetSendCommand, this, &EthernetConnection::sendCommand);
}

EthernetConnection::~EthernetConnection() = default;

bool EthernetConnection::toggle(const QByteArray &connectionIdText)
{
    if (m_link.isOpen()) {
        if (m_session.ethernetRecord().inProgress) {
            showMessage(QStringLiteral("Command is Progress , Don't Disconnect!"));
            return false;
        }
        m_session.profile().humidityCalibration = false;
        close();
        return true;
    }
    if (connectionIdText.trimmed().isEmpty()) {
        showMessage(QStringLiteral("Before Connect,Please Select Connection ID First!"));
        return false;
    }
    // The checks before connecting (both messages begin with a space).
    if (!m_modules.moduleReachable) {
        showError(QStringLiteral(" Equipment and Host not in the same segment\r\n Please ReSet Ethernet settings!"));
        return false;
    }
    const QByteArray pcIp = m_modules.pcIp();
    if (pcIp != m_modules.localIpSetting) {
        showError(QStringLiteral(" SetupLoaclIP & LocalIP is not consistent!\r\nPlease Set Ethernet Communication IP!"));
        return false;
    }
    if (!m_session.ethernetCommandGuard())
        return false;
    if (m_modules.operationRunning()) {
        showMessage(QStringLiteral("Command is in progress..."));
        return false;
    }
    m_link.setDestination(m_modules.destinationHost, m_modules.destinationPort);
    m_link.setLocal(m_modules.localPortSetting.toInt(), pcIp);
    if (m_link.open() != 1) {
        showError(m_link.errorText());
        return false;
    }
    m_session.setEthernetConnected(true);
    emit statusNote(QStringLiteral("PC address %1, local port %2")
                        .arg(QString::fromLatin1(pcIp), QString::fromLatin1(m_modules.localPortSetting)));
    emit connectionChanged(true);

    CommandRecord &record = m_session.ethernetRecord();
    record.link = LinkEthernet;
    const QByteArray text =
        formatTemplate(templates::Status, {m_session.phoneBook().CurrentEthernetEntry().enquiryPassword});
    record.lastText = text;
    record.commandCode = codes::ConnectStatus;
    if (m_link.write(text) == 1)
        QMetaObject::invokeMethod(&m_session, &Session::commandSent, Qt::QueuedConnection); // WM_USER+2
    return true;
}

void EthernetConnection::close()
{
    m_session.setVerified(false);
    m_link.close();
    m_session.setEthernetConnected(false);
    emit connectionChanged(false);
    emit pageMessage(PageMessage{msg::LockEthernet, ToEthernetSetting, 0, {}, 0}); // WM_USER+39: unlock
}

void EthernetConnection::connectTimedOut()
{
    if (m_link.isOpen())
        close();
}

void EthernetConnection::verified()
{
    if (m_session.onEthernet())
        emit pageMessage(PageMessage{msg::LockEthernet, ToEthernetSetting, 1, {}, 0}); // WM_USER+39: lock
}

void EthernetConnection::storeCommand(int code, const QByteArray &text)
{
    CommandRecord &record = m_session.ethernetRecord();
    QByteArray t = text;
    if (code == codes::SaveAndExit || code == codes::EthernetSetup)
        t = m_session.phoneBook().CurrentEthernetEntry().setupPassword + t;
    record.lastText = t;
    record.commandCode = code;
}

bool EthernetConnection::sendCommand(int hexadecimal, const QByteArray &text)
{
    QByteArray bytes = text;
    if (hexadecimal == 1) {
        const HexConversion c = hexToBytes(text);
        if (c.tooLong)
            return false;
        bytes = c.bytes;
    }
    if (m_link.write(bytes) != 1)
        return false; // a send error starts no exchange
    QMetaObject::invokeMethod(&m_session, &Session::commandSent, Qt::QueuedConnection); // WM_USER+2
    return true;
}

bool EthernetConnection::sendDirect(const QByteArray &text)
{
    return m_link.write(text) == 1;
}

bool EthernetConnection::saveAndExit()
{
    if (!m_session.onEthernet() || !m_link.isOpen())
        return false;
    CommandRecord &record = m_session.ethernetRecord();
    record.lastText.clear();
    record.commandCode = codes::SaveAndExit;
    return sendDirect(formatTemplate(templates::SetupState, {m_session.phoneBook().CurrentEthernetEntry().setupPassword, 1}));
}

} // namespace kaspen
