#include "gui/common/StatusLine.h"

#include "base/Clock.h"
#include "session/MainModel.h"

#include <QLabel>

namespace kaspen::ui {

namespace {
QLabel *part(const QString &name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setAccessibleName(name);
    l->setFrameShape(QFrame::StyledPanel);
    l->setContentsMargins(6, 0, 6, 0);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}
} // namespace

StatusLine::StatusLine(MainModel &model, QWidget *parent) : QStatusBar(parent), m_model(model)
{
    setAccessibleName(QStringLiteral("Status bar"));
    setSizeGripEnabled(true);
    m_link = part(QStringLiteral("Link"), this);
    m_place = part(QStringLiteral("Port"), this);
    m_logger = part(QStringLiteral("Logger"), this);
    m_result = part(QStringLiteral("Last result"), this);
    m_run = part(QStringLiteral("Run"), this);
    addWidget(m_link);
    addWidget(m_place);
    addWidget(m_logger);
    addWidget(m_result, 1);
    addPermanentWidget(m_run);
    m_run->hide();

    connect(&m_model, &MainModel::statusChanged, this, &StatusLine::refresh);
    connect(&m_model, &MainModel::serialStateChanged, this, &StatusLine::refresh);
    connect(&m_model, &MainModel::deviceVerified, this, &StatusLine::refresh);
    connect(&m_model, &MainModel::exchangeFinished, this,
            [this](int, int, const QString &status) { resultShown(status); });
    refresh();
}

QString StatusLine::linkText() const { return m_link->text(); }
QString StatusLine::placeText() const { return m_place->text(); }
QString StatusLine::loggerText() const { return m_logger->text(); }
QString StatusLine::resultText() const { return m_result->text(); }
QString StatusLine::runText() const { return m_run->isHidden() ? QString() : m_run->text(); }

void StatusLine::refresh()
{
    Session &s = m_model.session();
    switch (s.link()) {
    case LinkRs232: m_link->setText(QStringLiteral("RS232")); break;
    case LinkGsmModem: m_link->setText(QStringLiteral("GSM Modem")); break;
    default: m_link->setText(QStringLiteral("Ethernet")); break;
    }
    if (s.onEthernet()) {
        const QByteArray ip = s.phoneBook().CurrentEthernetEntry().deviceIp;
        if (!s.ethernetConnected())
            m_place->setText(QStringLiteral("Not connected"));
        else
            m_place->setText(ip.isEmpty() ? QStringLiteral("Connected") : QStringLiteral("Module %1").arg(QString::fromLatin1(ip)));
    } else {
        m_place->setText(s.serialOpen() && s.serialLine() ? QStringLiteral("Port %1").arg(s.serialLine()->name())
                                                         : QStringLiteral("Not connected"));
    }
    const QByteArray id = s.currentEntry().id;
    m_logger->setText(id.isEmpty() ? QStringLiteral("No logger chosen")
                                   : QStringLiteral("Logger %1").arg(QString::fromLocal8Bit(id)));
    const CommandExchange &x = m_model.exchange();
    if (x.running()) {
        // What is waiting, and how long at most.
        const int limit = s.activeRecord().link == LinkGsmModem ? CommandExchange::GsmTimeoutTicks
                                                                : CommandExchange::Rs232TimeoutTicks;
        const int left = qMax(0, (limit - x.tickCount()) / 10);
        m_result->setText(QStringLiteral("%1, time-out in %2 s").arg(x.statusText()).arg(left));
    }
}

void StatusLine::resultShown(const QString &status)
{
    refresh();
    const QString time = QString::fromLatin1(formatTime(clock().now(), "%H:%M:%S"));
    m_result->setText(status.isEmpty() ? QString() : QStringLiteral("%1 at %2").arg(status.trimmed(), time));
}

void StatusLine::showRun(int row, int rows)
{
    m_run->setVisible(rows > 0);
    m_run->setText(rows > 0 ? QStringLiteral("Row %1 of %2").arg(row).arg(rows) : QString());
}

} // namespace kaspen::ui
