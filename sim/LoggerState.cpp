#include "sim/LoggerState.h"
#include "sim/Measurements.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace kaspen::sim {

QDateTime wallClock(const QDateTime &t)
{
    if (!t.isValid() || t.timeSpec() == Qt::UTC)
        return t;
    const QTime tod = t.time();
    return QDateTime(t.date(), QTime(tod.hour(), tod.minute(), tod.second()), Qt::UTC);
}

int modelCode(Model m)
{
    return m == Model::B ? 13 : 7;
}

Model modelFromCode(int code)
{
    return code == 13 ? Model::B : Model::A;
}

QByteArray modelName(Model m)
{
    return m == Model::B ? "ORVEL-B" : "ORVEL-A";
}

namespace {

// Texts are single-byte; Latin-1 keeps every byte as it is in the file.
QJsonValue text(const QByteArray &b)
{
    return QString::fromLatin1(b);
}

QByteArray bytes(const QJsonValue &v, const QByteArray &fallback)
{
    return v.isString() ? v.toString().toLatin1() : fallback;
}

int integer(const QJsonValue &v, int fallback)
{
    return v.isDouble() ? v.toInt(fallback) : fallback;
}

qint64 integer64(const QJsonValue &v, qint64 fallback)
{
    return v.isDouble() ? qint64(v.toDouble(double(fallback))) : fallback;
}

bool boolean(const QJsonValue &v, bool fallback)
{
    return v.isBool() ? v.toBool() : fallback;
}

const char *TimeFormat = "yyyy-MM-dd HH:mm:ss";

QJsonValue timeValue(const QDateTime &t)
{
    return t.isValid() ? QJsonValue(t.toString(QLatin1String(TimeFormat))) : QJsonValue();
}

QDateTime timeFrom(const QJsonValue &v)
{
    if (!v.isString())
        return QDateTime();
    return wallClock(QDateTime::fromString(v.toString(), QLatin1String(TimeFormat)));
}

QDateTime floorToStep(const QDateTime &t, int step)
{
    const QDateTime midnight(t.date(), QTime(0, 0), Qt::UTC);
    const qint64 into = midnight.secsTo(t);
    return midnight.addSecs(into - into % step);
}

QByteArray defaultSlotText(int slot)
{
    // The logger's factory texts, in its own abbreviations.
    if (slot <= 14)
        return "AD" + QByteArray::number(slot).rightJustified(2, '0') + " HIGH ALRM!";
    if (slot == 15)
        return "MAINS OFF ALM!";
    if (slot <= 25)
        return "IN" + QByteArray::number(slot - 15).rightJustified(2, '0') + " ON ALRM!";
    if (slot <= 40)
        return "AD" + QByteArray::number(slot - 26).rightJustified(2, '0') + " LOW ALRM!";
    if (slot == 41)
        return "MAINS ON ALRM!";
    return "IN" + QByteArray::number(slot - 41).rightJustified(2, '0') + " OFF ALRM!";
}

} // namespace

