#pragma once
// The Relay Output page (settings sheet page 3): thin widgets over
// RelayOutputModel.

#include "session/PageMessages.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kaspen {

class RelayOutputModel;
class Session;

class RelayOutputPage : public QWidget {
    Q_OBJECT
public:
    RelayOutputPage(Session &session, QWidget *parent = nullptr);
    ~RelayOutputPage() override;

    RelayOutputModel &model() { return *m_model; }

    // Messages of the main window: WM_USER+5, +7, +10, +11, +15.
    void handleMessage(const PageMessage &m);

    // Row colours of both lists.
    static QColor rowBackground(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void rebuildTables();
    void fitRelayColumns();
    void refresh();

    RelayOutputModel *m_model;
    QTableWidget *m_status = nullptr;
    QComboBox *m_relay = nullptr;
    QTableWidget *m_alarms = nullptr;
    QPushButton *m_setAlarms = nullptr;
    QLineEdit *m_timeLapse = nullptr;
    QComboBox *m_onOff = nullptr;
};

} // namespace kaspen
