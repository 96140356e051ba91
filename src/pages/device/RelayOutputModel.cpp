#include "pages/device/RelayOutputModel.h"

#include "base/MessageSink.h"
#include "session/Session.h"
#include "protocol/ReplyNumbers.h"
#include "protocol/CommandText.h"
#include "protocol/ReplyItems.h"

#include <algorithm>

namespace kaspen {

namespace {
const QByteArray HighLong = "H - High Alert";
const QByteArray LowLong = "L - Low Alert";

QByteArray numberedKey(const char *prefix, int n)
{
    return prefix + QByteArray::number(n) + ':';
}
} // namespace

QByteArray RelayOutputModel::channelLabel(int position)
{
    if (position == 0)
        return "Humidity";
    if (position >= 1 && position <= 6)
        return "AD0" + QByteArray::number(position);
    if (position >= 7 && position <= 12)
        return "Temperature_" + QByteArray::number(position - 4);
    if (position == 13 || position == 14)
        return "Temperature_" + QByteArray::number(position - 12);
    if (position == 15)
        return "Power Source";
    if (position >= 16 && position < ChannelCount)
        return "IN" + QByteArray::number(position - 15);
    return QByteArray();
}

QByteArray RelayOutputModel::statusRowLabel(int row)
{
    if (row == OperationModeRow)
        return "Operation Mode";
    if (row == TimeLapseRow)
        return "Time Lapse";
    return channelLabel(row - 2);
}

QByteArray RelayOutputModel::relayName(int n)
{
    return formatTemplate("Relay_%d", {n});
}

int RelayOutputModel::relayNumber(const QByteArray &name)
{
    QByteArray rest = name.trimmed();
    if (rest.startsWith("Relay_"))
        rest = rest.mid(6);
    int i = int(rest.size());
    while (i > 0 && rest[i - 1] >= '0' && rest[i - 1] <= '9')
        --i;
    const QByteArray digits = rest.mid(i);
    return digits.isEmpty() ? 0 : std::max(0, leadingInt(digits));
}

QList<QByteArray> RelayOutputModel::relayControlChoices(int row)
{
    if (isAlertChannel(row))
        return {HighLong, LowLong, "Off"};
    return {"On", "Off"};
}

const QList<QByteArray> &RelayOutputModel::onOffEntries()
{
    static const QList<QByteArray> entries = {"On", "Off"};
    return entries;
}

RelayOutputModel::RelayOutputModel(Session &session, QObject *parent) : QObject(parent), m_session(session)
{
    m_names = {relayName(1), relayName(2)};
}

int RelayOutputModel::relayCount() const
{
    return std::max(0, m_session.profile().relayCount);
}

RelayOutputModel::Cell RelayOutputModel::statusCell(int row, int relay) const
{
    if (row < 0 || row >= m_status.size() || relay < 1 || relay > m_status[row].size())
        return {};
    return m_status[row][relay - 1];
}

RelayOutputModel::Cell *RelayOutputModel::cell(int row, int relay)
{
    if (row < 0 || row >= m_status.size() || relay < 1 || relay > m_status[row].size())
        return nullptr;
    return &m_status[row][relay - 1];
}

QByteArray RelayOutputModel::relayControl(int row) const
{
    return row >= 0 && row < m_alarms.size() ? m_alarms[row] : QByteArray();
}

void RelayOutputModel::setRelayControl(int row, const QByteArray &text)
{
    if (row < 0 || row >= m_alarms.size())
        return;
    m_alarms[row] = text;
    emit changed();
}

void RelayOutputModel::normaliseRelayControls()
{
    bool any = false;
    for (auto &t : m_alarms) {
        if (t == HighLong) {
            t = "High";
            any = true;
        } else if (t == LowLong) {
            t = "Low";
            any = true;
        }
    }
    if (any)
        emit changed();
}

QByteArray RelayOutputModel::storedTimeLapse(int n) const
{
    const auto it = m_timeLapses.find(n);
    return it == m_timeLapses.end() ? QByteArray() : it->second;
}

QByteArray RelayOutputModel::storedAssociation(int n) const
{
    const auto it = m_associations.find(n);
    return it == m_associations.end() ? QByteArray() : it->second;
}

// ---- Details Setup -------------------------------------------------------

void RelayOutputModel::chooseRelay(int index)
{
    m_detailsEnabled = false;
    m_chosen = index >= 0 && index < m_names.size() ? index : -1;
    m_channelText = m_chosen >= 0 ? m_names[m_chosen] : QByteArray();
    if (m_channelText.isEmpty()) {
        emit changed();
        return;
    }
    m_detailsEnabled = true;
    const int n = relayNumber(m_channelText);

    const QByteArray mode = statusCell(OperationModeRow, n).text;
    m_onOffIndex = int(onOffEntries().indexOf(mode));
    m_onOffText = m_onOffIndex >= 0 ? mode : QByteArray();

    m_timeLapse = statusCell(TimeLapseRow, n).text;

    const QByteArray assoc = storedAssociation(n);
    for (int i = 0; i < assoc.size() && i < ChannelCount && i < m_alarms.size(); ++i) {
        const char c = assoc[i];
        if (!isAlertChannel(i))
            m_alarms[i] = c == '0' ? "Off" : "On";
        else if (c == '0')
            m_alarms[i] = "Off";
        else if (c == '1')
            m_alarms[i] = "High";
        else if (c == '2')
            m_alarms[i] = "Low";
        else
            m_alarms[i] = QByteArray(1, c);
    }
    emit changed();
}

void RelayOutputModel::setRelayChannelText(const QByteArray &text)
{
    m_channelText = text;
    emit changed();
}

void RelayOutputModel::setTimeLapse(const QByteArray &text)
{
    m_timeLapse = text;
    emit changed();
}

void RelayOutputModel::leaveTimeLapse()
{
    if (m_timeLapse.isEmpty() || m_timeLapse.size() >= TimeLapseMaxLength)
        return;
    m_timeLapse = formatTemplate("%04d", {leadingInt(m_timeLapse)});
    emit changed();
}

void RelayOutputModel::setOnOffIndex(int index)
{
    m_onOffIndex = index >= 0 && index < onOffEntries().size() ? index : -1;
    m_onOffText = m_onOffIndex >= 0 ? onOffEntries()[m_onOffIndex] : QByteArray();
    emit changed();
}

void RelayOutputModel::setOnOffText(const QByteArray &text)
{
    m_onOffText = text;
    m_onOffIndex = int(onOffEntries().indexOf(text));
    emit changed();
}

QByteArray RelayOutputModel::associationString() const
{
    QByteArray s;
    for (int i = 0; i < m_alarms.size() && i < ChannelCount; ++i) {
        const QByteArray &t = m_alarms[i];
        if (isAlertChannel(i)) {
            // The long forms are the drop-down's texts before the list
            // normalises them; they mean the same.
            if (t == "High" || t == HighLong)
                s += '1';
            else if (t == "Low" || t == LowLong)
                s += '2';
            else
                s += '0';
        } else {
            // Every on/off row gives one character, so that the positions
            // after an empty cell stay where the logger expects them.
            s += t == "On" ? '1' : '0';
        }
        if (i == ChannelCount - 1)
            s += "000000";
    }
    return s;
}

// ---- commands ------------------------------------------------------------

bool RelayOutputModel::commandGuard()
{
    // Its own wording: "please Connect!" on every link, "is empty" on the
    // serial links; no "NULL" phone rule.
    CommandGuard g = CommandGuard::settingsPage();
    g.notConnectedEthernet = g.notConnectedSerial;
    g.missingSerial = QStringLiteral("empty");
    g.nullPhonePasses = false;
    return m_session.guard(g);
}

QByteArray RelayOutputModel::setupPw()
{
    return m_session.currentEntry().setupPassword;
}

int RelayOutputModel::relayForSending()
{
    const int n = m_channelText.isEmpty() ? 0 : relayNumber(m_channelText);
    // A typed text that names no relay is refused like an empty one rather
    // than sent to a relay 0 the logger does not have.
    if (n <= 0)
        showError(QStringLiteral("Relay Channel_No. is empty!"));
    return n;
}

bool RelayOutputModel::send(int baseCode, int relay, const QByteArray &text)
{
    m_session.batchTable().RecordCommand(batchKey(baseCode, relay), text);
    return m_session.SubmitCommand(baseCode, text); // WM_USER+30 included
}

bool RelayOutputModel::sendOnOff()
{
    if (!commandGuard())
        return false;
    const int n = relayForSending();
    if (n <= 0 || m_onOffText.isEmpty())
        return false;
    return send(CodeSwitch, n, formatTemplate(templates::RelaySwitch, {setupPw(), n, m_onOffText == "On" ? "1" : "0"}));
}

bool RelayOutputModel::sendTimeLapse()
{
    if (!commandGuard())
        return false;
    const int n = relayForSending();
    if (n <= 0 || m_timeLapse.isEmpty())
        return false;
    leaveTimeLapse();
    return send(CodeTimeLapse, n, formatTemplate(templates::RelayTimeLapse, {setupPw(), n, m_timeLapse}));
}

bool RelayOutputModel::sendAssociation()
{
    if (!commandGuard())
        return false;
    const int n = relayForSending();
    if (n <= 0)
        return false;
    return send(CodeAssociation, n, formatTemplate(templates::RelayAssociation, {setupPw(), n, associationString()}));
}

// ---- messages from the main window --------------------------------------

void RelayOutputModel::handleMessage(const PageMessage &m)
{
    switch (m.message) {
    case msg::Block1: // WM_USER+5
        readTimeLapses(m.text);
        break;
    case msg::Block3: // WM_USER+7
        readAssociations(m.text);
        break;
    case msg::StatusReply: // WM_USER+10
        readSwitchingStates(m.text);
        break;
    case msg::FirstStatus: // WM_USER+11
        rebuild();
        break;
    case msg::ClearFields: // WM_USER+15
        clear();
        break;
    default:
        break;
    }
}

void RelayOutputModel::readTimeLapses(const QByteArray &t)
{
    if (t.isEmpty())
        return;
    const QByteArray pw = setupPw();
    for (int n = 1; n <= relayCount(); ++n) {
        const QByteArray v = GetItemValue(t, numberedKey("OUT", n)).value;
        m_timeLapses[n] = v;
        m_session.batchTable().RecordCommand(batchKey(CodeTimeLapse, n), formatTemplate(templates::RelayTimeLapse, {pw, n, v}));
        if (Cell *c = cell(TimeLapseRow, n))
            *c = {v, false};
    }
    emit changed();
}

void RelayOutputModel::readAssociations(const QByteArray &t)
{
    if (t.isEmpty())
        return;
    const QByteArray pw = setupPw();
    const int count = relayCount();
    for (int n = 1; n <= count; ++n) {
        const QByteArray v = GetItemValue(t, numberedKey("COUT", n)).value;
        m_associations[n] = v;
        m_session.batchTable().RecordCommand(batchKey(CodeAssociation, n),
                                             formatTemplate(templates::RelayAssociation, {pw, n, v}));
    }
    for (int n = 1; n <= count; ++n) {
        const QByteArray &v = m_associations[n];
        for (int i = 0; i < v.size() && i < ChannelCount; ++i) {
            Cell *c = cell(i + 2, n);
            if (!c)
                break;
            const char ch = v[i];
            if (ch == '0')
                *c = {"Off", false};
            else if (ch == '1')
                *c = {isAlertChannel(i) ? "H" : "On", true};
            else if (ch == '2' && isAlertChannel(i))
                *c = {"L", true};
        }
    }
    emit changed();
}

void RelayOutputModel::readSwitchingStates(const QByteArray &t)
{
    const QByteArray v = GetItemValue(t, ";O01:").value;
    const QByteArray pw = setupPw();
    for (int k = 0; k < v.size(); ++k) {
        const int n = k + 1;
        const char ch = v[k];
        if (Cell *c = cell(OperationModeRow, n)) {
            if (ch == '1')
                *c = {"On", true};
            else if (ch == '0')
                *c = {"Off", false};
        }
        m_session.batchTable().RecordCommand(batchKey(CodeSwitch, n),
                                             formatTemplate(templates::RelaySwitch, {pw, n, QByteArray(1, ch)}));
    }
    emit changed();
}

void RelayOutputModel::rebuild()
{
    const int count = relayCount();
    // "Relay Channel No." gets Relay_1, Relay_2 and one entry per further
    // relay; an earlier rebuild's entries are replaced, not repeated.
    const QByteArray chosenName = m_chosen >= 0 ? m_names.value(m_chosen) : QByteArray();
    m_names = {relayName(1), relayName(2)};
    for (int n = 3; n <= count; ++n)
        m_names.append(relayName(n));
    if (m_session.onEthernet() || m_chosen < 0 || m_names.value(m_chosen) != chosenName) {
        // The list was emptied: nothing is chosen any more.
        m_chosen = -1;
        m_channelText.clear();
        m_detailsEnabled = false;
    }

    m_relayColumns = std::max(int(BaseRelayColumns), count);
    m_status = QVector<QVector<Cell>>(StatusRows, QVector<Cell>(m_relayColumns));
    m_alarms = QVector<QByteArray>(ChannelCount);
    emit rebuilt();
    emit changed();
}

void RelayOutputModel::clear()
{
    for (auto &row : m_status)
        for (auto &c : row)
            c = {};
    for (auto &a : m_alarms)
        a.clear();
    m_timeLapse.clear();
    m_chosen = -1;
    m_channelText.clear();
    m_onOffIndex = -1;
    m_onOffText.clear();
    m_detailsEnabled = false;
    emit changed();
}

} // namespace kaspen
