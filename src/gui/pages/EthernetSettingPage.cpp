#include "gui/pages/EthernetSettingPage.h"

#include "gui/common/SetButtonWidget.h"
#include "session/PageMessages.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kaspen {

using M = EthernetSettingModel;

EthernetSettingPage::EthernetSettingPage(EthernetModules &modules, QWidget *parent)
    : QWidget(parent), m_model(new EthernetSettingModel(modules, this))
{
    build();
    connect(m_model, &M::fieldsChanged, this, &EthernetSettingPage::refresh);
    connect(m_model, &M::editableChanged, this, &EthernetSettingPage::refreshEditable);
    connect(m_model, &M::modeChanged, this, [this](int mode) {
        // WM_USER+40 (posted by the page to itself): the controls follow the mode.
        QMetaObject::invokeMethod(this, [this, mode] { m_model->applyMode(mode); }, Qt::QueuedConnection);
        refreshMode();
    });
    refresh();
}

EthernetSettingPage::~EthernetSettingPage() = default;

QPushButton *EthernetSettingPage::setButton(int operation) const
{
    for (const auto &[op, b] : m_setButtons) {
        if (op == operation)
            return b;
    }
    return nullptr;
}

QPushButton *EthernetSettingPage::checkButton(int operation) const
{
    for (const auto &[op, b] : m_checkButtons) {
        if (op == operation)
            return b;
    }
    return nullptr;
}

void EthernetSettingPage::handleMessage(const PageMessage &m)
{
    m_model->receive(m);
}

void EthernetSettingPage::build()
{
    auto *outer = new QVBoxLayout(this);
    auto *network = new QGroupBox(QStringLiteral("Network Setting: "), this);
    outer->addWidget(network);
    auto *columns = new QHBoxLayout(network);

    const auto *portValidator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), this);

    // One row: label, field, icon button.
    auto row = [&](QGridLayout *grid, int r, const QString &text, M::Field f, int operation, QWidget *parent) {
        auto *e = new QLineEdit(parent);
        e->setAccessibleName(M::fieldLabel(f));
        auto *l = new QLabel(text, parent);
        l->setBuddy(e);
        grid->addWidget(l, r, 0);
        grid->addWidget(e, r, 1);
        m_edits[f] = e;
        if (M::isPortField(f)) {
            e->setValidator(portValidator);
            e->setMaxLength(M::PortMaxLength);
        }
        connect(e, &QLineEdit::textChanged, this, [this, f](const QString &t) {
            m_model->setField(f, t.toLocal8Bit());
            if (M::isPortField(f))
                m_model->portTyped(f, t.toLocal8Bit());
        });
        if (operation) {
            auto *b = new SetButtonWidget(M::fieldLabel(f), parent);
            grid->addWidget(b, r, 2);
            m_setButtons.append({operation, b});
            connect(b, &QPushButton::clicked, this, [this, operation] { m_model->set(operation); });
        }
        return e;
    };
    auto check = [&](QGridLayout *grid, int r, int operation, const QString &what, QWidget *parent) {
        auto *b = new QPushButton(QStringLiteral("Check"), parent);
        b->setAccessibleName(QStringLiteral("Check ") + what);
        grid->addWidget(b, r, 1, 1, 2, Qt::AlignRight);
        m_checkButtons.append({operation, b});
        connect(b, &QPushButton::clicked, this, [this, operation] { m_model->check(operation); });
    };

    // Left column: the device and the local PC.
    auto *left = new QVBoxLayout;
    columns->addLayout(left);
    auto *device = new QGroupBox(QStringLiteral("Device Ethernet Properties"), network);
    auto *dg = new QGridLayout(device);
    row(dg, 0, QStringLiteral("Device IP Address"), M::DeviceIp, M::SetDeviceIp, device);
    row(dg, 1, QStringLiteral("Device Port"), M::DevicePort, M::SetDevicePort, device);
    row(dg, 2, QStringLiteral("Subnet Mask"), M::SubnetMask, M::SetSubnetMask, device);
    row(dg, 3, QStringLiteral("Gateway"), M::Gateway, M::SetGateway, device);
    row(dg, 4, QStringLiteral("DNS Sserver"), M::DnsServer, M::SetDns, device);
    check(dg, 5, M::CheckDevice, QStringLiteral("Device Ethernet Properties"), device);
    left->addWidget(device);
    auto *local = new QGroupBox(QStringLiteral("Local PC Network Properties:"), network);
    auto *lg = new QGridLayout(local);
    row(lg, 0, QStringLiteral("Local IP Address"), M::LocalIp, M::SetLocalIp, local);
    row(lg, 1, QStringLiteral("Local Port Number"), M::LocalPort, M::SetLocalPort, local);
    check(lg, 2, M::CheckLocal, QStringLiteral("Local PC Network Properties"), local);
    left->addWidget(local);
    left->addStretch(1);

    // Right column: the three servers.
    auto *servers = new QGroupBox(QStringLiteral("Server  Network Properties:"), network);
    auto *sv = new QVBoxLayout(servers);
    columns->addWidget(servers);
    auto *s1 = new QGroupBox(QStringLiteral("Server #1"), servers);
    auto *s1g = new QGridLayout(s1);
    m_fixed = new QRadioButton(QStringLiteral(" Fixed IP"), s1);
    m_domain = new QRadioButton(QStringLiteral(" Domain"), s1);
    m_fixed->setAccessibleName(QStringLiteral("Server #1 Fixed IP"));
    m_domain->setAccessibleName(QStringLiteral("Server #1 Domain"));
    auto *radios = new QHBoxLayout;
    radios->addWidget(m_fixed);
    radios->addWidget(m_domain);
    radios->addStretch(1);
    s1g->addLayout(radios, 0, 0, 1, 3);
    m_server1Label = new QLabel(QStringLiteral("IP Address :"), s1);
    auto *ip1 = new QLineEdit(s1);
    ip1->setAccessibleName(M::fieldLabel(M::Server1Ip));
    auto *domain = new QLineEdit(s1);
    domain->setAccessibleName(M::fieldLabel(M::Server1Domain));
    m_edits[M::Server1Ip] = ip1;
    m_edits[M::Server1Domain] = domain;
    for (M::Field f : {M::Server1Ip, M::Server1Domain}) {
        connect(m_edits[f], &QLineEdit::textChanged, this,
                [this, f](const QString &t) { m_model->setField(f, t.toLocal8Bit()); });
    }
    auto *both = new QHBoxLayout;
    both->addWidget(ip1);
    both->addWidget(domain);
    s1g->addWidget(m_server1Label, 1, 0);
    s1g->addLayout(both, 1, 1);
    auto *set1 = new SetButtonWidget(QStringLiteral("Server #1 IP/Domain"), s1);
    s1g->addWidget(set1, 1, 2);
    m_setButtons.append({M::SetServer1, set1});
    connect(set1, &QPushButton::clicked, this, [this] { m_model->set(M::SetServer1); });
    row(s1g, 2, QStringLiteral("Port"), M::Server1Port, M::SetServer1Port, s1);
    sv->addWidget(s1);
    connect(m_fixed, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_model->setServer1Mode(0);
    });
    connect(m_domain, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_model->setServer1Mode(1);
    });

    auto *s2 = new QGroupBox(QStringLiteral("Server #2"), servers);
    auto *s2g = new QGridLayout(s2);
    row(s2g, 0, QStringLiteral("IP Address"), M::Server2Ip, M::SetServer2Ip, s2);
    row(s2g, 1, QStringLiteral("Port"), M::Server2Port, M::SetServer2Port, s2);
    sv->addWidget(s2);
    auto *s3 = new QGroupBox(QStringLiteral("Server #3"), servers);
    auto *s3g = new QGridLayout(s3);
    row(s3g, 0, QStringLiteral("IP Address"), M::Server3Ip, M::SetServer3Ip, s3);
    row(s3g, 1, QStringLiteral("Port"), M::Server3Port, M::SetServer3Port, s3);
    sv->addWidget(s3);
    auto *cg = new QGridLayout;
    check(cg, 0, M::CheckServers, QStringLiteral("Server Network Properties"), servers);
    sv->addLayout(cg);
    sv->addStretch(1);

    auto *note = new QLabel(QStringLiteral("Ensure the proper setting of port number, gateway and subnet in the network router!"), this);
    note->setWordWrap(true);
    outer->addWidget(note);
    outer->addStretch(1);
}

