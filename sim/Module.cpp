#include "sim/Module.h"

#include "sim/Logger.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QSaveFile>
#include <QSerialPort>
#include <QUdpSocket>

namespace kaspen::sim {

namespace {

// Message types and error codes of protocol version 1.
enum : int {
    TDiscover = 0x01,
    TSelect = 0x02,
    TRead = 0x03,
    TWrite = 0x04,
    TError = 0xFF,
};
enum : int {
    EMalformed = 1,
    EVersion = 2,
    EPassword = 3,
    EUnknownKey = 4,
    EBadValue = 5,
    ENotThis = 6,
};

using Fields = QList<QPair<QByteArray, QByteArray>>;

bool readDatagram(const QByteArray &d, int *type, quint16 *seq, Fields *fields, int *version)
{
    if (d.size() < 6 || d.size() > 1400 || d[0] != 'K' || d[1] != 'M')
        return false;
    *version = quint8(d[2]);
    *type = quint8(d[3]);
    *seq = quint16((quint8(d[4]) << 8) | quint8(d[5]));
    fields->clear();
    const QByteArray body = d.mid(6);
    if (body.isEmpty())
        return true;
    if (!body.endsWith('\n'))
        return false;
    const QList<QByteArray> lines = body.left(body.size() - 1).split('\n');
    for (const QByteArray &l : lines) {
        const int eq = l.indexOf('=');
        if (eq <= 0)
            return false;
        fields->append({l.left(eq), l.mid(eq + 1)});
    }
    return true;
}

QByteArray field(const Fields &f, const QByteArray &name)
{
    for (const auto &kv : f) {
        if (kv.first == name)
            return kv.second;
    }
    return {};
}

bool dotted(const QByteArray &t)
{
    const QList<QByteArray> p = t.split('.');
    if (p.size() != 4)
        return false;
    for (const QByteArray &x : p) {
        bool ok = false;
        const int v = x.toInt(&ok);
        if (!ok || x.isEmpty() || x.size() > 3 || v < 0 || v > 255 || x.startsWith('+') || x.startsWith('-'))
            return false;
    }
    return true;
}

bool portText(const QByteArray &t)
{
    bool ok = false;
    const int v = t.toInt(&ok);
    return ok && v >= 1 && v <= 65535;
}

// Whether the module takes this value for this key.
bool acceptable(const QByteArray &key, const QByteArray &v)
{
    if (v.size() > 99)
        return false;
    if (key == "IP" || key == "MARK" || key == "GATEWAY" || key == "DNS" || key == "C1_CLI_IP2" || key == "C1_CLI_IP3"
        || key == "C1_CLI_IP4")
        return dotted(v);
    if (key == "C1_CLI_IP1")
        return !v.isEmpty(); // an address or a domain name
    if (key.startsWith("C1_CLI_PP") || key == "C1_PORT")
        return portText(v);
    if (key == "C1_OP")
        return v.size() == 1 && v[0] >= '0' && v[0] <= '9';
    if (key == "C1_BAUD" || key == "C1_SER_LEN") {
        bool ok = false;
        return v.toInt(&ok) > 0 && ok;
    }
    return true;
}

} // namespace

// --- state --------------------------------------------------------------------

QList<QByteArray> ModuleState::keyOrder()
{
    return {"IP",         "C1_PORT",    "MARK",       "GATEWAY",    "DNS",        "C1_CLI_IP1", "C1_CLI_PP1",
            "C1_CLI_IP2", "C1_CLI_PP2", "C1_CLI_IP3", "C1_CLI_PP3", "C1_CLI_IP4", "C1_CLI_PP4", "C1_OP",
            "C1_BAUD",    "C1_SER_LEN"};
}

ModuleState ModuleState::defaults(const QByteArray &ip)
{
    ModuleState s;
    s.keys = {
        {"IP", ip},
        {"C1_PORT", "20108"},
        {"MARK", "255.255.255.0"},
        {"GATEWAY", "127.0.0.1"},
        {"DNS", "127.0.0.1"},
        {"C1_CLI_IP1", "127.0.0.1"},
        {"C1_CLI_PP1", "20001"},
        {"C1_CLI_IP2", "127.0.0.1"},
        {"C1_CLI_PP2", "20002"},
        {"C1_CLI_IP3", "127.0.0.1"},
        {"C1_CLI_PP3", "20003"},
        {"C1_CLI_IP4", "127.0.0.1"},
        {"C1_CLI_PP4", "20004"},
        {"C1_OP", "0"},
        {"C1_BAUD", "115200"},
        {"C1_SER_LEN", "512"},
    };
    return s;
}

bool ModuleState::load(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return false;
    }
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (QByteArray l : lines) {
        l = l.trimmed();
        if (l.isEmpty() || l.startsWith('#'))
            continue;
        const int eq = l.indexOf('=');
        if (eq <= 0) {
            *error = QStringLiteral("bad line: %1").arg(QString::fromLatin1(l));
            return false;
        }
        const QByteArray k = l.left(eq), v = l.mid(eq + 1);
        if (k == "mac")
            mac = v;
        else if (k == "name")
            name = v;
        else if (k == "number")
            number = v.toInt();
        else if (k == "password")
            password = v;
        else
            keys[k] = v;
    }
    return true;
}

