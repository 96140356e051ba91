#pragma once
// The Analog Channel page without its windows: the humidity sensor (AD00)
// with its field calibration, the eight temperature sensors (AD13, AD14,
// AD07 ... AD12) with their alarm delays (TD1 ... TD8) and serial numbers,
// and the six analog channels (AD01 ... AD06) with their table. The page
// widget and kaspen-cli both drive it; the field rules are FieldRules'.

#include "pages/channels/FieldRules.h"
#include "session/PageMessages.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>
#include <array>

namespace kaspen {

class Session;

// The actual humidity of the last humidity calibration, kept with the
// session; only a calibration changes it.
QByteArray rememberedHumidity(const Session &session);
void setRememberedHumidity(Session &session, const QByteArray &text);

class AnalogChannelModel : public QObject {
    Q_OBJECT
public:
    static constexpr int CodeCalibrate = 12000;     // AD00 from the calibrate button
    static constexpr int CodeCalibrationRead = 12001; // "%s#STATUS#%" during calibration
    static constexpr int CodeHumidity = 12002;      // AD00
    static constexpr int CodeSensor1 = 12003;       // AD13
    static constexpr int CodeSensor2 = 12004;       // AD14
    static constexpr int CodeAnalogBase = 12005;    // + n for AD0n
    static constexpr int CodeSensorBase = 12204;    // + n for sensors 3 ... 8 (AD07 ... AD12)
    static constexpr int CodeDelayBase = 20000;     // + n for TDn
    static constexpr int CodeSerialNumbers = 20009; // "%s#CHEACK4#"

    static constexpr int SensorCount = 8;
    static constexpr int AnalogChannelCount = 6;
    static constexpr int LimitMaxChars = 5; // typing limit of the short limit fields

    // "Disable", "Capture Enable", "Capture & Alert Enable"; position = mode code.
    static const QList<QByteArray> &modeNames();
    // The channel of temperature sensor n (1 ... 8): 13, 14, 7 ... 12.
    static int sensorChannel(int n);
    static int sensorCode(int n);
    static QByteArray analogChannelName(int n); // "Analog_%02d"
    // n when the text is exactly "Analog_01" ... "Analog_06", else 0.
    static int analogChannelNumber(const QByteArray &text);
    // The subject of sensor n's rows: "Temperature Sensor_n".
    static QString sensorSubject(int n);

    // An "Operation Mode" list: the chosen entry (-1 none) and, with no
    // entry, a mode number a record brought that has no entry (shown as it
    // came).
    struct Mode {
        int index = -1;
        QByteArray shown;
        bool enabled = true;
        bool operator==(const Mode &o) const { return index == o.index && shown == o.shown && enabled == o.enabled; }
    };

    // A row of the analog channel table.
    struct Row {
        QByteArray name, mode, upper, lower, zero, high, low;
    };

    explicit AnalogChannelModel(Session &session, QObject *parent = nullptr);

    // ---- values
    const LimitGroup &sensor(int n) const { return m_sensors[size_t(n - 1)]; }
    const Mode &sensorMode(int n) const { return m_sensorModes[size_t(n - 1)]; }
    const QByteArray &delay(int n) const { return m_delays[size_t(n - 1)]; }
    const QByteArray &serialNumber(int n) const { return m_serials[size_t(n - 1)]; }
    const LimitGroup &humidity() const { return m_humidity; }
    const Mode &humidityMode() const { return m_humidityMode; }
    const LimitGroup &analog() const { return m_analog; }
    const Mode &analogMode() const { return m_analogMode; }
    const QList<QByteArray> &channelNames() const { return m_channelNames; }
    const QByteArray &channelText() const { return m_channelText; }
    int channelIndex() const { return m_channelIndex; }
    const QByteArray &loadedChannel() const { return m_loadedChannel; }
    const QList<Row> &rows() const { return m_rows; }
    bool calibrating() const { return m_calibrating; }
    bool humidityCalibration() const;
    QByteArray rememberedHumidity() const;

    // ---- editing (the widgets call these on textChanged / focus out / choice)
    // sensor is 1 ... 8 for the temperature fields, ignored otherwise.
    void editLimit(LimitField field, int sensor, const QByteArray &text);
    LimitCheck leaveLimit(LimitField field, int sensor = 0);
    void setSensorMode(int n, int index);
    void setHumidityMode(int index);
    void setAnalogMode(int index);
    void editDelay(int n, const QByteArray &text);
    void leaveDelay(int n);
    // Choosing an entry of the channel box (selection change); -1 none.
    void chooseChannel(int index);
    // Text typed into the channel box's edit.
    void setChannelText(const QByteArray &text);

    // ---- buttons; false when nothing was sent
    bool setSensor(int n);
    bool setHumidity();
    bool calibrate();
    bool setAnalog();
    bool setDelay(int n);
    bool checkSensorSerialNumbers();
    // Records each alarm delay that "#STC4:" brought as the TD command that
    // would set it (a backup; the page itself records nothing on that read).
    void recordAlarmDelays();

    // ---- messages from the main window
    // Block2 (WM_USER+6), FirstStatus (WM_USER+11), Block4 (WM_USER+22),
    // Calibration (WM_USER+25), ClearFields (WM_USER+15).
    void handleMessage(const PageMessage &m);
    void readBlock2(const QByteArray &record);
    void readBlock4(const QByteArray &record);
    void calibrationReply(const QByteArray &text);
    void rebuildChannels();
    void clear();
    // An exchange ended (the main model's exchangeFinished): a calibration
    // step that got no answer ends the calibration.
    void exchangeFinished(int commandCode, int resultCode);

    // The 500 ms timer: the humidity controls follow the calibration flag.
    void halfSecondTick();
    // The calibration's 10 ms waits: whether one is pending, and running it
    // at once (tests; the program runs it from a timer).
    bool stepPending() const { return m_pendingStep != Step::None; }
    void runPendingStep();
    void setTimersEnabled(bool on);

signals:
    // Values or enabled states changed; the widgets refresh.
    void changed();
    // The channel list was rebuilt.
    void rebuilt();

private:
    enum class Step { None, ReadStatus, SendHumidity };
    LimitGroup &groupOf(LimitField field, int sensor);
    void setLimitText(LimitField field, int sensor, const QByteArray &text);
    bool guard();
    bool sendHumidityCommand(bool calibrating);
    void send(int code, const QByteArray &text, bool record = true, bool log = true);
    void schedule(Step step);
    void endCalibration(bool forgetHumidity);
    QByteArray setupPw();
    QByteArray queryPw();
    static Mode modeFromRecord(const QByteArray &field);
    static QByteArray modeName(const QByteArray &field);

    Session &m_session;
    std::array<LimitGroup, SensorCount> m_sensors;
    std::array<Mode, SensorCount> m_sensorModes;
    std::array<QByteArray, SensorCount> m_delays;
    std::array<QByteArray, SensorCount> m_serials;
    LimitGroup m_humidity;
    Mode m_humidityMode;
    LimitGroup m_analog;
    Mode m_analogMode;
    QList<QByteArray> m_channelNames;
    QByteArray m_channelText;
    int m_channelIndex = -1;
    QByteArray m_loadedChannel;
    QList<Row> m_rows;
    bool m_calibrating = false;
    Step m_pendingStep = Step::None;
    QTimer m_stepTimer;
    QTimer m_halfSecond;
};

} // namespace kaspen
