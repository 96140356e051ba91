#include "session/Session.h"
#include "base/MessageSink.h"

#include <QMetaObject>

namespace kaspen {

QString modelName(int modelCode)
{
    switch (modelCode) {
    case ModelOrvelA: return QStringLiteral("ORVEL-A");
    case ModelOrvelB: return QStringLiteral("ORVEL-B");
    case ModelOrvelC: return QStringLiteral("ORVEL-C");
    default: return QString();
    }
}

QString linkName(int link)
{
    switch (link) {
    case LinkRs232: return QStringLiteral("RS232");
    case LinkGsmModem: return QStringLiteral("GSM Modem");
    case LinkEthernet: return QStringLiteral("Ethernet");
    default: return QString();
    }
}

QString Session::endpointName() const
{
    const CommandLink *link = activeCarrier();
    return link ? link->name() : QString();
}

Session::Session(int modelCode, QObject *parent) : QObject(parent)
{
    m_profile.modelCode = modelCode;
    m_serial.modelCode = modelCode;
    m_ethernet.modelCode = modelCode;
    m_ethernet.link = LinkEthernet;
    m_link = modelCode == ModelOrvelB ? LinkEthernet : LinkRs232;
}

Session::~Session() = default;

CurrentEntry Session::currentEntry()
{
    if (onEthernet()) {
        const EthernetEntry e = m_phoneBook.CurrentEthernetEntry();
        return {e.connectId, e.phone, e.enquiryPassword, e.setupPassword};
    }
    const GsmEntry e = m_phoneBook.CurrentGsmEntry();
    return {e.id, e.phone, e.enquiryPassword, e.setupPassword};
}

void Session::installLink(std::unique_ptr<CommandLink> link)
{
    if (!link)
        return;
    const bool ethernet = link->kind() == LinkKind::Ethernet;
    std::unique_ptr<CommandLink> &slot = ethernet ? m_ethernetLink : m_serialLine;
    if (slot)
        slot->disconnect(this);
    slot = std::move(link);
    if (ethernet) {
        connect(slot.get(), &CommandLink::replyReceived, this, &Session::ethernetTextReceived);
        connect(slot.get(), &CommandLink::lost, this, &Session::ethernetLinkLost);
    } else {
        connect(slot.get(), &CommandLink::replyReceived, this, &Session::serialTextReceived);
        connect(slot.get(), &CommandLink::lost, this, &Session::serialLineLost);
    }
}

std::unique_ptr<CommandLink> Session::takeLink(LinkKind kind)
{
    std::unique_ptr<CommandLink> &slot = kind == LinkKind::Ethernet ? m_ethernetLink : m_serialLine;
    if (slot)
        slot->disconnect(this);
    return std::move(slot);
}

CommandLink *Session::carrier(LinkKind kind) const
{
    return kind == LinkKind::Ethernet ? m_ethernetLink.get() : m_serialLine.get();
}

bool Session::ethernetConnected() const
{
    return m_ethernetLink && m_ethernetLink->isOpen();
}

CommandGuard CommandGuard::mainWindow(Route route, bool connectFirst)
{
    CommandGuard g;
    g.route = route;
    if (connectFirst)
        g.notConnectedEthernet = QStringLiteral("Before Setup Command ,please Connect First!");
    g.inProgress = QStringLiteral("Command is Progress , Don't Disconnect!");
    g.selectIdEthernet = QStringLiteral("Before Setup Command ,please Select Connection ID!");
    return g;
}

CommandGuard CommandGuard::settingsPage()
{
    CommandGuard g;
    g.notConnectedSerial = QStringLiteral("Before Setup Command ,please Connect!");
    g.notConnectedEthernet = QStringLiteral("Before Setup Command ,please Connect First!");
    g.nullPhonePasses = true;
    return g;
}

bool Session::guard(const CommandGuard &rules)
{
    const bool ethernet = rules.route == Route::Active && onEthernet();
    const CommandLink *link = carrier(ethernet ? LinkKind::Ethernet : LinkKind::Serial);
    const QString &notConnected = ethernet ? rules.notConnectedEthernet : rules.notConnectedSerial;
    if (!notConnected.isEmpty() && !(link && link->isOpen())) {
        showMessage(notConnected);
        return false;
    }
    if ((ethernet ? m_ethernet : m_serial).inProgress) {
        showMessage(rules.inProgress);
        return false;
    }
    if (!rules.checkEntry)
        return true;
    CurrentEntry e;
    if (ethernet) {
        const EthernetEntry x = m_phoneBook.CurrentEthernetEntry();
        e = {x.connectId, x.phone, x.enquiryPassword, x.setupPassword};
    } else {
        const GsmEntry x = m_phoneBook.CurrentGsmEntry();
        e = {x.id, x.phone, x.enquiryPassword, x.setupPassword};
    }
    const QString &missing = ethernet ? rules.missingEthernet : rules.missingSerial;
    if (e.id.isEmpty()) {
        showMessage(ethernet ? rules.selectIdEthernet : rules.selectIdSerial);
        return false;
    }
    if (e.phone.isEmpty()) {
        showMessage(QStringLiteral("Device Phone Number is %1 ,please Edit Phone Book!").arg(missing));
        return false;
    }
    if (rules.nullPhonePasses && !ethernet && e.phone == "NULL") {
        showMessage(QStringLiteral("command success"));
        return true;
    }
    if (e.enquiryPassword.isEmpty()) {
        showMessage(QStringLiteral("Device QueryPassword is %1 ,please Edit Phone Book!").arg(missing));
        return false;
    }
    if (e.setupPassword.isEmpty()) {
        showMessage(QStringLiteral("Device SetupPassword is %1 ,please Edit Phone Book!").arg(missing));
        return false;
    }
    return true;
}

QByteArray Session::framed(const QByteArray &text)
{
    return frameForLink(m_link, currentEntry().phone, text);
}

bool Session::send(const Outgoing &c)
{
    const bool ethernet = c.route == Route::Active && onEthernet();
    CommandLink *link = carrier(ethernet ? LinkKind::Ethernet : LinkKind::Serial);
    CommandRecord &record = ethernet ? m_ethernet : m_serial;
    const QByteArray sent = c.framing == Outgoing::Framing::ForLink ? framed(c.text) : c.text;
    record.lastText = c.keepText ? sent : QByteArray();
    record.commandCode = c.code;
    if (!link || !link->isOpen()) {
        if (!c.closedMessage.isEmpty())
            showMessage(c.closedMessage);
        return false;
    }
    QByteArray bytes = sent;
    if (!c.hexForm.isEmpty()) {
        const HexConversion h = hexToBytes(c.hexForm);
        if (h.tooLong)
            return false;
        bytes = h.bytes;
    }
    if (link->write(bytes) != 1)
        return false;
    emit bytesWritten(bytes);
    if (!c.stationIdText.isEmpty())
        record.stationIdText = c.stationIdText;
    switch (c.start) {
    case Outgoing::Start::Posted:
        // WM_USER+2 is posted: the exchange starts once this handler returns.
        QMetaObject::invokeMethod(this, &Session::commandSent, Qt::QueuedConnection);
        break;
    case Outgoing::Start::AtOnce:
        emit commandSent(); // WM_USER+2, sent
        break;
    case Outgoing::Start::None:
        break;
    }
    if (c.log == Outgoing::Log::AsSent)
        emit sendLogEntry(sent); // WM_USER+30
    else if (c.log == Outgoing::Log::AsGiven)
        emit sendLogEntry(c.text); // WM_USER+30
    return true;
}

bool Session::SubmitCommand(int code, const QByteArray &text, bool log)
{
    Outgoing c;
    c.code = code;
    c.text = text;
    c.log = log ? Outgoing::Log::AsSent : Outgoing::Log::None;
    const bool sent = send(c);
    // WM_USER+33: on Ethernet the record keeps the Setup state texts with the
    // current entry's Setup password in front (the text goes out as given).
    if (onEthernet() && (code == codes::SaveAndExit || code == codes::EthernetSetup))
        m_ethernet.lastText = m_phoneBook.CurrentEthernetEntry().setupPassword + text;
    return sent;
}

} // namespace kaspen
