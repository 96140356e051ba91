#pragma once
// One simulated logger: takes a command text as it arrives (by cable, as an
// SMS, or as a datagram) and gives the text the logger answers. No I/O, no
// timers: the front-ends (Frontend.h) carry texts to and from it.
//
// Grammar of a command: the password, then one or more fields
// "#CODE[digits][:args]", then a closing "#". Reads (CHEACK1..4, STATUS,
// CHECKVR, SMS, REDEEM) take the Enquiry password, everything else the Setup
// password. Answers:
//   "Set success!"          a setting was valid and is now in force
//   "SET fail!"             the arguments were not valid (nothing changed)
//   "Password is error!"    the password does not match
//   "SMS format is error!"  the text is not a command
//   "initialize succesed!"  after RESET, once the logger has restarted
// and the records "#STA:", "#STC1:" ... "#STC4:", "#STD:", the message slot
// replies "1,TEXT" / "0," and the firmware version text.

#include "sim/LoggerState.h"

#include <QByteArray>
#include <QDateTime>
#include <functional>

namespace kaspen::sim {

namespace replies {
inline constexpr const char *SetSuccess = "Set success!";
inline constexpr const char *SetFail = "SET fail!";
inline constexpr const char *PasswordError = "Password is error!";
inline constexpr const char *FormatError = "SMS format is error!";
inline constexpr const char *InitDone = "initialize succesed!";
} // namespace replies

// Builds a record "#NAME:" identity ";" "L:n;" items ... "#". The L item
// holds the number of characters after the record's leading "#"; a GSM
// receiver uses it to know when the last SMS part has arrived.
class RecordText {
public:
    RecordText(const QByteArray &nameWithColon, const QByteArray &identity);
    RecordText &item(const QByteArray &key, const QByteArray &value); // key includes ':'
    // Without the L item when withLength is false (a deliberately broken
    // record). `following`: characters of the same reply that come after
    // this record (further packets), counted in L too.
    QByteArray finish(bool withLength = true, bool closingHash = true, int following = 0) const;

private:
    QByteArray m_head;
    QByteArray m_items;
};

class Logger {
public:
    using ClockFunction = std::function<QDateTime()>;

    explicit Logger(LoggerState state);

    // The answer to one received command text; empty when the logger stays
    // silent (an empty or blank text).
    QByteArray answer(const QByteArray &command);

    const LoggerState &state() const { return m_state; }
    LoggerState &state() { return m_state; }

    // The computer's clock (local time); the logger's own clock runs at an
    // offset from it, set by the TM command.
    void setClock(ClockFunction pcNow);
    QDateTime loggerNow() const;

    // Logs the records that are due up to now (called before every answer).
    void catchUp();

    // True once after anything in the state changed (for saving it).
    bool takeChanged();

    // The records the logger sends, as of now.
    QByteArray identity() const; // "000001,ORV-A": station ID and model tag
    QByteArray statusRecord();
    QByteArray parameterBlock(int n); // 1..4
    QByteArray versionText() const;
    QByteArray slotReply(int slot) const;
    // REDEEM: up to count records from time `from` (logger clock)
    QByteArray historyReply(const QDateTime &from, int count);

private:
    QByteArray answerChecked(const QByteArray &command);

    LoggerState m_state;
    ClockFunction m_pcNow;
    bool m_changed = false;
};

// yymmddhhmmss of a logger time
QByteArray loggerTimeText(const QDateTime &t, bool withSeconds = true);

} // namespace kaspen::sim
