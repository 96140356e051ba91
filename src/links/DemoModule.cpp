#include "links/DemoModule.h"

#include "sim/Demo.h"
#include "sim/Logger.h"
#include "sim/Module.h"

#include <QPointer>

namespace kaspen {

namespace {

sim::Module &demoModule()
{
    static sim::Module module([] {
        sim::ModuleState st = sim::ModuleState::defaults(demoModuleIp());
        st.mac = "00-4B-53-DE-40-01";
        st.name = demoModuleName().toLatin1();
        st.number = 1;
        st.keys["C1_CLI_IP4"] = "0.0.0.0"; // not this PC until the client assignment
        return st;
    }());
    return module;
}

constexpr int AnswerMs = 20;  // the demo logger's time to answer
constexpr int ReceiveWaitMs = 100;

} // namespace

QByteArray demoModuleIp()
{
    return "127.0.0.254";
}

QString demoModuleName()
{
    return QStringLiteral("Demo module (simulated)");
}

DemoModuleTransport::DemoModuleTransport(ModuleTransport *inner, QObject *parent)
    : ModuleTransport(parent), m_inner(inner)
{
    m_inner->setParent(this);
    connect(m_inner, &ModuleTransport::received, this, &ModuleTransport::received);
}

bool DemoModuleTransport::send(const QByteArray &datagram, const QHostAddress &to, quint16 port)
{
    if (!m_enabled || to != QHostAddress(QString::fromLatin1(demoModuleIp())))
        return m_inner->send(datagram, to, port);
    const QByteArray answer = demoModule().handle(datagram);
    if (!answer.isEmpty()) {
        QPointer<DemoModuleTransport> self(this);
        QTimer::singleShot(2, this, [self, answer, to, port] {
            if (self)
                emit self->received(answer, to, port);
        });
    }
    return true;
}

bool DemoModuleTransport::ready(QString *why)
{
    // The demo module needs no socket; the network part may still fail.
    return m_inner->ready(why) || m_enabled;
}

QList<QHostAddress> DemoModuleTransport::extraSearchAddresses() const
{
    if (!m_enabled)
        return {};
    return {QHostAddress(QString::fromLatin1(demoModuleIp()))};
}

int DemoEthernetLink::open()
{
    m_open = true;
    return 1;
}

int DemoEthernetLink::close()
{
    m_open = false;
    return 1;
}

int DemoEthernetLink::write(const QByteArray &bytes)
{
    if (!m_open)
        return 0;
    const QByteArray answer = sim::demoLogger(13).answer(bytes);
    if (!answer.isEmpty()) {
        QPointer<DemoEthernetLink> self(this);
        QTimer::singleShot(AnswerMs + ReceiveWaitMs, this, [self, answer] {
            if (self && self->m_open)
                self->deliver(answer); // WM_USER+1
        });
    }
    return 1;
}

QString DemoEthernetLink::name() const
{
    return demoModuleName();
}

} // namespace kaspen
