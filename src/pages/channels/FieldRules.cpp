#include "pages/channels/FieldRules.h"

#include "base/MessageSink.h"
#include "protocol/CommandText.h"
#include "protocol/ReplyNumbers.h"
#include "session/Session.h"

#include <algorithm>

namespace kaspen {

// ---- numbers --------------------------------------------------------------

double LeadingNumber(const QByteArray &text)
{
    const int n = int(text.size());
    int i = 0;
    while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    const int start = i;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    int digits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    int end = i;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        int j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-'))
            ++j;
        int expDigits = 0;
        while (j < n && text[j] >= '0' && text[j] <= '9') {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            end = j;
    }
    // QByteArray::toDouble reads the C form whatever the process locale is.
    bool ok = false;
    const double v = text.mid(start, end - start).toDouble(&ok);
    return ok ? v : 0.0;
}

int CheckNumberChars(const QByteArray &text)
{
    if (text.isEmpty())
        return -1;
    int dots = 0;
    int dotPosition = 0;
    for (int i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            ++dots;
            dotPosition = i;
        } else if (c == '-') {
            if (i != 0)
                return -1;
        } else if (c < '0' || c > '9') {
            return -1;
        }
    }
    return dots > 1 ? -1 : dotPosition;
}

QByteArray NormalizeFiveDigits(const QByteArray &text)
{
    if (text.isEmpty())
        return FiveDigitsEmpty;
    if (CheckNumberChars(text) < 0)
        return FiveDigitsIllegal;
    const double v = LeadingNumber(text);
    if (v > 99999.0 || v < -99999.0)
        return FiveDigitsBeyond;
    QByteArray five = QByteArray::number(v, 'f', 6).left(5);
    if (five.size() == 5 && five[4] == '.')
        five = formatTemplate("%05d", {leadingInt(five.left(4))});
    return five;
}

// ---- limit fields ---------------------------------------------------------

LimitEdit &limitEdit(LimitGroup &g, LimitField field)
{
    switch (field) {
    case LimitField::HumidityActual: return g.actual;
    case LimitField::AnalogUpper: return g.upper;
    case LimitField::AnalogLower: return g.lower;
    case LimitField::AnalogZero: return g.zero;
    case LimitField::HumidityHigh:
    case LimitField::TemperatureHigh:
    case LimitField::AnalogHigh: return g.high;
    case LimitField::HumidityLow:
    case LimitField::TemperatureLow:
    case LimitField::AnalogLow: return g.low;
    }
    return g.actual;
}

const LimitEdit &limitEdit(const LimitGroup &g, LimitField field)
{
    return limitEdit(const_cast<LimitGroup &>(g), field);
}

QString LimitSubject(LimitField field, int sensor)
{
    const QString temperature = QStringLiteral("Temperature Sensor_%1").arg(sensor);
    switch (field) {
    case LimitField::HumidityActual: return QStringLiteral("Humidity");
    case LimitField::HumidityHigh: return QStringLiteral("Humidity Sensor Alert High");
    case LimitField::HumidityLow: return QStringLiteral("Humidity Sensor Alert Low");
    case LimitField::TemperatureHigh: return temperature + QStringLiteral(" Alert High");
    case LimitField::TemperatureLow: return temperature + QStringLiteral(" Alert Low");
    case LimitField::AnalogUpper: return QStringLiteral("Analog Channel Upper limit");
    case LimitField::AnalogLower: return QStringLiteral("Analog Channel Lower limit");
    case LimitField::AnalogZero: return QStringLiteral("Analog Channel Start Zero");
    case LimitField::AnalogHigh: return QStringLiteral("Analog Channel Alert High");
    case LimitField::AnalogLow: return QStringLiteral("Analog Channel Alert Low");
    }
    return QString();
}

namespace {

struct Range {
    double bottom, top;
    const char *text;
};

const Range *rangeOf(LimitField field)
{
    static const Range humidity{0.0, 100.0, " is Range 0-100!"};
    static const Range temperature{-125.0, 155.0, " is Range -125 to 155!"};
    switch (field) {
    case LimitField::HumidityActual:
    case LimitField::HumidityHigh:
    case LimitField::HumidityLow: return &humidity;
    case LimitField::TemperatureHigh:
    case LimitField::TemperatureLow: return &temperature;
    default: return nullptr;
    }
}

// The field that is disabled before the check starts (or null).
LimitEdit *waitingField(LimitGroup &g, LimitField field)
{
    switch (field) {
    case LimitField::HumidityHigh:
    case LimitField::TemperatureHigh:
    case LimitField::AnalogHigh: return &g.low;
    case LimitField::AnalogLower: return &g.zero;
    case LimitField::AnalogZero: return &g.high;
    default: return nullptr;
    }
}

// The field enabled after a successful check (or null).
LimitEdit *releasedField(LimitGroup &g, LimitField field)
{
    switch (field) {
    case LimitField::AnalogLower: return &g.zero;
    case LimitField::AnalogZero: return &g.high;
    default: return nullptr;
    }
}

} // namespace

