#include "links/ModuleClient.h"

#include "protocol/ModuleProtocol.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

namespace kaspen {

QString moduleFailureText(ModuleFailure f)
{
    switch (f) {
    case ModuleFailure::None: return QStringLiteral("done");
    case ModuleFailure::NoAnswer: return QStringLiteral("the module did not answer");
    case ModuleFailure::WrongPassword: return QStringLiteral("the module refused the configuration password");
    case ModuleFailure::UnknownKey: return QStringLiteral("the module has no such key");
    case ModuleFailure::BadValue: return QStringLiteral("the module did not take the value");
    case ModuleFailure::Refused: return QStringLiteral("the module refused the request");
    case ModuleFailure::NotSelected: return QStringLiteral("no module is selected");
    case ModuleFailure::Busy: return QStringLiteral("another module request is still waiting");
    case ModuleFailure::SocketError: return QStringLiteral("the PC's module socket cannot be used");
    }
    return QString();
}

// --- UDP transport ------------------------------------------------------

UdpModuleTransport::UdpModuleTransport(QObject *parent) : ModuleTransport(parent), m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpModuleTransport::readPending);
}

UdpModuleTransport::~UdpModuleTransport() = default;

bool UdpModuleTransport::ready(QString *why)
{
    if (!m_bound) {
        m_bound = m_socket->bind(QHostAddress::AnyIPv4, 0);
        if (!m_bound)
            m_bindError = m_socket->errorString();
    }
    if (!m_bound && why)
        *why = m_bindError;
    return m_bound;
}

bool UdpModuleTransport::send(const QByteArray &datagram, const QHostAddress &to, quint16 port)
{
    if (!ready(nullptr))
        return false;
    return m_socket->writeDatagram(datagram, to, port) == datagram.size();
}

quint16 UdpModuleTransport::localPort() const
{
    return m_socket->localPort();
}

void UdpModuleTransport::readPending()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_socket->receiveDatagram();
        if (d.isValid())
            emit received(d.data(), d.senderAddress(), quint16(d.senderPort()));
    }
}

// --- where to look --------------------------------------------------------

bool parseScanAddresses(const QString &text, QList<QHostAddress> *out, QString *error)
{
    out->clear();
    for (QString item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        item = item.trimmed();
        if (item.isEmpty())
            continue;
        const int dash = item.indexOf(QLatin1Char('-'));
        if (dash < 0) {
            QHostAddress a;
            if (!a.setAddress(item) || a.protocol() != QAbstractSocket::IPv4Protocol) {
                if (error)
                    *error = QStringLiteral("not an IPv4 address: \"%1\"").arg(item);
                return false;
            }
            out->append(a);
            continue;
        }
        // "a.b.c.N-M": the last number runs from N to M
        QHostAddress first;
        bool ok = false;
        const int last = item.mid(dash + 1).toInt(&ok);
        if (!first.setAddress(item.left(dash)) || first.protocol() != QAbstractSocket::IPv4Protocol || !ok) {
            if (error)
                *error = QStringLiteral("not an address range: \"%1\"").arg(item);
            return false;
        }
        const quint32 base = first.toIPv4Address();
        const int from = int(base & 0xff);
        if (last < from || last > 255) {
            if (error)
                *error = QStringLiteral("not an address range: \"%1\"").arg(item);
            return false;
        }
        for (int n = from; n <= last; ++n)
            out->append(QHostAddress((base & 0xffffff00u) | quint32(n)));
    }
    return true;
}

QList<QHostAddress> moduleScanAddresses()
{
    QList<QHostAddress> out;
    if (qEnvironmentVariableIsSet("KASPEN_SCAN_ADDRESSES")) {
        // A list that cannot be read scans nothing rather than the network.
        if (!parseScanAddresses(qEnvironmentVariable("KASPEN_SCAN_ADDRESSES"), &out))
            out.clear();
        return out;
    }
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        if (!(i.flags() & QNetworkInterface::IsUp) || !(i.flags() & QNetworkInterface::CanBroadcast))
            continue;
        for (const QNetworkAddressEntry &e : i.addressEntries()) {
            if (e.ip().protocol() == QAbstractSocket::IPv4Protocol && !e.broadcast().isNull()
                && !out.contains(e.broadcast()))
                out.append(e.broadcast());
        }
    }
    return out;
}

quint16 moduleConfigPort()
{
    bool ok = false;
    const int p = qEnvironmentVariableIntValue("KASPEN_MODULE_PORT", &ok);
    return ok && p > 0 && p < 65536 ? quint16(p) : module::ConfigPort;
}

