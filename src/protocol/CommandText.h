#pragma once
// Command texts sent to a logger and their framing per link.
//
// A command text is the password (six characters, no separator) followed by
// one or more "#CODE:args" fields and a closing "#". Reads carry the Enquiry
// password, settings the Setup password. The same text goes out on every
// link; only the GSM modem wraps it in its AT+BJSD command.

#include <QByteArray>
#include <QString>
#include <initializer_list>
#include <optional>
#include <cstdint>

namespace kaspen {

// Link values, program-wide (radio order of the main window).
enum Link : int { LinkRs232 = 0, LinkGsmModem = 1, LinkEthernet = 2 };

// One argument of a printf-style command template: a text or a number.
class TemplateArg {
public:
    TemplateArg(const QByteArray &text) : m_text(text), m_isNumber(false) {}
    TemplateArg(const char *text) : m_text(text), m_isNumber(false) {}
    TemplateArg(const QString &text) : m_text(text.toLocal8Bit()), m_isNumber(false) {}
    TemplateArg(int n) : m_number(n), m_isNumber(true) {}
    TemplateArg(long n) : m_number(n), m_isNumber(true) {}
    TemplateArg(long long n) : m_number(n), m_isNumber(true) {}
    TemplateArg(unsigned n) : m_number(n), m_isNumber(true) {}

    bool isNumber() const { return m_isNumber; }
    const QByteArray &text() const { return m_text; }
    long long number() const { return m_number; }

private:
    QByteArray m_text;
    long long m_number = 0;
    bool m_isNumber;
};

// Fills a template the way the logger's command templates are written:
// %s, %d, %x/%X, width and precision, the '0' and '-' flags and the length
// modifiers l/ll/h. "%02s" pads a text on the left with zeros ("7" -> "07"),
// as the zero-padded fields of the catalogue expect. "%%" is a literal '%'.
// A missing argument formats as empty text (or 0); extra arguments are ignored.
QByteArray formatTemplate(const char *tmpl, std::initializer_list<TemplateArg> args);

namespace templates {
// Reads (Enquiry password)
inline constexpr const char *ReadBlock1 = "%s#CHEACK1#";
inline constexpr const char *ReadBlock2 = "%s#CHEACK2#";
inline constexpr const char *ReadBlock3 = "%s#CHEACK3#";
inline constexpr const char *ReadBlock4 = "%s#CHEACK4#";
inline constexpr const char *Status = "%s#STATUS#";
inline constexpr const char *Version = "%s#CHECKVR";
inline constexpr const char *ReadSms = "%s#SMS:%s#";
inline constexpr const char *Redeem = "%s#REDEEM%s#";
// Settings and maintenance (Setup password)
inline constexpr const char *Reset = "%s#RESET#";
inline constexpr const char *SetupState = "%s#SE:%d#";
inline constexpr const char *StationId = "%s#ST:%s#";
inline constexpr const char *DateTime = "%s#TM:%s#";
inline constexpr const char *LogInterval = "%s#SA:%s#";
inline constexpr const char *UploadSetup = "%s#SD:%02s,%s,%s#";
inline constexpr const char *ControlCentre = "%s#CP:%s!,%s#";
inline constexpr const char *AlarmPhone = "%s#AP%d:%s!#";
inline constexpr const char *Passwords = "%s#PS:%s,%s#";
inline constexpr const char *AnalogLimits = "%s#AD%02d:%s,%s,%s,%s,%s,%s#";
inline constexpr const char *Analog13 = "%s#AD13:%s,%s,%s#";
inline constexpr const char *Analog14 = "%s#AD14:%s,%s,%s#";
inline constexpr const char *TempDelay = "%s#TD%d:%s#";
inline constexpr const char *PulseStart = "%s#LP%d:%s#";
inline constexpr const char *DigitalModes = "%s#PA:%s#";
inline constexpr const char *RelaySwitch = "%s#O%d:%s#";
inline constexpr const char *RelayAssociation = "%s#OC%d:%s#";
inline constexpr const char *RelayTimeLapse = "%s#OT%d:%s#";
inline constexpr const char *SmsSlot = "%s#SMSSET%s:%s#";
inline constexpr const char *SmsSlotWithDelay = "%s#SMSSET%s:%s,%02d,%s#";
// Batch runner's hexadecimal AGR form: password bytes, arguments, "###".
inline constexpr const char *AgrHex = "%s23 41 47 52 3A %s 23 23 23";
} // namespace templates

// Modem-local commands of the GSM modem link (not forwarded to the logger).
inline constexpr const char *ModemTest = "AT+BJTE\r\n";
inline constexpr const char *ModemVersion = "AT+BJDS\r\n";

// "AT+BJSD=%d,%s,%s\r\n": byte count of the phone number, the number, the text.
QByteArray wrapForGsmModem(const QByteArray &phone, const QByteArray &text);

// What leaves the program for text on the given link: the GSM modem wraps it,
// RS232 and Ethernet send it as it is.
QByteArray frameForLink(int link, const QByteArray &phone, const QByteArray &text);

// The hexadecimal form: pairs of hex digits, optionally separated by spaces.
// Conversion skips spaces, takes two digits as one byte, and stops at the
// first other character or at a lone last digit.
struct HexConversion {
    QByteArray bytes;
    bool tooLong = false; // more than MaxHexBytes bytes: refused, nothing to send
    QString error;        // user-readable reason when tooLong
};
inline constexpr int MaxHexBytes = 256;
HexConversion hexToBytes(const QByteArray &hexText);

// The two new passwords of a password command: "#PS:", six digits, ",",
// six digits, "#". Empty when the text holds no "#PS:" or the passwords
// after it are not two six-digit numbers.
struct PasswordPair {
    QByteArray enquiry, setup;
};
std::optional<PasswordPair> passwordsOfCommand(const QByteArray &text);

// "%02X " of each byte of text, used for the AGR password bytes.
QByteArray bytesToHexPairs(const QByteArray &text);

} // namespace kaspen