void EthernetSettingPage::refresh()
{
    for (int i = 0; i < M::FieldCount; ++i) {
        QLineEdit *e = m_edits[i];
        const QString t = QString::fromLocal8Bit(m_model->field(M::Field(i)));
        if (e && e->text() != t) {
            const QSignalBlocker block(e);
            e->setText(t);
        }
    }
    refreshMode();
    refreshEditable();
}

void EthernetSettingPage::refreshMode()
{
    const bool domain = m_model->server1Mode() == 1;
    {
        const QSignalBlocker b1(m_fixed), b2(m_domain);
        m_fixed->setChecked(!domain);
        m_domain->setChecked(domain);
    }
    m_server1Label->setText(m_model->server1Label());
    m_server1Label->setBuddy(domain ? m_edits[M::Server1Domain] : m_edits[M::Server1Ip]);
    m_edits[M::Server1Ip]->setVisible(!domain);
    m_edits[M::Server1Domain]->setVisible(domain);
}

void EthernetSettingPage::refreshEditable()
{
    const bool on = m_model->fieldsEditable();
    for (M::Field f : {M::DeviceIp, M::DevicePort, M::SubnetMask, M::Gateway, M::DnsServer, M::Server1Ip,
                       M::Server1Domain, M::Server1Port, M::Server2Ip, M::Server2Port, M::Server3Ip, M::Server3Port,
                       M::LocalPort})
        m_edits[f]->setEnabled(on);
    m_edits[M::LocalIp]->setEnabled(m_model->localIpEditable());
}

} // namespace kaspen