// --- client -----------------------------------------------------------------

struct ModuleAnswerView {
    const module::Message &message;
};

struct ModuleClient::Pending {
    int type = 0;
    quint16 sequence = 0;
    QHostAddress to;
    QByteArray datagram;
    int triesLeft = 0;
    Callback done;
    std::function<void(Pending &, const ModuleAnswerView &)> onAnswer;
};

ModuleClient::ModuleClient(QObject *parent) : ModuleClient(new UdpModuleTransport, parent) {}

ModuleClient::ModuleClient(ModuleTransport *transport, QObject *parent)
    : QObject(parent), m_transport(transport), m_scan(moduleScanAddresses()), m_port(moduleConfigPort())
{
    m_transport->setParent(this);
    connect(m_transport, &ModuleTransport::received, this, &ModuleClient::onDatagram);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ModuleClient::onTimeout);
}

ModuleClient::~ModuleClient() = default;

void ModuleClient::trace(const QString &text)
{
    if (m_trace)
        m_trace(text);
}

bool ModuleClient::searchAll()
{
    m_found.clear();
    m_foundMacs.clear();
    m_searching = true;
    m_searchSequence = ++m_sequence;
    module::Message m;
    m.type = module::Message::Discover;
    m.sequence = m_searchSequence;
    const QByteArray d = module::encode(m);
    bool any = false;
    for (const QHostAddress &a : std::as_const(m_scan))
        any = m_transport->send(d, a, m_port) || any;
    for (const QHostAddress &a : m_transport->extraSearchAddresses())
        any = m_transport->send(d, a, m_port) || any;
    return any;
}

bool ModuleClient::getSearchDev(FoundModule *out)
{
    if (m_found.isEmpty())
        return false;
    *out = m_found.takeFirst();
    return true;
}

void ModuleClient::setModifyConfig(const QByteArray &key, const QByteArray &value)
{
    for (auto &kv : m_toWrite) {
        if (kv.first == key) {
            kv.second = value;
            return;
        }
    }
    m_toWrite.append({key, value});
}

void ModuleClient::selectDevice(const QByteArray &mac, const QByteArray &ip, int searchByte, Callback done)
{
    request(module::Message::Select, ip, {{"mac", mac}, {"ip", ip}}, std::move(done),
            [this, mac, ip](Pending &, const ModuleAnswerView &) {
                m_selectedMac = mac;
                m_selectedIp = ip;
            });
}

void ModuleClient::getDevConfig(const QByteArray &key, Callback done)
{
    if (m_selectedMac.isEmpty()) {
        ModuleResult r;
        r.failure = ModuleFailure::NotSelected;
        done(r);
        return;
    }
    request(module::Message::Read, m_selectedIp, {{"mac", m_selectedMac}, {"key", key}}, std::move(done));
}

void ModuleClient::modifyDevice(const QByteArray &mac, const QByteArray &ip, const QByteArray &password,
                                int searchByte, Callback done)
{
    QList<QPair<QByteArray, QByteArray>> fields{{"mac", mac}, {"password", password}};
    fields += m_toWrite;
    request(module::Message::Write, ip, fields, std::move(done));
}

void ModuleClient::request(int type, const QByteArray &ip, QList<QPair<QByteArray, QByteArray>> fields, Callback done,
                           std::function<void(Pending &, const ModuleAnswerView &)> onAnswer)
{
    ModuleResult r;
    if (m_pending) {
        r.failure = ModuleFailure::Busy;
        done(r);
        return;
    }
    QHostAddress to;
    if (!to.setAddress(QString::fromLatin1(ip)) || to.protocol() != QAbstractSocket::IPv4Protocol) {
        r.failure = ModuleFailure::NoAnswer;
        r.detail = QStringLiteral("not an IPv4 address: %1").arg(QString::fromLatin1(ip));
        done(r);
        return;
    }
    module::Message m;
    m.type = module::Message::Type(type);
    m.sequence = ++m_sequence;
    m.fields = std::move(fields);
    const QByteArray d = module::encode(m);
    if (d.isEmpty()) {
        r.failure = ModuleFailure::BadValue;
        r.detail = QStringLiteral("a key or value cannot be sent");
        done(r);
        return;
    }
    QString why;
    if (!m_transport->ready(&why)) {
        r.failure = ModuleFailure::SocketError;
        r.detail = why;
        done(r);
        return;
    }
    m_pending = std::make_unique<Pending>();
    m_pending->type = type;
    m_pending->sequence = m.sequence;
    m_pending->to = to;
    m_pending->datagram = d;
    m_pending->triesLeft = qMax(1, m_tries);
    m_pending->done = std::move(done);
    m_pending->onAnswer = std::move(onAnswer);
    sendPending();
}

