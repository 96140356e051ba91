#pragma once
// Simulated Ethernet modules inside the test process, each on its own
// loopback address (base.2, base.3, ...), each bridging to a simulated
// ORVEL-B logger. Tests give each case its own base ("127.0.41") so that
// cases running side by side never share an address.

#include "sim/Logger.h"
#include "sim/LoggerState.h"
#include "sim/Module.h"

#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <memory>
#include <vector>

namespace kaspen::test {

struct SimModule {
    std::unique_ptr<sim::Module> module;
    std::unique_ptr<sim::ModuleEndpoint> endpoint;
    std::unique_ptr<sim::Logger> logger;
    QByteArray ip() const { return module->state().ip(); }
    QByteArray mac() const { return module->state().mac; }
    QByteArray key(const char *k) const { return module->state().keys.at(k); }
};

class SimModules {
public:
    // count modules at base.2 ... base.(count+1); the PC's client port of
    // each is localPort.
    SimModules(const QByteArray &base, int count, int localPort = 0)
        : m_base(base)
    {
        for (int i = 0; i < count; ++i)
            add(localPort);
    }

    SimModule &add(int localPort = 0)
    {
        const int n = int(m_modules.size()) + 2;
        const QByteArray ip = m_base + '.' + QByteArray::number(n);
        sim::ModuleState st = sim::ModuleState::defaults(ip);
        st.mac = QByteArray("00-4B-53-") + m_base.split('.').value(2).rightJustified(2, '0') + "-00-"
                 + QByteArray::number(n, 16).rightJustified(2, '0').toUpper();
        st.number = n;
        st.keys["C1_CLI_IP4"] = "127.0.0.9"; // not the PC yet
        if (localPort > 0)
            st.keys["C1_CLI_PP4"] = QByteArray::number(localPort);
        auto m = std::make_unique<SimModule>();
        m->module = std::make_unique<sim::Module>(st);
        m->endpoint = std::make_unique<sim::ModuleEndpoint>(*m->module);
        m->logger = std::make_unique<sim::Logger>(
            sim::LoggerState::defaults(sim::Model::B, QDateTime::currentDateTime()));
        m->endpoint->bridgeToLogger(m->logger.get(), 5);
        QString error;
        m_openError = m->endpoint->open(&error) ? QString() : error;
        m_modules.push_back(std::move(m));
        return *m_modules.back();
    }

    // Empty when every module could bind its ports.
    QString openError() const { return m_openError; }
    SimModule &operator[](int i) { return *m_modules[size_t(i)]; }
    int size() const { return int(m_modules.size()); }
    // base.1-(count+1): where a search should look.
    QList<QHostAddress> scanList() const
    {
        QList<QHostAddress> out;
        for (int i = 1; i <= size() + 1; ++i)
            out.append(QHostAddress(QString::fromLatin1(m_base + '.' + QByteArray::number(i))));
        return out;
    }

private:
    QByteArray m_base;
    std::vector<std::unique_ptr<SimModule>> m_modules;
    QString m_openError;
};

} // namespace kaspen::test
