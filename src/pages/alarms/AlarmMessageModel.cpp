#include "pages/alarms/AlarmMessageModel.h"

#include "pages/channels/FieldRules.h"
#include "protocol/CommandText.h"
#include "session/Session.h"

namespace kaspen {

using namespace alarmslots;

namespace {
ChannelPage channelPageOf(AlarmPage page)
{
    return page == AlarmPage::Ad ? ChannelPage::AdAlarmMessage : ChannelPage::InAlarmMessage;
}
} // namespace

AlarmMessageModel::AlarmMessageModel(Session &session, AlarmPage page, QObject *parent)
    : QObject(parent), m_session(session), m_page(page), m_cells(rowCount() * Columns)
{
}

AlarmMessageModel::Cell *AlarmMessageModel::cell(int row, int column)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= Columns)
        return nullptr;
    return &m_cells[row * Columns + column];
}

const AlarmMessageModel::Cell *AlarmMessageModel::cell(int row, int column) const
{
    return const_cast<AlarmMessageModel *>(this)->cell(row, column);
}

bool AlarmMessageModel::ticked(int row, int column) const
{
    const Cell *c = cell(row, column);
    return c && c->ticked;
}

QByteArray AlarmMessageModel::text(int row, int column) const
{
    const Cell *c = cell(row, column);
    return c ? c->text : QByteArray();
}

void AlarmMessageModel::setTicked(int row, int column, bool on)
{
    Cell *c = cell(row, column);
    if (!c || c->ticked == on)
        return;
    c->ticked = on;
    emit cellChanged(row, column);
}

void AlarmMessageModel::setText(int row, int column, const QByteArray &text)
{
    Cell *c = cell(row, column);
    if (!c)
        return;
    QByteArray kept = text;
    const bool cut = AlarmTextOnChange(kept).cut;
    if (c->text == kept && !cut)
        return;
    c->text = kept;
    // Also when the text is unchanged but was cut: the edit shows the cut text.
    emit cellChanged(row, column);
}

void AlarmMessageModel::setCell(int row, int column, bool on, const QByteArray &text)
{
    Cell *c = cell(row, column);
    if (!c)
        return;
    c->ticked = on;
    c->text = text;
    emit cellChanged(row, column);
}

// ---- commands -------------------------------------------------------------

bool AlarmMessageModel::commandGuard()
{
    // The session's one guard, in the alarm pages' wording: "Connect!" on
    // every link, the page's "is NULL" / "is empty", and a phone number
    // "NULL" is an ordinary number.
    static const QString connect = QStringLiteral("Before Setup Command ,please Connect!");
    const GuardWording wording = guardWordingFor(channelPageOf(m_page));
    CommandGuard rules;
    rules.notConnectedSerial = connect;
    rules.notConnectedEthernet = connect;
    rules.missingSerial = QLatin1String(wording.serial);
    rules.missingEthernet = QLatin1String(wording.ethernet);
    rules.nullPhonePasses = false;
    return m_session.guard(rules);
}

bool AlarmMessageModel::handOff(int code, const QByteArray &text, bool record)
{
    // The alarm pages record first, then submit; the log shows the text as
    // it went to the link (wrapped on the GSM modem).
    return HandOffCommand(m_session, handOffOrderFor(channelPageOf(m_page)), code, text, record);
}

QByteArray AlarmMessageModel::setCommand(AlarmPage page, int row, int column, bool on, const QByteArray &text,
                                         const QByteArray &pw)
{
    const int s = slot(page, row, column);
    if (s < 0)
        return QByteArray();
    if (on)
        return formatTemplate(templates::SmsSlotWithDelay, {pw, slotText(s), "1", int(text.size()), text});
    return formatTemplate(templates::SmsSlot, {pw, slotText(s), "0"});
}

QByteArray AlarmMessageModel::checkedSetCommand(int row, int column)
{
    const bool on = ticked(row, column);
    const QByteArray t = text(row, column);
    if (!AlarmTextAtSet(t, on, QString::fromLocal8Bit(subject(m_page, row))))
        return QByteArray();
    return setCommand(m_page, row, column, on, t, m_session.currentEntry().setupPassword);
}

bool AlarmMessageModel::sendSet(int row, int column)
{
    const int s = slot(m_page, row, column);
    if (s < 0 || !commandGuard())
        return false;
    const QByteArray command = checkedSetCommand(row, column);
    return !command.isEmpty() && handOff(setCode(s), command, true);
}

bool AlarmMessageModel::sendRead(int row, int column)
{
    const int s = slot(m_page, row, column);
    if (s < 0 || !commandGuard())
        return false;
    const QByteArray command = formatTemplate(templates::ReadSms, {m_session.currentEntry().enquiryPassword, slotText(s)});
    return handOff(readCode(s), command, false);
}

bool AlarmMessageModel::recordCell(int row, int column)
{
    const int s = slot(m_page, row, column);
    if (s < 0)
        return false;
    const QByteArray command = checkedSetCommand(row, column);
    if (command.isEmpty())
        return false;
    m_session.batchTable().RecordCommand(setCode(s), command);
    return true;
}

// ---- replies ----------------------------------------------------------------

void AlarmMessageModel::handleMessage(const PageMessage &m)
{
    switch (m.message) {
    case msg::AlarmText: // WM_USER+50: the reply to the slot read that is running
        readBack(slotOfReadCode(m_session.activeRecord().commandCode), m.text);
        break;
    case msg::ClearFields: // WM_USER+15
        clear();
        break;
    default:
        break;
    }
}

bool AlarmMessageModel::readBack(int s, const QByteArray &reply)
{
    AlarmPage page;
    int row = 0, column = 0;
    if (!locate(s, &page, &row, &column) || page != m_page || reply.isEmpty())
        return false;
    Cell *c = cell(row, column);
    QByteArray t = reply;
    if (t.startsWith('1')) {
        c->ticked = true;
        t.remove(0, 2);
    } else if (t.startsWith('0')) {
        c->ticked = false;
        t.remove(0, 2);
    }
    t.replace("ALRM!", "ALARM!");
    if (m_page == AlarmPage::In && s == 15)
        t.replace("ALM!", "ALARM!");
    AlarmTextOnChange(t); // a text over 60 bytes: as if typed
    c->text = t;
    emit cellChanged(row, column);
    return true;
}

void AlarmMessageModel::clear()
{
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < Columns; ++column) {
            Cell *c = cell(row, column);
            if (!c->text.isEmpty()) {
                c->text.clear();
                emit cellChanged(row, column);
            }
        }
    }
}

} // namespace kaspen