bool ModuleState::save(const QString &path, QString *error) const
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        *error = f.errorString();
        return false;
    }
    QByteArray out = "mac=" + mac + "\nname=" + name + "\nnumber=" + QByteArray::number(number) + "\npassword=" + password
                     + "\n";
    for (const auto &kv : keys)
        out += kv.first + '=' + kv.second + '\n';
    f.write(out);
    if (!f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

// --- protocol -----------------------------------------------------------------

Module::Module(ModuleState state) : m_state(std::move(state)) {}

bool Module::takeChanged()
{
    const bool c = m_changed;
    m_changed = false;
    return c;
}

QByteArray Module::answer(int type, quint16 seq, const Fields &fields) const
{
    QByteArray out("KM");
    out += char(1);
    out += char(type);
    out += char(seq >> 8);
    out += char(seq & 0xff);
    for (const auto &kv : fields)
        out += kv.first + '=' + kv.second + '\n';
    return out;
}

QByteArray Module::error(quint16 seq, int code, const QByteArray &text) const
{
    return answer(TError, seq, {{"code", QByteArray::number(code)}, {"text", text}});
}

QByteArray Module::handle(const QByteArray &d)
{
    if (m_muted)
        return {};
    int type = 0, version = 0;
    quint16 seq = 0;
    Fields f;
    if (!readDatagram(d, &type, &seq, &f, &version)) {
        // Something with our magic but broken gets an error; anything else
        // is not for us.
        if (d.size() >= 6 && d.startsWith("KM")) {
            ++m_answered;
            return error(quint16((quint8(d[4]) << 8) | quint8(d[5])), EMalformed, "malformed request");
        }
        return {};
    }
    if (version != 1) {
        ++m_answered;
        return error(seq, EVersion, "version 1 only");
    }
    if (type & 0x80)
        return {}; // another module's answer
    const QByteArray mac = field(f, "mac");
    if (type != TDiscover && mac != m_state.mac) {
        if (type == TDiscover)
            return {};
        ++m_answered;
        return error(seq, ENotThis, "not this module");
    }
    ++m_answered;
    switch (type) {
    case TDiscover:
        return answer(0x81, seq,
                      {{"mac", m_state.mac},
                       {"ip", m_state.ip()},
                       {"name", m_state.name},
                       {"kind", QByteArray::number(m_state.kind)},
                       {"version", "1"},
                       {"number", QByteArray::number(m_state.number)}});
    case TSelect:
        return answer(0x82, seq, {{"mac", m_state.mac}, {"ip", m_state.ip()}});
    case TRead: {
        const QByteArray key = field(f, "key");
        const auto it = m_state.keys.find(key);
        if (it == m_state.keys.end())
            return error(seq, EUnknownKey, "unknown key " + key);
        return answer(0x83, seq, {{"key", key}, {"value", it->second}});
    }
    case TWrite: {
        if (field(f, "password") != m_state.password)
            return error(seq, EPassword, "wrong password");
        Fields writes;
        for (const auto &kv : f) {
            if (kv.first.isEmpty() || !(kv.first[0] >= 'A' && kv.first[0] <= 'Z'))
                continue;
            if (m_state.keys.find(kv.first) == m_state.keys.end())
                return error(seq, EUnknownKey, "unknown key " + kv.first);
            if (!acceptable(kv.first, kv.second))
                return error(seq, EBadValue, "bad value for " + kv.first);
            writes.append(kv);
        }
        for (const auto &kv : writes)
            m_state.keys[kv.first] = kv.second;
        m_lastWrite = writes;
        m_changed = m_changed || !writes.isEmpty();
        return answer(0x84, seq, {{"count", QByteArray::number(writes.size())}});
    }
    default:
        return error(seq, EMalformed, "unknown request");
    }
}

// --- on UDP -------------------------------------------------------------------

ModuleEndpoint::ModuleEndpoint(Module &module, QObject *parent) : QObject(parent), m_module(module)
{
    m_lineGap.setSingleShot(true);
    // A packet ends when the line has been quiet for a while; generous, so
    // that a heavily loaded machine does not cut a reply in two.
    m_lineGap.setInterval(500);
    connect(&m_lineGap, &QTimer::timeout, this, &ModuleEndpoint::flushLine);
}

ModuleEndpoint::~ModuleEndpoint()
{
    close();
}

bool ModuleEndpoint::open(QString *error)
{
    close();
    const QByteArray ip = m_module.state().ip();
    QHostAddress a;
    if (!a.setAddress(QString::fromLatin1(ip))) {
        *error = QStringLiteral("not an address: %1").arg(QString::fromLatin1(ip));
        return false;
    }
    m_config = new QUdpSocket(this);
    if (!m_config->bind(a, m_configPort)) {
        *error = QStringLiteral("cannot bind %1:%2: %3").arg(a.toString()).arg(m_configPort).arg(m_config->errorString());
        close();
        return false;
    }
    connect(m_config, &QUdpSocket::readyRead, this, &ModuleEndpoint::onConfig);
    m_boundIp = ip;
    return bindData(error);
}

bool ModuleEndpoint::bindData(QString *error)
{
    delete m_data;
    m_data = new QUdpSocket(this);
    const QByteArray port = m_module.state().keys["C1_PORT"];
    if (!m_data->bind(QHostAddress(QString::fromLatin1(m_boundIp)), quint16(port.toInt()))) {
        if (error)
            *error = QStringLiteral("cannot bind data port %1: %2").arg(QString::fromLatin1(port), m_data->errorString());
        return false;
    }
    m_boundPort = port;
    connect(m_data, &QUdpSocket::readyRead, this, &ModuleEndpoint::onData);
    return true;
}

void ModuleEndpoint::close()
{
    delete m_config;
    m_config = nullptr;
    delete m_data;
    m_data = nullptr;
}

void ModuleEndpoint::onConfig()
{
    bool changed = false;
    while (m_config && m_config->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_config->receiveDatagram(4096);
        const QByteArray reply = m_module.handle(d.data());
        // A change is kept (saved) before the answer tells it is done.
        if (m_module.takeChanged()) {
            changed = true;
            emit stateChanged();
        }
        if (!reply.isEmpty())
            m_config->writeDatagram(reply, d.senderAddress(), quint16(d.senderPort()));
    }
    if (changed) {
        // A new address or data port takes effect once the answer is out.
        if (m_module.state().ip() != m_boundIp || m_module.state().keys["C1_PORT"] != m_boundPort) {
            QTimer::singleShot(0, this, [this] {
                QString e;
                if (!open(&e))
                    emit traffic(QStringLiteral("--"), e.toLatin1());
            });
        }
    }
}

void ModuleEndpoint::onData()
{
    while (m_data && m_data->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_data->receiveDatagram(65536);
        const QByteArray bytes = d.data();
        dataReceived.append(bytes);
        emit traffic(QStringLiteral("RX"), bytes);
        if (m_serial) {
            m_serial->write(bytes);
        } else if (m_logger) {
            const QByteArray reply = m_logger->answer(bytes);
            if (!reply.isEmpty()) {
                QTimer::singleShot(m_answerDelayMs, this, [this, reply] { toClient(reply); });
                if (m_logger->takeChanged())
                    emit stateChanged();
            }
        }
    }
}

void ModuleEndpoint::bridgeToLogger(Logger *logger, int answerDelayMs)
{
    m_logger = logger;
    m_answerDelayMs = answerDelayMs;
}

bool ModuleEndpoint::bridgeToSerial(const QString &path, QString *error)
{
    m_serial = new QSerialPort(path, this);
    const int baud = m_module.state().keys["C1_BAUD"].toInt();
    m_serial->setBaudRate(baud > 0 ? baud : 9600);
    if (!m_serial->open(QIODevice::ReadWrite)) {
        *error = m_serial->errorString();
        delete m_serial;
        m_serial = nullptr;
        return false;
    }
    connect(m_serial, &QSerialPort::readyRead, this, [this] { fromLine(m_serial->readAll()); });
    return true;
}

void ModuleEndpoint::fromLine(const QByteArray &bytes)
{
    // Bytes from the line are packed into one datagram until the line has
    // been quiet for a while or the packet is full.
    m_lineOut += bytes;
    int len = m_module.state().keys["C1_SER_LEN"].toInt();
    if (len <= 0)
        len = 512;
    while (m_lineOut.size() >= len) {
        toClient(m_lineOut.left(len));
        m_lineOut.remove(0, len);
    }
    if (!m_lineOut.isEmpty())
        m_lineGap.start();
}

void ModuleEndpoint::flushLine()
{
    if (!m_lineOut.isEmpty())
        toClient(m_lineOut);
    m_lineOut.clear();
}

void ModuleEndpoint::toClient(const QByteArray &bytes)
{
    // The logger's output goes to the fourth client, as a real serial server does.
    auto &k = m_module.state().keys;
    QHostAddress to;
    if (!m_data || !to.setAddress(QString::fromLatin1(k["C1_CLI_IP4"])) || !portText(k["C1_CLI_PP4"]))
        return;
    // Loopback only: this simulator never sends beyond this machine.
    if (!to.isLoopback())
        return;
    emit traffic(QStringLiteral("TX"), bytes);
    m_data->writeDatagram(bytes, to, quint16(k["C1_CLI_PP4"].toInt()));
}

} // namespace kaspen::sim
