// The main window's Ethernet controls: Auto Scan, the Connection ID list,
// Connect / Disconnect, Save & Exit and the module-operation progress.

#include "gui/MainWindow.h"
#include "gui/common/Accessibility.h"

#include "gui/common/ConnectionList.h"
#include "gui/common/Pictures.h"
#include "gui/pages/EthernetSettingPage.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace kaspen {

void MainWindow::wireEthernet()
{
    EthernetModules &modules = m_model.ethernetModules();
    EthernetConnection &eth = m_model.ethernet();
    // Auto Scan also finds the demo module, as the port list offers the demo logger.
    modules.setDemoModule(true);
    m_exit = [this] {
        done(QDialog::Accepted);
        QCoreApplication::exit(0);
    };

    connect(m_autoScan, &QPushButton::clicked, this, [&modules] { modules.autoScan(); });

    // Opening the list refills it from the Ethernet book.
    auto *list = static_cast<ui::ConnectionList *>(m_ethConnectionList);
    connect(list, &ui::ConnectionList::aboutToOpen, this, [this] {
        const QString current = m_ethConnectionList->currentText();
        m_ethConnectionList->clear();
        for (const QByteArray &id : m_model.ethernetConnectionIds())
            m_ethConnectionList->addItem(QString::fromLocal8Bit(id));
        m_ethConnectionList->setCurrentIndex(m_ethConnectionList->findText(current));
    });
    connect(m_ethConnectionList, qOverload<int>(&QComboBox::activated), this, [this, &modules](int index) {
        modules.chooseConnectionId(m_ethConnectionList->itemText(index).toLocal8Bit());
    });
    connect(&m_model, &MainModel::connectionListChanged, this, [this](int which) {
        if (which == 1) {
            m_ethConnectionList->clear();
            for (const QByteArray &id : m_model.ethernetConnectionIds())
                m_ethConnectionList->addItem(QString::fromLocal8Bit(id));
            m_ethConnectionList->setCurrentText(
                QString::fromLocal8Bit(m_model.session().phoneBook().CurrentEthernetEntry().connectId));
        }
    });

    connect(m_ethConnect, &QPushButton::clicked, this,
            [this, &eth] { eth.toggle(m_ethConnectionList->currentText().toLocal8Bit()); });
    connect(&eth, &EthernetConnection::connectionChanged, this, [this](bool open) {
        if (open)
            return; // "Disconnect" once the device is verified
        m_ethConnect->setText(QStringLiteral("Connect"));
        m_ethConnect->setAccessibleName(QStringLiteral("Ethernet Connect"));
        m_ethState->setPixmap(ui::stateBitmap(BitmapIdle));
        m_gsm->setEnabled(true);
        m_ethernetTabs->setEnabled(true);
        m_sheet->setEnabled(false);
    });
    connect(&m_model, &MainModel::deviceVerified, this, [this] {
        if (!m_model.session().onEthernet())
            return;
        m_ethConnect->setText(QStringLiteral("Disconnect"));
        m_ethConnect->setAccessibleName(QStringLiteral("Ethernet Disconnect"));
        m_ethState->setPixmap(ui::stateBitmap(BitmapSuccess));
        m_gsm->setEnabled(false);
        m_ethernetTabs->setEnabled(false);
    });
    // The PC's address the module was told to answer to, in the status area.
    connect(&eth, &EthernetConnection::statusNote, this, [this](const QString &note) {
        m_ethState->setToolTip(note);
        m_statusText->setText(note);
    });
    connect(&modules, &EthernetModules::showModule, this, [this] { m_ethernetTabs->setEnabled(true); });

    // Save & Exit: "%s#SE:1#" once on an open connection, then the end.
    connect(m_saveExit, &QPushButton::clicked, this, [this, &eth] {
        eth.saveAndExit();
        if (m_exit)
            m_exit();
    });

    connect(&modules, &EthernetModules::progressChanged, this, &MainWindow::refreshModuleStatus);
}

void MainWindow::refreshModuleStatus()
{
    const EthernetModules &modules = m_model.ethernetModules();
    m_statusText->setText(modules.statusText());
    m_resultPicture->setPixmap(ui::stateBitmap(modules.resultPicture()));
    const bool on = modules.progressVisible();
    m_progress->setVisible(on);
    m_stop->setVisible(on);
    if (on) {
        m_progress->setValue(qBound(0, modules.progressPosition(), 100));
        m_stop->setText(modules.stopText());
    }
}

} // namespace kaspen