void ModuleClient::sendPending()
{
    --m_pending->triesLeft;
    m_transport->send(m_pending->datagram, m_pending->to, m_port);
    m_timer.start(m_timeoutMs);
}

void ModuleClient::onTimeout()
{
    if (!m_pending)
        return;
    if (m_pending->triesLeft > 0) {
        sendPending();
        return;
    }
    ModuleResult r;
    r.failure = ModuleFailure::NoAnswer;
    finish(r);
}

void ModuleClient::finish(const ModuleResult &r)
{
    m_timer.stop();
    std::unique_ptr<Pending> p = std::move(m_pending);
    if (p && p->done)
        p->done(r); // may start the next request
}

void ModuleClient::onDatagram(const QByteArray &datagram, const QHostAddress &from, quint16 port)
{
    module::Message m;
    module::DecodeError e;
    if (!module::decode(datagram, &m, &e)) {
        trace(QStringLiteral("ignored from %1: %2").arg(from.toString(), module::decodeErrorText(e)));
        return;
    }
    if (!module::isAnswer(m.type)) {
        trace(QStringLiteral("ignored from %1: not an answer").arg(from.toString()));
        return;
    }
    if (m.type == module::Message::DiscoverAnswer) {
        if (!m_searching || m.sequence != m_searchSequence)
            return;
        FoundModule f;
        f.mac = m.value("mac");
        f.ip = m.value("ip");
        f.name = m.value("name");
        f.searchByte = m.value("kind").toInt();
        f.secondByte = m.value("version").toInt();
        f.searchNumber = m.value("number").toInt();
        if (f.mac.isEmpty() || !module::isDottedIpv4(f.ip) || m_foundMacs.contains(f.mac))
            return;
        m_foundMacs.append(f.mac);
        m_found.append(f);
        return;
    }
    // An answer to the request in flight: same sequence, from the module
    // it went to.
    if (!m_pending || m.sequence != m_pending->sequence || from.toIPv4Address() != m_pending->to.toIPv4Address()) {
        trace(QStringLiteral("ignored from %1: answers no request").arg(from.toString()));
        return;
    }
    ModuleResult r;
    if (m.type == module::Message::Error) {
        const auto code = module::ErrorCode(m.value("code").toInt());
        r.detail = QString::fromLatin1(m.value("text"));
        switch (code) {
        case module::ErrorCode::WrongPassword: r.failure = ModuleFailure::WrongPassword; break;
        case module::ErrorCode::UnknownKey: r.failure = ModuleFailure::UnknownKey; break;
        case module::ErrorCode::BadValue: r.failure = ModuleFailure::BadValue; break;
        default: r.failure = ModuleFailure::Refused; break;
        }
        finish(r);
        return;
    }
    const int expected = m_pending->type | 0x80;
    if (m.type != expected) {
        r.failure = ModuleFailure::Refused;
        r.detail = QStringLiteral("an answer of the wrong kind");
        finish(r);
        return;
    }
    if (m.type == module::Message::ReadAnswer) {
        if (!m.has("value")) {
            r.failure = ModuleFailure::Refused;
            r.detail = QStringLiteral("an answer without a value");
            finish(r);
            return;
        }
        r.value = m.value("value");
    }
    if (m_pending->onAnswer)
        m_pending->onAnswer(*m_pending, ModuleAnswerView{m});
    finish(r);
}

} // namespace kaspen

namespace kaspen {

QByteArray pcAddressFor(const QByteArray &moduleIp)
{
    QHostAddress module;
    const bool known = module.setAddress(QString::fromLatin1(moduleIp))
                       && module.protocol() == QAbstractSocket::IPv4Protocol;
    if (known && module.isLoopback())
        return "127.0.0.1";
    QByteArray first;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        if (!(i.flags() & QNetworkInterface::IsUp))
            continue;
        for (const QNetworkAddressEntry &e : i.addressEntries()) {
            if (e.ip().protocol() != QAbstractSocket::IPv4Protocol || e.ip().isLoopback())
                continue;
            if (known && e.prefixLength() > 0 && module.isInSubnet(e.ip(), e.prefixLength()))
                return e.ip().toString().toLatin1();
            if (first.isEmpty())
                first = e.ip().toString().toLatin1();
        }
    }
    return first.isEmpty() ? QByteArray("127.0.0.1") : first;
}

} // namespace kaspen