void ApplyEnableChain(LimitGroup &g, LimitField changed, bool humidityCalibration)
{
    if (limitEdit(g, changed).text.isEmpty())
        return;
    switch (changed) {
    case LimitField::AnalogUpper: g.lower.enabled = true; break;
    case LimitField::AnalogLower: g.zero.enabled = true; break;
    case LimitField::AnalogZero: g.high.enabled = true; break;
    case LimitField::AnalogHigh:
    case LimitField::TemperatureHigh: g.low.enabled = true; break;
    case LimitField::HumidityHigh:
        if (humidityCalibration)
            g.low.enabled = true;
        break;
    default: break;
    }
}

LimitCheck CheckLimitField(LimitGroup &g, LimitField field, int sensor, bool humidityCalibration)
{
    LimitCheck result;
    if (LimitEdit *w = waitingField(g, field))
        w->enabled = false;

    LimitEdit &edit = limitEdit(g, field);
    if (edit.text.isEmpty())
        return result;

    const QString subject = LimitSubject(field, sensor);
    auto refuse = [&](const QString &message) {
        result.message = message;
        result.emptied = true;
        edit.text.clear();
        showError(message);
        ApplyEnableChain(g, field, humidityCalibration);
    };

    if (const Range *r = rangeOf(field)) {
        const double raw = LeadingNumber(edit.text);
        if (raw > r->top || raw < r->bottom) {
            refuse(subject + QLatin1String(r->text));
            return result;
        }
    }

    const QByteArray five = NormalizeFiveDigits(edit.text);
    if (five == FiveDigitsIllegal) {
        refuse(subject + QStringLiteral(" is Illegal characters!"));
        return result;
    }
    if (five == FiveDigitsBeyond) {
        refuse(subject + QStringLiteral(" is Five digits!"));
        return result;
    }

    const double v = LeadingNumber(five);
    const double H = LeadingNumber(g.high.text);
    const double L = LeadingNumber(g.low.text);
    const double U = LeadingNumber(g.upper.text);
    const double Lo = LeadingNumber(g.lower.text);
    const QString error = subject + QStringLiteral(" is error!");

    LimitEdit *partner = nullptr; // emptied silently on success
    switch (field) {
    case LimitField::HumidityActual:
        break;
    case LimitField::HumidityHigh:
        if (!g.low.text.isEmpty() && v <= L)
            partner = &g.low;
        break;
    case LimitField::HumidityLow:
        if (H < v) {
            refuse(error);
            return result;
        }
        break;
    case LimitField::TemperatureHigh:
        if (v <= L)
            partner = &g.low;
        break;
    case LimitField::TemperatureLow:
        if (!(v < H)) {
            refuse(error + QLatin1Char('\n'));
            return result;
        }
        break;
    case LimitField::AnalogUpper:
        if (!g.lower.text.isEmpty() && v <= Lo)
            partner = &g.lower;
        break;
    case LimitField::AnalogLower:
        if (!(v < U)) {
            refuse(error);
            return result;
        }
        break;
    case LimitField::AnalogZero:
        if (!(Lo <= v && v < U)) {
            refuse(error);
            return result;
        }
        break;
    case LimitField::AnalogHigh:
        if (!(Lo < v && v <= U)) {
            refuse(error);
            return result;
        }
        if (!g.low.text.isEmpty() && v <= L)
            partner = &g.low;
        break;
    case LimitField::AnalogLow:
        if (!(Lo <= v && v < U)) {
            refuse(error);
            return result;
        }
        break;
    }

    if (partner) {
        partner->text.clear();
        result.partnerEmptied = true;
    }
    edit.text = five;
    result.rewritten = true;
    if (LimitEdit *r = releasedField(g, field))
        r->enabled = true;
    ApplyEnableChain(g, field, humidityCalibration);
    return result;
}

// ---- alarm delays ---------------------------------------------------------

bool AlarmDelayOnChange(QByteArray &text)
{
    if (text.size() <= AlarmDelayMaxChars)
        return false;
    showMessage(QStringLiteral("Alarm Delay Time can't over 4 Number!"));
    text.clear();
    return true;
}

void AlarmDelayOnLeave(QByteArray &text)
{
    if (!text.isEmpty())
        text = formatTemplate("%04d", {leadingInt(text)});
}

QByteArray AlarmDelayAtSet(QByteArray &text)
{
    if (text.isEmpty()) {
        showError(QStringLiteral("Set Alarm Delay Time (value) cannot for empty !"));
        return QByteArray();
    }
    if (text.size() > AlarmDelayMaxChars) {
        showError(QStringLiteral("Set Alarm Delay Time Should be in 0000 and 9999 Between !\n"));
        text.clear();
        return QByteArray();
    }
    const int v = leadingInt(text);
    if (v < 0) {
        showError(QStringLiteral("Set Alarm Delay Time (value) cannot is Negative !\n"));
        text.clear();
        return QByteArray();
    }
    return formatTemplate("%04d", {v});
}

