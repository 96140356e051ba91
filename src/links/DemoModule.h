#pragma once
// The demo module built into the program: a simulated Ethernet module whose
// logger is the demo logger (ORVEL-B). It answers in process and nothing
// reaches the network: Auto Scan finds it as "Demo module (simulated)", and
// the Ethernet link to it is an in-process line.

#include "links/CommandLink.h"
#include "links/ModuleClient.h"

#include <QTimer>

namespace kaspen {

// The demo module's address (never sent to: its datagrams stay in process).
QByteArray demoModuleIp();
// Its name, as Auto Scan reports it.
QString demoModuleName();

// Module protocol datagrams: those for the demo module are answered in
// process, all others go to the wrapped transport (UDP).
class DemoModuleTransport : public ModuleTransport {
    Q_OBJECT
public:
    // Takes ownership of inner.
    explicit DemoModuleTransport(ModuleTransport *inner, QObject *parent = nullptr);
    bool send(const QByteArray &datagram, const QHostAddress &to, quint16 port) override;
    bool ready(QString *why) override;
    QList<QHostAddress> extraSearchAddresses() const override;
    // Off: the demo module is not there (tests of real modules).
    void setEnabled(bool on) { m_enabled = on; }
    bool enabled() const { return m_enabled; }
    ModuleTransport *inner() const { return m_inner; }

private:
    ModuleTransport *m_inner;
    bool m_enabled = false;
};

// The Ethernet link to the demo module: each command goes to the demo
// logger, each answer comes back as one reply after the logger's answer time
// and the link's receive wait.
class DemoEthernetLink : public CommandLink {
    Q_OBJECT
public:
    using CommandLink::CommandLink;
    LinkKind kind() const override { return LinkKind::Ethernet; }
    int open() override;
    int close() override;
    bool isOpen() const override { return m_open; }
    int write(const QByteArray &bytes) override;
    QString name() const override;

private:
    bool m_open = false;
};

} // namespace kaspen
