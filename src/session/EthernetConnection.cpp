#include "session/EthernetConnection.h"

#include "base/MessageSink.h"
#include "links/DemoModule.h"
#include "protocol/CommandCodes.h"
#include "protocol/CommandText.h"
#include "session/EthernetModules.h"
#include "session/Session.h"

#include <memory>

namespace kaspen {

EthernetConnection::EthernetConnection(Session &session, EthernetModules &modules, QObject *parent)
    : QObject(parent), m_session(session), m_modules(modules)
{
}

EthernetConnection::~EthernetConnection() = default;

UdpLink *EthernetConnection::link() const
{
    return qobject_cast<UdpLink *>(m_session.carrier(LinkKind::Ethernet));
}

bool EthernetConnection::isOpen() const
{
    return m_session.ethernetConnected();
}

bool EthernetConnection::toggle(const QByteArray &connectionIdText)
{
    if (isOpen()) {
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
    if (!m_session.guard(CommandGuard::mainWindow()))
        return false;
    if (m_modules.operationRunning()) {
        showMessage(QStringLiteral("Command is in progress..."));
        return false;
    }
    if (m_modules.isDemoModule(m_modules.destinationHost)) {
        // The demo module: an in-process line to the demo logger.
        auto demo = std::make_unique<DemoEthernetLink>();
        demo->open();
        m_session.installLink(std::move(demo));
        emit statusNote(QStringLiteral("Demo module (simulated), nothing goes on the network"));
        emit connectionChanged(true);
        sendConnectQuery();
        return true;
    }
    auto udp = std::make_unique<UdpLink>();
    udp->setDestination(m_modules.destinationHost, m_modules.destinationPort);
    udp->setLocal(m_modules.localPortSetting.toInt(), pcIp);
    if (udp->open() != 1) {
        // The socket cannot be bound: said so, and the link stays closed.
        showError(udp->errorText());
        return false;
    }
    connect(udp.get(), &UdpLink::datagramIgnored, this, &EthernetConnection::ignoredDatagram);
    m_session.installLink(std::move(udp));
    emit statusNote(QStringLiteral("PC address %1, local port %2")
                        .arg(QString::fromLatin1(pcIp), QString::fromLatin1(m_modules.localPortSetting)));
    emit connectionChanged(true);

    sendConnectQuery();
    return true;
}

void EthernetConnection::sendConnectQuery()
{
    // The connect-time status query; its reply verifies the device.
    Outgoing c;
    c.code = codes::ConnectStatus;
    c.text = formatTemplate(templates::Status, {m_session.phoneBook().CurrentEthernetEntry().enquiryPassword});
    m_session.send(c);
}

void EthernetConnection::close()
{
    m_session.setVerified(false);
    if (std::unique_ptr<CommandLink> l = m_session.takeLink(LinkKind::Ethernet)) {
        l->close();
        // It may be inside its own reply delivery: let it return first.
        l.release()->deleteLater();
    }
    emit connectionChanged(false);
    emit pageMessage(PageMessage{msg::LockEthernet, ToEthernetSetting, 0, {}, 0}); // WM_USER+39: unlock
}

void EthernetConnection::connectTimedOut()
{
    if (isOpen())
        close();
}

void EthernetConnection::verified()
{
    if (m_session.onEthernet())
        emit pageMessage(PageMessage{msg::LockEthernet, ToEthernetSetting, 1, {}, 0}); // WM_USER+39: lock
}

bool EthernetConnection::saveAndExit()
{
    if (!m_session.onEthernet() || !isOpen())
        return false;
    Outgoing c;
    c.code = codes::SaveAndExit;
    c.text = formatTemplate(templates::SetupState, {m_session.phoneBook().CurrentEthernetEntry().setupPassword, 1});
    c.keepText = false;
    c.start = Outgoing::Start::None;
    return m_session.send(c);
}

} // namespace kaspen
