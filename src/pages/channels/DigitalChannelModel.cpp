#include "pages/channels/DigitalChannelModel.h"

#include "base/MessageSink.h"
#include "pages/channels/ChannelItems.h"
#include "pages/channels/FieldRules.h"
#include "protocol/CommandText.h"
#include "protocol/ReplyNumbers.h"
#include "session/Session.h"

#include <algorithm>

namespace kaspen {

namespace {
const QByteArray OnOff = "On/Off Channel";
const QByteArray PulseEnable = "Pulse Channel Enable";
const QByteArray ChannelDisable = "Channel Disable";

const char *const PowerTexts[] = {"No Alarm", nullptr, "AC Power Resume Alarm", "AC Power Loss Alarm",
                                  "AC Power Resume/Loss Alarm"};
const char *const InputTexts[] = {"Channel Disable", "Pulse Channel Enable", "NO - Close Triggered Alarm",
                                  "NC - Open Triggered Alarm", "Change State Triggered Alarm"};

QString incomplete()
{
    return QStringLiteral("Operation Mode setup is incomplete,please check!");
}
} // namespace

QList<QByteArray> DigitalChannelModel::offers(int row)
{
    if (row == 0)
        return {"No Alarm", "AC Power Resume/Loss Alarm"};
    if (row >= 1 && row <= 3)
        return {InputTexts[0], InputTexts[1], InputTexts[2], InputTexts[3], InputTexts[4]};
    if (row == 4)
        return {OnOff};
    if (row >= 5 && row <= 10)
        return {ChannelDisable};
    if (row >= 11 && row <= 16)
        return {OnOff};
    return {};
}

int DigitalChannelModel::modeDigit(const QByteArray &text)
{
    for (int d = 0; d <= 4; ++d) {
        if ((PowerTexts[d] && text == PowerTexts[d]) || text == InputTexts[d])
            return d;
    }
    return -1;
}

QByteArray DigitalChannelModel::powerSourceText(int digit)
{
    // A reply's 1 stands for no alarm as well.
    if (digit == 1)
        return PowerTexts[0];
    return digit >= 0 && digit <= 4 && PowerTexts[digit] ? QByteArray(PowerTexts[digit]) : QByteArray();
}

QByteArray DigitalChannelModel::digitalInputText(int digit)
{
    return digit >= 0 && digit <= 4 ? QByteArray(InputTexts[digit]) : QByteArray();
}

QByteArray DigitalChannelModel::inputName(int n)
{
    return formatTemplate("Digital Input_%02d", {n});
}

QByteArray DigitalChannelModel::pulseName(int n)
{
    return formatTemplate("Pulse Input_%02d", {n});
}

DigitalChannelModel::DigitalChannelModel(Session &session, QObject *parent) : QObject(parent), m_session(session) {}

void DigitalChannelModel::setMode(int row, const QByteArray &text)
{
    if (row < 0 || row >= m_rows.size() || m_rows[row].mode == text)
        return;
    m_rows[row].mode = text;
    emit changed();
}

void DigitalChannelModel::editPulseStart(int n, const QByteArray &text)
{
    if (n < 1 || n > PulseFields || m_pulses[size_t(n - 1)] == text)
        return;
    m_pulses[size_t(n - 1)] = text;
    emit changed();
}

void DigitalChannelModel::leavePulseStart(int n)
{
    if (n < 1 || n > PulseFields)
        return;
    PulseStartOnLeave(m_pulses[size_t(n - 1)]);
    emit changed();
}

QByteArray DigitalChannelModel::inputModeDigits() const
{
    if (m_rows.size() < 4) {
        showError(incomplete());
        return QByteArray();
    }
    QByteArray digits;
    for (int row = 0; row < m_rows.size(); ++row) {
        const QByteArray &t = m_rows[row].mode;
        if (t == OnOff) {
            if (row == 4)
                digits += '0';
            continue;
        }
        const int d = modeDigit(t);
        if (d < 0 || (row >= 4 && t == PulseEnable)) {
            showError(incomplete());
            return QByteArray();
        }
        digits += char('0' + d);
    }
    return digits;
}

bool DigitalChannelModel::guard()
{
    return ChannelCommandGuard(m_session, ChannelPage::DigitalChannel);
}

void DigitalChannelModel::send(int code, const QByteArray &text)
{
    HandOffCommand(m_session, handOffOrderFor(ChannelPage::DigitalChannel), code, text);
}

bool DigitalChannelModel::setInputModes()
{
    if (!guard())
        return false;
    const QByteArray digits = inputModeDigits();
    if (digits.isEmpty())
        return false;
    send(CodeInputModes, formatTemplate(templates::DigitalModes, {m_session.currentEntry().setupPassword, digits}));
    return true;
}

bool DigitalChannelModel::setPulseStart(int n)
{
    if (n < 1 || n > PulseFields || !guard())
        return false;
    const QByteArray &text = m_pulses[size_t(n - 1)];
    if (text.isEmpty()) {
        showError(QStringLiteral("Pulse Start Zero is empty!"));
        return false;
    }
    send(CodePulseBase + n, formatTemplate(templates::PulseStart, {m_session.currentEntry().setupPassword, n, text}));
    return true;
}

void DigitalChannelModel::handleMessage(const PageMessage &m)
{
    switch (m.message) {
    case msg::FirstStatus: // WM_USER+11
        rebuild();
        break;
    case msg::Block2: // WM_USER+6
        readBlock2(m.text);
        break;
    case msg::ClearFields: // WM_USER+15
        clear();
        break;
    default:
        break;
    }
}

void DigitalChannelModel::rebuild()
{
    m_rows.clear();
    const int count = std::max(0, m_session.profile().digitalCount);
    if (count >= 5) {
        m_rows.append(Row{"Power Source", {}});
        for (int n = 1; n <= 16; ++n)
            m_rows.append(Row{inputName(n), {}});
    } else {
        for (int n = 1; n <= count; ++n)
            m_rows.append(Row{inputName(n), {}});
    }
    emit rebuilt();
    emit changed();
}

void DigitalChannelModel::readBlock2(const QByteArray &t)
{
    if (t.isEmpty())
        return;
    const QByteArray v = recordItemValue(t, ";PA:");
    m_session.batchTable().RecordCommand(CodeInputModes,
                                         formatTemplate(templates::DigitalModes, {m_session.currentEntry().setupPassword, v}));
    auto digitAt = [&](int i) { return i < v.size() ? leadingInt(v.mid(i, 1)) : 0; };
    for (int row = 0; row < m_rows.size(); ++row) {
        QByteArray &mode = m_rows[row].mode;
        if (row <= 3) {
            const int d = digitAt(row);
            const QByteArray text = row == 0 ? powerSourceText(d) : digitalInputText(d);
            // A digit without a mode text shows as it came.
            mode = text.isEmpty() ? QByteArray::number(d) : text;
        } else if (row >= 5 && row <= 10) {
            mode = ChannelDisable;
        } else {
            mode = OnOff;
        }
    }
    emit changed();
}

void DigitalChannelModel::clear()
{
    for (Row &r : m_rows)
        r.mode.clear();
    for (auto &p : m_pulses)
        p.clear();
    emit changed();
}

} // namespace kaspen
