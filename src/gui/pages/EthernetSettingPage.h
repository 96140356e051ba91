#pragma once
// The Ethernet Setting page: the selected module's network configuration,
// one icon button per field to set it, three Check buttons to read groups
// of keys back. A thin view of EthernetSettingModel.

#include "pages/ethernet/EthernetSettingModel.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kaspen {

class EthernetModules;
struct PageMessage;

class EthernetSettingPage : public QWidget {
    Q_OBJECT
public:
    EthernetSettingPage(EthernetModules &modules, QWidget *parent = nullptr);
    ~EthernetSettingPage() override;

    EthernetSettingModel &model() { return *m_model; }
    void handleMessage(const PageMessage &m);

    // Controls, for tests.
    QLineEdit *edit(EthernetSettingModel::Field f) const { return m_edits[f]; }
    QPushButton *setButton(int operation) const;
    QPushButton *checkButton(int operation) const;
    QRadioButton *fixedIpRadio() const { return m_fixed; }
    QRadioButton *domainRadio() const { return m_domain; }
    QLabel *server1Label() const { return m_server1Label; }

private:
    void build();
    void refresh();
    void refreshEditable();
    void refreshMode();

    EthernetSettingModel *m_model;
    QLineEdit *m_edits[EthernetSettingModel::FieldCount] = {};
    QList<QPair<int, QPushButton *>> m_setButtons, m_checkButtons;
    QRadioButton *m_fixed = nullptr;
    QRadioButton *m_domain = nullptr;
    QLabel *m_server1Label = nullptr;
};

} // namespace kaspen