LoggerState LoggerState::defaults(Model model, const QDateTime &clockNow)
{
    const QDateTime loggerNow = wallClock(clockNow);
    LoggerState s;
    s.model = model;
    s.firmware = model == Model::B ? "ORVEL-B Ver 3.02 2024-02-14" : "ORVEL-A Ver 2.13 2023-11-20";
    s.centreNumber = "0987654321";
    s.smsInterval = 0;
    s.alarmPhones[0] = "0987654321";

    s.analog[0] = {"100.0", "0.000", "0.000", 1, "80.00", "20.00"};
    for (int ch = 1; ch <= 6; ++ch)
        s.analog[size_t(ch)] = {"20.00", "4.000", "4.000", ch <= 2 ? 1 : 0, "18.00", "5.000"};
    for (int ch = 7; ch <= 12; ++ch)
        s.analog[size_t(ch)] = {"1.000", "0.000", "1.000", ch <= 8 ? 1 : 0, "30.00", "10.00"};
    s.analog[13] = {{}, {}, {}, 2, "35.00", "-5.00"};
    s.analog[14] = {{}, {}, {}, 1, "35.00", "-5.00"};

    // Sensors 1 and 2 (AD13, AD14) and 3, 4 (AD07, AD08) are fitted.
    static const char *Serials[TemperatureSensors] = {"28FF4A1B03170452", "28FF9C2E11160318", "28FF0D7A41170533",
                                                      "28FF61B224170291", "0000000000000000", "0000000000000000",
                                                      "0000000000000000", "0000000000000000"};
    for (int n = 0; n < TemperatureSensors; ++n) {
        s.sensorSerial[size_t(n)] = Serials[n];
        s.tempDelay[size_t(n)] = 10;
    }

    s.inputModes = "41200000000000000";
    for (int n = 0; n < PulseInputs; ++n)
        s.pulseStartTime[size_t(n)] = loggerNow.addDays(-3);

    const int relays = model == Model::B ? 4 : 2;
    for (int r = 0; r < relays; ++r) {
        s.relayOn.append(false);
        s.relayTimeLapse.append(r == 0 ? 5 : 0);
        s.relayAssociation.append(QByteArray(AssociationLength, '0'));
    }

    for (int slot = 0; slot < SmsSlots; ++slot)
        s.sms[size_t(slot)] = {true, defaultSlotText(slot)};

    // Two days of history at the default 15-minute interval, with a power
    // cut of three hours the day before.
    const int step = intervalSeconds(s.logInterval);
    const QDateTime last = floorToStep(loggerNow, step);
    const QDateTime cutFrom = last.addSecs(-30 * 3600), cutTo = last.addSecs(-27 * 3600);
    for (QDateTime t = last.addSecs(-48 * 3600); t <= last; t = t.addSecs(step)) {
        if (t > cutFrom && t < cutTo)
            continue;
        s.records.append(recordAt(s, t));
    }
    s.loggedUntil = loggerNow;
    return s;
}

QJsonObject LoggerState::toJson() const
{
    QJsonObject o;
    o["kind"] = "kaspen-sim logger state";
    o["model"] = QString::fromLatin1(modelName(model));
    o["stationId"] = text(stationId);
    o["phone"] = text(phone);
    o["enquiryPassword"] = text(enquiryPassword);
    o["setupPassword"] = text(setupPassword);
    o["firmware"] = text(firmware);
    o["clockOffsetSecs"] = double(clockOffsetSecs);
    o["logInterval"] = logInterval;
    o["uploadInterval"] = uploadInterval;
    o["uploadMode"] = uploadMode;
    o["uploadCount"] = uploadCount;
    o["centreNumber"] = text(centreNumber);
    o["smsInterval"] = smsInterval;
    QJsonArray phones;
    for (const auto &p : alarmPhones)
        phones.append(text(p));
    o["alarmPhones"] = phones;
    o["gsmModuleOk"] = gsmModuleOk;
    o["simCardOk"] = simCardOk;
    o["signal"] = signal;
    o["humidityReading"] = humidityReading;

    QJsonArray an;
    for (const auto &a : analog) {
        QJsonObject c;
        c["upper"] = text(a.upper);
        c["lower"] = text(a.lower);
        c["zero"] = text(a.zero);
        c["mode"] = a.mode;
        c["high"] = text(a.high);
        c["low"] = text(a.low);
        an.append(c);
    }
    o["analog"] = an;

    QJsonArray delays, serials;
    for (int n = 0; n < TemperatureSensors; ++n) {
        delays.append(tempDelay[size_t(n)]);
        serials.append(text(sensorSerial[size_t(n)]));
    }
    o["tempDelay"] = delays;
    o["sensorSerial"] = serials;
    o["inputModes"] = text(inputModes);
    QJsonArray pulses;
    for (int n = 0; n < PulseInputs; ++n) {
        QJsonObject p;
        p["start"] = double(pulseStart[size_t(n)]);
        p["since"] = timeValue(pulseStartTime[size_t(n)]);
        pulses.append(p);
    }
    o["pulses"] = pulses;
    o["inputs"] = text(inputs);

    QJsonArray relays;
    for (int r = 0; r < relayCount(); ++r) {
        QJsonObject j;
        j["on"] = relayOn.at(r);
        j["timeLapse"] = relayTimeLapse.at(r);
        j["association"] = text(relayAssociation.at(r));
        relays.append(j);
    }
    o["relays"] = relays;

    QJsonArray slotArray;
    for (const auto &slot : sms) {
        QJsonObject j;
        j["enabled"] = slot.enabled;
        j["text"] = text(slot.text);
        slotArray.append(j);
    }
    o["sms"] = slotArray;
    o["setupState"] = setupState;
    QJsonObject extra;
    for (auto it = extraSettings.cbegin(); it != extraSettings.cend(); ++it)
        extra[QString::fromLatin1(it.key())] = text(it.value());
    o["extraSettings"] = extra;

    QJsonArray recs;
    for (const DataRecord &d : records) {
        QJsonObject j;
        j["t"] = timeValue(d.time);
        j["d"] = d.interval;
        QJsonArray a;
        for (const auto &v : d.analog)
            a.append(text(v));
        j["a"] = a;
        QJsonArray p;
        for (int n = 0; n < PulseInputs; ++n)
            p.append((d.pulseMask & (1u << n)) ? QJsonValue(double(d.pulses[size_t(n)])) : QJsonValue());
        j["p"] = p;
        j["k"] = text(d.inputs);
        j["o"] = text(d.relays);
        recs.append(j);
    }
    o["records"] = recs;
    o["loggedUntil"] = timeValue(loggedUntil);
    return o;
}

