#include "records/CommandDescription.h"

#include <functional>
#include <vector>

namespace kaspen {

namespace {

// One step of a description: either replace every occurrence of a text, or
// map the value field as a whole (the text after the first ':' up to the
// next ',' or the end). Codes are mapped as whole fields so that a label
// produced by one code is never taken for another code ("04" -> "05 Minute"
// must not become "15 Minute Minute"), and record counts stay numbers.
struct Step {
    enum Kind { Replace, MapField } kind;
    QByteArray from, to;                                  // Replace
    std::vector<std::pair<QByteArray, QByteArray>> map;   // MapField
};

Step rep(const char *from, const char *to) { return {Step::Replace, from, to, {}}; }
Step mapField(std::vector<std::pair<QByteArray, QByteArray>> m) { return {Step::MapField, {}, {}, std::move(m)}; }

void applyStep(QByteArray &t, const Step &s)
{
    if (s.kind == Step::Replace) {
        t.replace(s.from, s.to);
        return;
    }
    const qsizetype colon = t.indexOf(':');
    if (colon < 0)
        return;
    qsizetype end = t.indexOf(',', colon + 1);
    if (end < 0)
        end = t.size();
    const QByteArray field = t.mid(colon + 1, end - colon - 1);
    for (const auto &[key, label] : s.map) {
        if (field == key) {
            t.replace(colon + 1, field.size(), label);
            return;
        }
    }
}

struct Marker {
    QByteArray marker;
    std::vector<Step> steps;
    // Replaces the steps where the code decides (the analog channels, the relays).
    std::function<void(int code, QByteArray &t)> special;
};

void describeAnalog(int code, QByteArray &t)
{
    QByteArray label;
    if (code == 12002)
        label = "Humidity Sensor";
    else if (code == 12003)
        label = "Temperature Sensor_1";
    else if (code == 12004)
        label = "Temperature Sensor_2";
    else if (code >= 12207 && code <= 12212)
        label = "Temperature Sensor_" + QByteArray::number(code - 12207 + 3);
    else if (code == 20020)
        return; // tunnelled text, shown as it is
    if (label.isEmpty()) {
        t.replace("AD", "Analog Channel ");
        return;
    }
    const QByteArray head = t.left(4);
    if (!head.isEmpty())
        t.replace(head, label);
}

void describeRelay(int code, QByteArray &t)
{
    if (code == 19041 || code == 19015)
        return;
    t.replace("O", "Relay");
    t.replace(":1", ":On");
    t.replace(":0", ":Off");
}

const std::vector<Marker> &markers()
{
    static const std::vector<Marker> table = [] {
        std::vector<Marker> m;
        m.push_back({"ST", {rep("ST:", "Station ID:")}, {}});
        m.push_back({"PS", {rep("PS:", "Password:")}, {}});
        m.push_back({"TM:", {rep("TM:", "Date / Time:")}, {}});
        m.push_back({"SA",
                     {rep("SA:", "Data Logging Interval:"),
                      mapField({{"0", "No Upload"}, {"1", "05 Minute"}, {"2", "15 Minute"}, {"3", "30 Minute"}, {"4", "60 Minute"}})},
                     {}});
        m.push_back({"SD",
                     {rep("SD:", "GPRS Upload Setup:"),
                      mapField({{"00", "No Upload"}, {"01", "30 Second"}, {"02", "01 Minute"}, {"03", "02 Minute"},
                                {"04", "05 Minute"}, {"05", "15 Minute"}, {"06", "30 Minute"}, {"07", "01 Hour"},
                                {"08", "02 Hour"}, {"09", "06 Hour"}, {"10", "12 Hour"}, {"11", "24 Hour"}}),
                      rep(",0,", ", Live Data , Record Count: "), rep(",1,", ", Packet Data,  Record Count: ")},
                     {}});
        m.push_back({"CP",
                     {rep("CP:", "SMS Upload Setup:Centre Number:"), rep("!,", ", Upload Interval!:"),
                      rep("!:0", ": No Upload"), rep("!:1", ": 01 Minute"), rep("!:2", ": 05 Minute"),
                      rep("!:3", ": 15 Minute"), rep("!:4", ": 30 Minute"), rep("!:5", ": 01 Hour"),
                      rep("!:6", ": 02 Hour"), rep("!:7", ": 06 Hour"), rep("!:8", ": 12 Hour"), rep("!:9", ": 24 Hour")},
                     {}});
        m.push_back({"AP", {rep("AP", "Alarm Phone")}, {}});
        m.push_back({"AD", {}, describeAnalog});
        m.push_back({"PA:", {rep("PA:", "Digital / Pulse Channel:")}, {}});
        m.push_back({"LP", {rep("LP", "Pulse "), rep(":", " Start Zero:")}, {}});
        m.push_back({"PL:",
                     {rep("PL:", "GSM Band Selection:"),
                      mapField({{"0", "850"}, {"1", "900"}, {"2", "1800"}, {"3", "1900"}, {"4", "850/1900"},
                                {"5", "900/1800"}, {"6", "900/1900"}})},
                     {}});
        m.push_back({"OT", {rep("OT", "Relay"), rep(":", " Time Lapse ( Seconds ):")}, {}});
        m.push_back({"OC", {rep("OC", "Relay"), rep(":", " Associated Alarms:")}, {}});
        m.push_back({"O", {}, describeRelay});
        m.push_back({"DR:", {rep("DR:", "MODBUS Address:")}, {}});
        m.push_back({"ID:", {rep("ID:", "Access Point:"), rep("!", "")}, {}});
        m.push_back({"IP:", {rep("IP:", "GPRS Server IP:"), rep("!", "")}, {}});
        m.push_back({"IY:", {rep("IY:", "Domain Name:"), rep("!", "")}, {}});
        m.push_back({"IH:", {rep("IH:", "Server Port:")}, {}});
        m.push_back({"IU:", {rep("IU:", "Protocol:"), mapField({{"1", "UDP"}, {"0", "TCP"}})}, {}});
        m.push_back({"IT:", {rep("IT:", "Acknowledge Interval:")}, {}});
        m.push_back({"IR:", {rep("IR:", "Reconnect Interval:")}, {}});
        for (int n = 1; n <= 4; ++n) {
            const QByteArray key = "MUS" + QByteArray::number(n) + ":";
            m.push_back({key, {rep(key.constData(), ("Analog Channel " + QByteArray::number(n + 6) + ":").constData())}, {}});
        }
        for (int n = 5; n <= 8; ++n) {
            const QByteArray key = "MUS" + QByteArray::number(n) + ":";
            m.push_back({key, {rep(key.constData(), ("Puls Channel " + QByteArray::number(n - 2) + ":").constData())}, {}});
        }
        m.push_back({"BT:", {rep("BT:", "RS485-COM Bytesize and StopBits:")}, {}});
        m.push_back({"DY:", {rep("DY:", "RS485-COM Delay:")}, {}});
        return m;
    }();
    return table;
}

} // namespace

CommandDescription describeCommand(int code, const QByteArray &textWithoutPassword)
{
    QByteArray t = textWithoutPassword;
    t.replace("#", "");
    for (const Marker &m : markers()) {
        if (!t.contains(m.marker))
            continue;
        if (m.special)
            m.special(code, t);
        for (const Step &s : m.steps)
            applyStep(t, s);
        break;
    }
    t.replace(",", "   ,   ");
    const qsizetype colon = t.indexOf(':');
    if (colon < 0)
        return {QByteArray(), t};
    return {t.left(colon), t.mid(colon + 1)};
}

} // namespace kaspen