// ---- pulse counters -------------------------------------------------------

bool PulseStartOnLeave(QByteArray &text)
{
    if (text.isEmpty())
        return false;
    if (text.size() > PulseStartMaxChars) {
        showMessage(QStringLiteral("Start Zero is error !"));
        text.clear();
        return true;
    }
    text = QByteArray(PulseStartMaxChars - text.size(), '0') + text;
    return false;
}

// ---- alarm texts ----------------------------------------------------------

AlarmTextCut CutAlarmText(const QByteArray &utf8, int maxBytes)
{
    AlarmTextCut c;
    if (utf8.size() <= maxBytes) {
        c.kept = utf8;
        c.keptBytes = int(utf8.size());
        return c;
    }
    int end = std::max(0, maxBytes);
    // Step back over continuation bytes so the character that crosses the
    // limit is left out whole.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    c.kept = utf8.left(end);
    c.keptBytes = end;
    c.cut = true;
    return c;
}

AlarmTextCut AlarmTextOnChange(QByteArray &text)
{
    AlarmTextCut c = CutAlarmText(text);
    if (c.cut) {
        showMessage(QStringLiteral("Message Content can't over 60 Number!"));
        text = c.kept;
    }
    return c;
}

bool AlarmTextAtSet(const QByteArray &text, bool textTicked, const QString &subject)
{
    if (textTicked && text.isEmpty()) {
        showError(subject + QStringLiteral(" Content is empty!"));
        return false;
    }
    if (text.size() > AlarmTextMaxBytes) {
        showError(subject + QStringLiteral(" Content over 60 byte!"));
        return false;
    }
    return true;
}

// ---- command guard --------------------------------------------------------

const char *GuardWording::forLink(int link) const
{
    return link == LinkEthernet ? ethernet : serial;
}

GuardWording guardWordingFor(ChannelPage page)
{
    switch (page) {
    case ChannelPage::AnalogChannel:
    case ChannelPage::DigitalChannel: return {"NULL", "NULL"};
    case ChannelPage::AdAlarmMessage: return {"empty", "empty"};
    case ChannelPage::InAlarmMessage: return {"NULL", "empty"};
    }
    return {};
}

QByteArray guardMissingWord(ChannelPage page, int link)
{
    return guardWordingFor(page).forLink(link);
}

QString phoneMissingText(const char *word)
{
    return QStringLiteral("Device Phone Number is %1 ,please Edit Phone Book!").arg(QLatin1String(word));
}

QString queryPasswordMissingText(const char *word)
{
    return QStringLiteral("Device QueryPassword is %1 ,please Edit Phone Book!").arg(QLatin1String(word));
}

QString setupPasswordMissingText(const char *word)
{
    return QStringLiteral("Device SetupPassword is %1 ,please Edit Phone Book!").arg(QLatin1String(word));
}

bool ChannelCommandGuard(Session &session, const GuardWording &wording)
{
    // The session's one guard, with this family's texts: the plain connect
    // text on both carriers, the page's "NULL" / "empty" word, and a phone
    // number "NULL" that is an ordinary number.
    CommandGuard rules;
    rules.notConnectedSerial = QStringLiteral("Before Setup Command ,please Connect!");
    rules.notConnectedEthernet = rules.notConnectedSerial;
    rules.missingSerial = QLatin1String(wording.serial);
    rules.missingEthernet = QLatin1String(wording.ethernet);
    rules.nullPhonePasses = false;
    return session.guard(rules);
}

bool ChannelCommandGuard(Session &session, ChannelPage page)
{
    return ChannelCommandGuard(session, guardWordingFor(page));
}

// ---- command hand-off -----------------------------------------------------

HandOffOrder handOffOrderFor(ChannelPage page)
{
    return page == ChannelPage::AnalogChannel ? HandOffOrder::SubmitRecordLogBare : HandOffOrder::RecordSubmitLogSent;
}

bool HandOffCommand(Session &session, HandOffOrder order, int code, const QByteArray &text, bool record, bool log)
{
    Outgoing c;
    c.code = code;
    c.text = text;
    if (order == HandOffOrder::SubmitRecordLogBare) {
        const bool sent = session.send(c);
        if (record)
            session.batchTable().RecordCommand(code, text);
        if (sent && log)
            emit session.sendLogEntry(text); // WM_USER+30, the bare text
        return sent;
    }
    if (record)
        session.batchTable().RecordCommand(code, text);
    c.log = log ? Outgoing::Log::AsSent : Outgoing::Log::None; // WM_USER+30 with the text as sent
    return session.send(c);
}

} // namespace kaspen
