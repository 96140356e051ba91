#pragma once
// The Device Setup page (settings sheet page 0): thin widgets over
// DeviceSetupModel.

#include "session/PageMessages.h"

#include <QWidget>
#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace kaspen {

class DeviceSetupModel;
class Session;

class DeviceSetupPage : public QWidget {
    Q_OBJECT
public:
    DeviceSetupPage(Session &session, QWidget *parent = nullptr);
    ~DeviceSetupPage() override;

    DeviceSetupModel &model() { return *m_model; }

    // Messages of the main window: WM_USER+5, WM_USER+9, WM_USER+15.
    void handleMessage(const PageMessage &m);

private:
    void build();
    void refresh();

    DeviceSetupModel *m_model;

    QLineEdit *m_stationId = nullptr;
    QLineEdit *m_enquiry = nullptr;
    QLineEdit *m_setup = nullptr;
    QLineEdit *m_dateTime = nullptr;
    QComboBox *m_logging = nullptr;
    QGroupBox *m_ethernetGroup = nullptr;
    QComboBox *m_ethernetUpload = nullptr;
    QComboBox *m_smsUpload = nullptr;
    QLineEdit *m_controlCentre = nullptr;
    std::array<QLineEdit *, 8> m_alarmPhones{};
    QLabel *m_gsmLamp = nullptr;
    QLabel *m_simLamp = nullptr;
    QProgressBar *m_signal = nullptr;
    QPlainTextEdit *m_info = nullptr;
};

} // namespace kaspen
