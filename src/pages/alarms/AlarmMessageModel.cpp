#include "pages/alarms/AlarmMessageModel.h"

#include "base/MessageSink.h"
#include "protocol/CommandText.h"
#include "session/Session.h"

namespace kaspen {

using namespace alarmslots;

namespace {

// ---- the alarm text rule ------------------------------------------------

constexpr int MaxTextBytes = 60;

// The first maxBytes bytes of text, shortened to the last whole character
// of the system code page: a cut never leaves half a character behind.
QByteArray cutToWholeCharacters(const QByteArray &text, int maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    const QString whole = QString::fromLocal8Bit(text);
    for (int n = maxBytes; n > 0; --n) {
        const QByteArray head = text.left(n);
        if (whole.startsWith(QString::fromLocal8Bit(head)))
            return head;
    }
    return QByteArray();
}

// Typing into a message edit.
QByteArray typedAlarmText(const QByteArray &text)
{
    if (text.size() <= MaxTextBytes)
        return text;
    showMessage(QStringLiteral("Message Content can't over 60 Number!"));
    return cutToWholeCharacters(text, MaxTextBytes);
}

// The set button's checks of a row's text; an empty result passes.
QString alarmTextRefusal(const QByteArray &subject, bool ticked, const QByteArray &text)
{
    if (ticked && text.isEmpty())
        return QString::fromLocal8Bit(subject) + QStringLiteral(" Content is empty!");
    if (text.size() > MaxTextBytes)
        return QString::fromLocal8Bit(subject) + QStringLiteral(" Content over 60 byte!");
    return QString();
}

// The guard wording of the phone book tests: "is NULL" or "is empty".
const char *guardWord(AlarmPage page, bool ethernet)
{
    return page == AlarmPage::In && ethernet ? "NULL" : "empty";
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
    const QByteArray kept = typedAlarmText(text);
    if (c->text == kept && kept == text)
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
    const bool ethernet = m_session.onEthernet();
    if (ethernet ? !m_session.ethernetConnected() : !m_session.serialOpen()) {
        showMessage(QStringLiteral("Before Setup Command ,please Connect!"));
        return false;
    }
    if (m_session.activeRecord().inProgress) {
        showMessage(QStringLiteral("Command is in progress..."));
        return false;
    }
    const CurrentEntry e = m_session.currentEntry();
    if (e.id.isEmpty()) {
        showMessage(QStringLiteral("Before Setup Command ,please Select Device ID!"));
        return false;
    }
    const QLatin1String word(guardWord(m_page, ethernet));
    if (e.phone.isEmpty()) {
        showMessage(QStringLiteral("Device Phone Number is %1 ,please Edit Phone Book!").arg(word));
        return false;
    }
    if (e.enquiryPassword.isEmpty()) {
        showMessage(QStringLiteral("Device QueryPassword is %1 ,please Edit Phone Book!").arg(word));
        return false;
    }
    if (e.setupPassword.isEmpty()) {
        showMessage(QStringLiteral("Device SetupPassword is %1 ,please Edit Phone Book!").arg(word));
        return false;
    }
    return true;
}

bool AlarmMessageModel::handOff(int code, const QByteArray &text, bool record)
{
    // The alarm pages record first, then submit; the log shows the text as
    // it went to the link (wrapped on the GSM modem).
    if (record)
        m_session.batchTable().RecordCommand(code, text);
    return m_session.SubmitCommand(code, text);
}

QByteArray AlarmMessageModel::setCommand(AlarmPage page, int row, int column, bool on, const QByteArray &text,
                                         const QByteArray &pw, QString *refusal)
{
    const int s = slot(page, row, column);
    if (s < 0)
        return QByteArray();
    const QString why = alarmTextRefusal(subject(page, row), on, text);
    if (refusal)
        *refusal = why;
    if (!why.isEmpty())
        return QByteArray();
    if (on)
        return formatTemplate(templates::SmsSlotWithDelay, {pw, slotText(s), "1", int(text.size()), text});
    return formatTemplate(templates::SmsSlot, {pw, slotText(s), "0"});
}

QByteArray AlarmMessageModel::setCommand(int row, int column, QString *refusal) const
{
    return setCommand(m_page, row, column, ticked(row, column), text(row, column),
                      m_session.currentEntry().setupPassword, refusal);
}

bool AlarmMessageModel::sendSet(int row, int column)
{
    const int s = slot(m_page, row, column);
    if (s < 0 || !commandGuard())
        return false;
    QString refusal;
    const QByteArray command = setCommand(row, column, &refusal);
    if (command.isEmpty()) {
        showError(refusal);
        return false;
    }
    return handOff(setCode(s), command, true);
}

bool AlarmMessageModel::sendRead(int row, int column)
{
    const int s = slot(m_page, row, column);
    if (s < 0 || !commandGuard())
        return false;
    const QByteArray command = formatTemplate(templates::ReadSms, {m_session.currentEntry().enquiryPassword, slotText(s)});
    return handOff(readCode(s), command, false);
}

bool AlarmMessageModel::recordCell(int row, int column, QString *refusal)
{
    const int s = slot(m_page, row, column);
    if (s < 0)
        return false;
    const QByteArray command = setCommand(row, column, refusal);
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
    c->text = typedAlarmText(t);
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
