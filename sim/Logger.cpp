#include "sim/Logger.h"
#include "sim/Measurements.h"

#include <QRegularExpression>
#include <functional>
#include <optional>

namespace kaspen::sim {

// ---------------------------------------------------------------- records

RecordText::RecordText(const QByteArray &nameWithColon, const QByteArray &identity)
    : m_head("#" + nameWithColon + identity + ";")
{
}

RecordText &RecordText::item(const QByteArray &key, const QByteArray &value)
{
    m_items += key + value + ';';
    return *this;
}

QByteArray RecordText::finish(bool withLength, bool closingHash, int following) const
{
    const QByteArray tail = closingHash ? QByteArray("#") : QByteArray();
    if (!withLength)
        return m_head + m_items + tail;
    // L counts the characters after the leading '#', its own digits included.
    const int base = int(m_head.size() + m_items.size() + tail.size()) + 3 + following; // "L:" and ';'
    for (int digits = 1; digits < 9; ++digits) {
        const int length = base + digits - 1;
        const QByteArray l = QByteArray::number(length);
        if (l.size() == digits)
            return m_head + "L:" + l + ';' + m_items + tail;
    }
    return m_head + m_items + tail;
}

QByteArray loggerTimeText(const QDateTime &t, bool withSeconds)
{
    return t.toString(withSeconds ? QStringLiteral("yyMMddHHmmss") : QStringLiteral("yyMMddHHmm")).toLatin1();
}

// ---------------------------------------------------------------- parsing

namespace {

struct Field {
    QByteArray code;  // upper-case letters
    QByteArray index; // digits right after the code
    bool hasArgs = false;
    QByteArray args;
};

bool isUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool allDigits(const QByteArray &s, int minLen, int maxLen)
{
    if (s.size() < minLen || s.size() > maxLen)
        return false;
    for (char c : s) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

bool isFreeTextCode(const QByteArray &code)
{
    return code == "CP" || code == "AP" || code == "ID" || code == "IP" || code == "IY";
}

// Where the arguments of a field that start at `from` end (the position of
// the '#' that closes them), or -1.
int argumentsEnd(const QByteArray &text, const QByteArray &code, int from)
{
    if (code == "SMSSET" && text.mid(from, 2) == "1,") {
        // "1,LL,text": the text is LL bytes long and may hold any character.
        const int comma = text.indexOf(',', from + 2);
        if (comma > from + 2) {
            bool ok = false;
            const int len = text.mid(from + 2, comma - from - 2).toInt(&ok);
            const int end = comma + 1 + len;
            if (ok && len >= 0 && end < text.size() && text.at(end) == '#')
                return end;
        }
    }
    if (code == "AGR")
        return text.indexOf("###", from);
    if (isFreeTextCode(code)) {
        const int bang = text.indexOf('!', from);
        if (bang >= 0)
            return text.indexOf('#', bang);
    }
    return text.indexOf('#', from);
}

bool onlyTrailer(const QByteArray &rest)
{
    // What may follow the closing '#': the calibration's status query ends
    // in an extra '%'; line ends come with some terminals.
    for (char c : rest) {
        if (c != '%' && c != '\r' && c != '\n' && c != ' ')
            return false;
    }
    return true;
}

// Splits the fields after the password. False when the text is not a command.
bool parseFields(const QByteArray &text, int pos, QList<Field> *out)
{
    const int n = int(text.size());
    for (;;) {
        if (pos >= n || text.at(pos) != '#')
            return false;
        int q = pos + 1;
        if (q >= n || !isUpper(text.at(q))) {
            // the closing '#'
            return !out->isEmpty() && onlyTrailer(text.mid(q));
        }
        Field f;
        while (q < n && isUpper(text.at(q)))
            f.code += text.at(q++);
        while (q < n && isDigit(text.at(q)))
            f.index += text.at(q++);
        if (q < n && text.at(q) == ':') {
            f.hasArgs = true;
            const int from = q + 1;
            const int end = argumentsEnd(text, f.code, from);
            if (end < 0)
                return false;
            f.args = text.mid(from, end - from);
            pos = f.code == "AGR" ? end + 2 : end;
        } else if (q < n && text.at(q) == '#') {
            pos = q;
        } else if (q >= n && f.code == "CHECKVR" && f.index.isEmpty() && out->isEmpty()) {
            out->append(f); // "Ver" has no closing '#'
            return true;
        } else {
            return false;
        }
        out->append(f);
    }
}

enum class Kind { Read, Setting, Restart };

struct CodeInfo {
    Kind kind;
    bool indexed; // digits after the code
    bool args;    // ":" and arguments
};

std::optional<CodeInfo> codeInfo(const QByteArray &code)
{
    static const QMap<QByteArray, CodeInfo> table = {
        {"CHEACK", {Kind::Read, true, false}},
        {"STATUS", {Kind::Read, false, false}},
        {"CHECKVR", {Kind::Read, false, false}},
        {"SMS", {Kind::Read, false, true}},
        {"REDEEM", {Kind::Read, true, false}},
        {"RESET", {Kind::Restart, false, false}},
        {"SE", {Kind::Setting, false, true}},
        {"ST", {Kind::Setting, false, true}},
        {"TM", {Kind::Setting, false, true}},
        {"SA", {Kind::Setting, false, true}},
        {"SD", {Kind::Setting, false, true}},
        {"CP", {Kind::Setting, false, true}},
        {"AP", {Kind::Setting, true, true}},
        {"PS", {Kind::Setting, false, true}},
        {"AD", {Kind::Setting, true, true}},
        {"TD", {Kind::Setting, true, true}},
        {"LP", {Kind::Setting, true, true}},
        {"PA", {Kind::Setting, false, true}},
        {"O", {Kind::Setting, true, true}},
        {"OC", {Kind::Setting, true, true}},
        {"OT", {Kind::Setting, true, true}},
        {"SMSSET", {Kind::Setting, true, true}},
        // Network, band and bus settings that configuration files carry.
        {"PL", {Kind::Setting, false, true}},
        {"DR", {Kind::Setting, false, true}},
        {"ID", {Kind::Setting, false, true}},
        {"IP", {Kind::Setting, false, true}},
        {"IY", {Kind::Setting, false, true}},
        {"IH", {Kind::Setting, false, true}},
        {"IU", {Kind::Setting, false, true}},
        {"IT", {Kind::Setting, false, true}},
        {"IR", {Kind::Setting, false, true}},
        {"BT", {Kind::Setting, false, true}},
        {"DY", {Kind::Setting, false, true}},
        {"MUS", {Kind::Setting, true, true}},
        {"AGR", {Kind::Setting, false, true}},
    };
    const auto it = table.find(code);
    if (it == table.end())
        return std::nullopt;
    return *it;
}

// ---------------------------------------------------------------- checks

bool isPhone(const QByteArray &s)
{
    if (s.size() > 19)
        return false;
    for (int i = 0; i < s.size(); ++i) {
        const char c = s.at(i);
        if (!(isDigit(c) || (c == '+' && i == 0)))
            return false;
    }
    return true;
}

// A phone argument closed by '!': "0123456789!" -> 0123456789
std::optional<QByteArray> bangText(const QByteArray &arg)
{
    if (!arg.endsWith('!'))
        return std::nullopt;
    return arg.left(arg.size() - 1);
}

std::optional<double> limitNumber(const QByteArray &s)
{
    static const QRegularExpression re(QStringLiteral("^-?(\\d+\\.?\\d*|\\.\\d+)$"));
    if (s.isEmpty() || s.size() > 6 || !re.match(QString::fromLatin1(s)).hasMatch())
        return std::nullopt;
    return s.toDouble();
}

std::optional<int> smallNumber(const QByteArray &s, int minLen, int maxLen, int lo, int hi)
{
    if (!allDigits(s, minLen, maxLen))
        return std::nullopt;
    const int v = s.toInt();
    if (v < lo || v > hi)
        return std::nullopt;
    return v;
}

std::optional<QDateTime> dateTimeArg(const QByteArray &s)
{
    if (!allDigits(s, 10, 10) && !allDigits(s, 12, 12))
        return std::nullopt;
    const QDate d(2000 + s.mid(0, 2).toInt(), s.mid(2, 2).toInt(), s.mid(4, 2).toInt());
    const QTime t(s.mid(6, 2).toInt(), s.mid(8, 2).toInt(), s.size() == 12 ? s.mid(10, 2).toInt() : 0);
    if (!d.isValid() || !t.isValid())
        return std::nullopt;
    return QDateTime(d, t, Qt::UTC); // the logger's wall clock
}

QByteArray fourDigits(int v)
{
    return QByteArray::number(v).rightJustified(4, '0');
}

QByteArray twoDigits(int v)
{
    return QByteArray::number(v).rightJustified(2, '0');
}

QDateTime floorToStep(const QDateTime &t, int step)
{
    const QDateTime midnight(t.date(), QTime(0, 0), Qt::UTC);
    const qint64 into = midnight.secsTo(t);
    return midnight.addSecs(into - into % step);
}

bool networkCode(const QByteArray &code)
{
    return code == "ID" || code == "IP" || code == "IY" || code == "IH" || code == "IU" || code == "IT"
        || code == "IR";
}

using Apply = std::function<void(LoggerState &)>;

// Checks one setting field; on success *apply changes the state.
bool checkSetting(const Field &f, const LoggerState &s, const QDateTime &loggerNow, Apply *apply)
{
    const QByteArray &a = f.args;
    const QList<QByteArray> parts = a.split(',');
    const int index = f.index.isEmpty() ? -1 : f.index.toInt();

    if (f.code == "ST") {
        if (!allDigits(a, 6, 6))
            return false;
        *apply = [a](LoggerState &st) { st.stationId = a; };
        return true;
    }
    if (f.code == "TM") {
        const auto t = dateTimeArg(a);
        if (!t)
            return false;
        const QDateTime target = *t;
        *apply = [target, loggerNow](LoggerState &st) {
            st.clockOffsetSecs += loggerNow.secsTo(target);
            // Records "from the future" of the new clock are dropped; a jump
            // forward leaves a gap rather than invented history.
            while (!st.records.isEmpty() && st.records.last().time > target)
                st.records.removeLast();
            st.loggedUntil = target;
        };
        return true;
    }
    if (f.code == "SA") {
        const auto v = smallNumber(a, 1, 1, 0, 5);
        if (!v)
            return false;
        *apply = [v](LoggerState &st) { st.logInterval = *v; };
        return true;
    }
    if (f.code == "SD") {
        if (parts.size() != 3)
            return false;
        const auto interval = smallNumber(parts[0], 1, 2, 0, 13);
        const auto mode = smallNumber(parts[1], 1, 1, 0, 1);
        const auto count = smallNumber(parts[2], 1, 2, 0, 99);
        if (!interval || !mode || !count)
            return false;
        *apply = [=](LoggerState &st) {
            st.uploadInterval = *interval;
            st.uploadMode = *mode;
            st.uploadCount = *count;
        };
        return true;
    }
    if (f.code == "CP") {
        const int bang = a.lastIndexOf("!,");
        if (bang < 0)
            return false;
        const QByteArray number = a.left(bang);
        const auto interval = smallNumber(a.mid(bang + 2), 1, 1, 0, 9);
        if (!isPhone(number) || !interval)
            return false;
        *apply = [=](LoggerState &st) {
            st.centreNumber = number;
            st.smsInterval = *interval;
        };
        return true;
    }
    if (f.code == "AP") {
        const auto number = bangText(a);
        if (index < 1 || index > AlarmPhones || f.index.size() != 1 || !number || !isPhone(*number))
            return false;
        *apply = [=](LoggerState &st) { st.alarmPhones[size_t(index - 1)] = *number; };
        return true;
    }
    if (f.code == "PS") {
        if (parts.size() != 2 || !allDigits(parts[0], 6, 6) || !allDigits(parts[1], 6, 6))
            return false;
        *apply = [parts](LoggerState &st) {
            st.enquiryPassword = parts[0];
            st.setupPassword = parts[1];
        };
        return true;
    }
    if (f.code == "AD") {
        if (f.index.size() != 2 || index < 0 || index >= AnalogChannels)
            return false;
        const bool short3 = index == 13 || index == 14;
        if (parts.size() != (short3 ? 3 : 6))
            return false;
        const int m0 = short3 ? 0 : 3;
        const auto mode = smallNumber(parts[m0], 1, 1, 0, 2);
        const auto high = limitNumber(parts[m0 + 1]);
        const auto low = limitNumber(parts[m0 + 2]);
        if (!mode || !high || !low || *low > *high)
            return false;
        AnalogSetting next;
        next.mode = *mode;
        next.high = parts[m0 + 1];
        next.low = parts[m0 + 2];
        if (!short3) {
            const auto upper = limitNumber(parts[0]);
            const auto lower = limitNumber(parts[1]);
            const auto zero = limitNumber(parts[2]);
            if (!upper || !lower || !zero || !(*lower < *upper))
                return false;
            if (index >= 1 && index <= 6 && !(*lower <= *low && *high <= *upper))
                return false;
            next.upper = parts[0];
            next.lower = parts[1];
            next.zero = parts[2];
        }
        if (index == 0 && (*low < 0 || *high > 100))
            return false;
        if (index >= 7 && (*low < -125 || *high > 155))
            return false;
        *apply = [=](LoggerState &st) { st.analog[size_t(index)] = next; };
        return true;
    }
    if (f.code == "TD") {
        const auto v = smallNumber(a, 1, 4, 0, 9999);
        if (f.index.size() != 1 || index < 1 || index > TemperatureSensors || !v)
            return false;
        *apply = [=](LoggerState &st) { st.tempDelay[size_t(index - 1)] = *v; };
        return true;
    }
    if (f.code == "LP") {
        if (f.index.size() != 1 || index < 1 || index > PulseInputs || !allDigits(a, 1, 8))
            return false;
        const qint64 start = a.toLongLong();
        *apply = [=](LoggerState &st) {
            st.pulseStart[size_t(index - 1)] = start;
            st.pulseStartTime[size_t(index - 1)] = loggerNow;
        };
        return true;
    }
    if (f.code == "PA") {
        if (a.isEmpty() || a.size() > InputModeDigits)
            return false;
        for (char c : a) {
            if (c < '0' || c > '4')
                return false;
        }
        *apply = [a, loggerNow](LoggerState &st) {
            // A pulse input that starts counting counts from now.
            for (int n = 0; n < PulseInputs && n + 1 < a.size(); ++n) {
                if (a.at(n + 1) == '1' && st.inputModes.at(n + 1) != '1') {
                    st.pulseStart[size_t(n)] = pulseCount(st, n, loggerNow);
                    st.pulseStartTime[size_t(n)] = loggerNow;
                } else if (a.at(n + 1) != '1' && st.inputModes.at(n + 1) == '1') {
                    st.pulseStart[size_t(n)] = pulseCount(st, n, loggerNow);
                }
            }
            st.inputModes.replace(0, a.size(), a);
        };
        return true;
    }
    if (f.code == "O" || f.code == "OT" || f.code == "OC") {
        if (index < 1 || index > s.relayCount() || f.index.size() != 1)
            return false;
        const int r = index - 1;
        if (f.code == "O") {
            if (a != "0" && a != "1")
                return false;
            *apply = [=](LoggerState &st) { st.relayOn[r] = a == "1"; };
            return true;
        }
        if (f.code == "OT") {
            const auto v = smallNumber(a, 1, 4, 0, 9999);
            if (!v)
                return false;
            *apply = [=](LoggerState &st) { st.relayTimeLapse[r] = *v; };
            return true;
        }
        if (a.size() < 20 || a.size() > AssociationLength)
            return false;
        for (int i = 0; i < a.size(); ++i) {
            const char c = a.at(i);
            const bool ok = i < 15 ? (c >= '0' && c <= '2') : i < 20 ? (c == '0' || c == '1') : isDigit(c);
            if (!ok)
                return false;
        }
        *apply = [=](LoggerState &st) { st.relayAssociation[r] = a.leftJustified(AssociationLength, '0'); };
        return true;
    }
    if (f.code == "SMSSET") {
        if (f.index.size() != 2 || index < 0 || index >= SmsSlots)
            return false;
        if (a == "0") {
            *apply = [=](LoggerState &st) { st.sms[size_t(index)] = {false, QByteArray()}; };
            return true;
        }
        if (!a.startsWith("1,"))
            return false;
        const int comma = a.indexOf(',', 2);
        if (comma < 0)
            return false;
        const auto len = smallNumber(a.mid(2, comma - 2), 1, 2, 1, 60);
        const QByteArray body = a.mid(comma + 1);
        if (!len || body.size() != *len)
            return false;
        *apply = [=](LoggerState &st) { st.sms[size_t(index)] = {true, body}; };
        return true;
    }
    if (f.code == "SE") {
        const auto v = smallNumber(a, 1, 1, 0, 1);
        if (!v)
            return false;
        *apply = [=](LoggerState &st) { st.setupState = *v; };
        return true;
    }

    // Settings the logger keeps but no page reads back.
    if (networkCode(f.code) && s.model != Model::B)
        return false; // ORVEL-A has no network module
    bool valid = false;
    QByteArray value = a;
    if (f.code == "PL") {
        valid = bool(smallNumber(a, 1, 1, 0, 6));
    } else if (f.code == "DR") {
        valid = bool(smallNumber(a, 1, 3, 1, 247));
    } else if (f.code == "ID" || f.code == "IP" || f.code == "IY") {
        const auto t = bangText(a);
        valid = t && t->size() <= 40 && !t->contains('!');
        if (t)
            value = *t;
    } else if (f.code == "IH") {
        valid = bool(smallNumber(a, 1, 5, 1, 65535));
    } else if (f.code == "IU") {
        valid = a == "0" || a == "1";
    } else if (f.code == "IT" || f.code == "IR" || f.code == "BT" || f.code == "DY") {
        valid = allDigits(a, 1, 5);
    } else if (f.code == "MUS") {
        valid = index >= 1 && index <= 8 && !a.isEmpty() && a.size() <= 40;
    } else if (f.code == "AGR") {
        valid = !a.isEmpty();
    }
    if (!valid)
        return false;
    const QByteArray key = f.code + f.index;
    *apply = [=](LoggerState &st) { st.extraSettings.insert(key, value); };
    return true;
}

} // namespace

// ---------------------------------------------------------------- logger

Logger::Logger(LoggerState state) : m_state(std::move(state)), m_pcNow([] { return QDateTime::currentDateTime(); })
{
}

void Logger::setClock(ClockFunction pcNow)
{
    m_pcNow = std::move(pcNow);
}

QDateTime Logger::loggerNow() const
{
    return wallClock(m_pcNow()).addSecs(m_state.clockOffsetSecs);
}

bool Logger::takeChanged()
{
    const bool c = m_changed;
    m_changed = false;
    return c;
}

void Logger::catchUp()
{
    const QDateTime now = loggerNow();
    LoggerState &s = m_state;
    if (!s.loggedUntil.isValid() || now < s.loggedUntil) {
        while (!s.records.isEmpty() && s.records.last().time > now) {
            s.records.removeLast();
            m_changed = true;
        }
        s.loggedUntil = now;
        return;
    }
    const int step = intervalSeconds(s.logInterval);
    if (step == 0) {
        s.loggedUntil = now;
        return;
    }
    QDateTime slot = floorToStep(s.loggedUntil, step).addSecs(step);
    // A long time without answering anything: keep the most recent records
    // only, as the ring memory of a logger would.
    constexpr qint64 MaxCatchUp = 1000;
    const qint64 due = slot.secsTo(now) / step + 1;
    if (due > MaxCatchUp)
        slot = slot.addSecs((due - MaxCatchUp) * step);
    for (; slot <= now; slot = slot.addSecs(step)) {
        if (!s.records.isEmpty() && s.records.last().time >= slot)
            continue;
        s.records.append(recordAt(s, slot));
        m_changed = true;
    }
    while (s.records.size() > MaxStoredRecords)
        s.records.removeFirst();
    s.loggedUntil = now;
}

QByteArray Logger::identity() const
{
    return m_state.stationId + (m_state.model == Model::B ? ",ORV-B" : ",ORV-A");
}

QByteArray Logger::versionText() const
{
    return m_state.firmware;
}

QByteArray Logger::slotReply(int slot) const
{
    const SmsSlot &s = m_state.sms[size_t(slot)];
    return s.enabled ? "1," + s.text : QByteArray("0,");
}

QByteArray Logger::statusRecord()
{
    const QDateTime now = loggerNow();
    const Readings r = sampleReadings(m_state, now);
    RecordText rec("STA:", identity());
    rec.item("D:", QByteArray::number(m_state.logInterval)).item("T:", "1").item("TM:", loggerTimeText(now));
    for (int ch = 0; ch < AnalogChannels; ++ch)
        rec.item("A" + twoDigits(ch) + ':', r.analog[size_t(ch)]);
    for (int n = 0; n < PulseInputs; ++n)
        rec.item("P" + twoDigits(n + 1) + ':', QByteArray::number(r.pulses[size_t(n)]));
    rec.item("K01:", r.inputs).item("O01:", r.relays);
    rec.item("ER:", QByteArray(m_state.gsmModuleOk ? "0" : "1") + (m_state.simCardOk ? "0" : "1"));
    rec.item("XH:", QByteArray::number(m_state.signal));
    return rec.finish();
}

QByteArray Logger::parameterBlock(int n)
{
    const LoggerState &s = m_state;
    RecordText rec("STC" + QByteArray::number(n) + ':', s.stationId);
    switch (n) {
    case 1:
        rec.item("TM:", loggerTimeText(loggerNow(), false));
        rec.item("PS:", s.enquiryPassword + ',' + s.setupPassword);
        rec.item("SA:", QByteArray::number(s.logInterval));
        rec.item("SD:", twoDigits(s.uploadInterval) + ',' + QByteArray::number(s.uploadMode) + ','
                            + QByteArray::number(s.uploadCount));
        rec.item("CP:", s.centreNumber + ',' + QByteArray::number(s.smsInterval));
        for (int i = 0; i < AlarmPhones; ++i)
            rec.item("AP" + QByteArray::number(i + 1) + ':', s.alarmPhones[size_t(i)]);
        rec.item("ER:", QByteArray(s.gsmModuleOk ? "0" : "1") + (s.simCardOk ? "0" : "1"));
        rec.item("XH:", QByteArray::number(s.signal));
        for (int r = 0; r < s.relayCount(); ++r)
            rec.item("OUT" + QByteArray::number(r + 1) + ':', fourDigits(s.relayTimeLapse.at(r)));
        break;
    case 2:
        for (int ch = 0; ch < AnalogChannels; ++ch) {
            const AnalogSetting &a = s.analog[size_t(ch)];
            const QByteArray mode = QByteArray::number(a.mode);
            if (ch == 13 || ch == 14)
                rec.item("AD" + twoDigits(ch) + ':', mode + ',' + a.high + ',' + a.low);
            else
                rec.item("AD" + twoDigits(ch) + ':',
                         a.upper + ',' + a.lower + ',' + a.zero + ',' + mode + ',' + a.high + ',' + a.low);
        }
        rec.item("PA:", s.inputModes);
        break;
    case 3:
        for (int r = 0; r < s.relayCount(); ++r)
            rec.item("COUT" + QByteArray::number(r + 1) + ':', s.relayAssociation.at(r));
        break;
    case 4:
        for (int i = 0; i < TemperatureSensors; ++i)
            rec.item("TD" + QByteArray::number(i + 1) + ':', fourDigits(s.tempDelay[size_t(i)]));
        for (int i = 0; i < TemperatureSensors; ++i)
            rec.item("TN" + QByteArray::number(i + 1) + ':', s.sensorSerial[size_t(i)]);
        break;
    default:
        break;
    }
    return rec.finish();
}

QByteArray Logger::historyReply(const QDateTime &from, int count)
{
    const QList<DataRecord> &all = m_state.records;
    if (all.isEmpty()) {
        RecordText rec("STD:", identity());
        rec.item("D:", "0").item("T:", "0").item("TM:", loggerTimeText(from));
        return rec.finish();
    }
    int first = 0;
    while (first < all.size() && all.at(first).time < from)
        ++first;
    if (first >= all.size())
        return statusRecord(); // nothing logged since then: the logger reports its status
    const int last = std::min(int(all.size()), first + count);

    // One packet per run of evenly spaced records with the same channels.
    auto sameRun = [](const DataRecord &a, const DataRecord &b) {
        if (a.interval != b.interval || a.pulseMask != b.pulseMask || a.inputs.size() != b.inputs.size()
            || a.relays.size() != b.relays.size() || a.time.secsTo(b.time) != intervalSeconds(a.interval))
            return false;
        for (int ch = 0; ch < AnalogChannels; ++ch) {
            if (a.analog[size_t(ch)].isEmpty() != b.analog[size_t(ch)].isEmpty())
                return false;
        }
        return true;
    };
    QList<RecordText> packets;
    for (int begin = first; begin < last;) {
        int end = begin + 1;
        while (end < last && sameRun(all.at(end - 1), all.at(end)))
            ++end;
        const DataRecord &head = all.at(begin);
        RecordText rec("STD:", identity());
        rec.item("D:", QByteArray::number(head.interval))
            .item("T:", QByteArray::number(end - begin))
            .item("TM:", historyTimeText(head.time, m_state.historyTimeForm));
        auto joined = [&](auto valueOf) {
            QByteArray v;
            for (int i = begin; i < end; ++i) {
                if (i > begin)
                    v += '|';
                v += valueOf(all.at(i));
            }
            return v;
        };
        for (int ch = 0; ch < AnalogChannels; ++ch) {
            if (!head.analog[size_t(ch)].isEmpty())
                rec.item("A" + twoDigits(ch) + ':', joined([ch](const DataRecord &d) { return d.analog[size_t(ch)]; }));
        }
        for (int n = 0; n < PulseInputs; ++n) {
            if (head.pulseMask & (1u << n))
                rec.item("P" + twoDigits(n + 1) + ':',
                         joined([n](const DataRecord &d) { return QByteArray::number(d.pulses[size_t(n)]); }));
        }
        rec.item("K01:", joined([](const DataRecord &d) { return d.inputs; }));
        rec.item("O01:", joined([](const DataRecord &d) { return d.relays; }));
        packets.append(rec);
        begin = end;
    }
    // The reply's length goes into its first packet only (it counts the whole
    // reply); the closing '#' ends the whole reply.
    QByteArray rest;
    for (int i = 1; i < packets.size(); ++i)
        rest += packets.at(i).finish(false, false);
    rest += '#';
    return packets.first().finish(true, false, int(rest.size())) + rest;
}

QByteArray Logger::answer(const QByteArray &command)
{
    catchUp();
    return answerChecked(command);
}

QByteArray Logger::answerChecked(const QByteArray &raw)
{
    const QByteArray text = raw.trimmed();
    if (text.isEmpty())
        return QByteArray();
    const int hash = text.indexOf('#');
    if (hash < 0)
        return replies::FormatError;
    const QByteArray password = text.left(hash);

    QList<Field> fields;
    if (!parseFields(text, hash, &fields))
        return replies::FormatError;

    // Structure: known codes, index and arguments where the code has them.
    std::optional<Kind> kind;
    for (const Field &f : fields) {
        const auto info = codeInfo(f.code);
        if (!info || info->indexed != !f.index.isEmpty() || info->args != f.hasArgs)
            return replies::FormatError;
        if (kind && (*kind != Kind::Setting || info->kind != Kind::Setting))
            return replies::FormatError; // reads and RESET stand alone
        kind = info->kind;
    }
    const Field &f = fields.first();
    if (f.code == "CHEACK" && (f.index.size() != 1 || f.index.toInt() < 1 || f.index.toInt() > 4))
        return replies::FormatError;

    const QByteArray &expected = *kind == Kind::Read ? m_state.enquiryPassword : m_state.setupPassword;
    if (password != expected)
        return replies::PasswordError;

    switch (*kind) {
    case Kind::Read:
        if (f.code == "CHEACK")
            return parameterBlock(f.index.toInt());
        if (f.code == "STATUS")
            return statusRecord();
        if (f.code == "CHECKVR")
            return versionText();
        if (f.code == "SMS") {
            const auto slot = smallNumber(f.args, 1, 2, 0, SmsSlots - 1);
            return slot ? slotReply(*slot) : QByteArray(replies::SetFail);
        }
        if (f.code == "REDEEM") {
            // yymmddhhmm and a two-digit record count
            const auto from = f.index.size() == 12 ? dateTimeArg(f.index.left(10)) : std::nullopt;
            const auto count = smallNumber(f.index.mid(10), 2, 2, 1, 99);
            if (!from || !count)
                return replies::SetFail;
            return historyReply(*from, *count);
        }
        return replies::FormatError;
    case Kind::Restart:
        // The logger restarts: outputs drop, settings and records stay.
        for (int r = 0; r < m_state.relayCount(); ++r)
            m_state.relayOn[r] = false;
        m_changed = true;
        return replies::InitDone;
    case Kind::Setting: {
        const QDateTime now = loggerNow();
        QList<Apply> actions;
        for (const Field &field : fields) {
            Apply apply;
            if (!checkSetting(field, m_state, now, &apply))
                return replies::SetFail;
            actions.append(apply);
        }
        for (const Apply &apply : actions)
            apply(m_state);
        m_changed = true;
        return replies::SetSuccess;
    }
    }
    return replies::FormatError;
}

} // namespace kaspen::sim
