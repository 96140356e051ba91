#pragma once
// One alarm message page without its windows: the AD Alarm Message page
// (Alert High / Alert Low texts of AD00 ... AD14) or the IN Alarm Message
// page (On Alert / Off Alert texts of the power source and the digital
// inputs). Each cell is one message slot of the logger: a "Text" box (the
// slot's "Text Message" switch) and its message content. The set button of
// a cell writes the slot with SMSSET, its read button asks for it with SMS,
// and the reply (WM_USER+50) fills the cell back. The widgets of both pages
// and kaspen-cli drive it.

#include "pages/alarms/AlarmSlots.h"
#include "session/PageMessages.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

namespace kaspen {

class Session;

class AlarmMessageModel : public QObject {
    Q_OBJECT
public:
    AlarmMessageModel(Session &session, AlarmPage page, QObject *parent = nullptr);

    AlarmPage page() const { return m_page; }
    int rowCount() const { return alarmslots::rowCount(m_page); }

    // ---- the cells (row, column as in alarmslots)
    bool ticked(int row, int column) const;
    QByteArray text(int row, int column) const;

    // The "Text" box was toggled.
    void setTicked(int row, int column, bool on);
    // The message edit's text changed (typing, pasting): a text over 60
    // bytes shows "Message Content can't over 60 Number!" and is cut.
    void setText(int row, int column, const QByteArray &text);
    // Box and text as given, without the typing rule (the command line).
    void setCell(int row, int column, bool ticked, const QByteArray &text);

    // ---- buttons; true when a command was handed on
    bool sendSet(int row, int column);
    bool sendRead(int row, int column);

    // The SMSSET text for a box and text, with password pw: ticked
    // "pw#SMSSETNN:1,LL,TEXT#" (LL the text's length in bytes), clear
    // "pw#SMSSETNN:0#". No checks.
    static QByteArray setCommand(AlarmPage page, int row, int column, bool ticked, const QByteArray &text,
                                 const QByteArray &pw);

    // Records the cell as the SMSSET command that would set it (a backup of
    // what was read). False when the set button's checks refuse the cell as
    // it stands (their message is shown).
    bool recordCell(int row, int column);

    // ---- messages from the main window
    // AlarmText (WM_USER+50): fills the cell of the slot read; ClearFields
    // (WM_USER+15): empties every message edit, hidden rows included.
    void handleMessage(const PageMessage &m);
    // A slot's reply: true when the slot is this page's and the reply was
    // taken in.
    bool readBack(int slot, const QByteArray &reply);
    void clear();

signals:
    // A cell's box or text changed; the widgets refresh that cell.
    void cellChanged(int row, int column);

private:
    struct Cell {
        bool ticked = false;
        QByteArray text;
    };
    Cell *cell(int row, int column);
    const Cell *cell(int row, int column) const;
    bool commandGuard();
    // The set button's text checks, then the command; empty after a refusal.
    QByteArray checkedSetCommand(int row, int column);
    bool handOff(int code, const QByteArray &text, bool record);

    Session &m_session;
    AlarmPage m_page;
    QVector<Cell> m_cells; // row * Columns + column
};

} // namespace kaspen
