#pragma once
// The Analog Channel page (settings sheet page 1): thin widgets over
// AnalogChannelModel.

#include "pages/channels/FieldRules.h"
#include "session/PageMessages.h"

#include <QWidget>
#include <array>
#include <functional>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kaspen {

class AnalogChannelModel;
class Session;

class AnalogChannelPage : public QWidget {
    Q_OBJECT
public:
    AnalogChannelPage(Session &session, QWidget *parent = nullptr);
    ~AnalogChannelPage() override;

    AnalogChannelModel &model() { return *m_model; }

    // Messages of the main window: WM_USER+6, +11, +15, +22, +25.
    void handleMessage(const PageMessage &m);

    // Row colours of the analog channel table.
    static QColor rowBackground(int row);

    QTableWidget *table() const { return m_table; }
    QComboBox *channelBox() const { return m_channel; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct LimitBinding {
        QLineEdit *edit;
        LimitField field;
        int sensor;
    };
    void build();
    void rebuildTable();
    void refresh();
    QLineEdit *limitEdit(QWidget *parent, LimitField field, int sensor, bool limited);
    QComboBox *modeList(QWidget *parent, const QString &name, std::function<void(int)> chosen);

    AnalogChannelModel *m_model;
    std::vector<LimitBinding> m_limits;
    std::array<QComboBox *, 8> m_sensorModes{};
    std::array<QLineEdit *, 8> m_delays{};
    std::array<QLineEdit *, 8> m_serials{};
    QComboBox *m_humidityMode = nullptr;
    QLineEdit *m_humidityUpper = nullptr;
    QLineEdit *m_humidityLower = nullptr;
    QLineEdit *m_humidityZero = nullptr;
    QComboBox *m_channel = nullptr;
    QComboBox *m_analogMode = nullptr;
    QTableWidget *m_table = nullptr;
};

} // namespace kaspen