bool LoggerState::fromJson(const QJsonObject &o, const QDateTime &pcNow, LoggerState *out)
{
    if (o.value("kind").toString() != QLatin1String("kaspen-sim logger state"))
        return false;
    const Model m = o.value("model").toString() == QLatin1String("ORVEL-B") ? Model::B : Model::A;
    LoggerState s = defaults(m, pcNow);
    s.records.clear();

    s.stationId = bytes(o["stationId"], s.stationId);
    s.phone = bytes(o["phone"], s.phone);
    s.enquiryPassword = bytes(o["enquiryPassword"], s.enquiryPassword);
    s.setupPassword = bytes(o["setupPassword"], s.setupPassword);
    s.firmware = bytes(o["firmware"], s.firmware);
    s.clockOffsetSecs = integer64(o["clockOffsetSecs"], 0);
    s.logInterval = integer(o["logInterval"], s.logInterval);
    s.uploadInterval = integer(o["uploadInterval"], s.uploadInterval);
    s.uploadMode = integer(o["uploadMode"], s.uploadMode);
    s.uploadCount = integer(o["uploadCount"], s.uploadCount);
    s.centreNumber = bytes(o["centreNumber"], s.centreNumber);
    s.smsInterval = integer(o["smsInterval"], s.smsInterval);
    const QJsonArray phones = o["alarmPhones"].toArray();
    for (int n = 0; n < AlarmPhones && n < phones.size(); ++n)
        s.alarmPhones[size_t(n)] = bytes(phones.at(n), s.alarmPhones[size_t(n)]);
    s.gsmModuleOk = boolean(o["gsmModuleOk"], s.gsmModuleOk);
    s.simCardOk = boolean(o["simCardOk"], s.simCardOk);
    s.signal = integer(o["signal"], s.signal);
    s.humidityReading = o["humidityReading"].toDouble(s.humidityReading);

    const QJsonArray an = o["analog"].toArray();
    for (int ch = 0; ch < AnalogChannels && ch < an.size(); ++ch) {
        const QJsonObject c = an.at(ch).toObject();
        AnalogSetting &a = s.analog[size_t(ch)];
        a.upper = bytes(c["upper"], a.upper);
        a.lower = bytes(c["lower"], a.lower);
        a.zero = bytes(c["zero"], a.zero);
        a.mode = integer(c["mode"], a.mode);
        a.high = bytes(c["high"], a.high);
        a.low = bytes(c["low"], a.low);
    }
    const QJsonArray delays = o["tempDelay"].toArray(), serials = o["sensorSerial"].toArray();
    for (int n = 0; n < TemperatureSensors; ++n) {
        if (n < delays.size())
            s.tempDelay[size_t(n)] = integer(delays.at(n), s.tempDelay[size_t(n)]);
        if (n < serials.size())
            s.sensorSerial[size_t(n)] = bytes(serials.at(n), s.sensorSerial[size_t(n)]);
    }
    s.inputModes = bytes(o["inputModes"], s.inputModes).leftJustified(InputModeDigits, '0', true);
    const QJsonArray pulses = o["pulses"].toArray();
    for (int n = 0; n < PulseInputs && n < pulses.size(); ++n) {
        const QJsonObject p = pulses.at(n).toObject();
        s.pulseStart[size_t(n)] = integer64(p["start"], 0);
        const QDateTime since = timeFrom(p["since"]);
        if (since.isValid())
            s.pulseStartTime[size_t(n)] = since;
    }
    s.inputs = bytes(o["inputs"], s.inputs);

    const QJsonArray relays = o["relays"].toArray();
    if (!relays.isEmpty()) {
        s.relayOn.clear();
        s.relayTimeLapse.clear();
        s.relayAssociation.clear();
        for (const QJsonValue &v : relays) {
            const QJsonObject j = v.toObject();
            s.relayOn.append(boolean(j["on"], false));
            s.relayTimeLapse.append(integer(j["timeLapse"], 0));
            s.relayAssociation.append(
                bytes(j["association"], QByteArray()).leftJustified(AssociationLength, '0', true));
        }
    }

    const QJsonArray slotArray = o["sms"].toArray();
    for (int n = 0; n < SmsSlots && n < slotArray.size(); ++n) {
        const QJsonObject j = slotArray.at(n).toObject();
        s.sms[size_t(n)].enabled = boolean(j["enabled"], s.sms[size_t(n)].enabled);
        s.sms[size_t(n)].text = bytes(j["text"], s.sms[size_t(n)].text);
    }
    s.setupState = integer(o["setupState"], 0);
    const QJsonObject extra = o["extraSettings"].toObject();
    for (auto it = extra.begin(); it != extra.end(); ++it)
        s.extraSettings.insert(it.key().toLatin1(), bytes(it.value(), QByteArray()));

    for (const QJsonValue &v : o["records"].toArray()) {
        const QJsonObject j = v.toObject();
        DataRecord d;
        d.time = timeFrom(j["t"]);
        if (!d.time.isValid())
            continue;
        d.interval = integer(j["d"], 0);
        const QJsonArray a = j["a"].toArray();
        for (int ch = 0; ch < AnalogChannels && ch < a.size(); ++ch)
            d.analog[size_t(ch)] = bytes(a.at(ch), QByteArray());
        const QJsonArray p = j["p"].toArray();
        for (int n = 0; n < PulseInputs && n < p.size(); ++n) {
            if (p.at(n).isDouble()) {
                d.pulseMask |= quint8(1u << n);
                d.pulses[size_t(n)] = integer64(p.at(n), 0);
            }
        }
        d.inputs = bytes(j["k"], QByteArray());
        d.relays = bytes(j["o"], QByteArray());
        s.records.append(d);
    }
    while (s.records.size() > MaxStoredRecords)
        s.records.removeFirst();
    // The logger was switched off while the simulator was not running: it
    // logs again from now on, leaving a gap.
    s.loggedUntil = wallClock(pcNow).addSecs(s.clockOffsetSecs);
    *out = s;
    return true;
}

bool LoggerState::save(const QString &path, QString *error) const
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    f.write(QJsonDocument(toJson()).toJson(QJsonDocument::Indented));
    if (!f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

bool LoggerState::load(const QString &path, const QDateTime &pcNow, LoggerState *out, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &pe);
    if (doc.isNull() || !doc.isObject()) {
        if (error)
            *error = pe.errorString();
        return false;
    }
    if (!fromJson(doc.object(), pcNow, out)) {
        if (error)
            *error = QStringLiteral("not a logger state file");
        return false;
    }
    return true;
}

} // namespace kaspen::sim
