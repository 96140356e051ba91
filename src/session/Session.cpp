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
    if (onEthernet())
        return m_ethernetEndpoint;
    return m_line ? m_line->name() : QString();
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

void Session::setSerialLine(std::unique_ptr<SerialLine> line)
{
    if (m_line)
        m_line->disconnect(this);
    m_line = std::move(line);
    if (m_line) {
        connect(m_line.get(), &SerialLine::textReceived, this, &Session::serialTextReceived);
        connect(m_line.get(), &SerialLine::lineLost, this, &Session::serialLineLost);
    }
}

std::unique_ptr<SerialLine> Session::takeSerialLine()
{
    if (m_line)
        m_line->disconnect(this);
    return std::move(m_line);
}

bool Session::writeSerial(const QByteArray &bytes)
{
    const bool ok = m_line && m_line->write(bytes) == 1;
    if (ok)
        emit bytesWritten(bytes);
    return ok;
}

namespace {
bool guardEntry(const CommandRecord &record, const CurrentEntry &e, const char *selectText)
{
    if (record.inProgress) {
        showMessage(QStringLiteral("Command is Progress , Don't Disconnect!"));
        return false;
    }
    if (e.id.isEmpty()) {
        showMessage(QString::fromLatin1(selectText));
        return false;
    }
    if (e.phone.isEmpty()) {
        showMessage(QStringLiteral("Device Phone Number is NULL ,please Edit Phone Book!"));
        return false;
    }
    if (e.enquiryPassword.isEmpty()) {
        showMessage(QStringLiteral("Device QueryPassword is NULL ,please Edit Phone Book!"));
        return false;
    }
    if (e.setupPassword.isEmpty()) {
        showMessage(QStringLiteral("Device SetupPassword is NULL ,please Edit Phone Book!"));
        return false;
    }
    return true;
}
} // namespace

bool Session::serialCommandGuard()
{
    const GsmEntry g = m_phoneBook.CurrentGsmEntry();
    return guardEntry(m_serial, {g.id, g.phone, g.enquiryPassword, g.setupPassword},
                      "Before Setup Command ,please Select Device ID!");
}

bool Session::ethernetCommandGuard()
{
    const EthernetEntry e = m_phoneBook.CurrentEthernetEntry();
    return guardEntry(m_ethernet, {e.connectId, e.phone, e.enquiryPassword, e.setupPassword},
                      "Before Setup Command ,please Select Connection ID!");
}

bool Session::mainCommandGuard()
{
    return onEthernet() ? ethernetCommandGuard() : serialCommandGuard();
}

QByteArray Session::framed(const QByteArray &text)
{
    return frameForLink(m_link, currentEntry().phone, text);
}

bool Session::SubmitCommand(int code, const QByteArray &text, bool log)
{
    QByteArray sent = text;
    if (onEthernet()) {
        emit ethernetStoreCommand(code, text); // WM_USER+33
        emit ethernetSendCommand(0, text);     // WM_USER+34
    } else {
        sent = framed(text);
        m_serial.lastText = sent;
        m_serial.commandCode = code;
        if (!writeSerial(sent))
            return false;
        // WM_USER+2 is posted: the exchange starts once this handler returns.
        QMetaObject::invokeMethod(this, &Session::commandSent, Qt::QueuedConnection);
    }
    if (log)
        emit sendLogEntry(sent); // WM_USER+30
    return true;
}

} // namespace kaspen
