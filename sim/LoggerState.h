#pragma once
// Everything one simulated ORVEL-A / ORVEL-B logger remembers: identity,
// passwords, clock, intervals, phones, GSM state, channel settings, relays,
// alarm message slots and the store of logged data records.
//
// The state is plain data; Logger (Logger.h) answers commands on it. It can
// be saved to and loaded from a JSON file, so a simulated logger keeps its
// settings across runs, as a real one does in its flash memory.

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <array>

namespace kaspen::sim {

enum class Model { A, B };

// The logger's clock knows no time zone or daylight saving: it holds a wall
// clock date and time. Times of the logger are kept as such (as Qt::UTC,
// so that no zone conversion ever shifts them).
QDateTime wallClock(const QDateTime &t);

// 7 ORVEL-A, 13 ORVEL-B (the program's model codes)
int modelCode(Model m);
// Model of a program model code; anything but 13 is ORVEL-A.
Model modelFromCode(int code);
// "ORVEL-A" / "ORVEL-B"
QByteArray modelName(Model m);

inline constexpr int AnalogChannels = 15;   // AD00 ... AD14
inline constexpr int TemperatureSensors = 8; // TD1..TD8, TN1..TN8
inline constexpr int PulseInputs = 3;        // LP1..LP3, P01..P03
inline constexpr int DigitalInputs = 4;      // IN1..IN4 (K01 adds the power input in front)
inline constexpr int InputModeDigits = 17;   // PA: power source + 16 inputs
inline constexpr int AlarmPhones = 8;        // AP1..AP8
inline constexpr int SmsSlots = 52;          // message slots 00..51
inline constexpr int AssociationLength = 26; // COUTn: 20 channel positions + 6 reserved
inline constexpr int MaxStoredRecords = 10000;

// The settings of one analog channel as the logger keeps them: the texts as
// received (the program shows them exactly as read back). AD13 and AD14
// have no scaling fields.
struct AnalogSetting {
    QByteArray upper;
    QByteArray lower;
    QByteArray zero;
    int mode = 0; // 0 disable, 1 capture, 2 capture & alert
    QByteArray high;
    QByteArray low;
};

struct SmsSlot {
    bool enabled = false;
    QByteArray text;
};

// One logged data record.
struct DataRecord {
    QDateTime time;  // logger clock, local time
    int interval = 0; // logging interval code in force (SA code, 1..5)
    std::array<QByteArray, AnalogChannels> analog; // empty: channel not captured
    std::array<qint64, PulseInputs> pulses{};
    quint8 pulseMask = 0; // bit n: pulse input n+1 counted
    QByteArray inputs;  // K01: power source + IN1..IN4, '1' = on
    QByteArray relays;  // O01: one character per relay
};

struct LoggerState {
    Model model = Model::A;
    QByteArray stationId = "000001";
    QByteArray phone = "0123456789"; // the logger's SIM number
    QByteArray enquiryPassword = "111111";
    QByteArray setupPassword = "222222";
    QByteArray firmware;

    qint64 clockOffsetSecs = 0; // logger clock = PC clock + offset

    int logInterval = 2;     // SA code: 0 none, 5 = 1 min, 1 = 5, 2 = 15, 3 = 30, 4 = 60 min
    int uploadInterval = 0;  // SD code 00..13
    int uploadMode = 0;      // SD: 0 live data, 1 packet data
    int uploadCount = 1;     // SD: record count
    QByteArray centreNumber; // CP
    int smsInterval = 0;     // CP code 0..9
    std::array<QByteArray, AlarmPhones> alarmPhones;

    bool gsmModuleOk = true;
    bool simCardOk = true;
    int signal = 23; // 0..31, 99 unknown
    // What the humidity sensor reads, in %RH of its raw span; A00 shows it
    // scaled by the AD00 calibration (Upper and Lower Limit).
    double humidityReading = 45.3;

    std::array<AnalogSetting, AnalogChannels> analog;
    std::array<int, TemperatureSensors> tempDelay{};
    std::array<QByteArray, TemperatureSensors> sensorSerial;
    QByteArray inputModes; // PA, InputModeDigits digits
    std::array<qint64, PulseInputs> pulseStart{};
    std::array<QDateTime, PulseInputs> pulseStartTime; // when LPn was set (logger clock)

    QByteArray inputs = "10000"; // K01: power present, IN1..IN4 open
    QList<bool> relayOn;
    QList<int> relayTimeLapse;
    QList<QByteArray> relayAssociation;

    std::array<SmsSlot, SmsSlots> sms;

    int setupState = 0; // SE
    QMap<QByteArray, QByteArray> extraSettings; // network and bus settings kept as sent

    QList<DataRecord> records;
    QDateTime loggedUntil; // logger clock up to which logging has been done

    int relayCount() const { return int(relayOn.size()); }

    // A new logger as it leaves the factory, its clock set to `loggerNow`
    // (wall clock), with two days of history already logged (so the Data
    // Record page has something to show).
    static LoggerState defaults(Model model, const QDateTime &loggerNow);

    QJsonObject toJson() const;
    // Fills missing or malformed fields from the model's defaults. Returns
    // false (and leaves *out unchanged) when the object is not a logger state.
    // pcNow is the computer's time; logging resumes from then (the logger was
    // off while nobody ran it).
    static bool fromJson(const QJsonObject &o, const QDateTime &pcNow, LoggerState *out);

    // File helpers: crash-safe write; errors as text for the caller.
    bool save(const QString &path, QString *error) const;
    static bool load(const QString &path, const QDateTime &pcNow, LoggerState *out, QString *error);
};

} // namespace kaspen::sim
