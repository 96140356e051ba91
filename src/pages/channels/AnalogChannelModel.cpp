#include "pages/channels/AnalogChannelModel.h"

#include "base/MessageSink.h"
#include "pages/channels/ChannelItems.h"
#include "protocol/ReplyItems.h"
#include "protocol/CommandText.h"
#include "protocol/ReplyNumbers.h"
#include "session/Session.h"

#include <QVariant>
#include <algorithm>

namespace kaspen {

namespace {
const QByteArray Hundred = "100.0";
const QByteArray Zero = "0.000";
constexpr int WaitMs = 10;
constexpr int HalfSecondMs = 500;
} // namespace

const QList<QByteArray> &AnalogChannelModel::modeNames()
{
    static const QList<QByteArray> names = {"Disable", "Capture Enable", "Capture & Alert Enable"};
    return names;
}

int AnalogChannelModel::sensorChannel(int n)
{
    if (n == 1)
        return 13;
    if (n == 2)
        return 14;
    return n + 4;
}

int AnalogChannelModel::sensorCode(int n)
{
    if (n == 1)
        return CodeSensor1;
    if (n == 2)
        return CodeSensor2;
    return CodeSensorBase + n;
}

QByteArray AnalogChannelModel::analogChannelName(int n)
{
    return formatTemplate("Analog_%02d", {n});
}

int AnalogChannelModel::analogChannelNumber(const QByteArray &text)
{
    const QByteArray t = text.trimmed();
    for (int n = 1; n <= AnalogChannelCount; ++n) {
        if (t == analogChannelName(n))
            return n;
    }
    return 0;
}

QString AnalogChannelModel::sensorSubject(int n)
{
    return QStringLiteral("Temperature Sensor_%1").arg(n);
}

AnalogChannelModel::AnalogChannelModel(Session &session, QObject *parent) : QObject(parent), m_session(session)
{
    for (auto &s : m_sensors)
        s.low.enabled = false;
    m_humidityMode.enabled = false;
    m_humidity.upper.enabled = false; // read-only
    m_humidity.lower.enabled = false;
    m_humidity.zero.enabled = false;
    m_humidity.high.enabled = false;
    m_humidity.low.enabled = false;
    m_analog.lower.enabled = false;
    m_analog.zero.enabled = false;
    m_analog.high.enabled = false;
    m_analog.low.enabled = false;

    m_stepTimer.setSingleShot(true);
    m_stepTimer.setInterval(WaitMs);
    connect(&m_stepTimer, &QTimer::timeout, this, &AnalogChannelModel::runPendingStep);
    m_halfSecond.setInterval(HalfSecondMs);
    connect(&m_halfSecond, &QTimer::timeout, this, &AnalogChannelModel::halfSecondTick);
    m_halfSecond.start();
}

void AnalogChannelModel::setTimersEnabled(bool on)
{
    if (on) {
        m_halfSecond.start();
    } else {
        m_halfSecond.stop();
        m_stepTimer.stop();
    }
}

bool AnalogChannelModel::humidityCalibration() const
{
    return m_session.profile().humidityCalibration;
}

namespace {
// The remembered actual humidity is a program-wide record: it lives with the
// session, outliving the page's own state.
const char *const RememberedHumidityKey = "kaspen.rememberedActualHumidity";
} // namespace

QByteArray rememberedHumidity(const Session &session)
{
    return session.property(RememberedHumidityKey).toByteArray();
}

void setRememberedHumidity(Session &session, const QByteArray &text)
{
    session.setProperty(RememberedHumidityKey, text);
}

QByteArray AnalogChannelModel::rememberedHumidity() const
{
    return kaspen::rememberedHumidity(m_session);
}

QByteArray AnalogChannelModel::setupPw()
{
    return m_session.currentEntry().setupPassword;
}

QByteArray AnalogChannelModel::queryPw()
{
    return m_session.currentEntry().enquiryPassword;
}

// ---- editing ---------------------------------------------------------------

LimitGroup &AnalogChannelModel::groupOf(LimitField field, int sensor)
{
    switch (field) {
    case LimitField::TemperatureHigh:
    case LimitField::TemperatureLow:
        return m_sensors[size_t(std::clamp(sensor, 1, SensorCount) - 1)];
    case LimitField::HumidityActual:
    case LimitField::HumidityHigh:
    case LimitField::HumidityLow:
        return m_humidity;
    default:
        return m_analog;
    }
}

void AnalogChannelModel::setLimitText(LimitField field, int sensor, const QByteArray &text)
{
    LimitGroup &g = groupOf(field, sensor);
    limitEdit(g, field).text = text;
    ApplyEnableChain(g, field, humidityCalibration());
}

void AnalogChannelModel::editLimit(LimitField field, int sensor, const QByteArray &text)
{
    if (limitEdit(groupOf(field, sensor), field).text == text)
        return;
    setLimitText(field, sensor, text);
    emit changed();
}

LimitCheck AnalogChannelModel::leaveLimit(LimitField field, int sensor)
{
    const LimitCheck c = CheckLimitField(groupOf(field, sensor), field, sensor, humidityCalibration());
    emit changed();
    return c;
}

void AnalogChannelModel::setSensorMode(int n, int index)
{
    if (n < 1 || n > SensorCount)
        return;
    m_sensorModes[size_t(n - 1)].index = index;
    m_sensorModes[size_t(n - 1)].shown.clear();
    emit changed();
}

void AnalogChannelModel::setHumidityMode(int index)
{
    m_humidityMode.index = index;
    m_humidityMode.shown.clear();
    emit changed();
}

void AnalogChannelModel::setAnalogMode(int index)
{
    m_analogMode.index = index;
    m_analogMode.shown.clear();
    emit changed();
}

void AnalogChannelModel::editDelay(int n, const QByteArray &text)
{
    if (n < 1 || n > SensorCount)
        return;
    QByteArray &d = m_delays[size_t(n - 1)];
    d = text;
    AlarmDelayOnChange(d);
    emit changed();
}

void AnalogChannelModel::leaveDelay(int n)
{
    if (n < 1 || n > SensorCount)
        return;
    AlarmDelayOnLeave(m_delays[size_t(n - 1)]);
    emit changed();
}

void AnalogChannelModel::chooseChannel(int index)
{
    m_channelIndex = index >= 0 && index < m_channelNames.size() ? index : -1;
    const QByteArray text = m_channelIndex >= 0 ? m_channelNames[m_channelIndex] : QByteArray();
    m_channelText = text;
    if (text.isEmpty()) {
        emit changed();
        return;
    }
    const int n = leadingInt(text.right(2));
    if (n >= 1 && n <= m_rows.size()) {
        const Row &r = m_rows[n - 1];
        const int named = int(modeNames().indexOf(r.mode));
        const int index = named >= 0 ? named : leadingInt(r.mode);
        m_analogMode.index = index >= 0 && index < modeNames().size() ? index : -1;
        m_analogMode.shown = m_analogMode.index < 0 ? r.mode : QByteArray();
        setLimitText(LimitField::AnalogUpper, 0, r.upper);
        setLimitText(LimitField::AnalogLower, 0, r.lower);
        setLimitText(LimitField::AnalogZero, 0, r.zero);
        setLimitText(LimitField::AnalogHigh, 0, r.high);
        setLimitText(LimitField::AnalogLow, 0, r.low);
    }
    // The user edits from Upper Limit onwards, through the enable chain.
    m_analog.lower.enabled = false;
    m_analog.zero.enabled = false;
    m_analog.high.enabled = false;
    m_analog.low.enabled = false;
    m_loadedChannel = text;
    emit changed();
}

void AnalogChannelModel::setChannelText(const QByteArray &text)
{
    if (m_channelText == text)
        return;
    m_channelText = text;
    m_channelIndex = int(m_channelNames.indexOf(text));
    emit changed();
}

// ---- buttons ---------------------------------------------------------------

bool AnalogChannelModel::guard()
{
    return ChannelCommandGuard(m_session, ChannelPage::AnalogChannel);
}

void AnalogChannelModel::send(int code, const QByteArray &text, bool record, bool log)
{
    HandOffCommand(m_session, handOffOrderFor(ChannelPage::AnalogChannel), code, text, record, log);
}

bool AnalogChannelModel::setSensor(int n)
{
    if (n < 1 || n > SensorCount || !guard())
        return false;
    const LimitGroup &g = m_sensors[size_t(n - 1)];
    const Mode &mode = m_sensorModes[size_t(n - 1)];
    const QString subject = sensorSubject(n);
    if (mode.index < 0) {
        showError(QStringLiteral("Please select %1 Alarm Type!").arg(subject));
        return false;
    }
    if (g.high.text.isEmpty()) {
        showError(subject + QStringLiteral(" Alert High is empty"));
        return false;
    }
    if (g.low.text.isEmpty()) {
        showError(subject + QStringLiteral(" Alert Low is empty"));
        return false;
    }
    const QByteArray pw = setupPw();
    const QByteArray modeCode = QByteArray::number(mode.index);
    QByteArray text;
    if (n == 1)
        text = formatTemplate(templates::Analog13, {pw, modeCode, g.high.text, g.low.text});
    else if (n == 2)
        text = formatTemplate(templates::Analog14, {pw, modeCode, g.high.text, g.low.text});
    else
        text = formatTemplate(templates::AnalogLimits,
                              {pw, sensorChannel(n), "1.000", "0.000", "1.000", modeCode, g.high.text, g.low.text});
    send(sensorCode(n), text);
    return true;
}

bool AnalogChannelModel::sendHumidityCommand(bool calibrating)
{
    if (!humidityCalibration()) {
        showError(QStringLiteral("Please Calibration Actual Humidity first!"));
        return false;
    }
    const LimitGroup &g = m_humidity;
    if (m_humidityMode.index < 0) {
        showError(QStringLiteral("Please select Humidity Sensor Alarm Type!"));
        return false;
    }
    const struct {
        const LimitEdit &edit;
        const char *message;
    } checks[] = {
        {g.lower, "Humidity Sensor Lower limit is empty"}, {g.upper, "Humidity Sensor Upper limit is empty"},
        {g.zero, "Humidity Sensor Start Zero is empty"},   {g.high, "Humidity Sensor Alert High is empty"},
        {g.low, "Humidity Sensor Alert Low is empty"},
    };
    for (const auto &c : checks) {
        if (c.edit.text.isEmpty()) {
            showError(QString::fromLatin1(c.message));
            return false;
        }
    }
    const QByteArray text = formatTemplate(templates::AnalogLimits,
                                           {setupPw(), 0, g.upper.text, g.lower.text, g.zero.text,
                                            QByteArray::number(m_humidityMode.index), g.high.text, g.low.text});
    // The calibrate button's own AD00 is not a setting to replay.
    send(calibrating ? CodeCalibrate : CodeHumidity, text, !calibrating);
    return true;
}

bool AnalogChannelModel::setHumidity()
{
    if (!guard())
        return false;
    return sendHumidityCommand(false);
}

bool AnalogChannelModel::calibrate()
{
    if (!guard())
        return false;
    setRememberedHumidity(m_session, m_humidity.actual.text);
    if (rememberedHumidity().isEmpty()) {
        showMessage(QStringLiteral("Actual Humidity is empty!"));
        return false;
    }
    m_session.profile().humidityCalibration = true;
    m_humidityMode.index = 1; // "Capture Enable"
    m_humidityMode.shown.clear();
    m_humidity.upper.text = Hundred;
    m_humidity.lower.text = Zero;
    setLimitText(LimitField::HumidityHigh, 0, Hundred);
    setLimitText(LimitField::HumidityLow, 0, Zero);
    m_humidity.zero.text = Zero;
    m_calibrating = true;
    const bool sent = sendHumidityCommand(true);
    m_calibrating = false;
    m_humidity.high.enabled = true;
    emit changed();
    return sent;
}

bool AnalogChannelModel::setAnalog()
{
    if (!guard())
        return false;
    const LimitGroup &g = m_analog;
    if (m_analogMode.index < 0) {
        showError(QStringLiteral("Please select Analog Channel Alarm Type!"));
        return false;
    }
    const struct {
        const LimitEdit &edit;
        const char *message;
    } checks[] = {
        {g.lower, "Analog Channel Lower limit is empty"}, {g.upper, "Analog Channel Upper limit is empty"},
        {g.zero, "Analog ChannelStart Zero is empty"},    {g.high, "Analog Channel Alert High is empty"},
        {g.low, "Analog Channel Alert Low is empty"},
    };
    for (const auto &c : checks) {
        if (c.edit.text.isEmpty()) {
            showError(QString::fromLatin1(c.message));
            return false;
        }
    }
    // Any other text would address another channel (an empty box AD00).
    const int n = analogChannelNumber(m_channelText);
    if (n == 0) {
        showError(QStringLiteral("Please choose an Analog Channel (Analog_01 to Analog_06)!"));
        return false;
    }
    const QByteArray text =
        formatTemplate(templates::AnalogLimits, {setupPw(), n, g.upper.text, g.lower.text, g.zero.text,
                                                 QByteArray::number(m_analogMode.index), g.high.text, g.low.text});
    send(CodeAnalogBase + n, text);
    return true;
}

bool AnalogChannelModel::setDelay(int n)
{
    if (n < 1 || n > SensorCount || !guard())
        return false;
    const QByteArray value = AlarmDelayAtSet(m_delays[size_t(n - 1)]);
    emit changed();
    if (value.isEmpty())
        return false;
    send(CodeDelayBase + n, formatTemplate(templates::TempDelay, {setupPw(), n, value}));
    return true;
}

bool AnalogChannelModel::checkSensorSerialNumbers()
{
    if (!guard())
        return false;
    send(CodeSerialNumbers, formatTemplate(templates::ReadBlock4, {queryPw()}), false);
    return true;
}

void AnalogChannelModel::recordAlarmDelays()
{
    const QByteArray pw = setupPw();
    for (int n = 1; n <= SensorCount; ++n) {
        const QByteArray &d = m_delays[size_t(n - 1)];
        if (!d.isEmpty())
            m_session.batchTable().RecordCommand(CodeDelayBase + n, formatTemplate(templates::TempDelay, {pw, n, d}));
    }
}

// ---- messages --------------------------------------------------------------

void AnalogChannelModel::handleMessage(const PageMessage &m)
{
    switch (m.message) {
    case msg::Block2: // WM_USER+6
        readBlock2(m.text);
        break;
    case msg::FirstStatus: // WM_USER+11
        rebuildChannels();
        break;
    case msg::Block4: // WM_USER+22
        readBlock4(m.text);
        break;
    case msg::Calibration: // WM_USER+25
        calibrationReply(m.text);
        break;
    case msg::ClearFields: // WM_USER+15
        clear();
        break;
    default:
        break;
    }
}

AnalogChannelModel::Mode AnalogChannelModel::modeFromRecord(const QByteArray &field)
{
    Mode m;
    const int code = leadingInt(field);
    if (code >= 0 && code < modeNames().size())
        m.index = code;
    else
        m.shown = field; // no entry: the number as it came
    return m;
}

QByteArray AnalogChannelModel::modeName(const QByteArray &field)
{
    const int code = leadingInt(field);
    return code >= 0 && code < modeNames().size() ? modeNames()[code] : field;
}

void AnalogChannelModel::readBlock2(const QByteArray &t)
{
    if (t.isEmpty())
        return;
    const QByteArray pw = setupPw();
    BatchCommandTable &table = m_session.batchTable();
    const bool flag = humidityCalibration();
    for (int ch = 0; ch <= 20; ++ch) {
        const QByteArray value = recordItemValue(t, formatTemplate("AD%02d:", {ch}));
        if (ch == 13 || ch == 14) {
            const QList<QByteArray> f = splitFields(value, 3);
            const int n = ch - 12;
            LimitGroup &g = m_sensors[size_t(n - 1)];
            const Mode keep = m_sensorModes[size_t(n - 1)];
            m_sensorModes[size_t(n - 1)] = modeFromRecord(f[0]);
            m_sensorModes[size_t(n - 1)].enabled = keep.enabled;
            limitEdit(g, LimitField::TemperatureHigh).text = f[1];
            ApplyEnableChain(g, LimitField::TemperatureHigh);
            g.low.text = f[2];
            table.RecordCommand(sensorCode(n), formatTemplate(ch == 13 ? templates::Analog13 : templates::Analog14,
                                                              {pw, f[0], f[1], f[2]}));
            continue;
        }
        if (ch > 14)
            continue; // looked up, not used
        const QList<QByteArray> f = splitFields(value, 6);
        const QByteArray recorded = formatTemplate(templates::AnalogLimits, {pw, ch, f[0], f[1], f[2], f[3], f[4], f[5]});
        if (ch == 0) {
            m_humidity.upper.text = f[0];
            m_humidity.lower.text = f[1];
            m_humidity.zero.text = f[2];
            m_humidity.high.text = f[4];
            ApplyEnableChain(m_humidity, LimitField::HumidityHigh, flag);
            m_humidity.low.text = f[5];
            const bool enabled = m_humidityMode.enabled;
            m_humidityMode = modeFromRecord(f[3]);
            m_humidityMode.enabled = enabled;
            table.RecordCommand(CodeHumidity, recorded);
        } else if (ch >= 7) {
            const int n = ch - 4;
            LimitGroup &g = m_sensors[size_t(n - 1)];
            const Mode keep = m_sensorModes[size_t(n - 1)];
            m_sensorModes[size_t(n - 1)] = modeFromRecord(f[3]);
            m_sensorModes[size_t(n - 1)].enabled = keep.enabled;
            g.high.text = f[4];
            ApplyEnableChain(g, LimitField::TemperatureHigh);
            g.low.text = f[5];
            table.RecordCommand(sensorCode(n), recorded);
        } else {
            if (ch - 1 < m_rows.size()) {
                Row &r = m_rows[ch - 1];
                r.mode = modeName(f[3]);
                r.upper = f[0];
                r.lower = f[1];
                r.zero = f[2];
                r.high = f[4];
                r.low = f[5];
            }
            table.RecordCommand(CodeAnalogBase + ch, recorded);
        }
    }
    m_humidity.actual.text = rememberedHumidity();
    emit changed();
}

void AnalogChannelModel::readBlock4(const QByteArray &t)
{
    for (int n = 1; n <= SensorCount; ++n) {
        QByteArray &d = m_delays[size_t(n - 1)];
        d = recordItemValue(t, "TD" + QByteArray::number(n) + ':');
        // The change rule runs on the page's own setting too.
        AlarmDelayOnChange(d);
        m_serials[size_t(n - 1)] = recordItemValue(t, "TN" + QByteArray::number(n) + ':');
    }
    emit changed();
}

void AnalogChannelModel::schedule(Step step)
{
    m_pendingStep = step;
    m_stepTimer.start();
}

void AnalogChannelModel::runPendingStep()
{
    const Step step = m_pendingStep;
    m_pendingStep = Step::None;
    m_stepTimer.stop();
    if (step == Step::ReadStatus) {
        // Not a setting, and not logged.
        m_session.SubmitCommand(CodeCalibrationRead, formatTemplate(templates::Status, {queryPw()}) + '%', false);
    } else if (step == Step::SendHumidity) {
        setHumidity();
    }
}

void AnalogChannelModel::endCalibration(bool forgetHumidity)
{
    m_session.profile().humidityCalibration = false;
    if (forgetHumidity)
        setRememberedHumidity(m_session, QByteArray());
    m_pendingStep = Step::None;
    m_stepTimer.stop();
}

void AnalogChannelModel::calibrationReply(const QByteArray &text)
{
    const int code = m_session.activeRecord().commandCode;
    if (code == CodeCalibrate) {
        if (text.contains("success"))
            schedule(Step::ReadStatus);
        return;
    }
    if (code != CodeCalibrationRead)
        return;
    const int at = int(text.indexOf("A00:"));
    if (at < 0) {
        endCalibration(false);
        emit changed();
        return;
    }
    const QByteArray v = GetItemValue(text, "A00:").value;
    const double reading = LeadingNumber(v);
    QByteArray upper;
    bool ok = reading > 0.0 && reading <= 170.0;
    if (ok) {
        const double actual = LeadingNumber(rememberedHumidity());
        upper = NormalizeFiveDigits(QByteArray::number(actual * 100.0 / reading, 'f', 6));
        ok = upper != FiveDigitsIllegal && upper != FiveDigitsBeyond && upper != FiveDigitsEmpty
             && LeadingNumber(upper) <= 170.0;
    }
    if (!ok) {
        showError(QStringLiteral("Calibration Actual Humidity error.\nPlease check the Humidity hardware is connected "
                                 "correctly."));
        endCalibration(true);
        emit changed();
        return;
    }
    m_humidity.upper.text = upper;
    m_humidity.lower.text = Zero;
    m_humidity.zero.text = Zero;
    setLimitText(LimitField::HumidityHigh, 0, Hundred);
    setLimitText(LimitField::HumidityLow, 0, Zero);
    schedule(Step::SendHumidity);
    emit changed();
}

void AnalogChannelModel::exchangeFinished(int commandCode, int resultCode)
{
    // A calibration step that was refused, timed out or lost its line
    // leaves nothing half set: the user calibrates again.
    if ((commandCode == CodeCalibrate || commandCode == CodeCalibrationRead) && resultCode != 0
        && humidityCalibration()) {
        endCalibration(false);
        emit changed();
    }
}

void AnalogChannelModel::rebuildChannels()
{
    const int count = std::clamp(m_session.profile().analogCount - 9, 0, int(AnalogChannelCount));
    m_channelNames.clear();
    m_rows.clear();
    for (int n = 1; n <= count; ++n) {
        m_channelNames.append(analogChannelName(n));
        Row r;
        r.name = analogChannelName(n);
        m_rows.append(r);
    }
    m_channelIndex = -1;
    m_channelText.clear();
    emit rebuilt();
    emit changed();
}

void AnalogChannelModel::clear()
{
    for (auto &m : m_sensorModes) {
        m.index = -1;
        m.shown.clear();
    }
    m_humidityMode.index = -1;
    m_humidityMode.shown.clear();
    m_analogMode.index = -1;
    m_analogMode.shown.clear();
    m_channelIndex = -1;
    m_channelText.clear();
    for (LimitGroup *g : {&m_humidity, &m_analog})
        for (LimitEdit *e : {&g->upper, &g->lower, &g->zero, &g->high, &g->low, &g->actual})
            e->text.clear();
    for (auto &s : m_sensors) {
        s.high.text.clear();
        s.low.text.clear();
    }
    for (auto &d : m_delays)
        d.clear();
    for (auto &s : m_serials)
        s.clear();
    for (Row &r : m_rows)
        r = Row{r.name, {}, {}, {}, {}, {}, {}};
    emit changed();
}

void AnalogChannelModel::halfSecondTick()
{
    const bool flag = humidityCalibration();
    const bool before = m_humidityMode.enabled;
    const bool highBefore = m_humidity.high.enabled;
    const bool lowBefore = m_humidity.low.enabled;
    if (flag) {
        m_humidityMode.enabled = true;
        m_humidity.high.enabled = true;
    } else {
        m_humidityMode.enabled = false;
        m_humidity.high.enabled = false;
        m_humidity.low.enabled = false;
    }
    if (before != m_humidityMode.enabled || highBefore != m_humidity.high.enabled || lowBefore != m_humidity.low.enabled)
        emit changed();
}

} // namespace kaspen
