#pragma once
// The rules the channel and alarm pages share for what may be typed into
// their fields, and the way they hand a finished command to the exchange:
//
//  - the five-character numbers of the limit fields (NormalizeFiveDigits),
//    their ranges, cross rules and the chain in which one field enables the
//    next;
//  - the four-digit alarm delays, the eight-character pulse counters and the
//    60-byte alarm texts;
//  - the command guard with its per-page wording, and the two hand-off
//    orders (submit then record, or record then submit).
//
// Nothing here owns a widget: the page models keep field texts and enabled
// states in plain values and run these rules on them, so kaspen-cli and the
// tests use the very same rules as the windows. Messages go through the
// MessageSink seam.

#include <QByteArray>
#include <QString>

namespace kaspen {

class Session;

// ---- numbers --------------------------------------------------------------

// The number at the start of a text, as the C library's atof reads it:
// leading blanks, a sign, digits, one ".", digits and an exponent; the rest
// is ignored, and a text without a leading number reads as 0.
double LeadingNumber(const QByteArray &text);

// -1 when the text is empty or holds a character that is not allowed
// (anything but digits, "." and a leading "-", or more than one "."); else
// the position of its "." (0 when there is none).
int CheckNumberChars(const QByteArray &text);

// The five-character form of a limit number ("12.5" -> "12.50", "1234" ->
// "01234", "-125" -> "-0125"), or one of the codes "E" (empty), "F" (a
// character that is not allowed) and "B" (beyond -99999 ... 99999).
QByteArray NormalizeFiveDigits(const QByteArray &text);
inline const QByteArray FiveDigitsEmpty = "E";
inline const QByteArray FiveDigitsIllegal = "F";
inline const QByteArray FiveDigitsBeyond = "B";

// ---- limit fields ---------------------------------------------------------

// A field's text and whether the user may type into it.
struct LimitEdit {
    QByteArray text;
    bool enabled = true;
    bool operator==(const LimitEdit &o) const { return text == o.text && enabled == o.enabled; }
};

// The limit fields of one channel. A temperature sensor uses only high and
// low; the humidity sensor has all five plus the actual humidity of its
// calibration ("Auto Calibration").
struct LimitGroup {
    LimitEdit upper, lower, zero, high, low;
    LimitEdit actual;
};

enum class LimitField {
    HumidityActual, // "Auto Calibration" (actual humidity in %RH)
    HumidityHigh,
    HumidityLow,
    TemperatureHigh, // sensor 1 ... 8
    TemperatureLow,
    AnalogUpper,
    AnalogLower,
    AnalogZero,
    AnalogHigh,
    AnalogLow,
};

// The edit of the group that the field stands for.
LimitEdit &limitEdit(LimitGroup &group, LimitField field);
const LimitEdit &limitEdit(const LimitGroup &group, LimitField field);

// The subject that names the field in its messages and as its accessible
// name: "Humidity", "Humidity Sensor Alert High", "Temperature Sensor_3
// Alert Low", "Analog Channel Upper limit", ... sensor is 1 ... 8 and used
// only by the temperature fields.
QString LimitSubject(LimitField field, int sensor = 0);

// What one limit field check did (the message is also shown).
struct LimitCheck {
    QString message;            // empty when no box was shown
    bool emptied = false;       // the field under test was emptied
    bool rewritten = false;     // it now holds its five-character form
    bool partnerEmptied = false; // Alert Low (or Lower Limit) emptied silently
};

// The limit field check, run when a field loses the focus: disables the
// field that must wait for it, tests range, characters, five digits and the
// cross rule against the other fields of the group, shows at most one error
// box, rewrites or empties the field (and silently empties a partner where
// the rule says so), and runs the enable chain after every outcome.
// humidityCalibration is the device profile's flag (it only decides whether
// the humidity Alert Low may be enabled again).
LimitCheck CheckLimitField(LimitGroup &group, LimitField field, int sensor = 0, bool humidityCalibration = false);

// The enable chain: when the field's text is not empty, the next field of
// the channel is enabled (Upper -> Lower -> Start Zero -> Alert High ->
// Alert Low; a temperature Alert High enables its Alert Low; the humidity
// Alert High its Alert Low only while the calibration flag is set). An empty
// text disables nothing. Runs on every change of a limit field's text.
void ApplyEnableChain(LimitGroup &group, LimitField changed, bool humidityCalibration = false);

// ---- alarm delays (four digits) -------------------------------------------

inline constexpr int AlarmDelayMaxChars = 4;

// On every change: five characters or more show "Alarm Delay Time can't over
// 4 Number!" and empty the text. True when the text was refused.
bool AlarmDelayOnChange(QByteArray &text);
// On leaving: a text that is not empty becomes "%04d" of its atoi value
// (7 -> 0007, 12ab -> 0012, abc -> 0000, -3 -> -003).
void AlarmDelayOnLeave(QByteArray &text);
// At the set button, after the command guard: the value to send ("%04d"),
// or an empty text after a refusal (message shown; the field emptied where
// the rule says so).
QByteArray AlarmDelayAtSet(QByteArray &text);

// ---- pulse counters (eight characters) ------------------------------------

inline constexpr int PulseStartMaxChars = 8;

// On leaving: empty stays empty; more than eight characters show "Start Zero
// is error !" and empty the text; otherwise the text is padded on the left
// with "0" to eight characters (42 -> 00000042). True when refused.
bool PulseStartOnLeave(QByteArray &text);

// ---- alarm texts (60 bytes) -----------------------------------------------

inline constexpr int AlarmTextMaxBytes = 60;

// The text cut to at most maxBytes bytes without splitting a UTF-8
// character: a character that would cross the limit is left out whole.
struct AlarmTextCut {
    QByteArray kept;
    int keptBytes = 0; // byte length of what is kept
    bool cut = false;  // the text was longer than maxBytes
};
AlarmTextCut CutAlarmText(const QByteArray &utf8, int maxBytes = AlarmTextMaxBytes);

// On every change: a text longer than 60 bytes shows "Message Content can't
// over 60 Number!" and is cut (CutAlarmText). Returns the cut.
AlarmTextCut AlarmTextOnChange(QByteArray &text);
// At the row's set button, after the command guard: with "Text" ticked an
// empty text shows subject + " Content is empty!"; then, ticked or not, more
// than 60 bytes show subject + " Content over 60 byte!". False after a refusal.
bool AlarmTextAtSet(const QByteArray &text, bool textTicked, const QString &subject);

// ---- command guard --------------------------------------------------------

// The pages that share these rules; the guard's wording and the hand-off
// order depend on the page.
enum class ChannelPage { AnalogChannel, DigitalChannel, AdAlarmMessage, InAlarmMessage };

// The word of the phone book refusals ("Device Phone Number is NULL ,...")
// on each link family.
struct GuardWording {
    const char *ethernet = "NULL";
    const char *serial = "NULL";
    const char *forLink(int link) const;
};
GuardWording guardWordingFor(ChannelPage page);
// "NULL" or "empty" for the page on the link (0 RS232, 1 GSM modem, 2 Ethernet).
QByteArray guardMissingWord(ChannelPage page, int link);
// The three phone book refusals in the given wording.
QString phoneMissingText(const char *word);
QString queryPasswordMissingText(const char *word);
QString setupPasswordMissingText(const char *word);

// The guard every send button runs first: connection, exchange in progress,
// Device ID, phone number, query and setup password of the current entry. A
// phone number that is the text "NULL" is an ordinary number here. Shows the
// first refusal in a notice box and returns false, or returns true.
bool ChannelCommandGuard(Session &session, const GuardWording &wording);
bool ChannelCommandGuard(Session &session, ChannelPage page);

// ---- command hand-off -----------------------------------------------------

enum class HandOffOrder {
    SubmitRecordLogBare, // Analog Channel: submit, record, log the bare text
    RecordSubmitLogSent, // Digital/Pulse, alarm pages: record, submit, log as sent
};
HandOffOrder handOffOrderFor(ChannelPage page);

// Hands one built command on: submit under code on the active link, record
// the bare text in the batch command table under code (unless record is
// false: read requests), and add a Send Command logs entry (unless log is
// false), in the page's order. True when the text went to the link.
bool HandOffCommand(Session &session, HandOffOrder order, int code, const QByteArray &text, bool record = true,
                    bool log = true);

} // namespace kaspen
