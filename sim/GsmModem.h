#pragma once
// The GSM modem's side of the SMS link: what the program writes to the modem
// ("AT+BJSD=len,phone,text\r\n", "AT+BJTE\r\n", "AT+BJDS\r\n") and how the
// logger's SMS replies are laid out in parts of at most 160 characters.
//
// Layout of a reply longer than one SMS, so that the receiving program joins
// the parts back into the reply exactly:
//   - the first part is the first 160 characters of the record; it begins
//     "#STA:" (or "#STC1:", "#STD:") with the identity and the "L:" item at
//     character 12..19, which tells the total length;
//   - each further part repeats the short header "#STA:" + station ID + ";",
//     which the receiver drops, followed by the next characters of the
//     record. A part is shortened by a character when its text would place
//     an "L:" item at character 12..19 (the receiver would take it for a new
//     first part).
// A single-part record keeps its identity field longer than six characters,
// so the receiver does not drop its head.

#include <QByteArray>
#include <QList>
#include <optional>

namespace kaspen::sim {

inline constexpr int SmsMaxLength = 160;

// The SMS parts of one logger reply, in sending order.
QList<QByteArray> smsParts(const QByteArray &reply, int maxLength = SmsMaxLength);

// The header the logger repeats in front of every further part.
QByteArray continuationHeader(const QByteArray &reply);

// One "AT+BJSD=len,phone,text" line (without CR LF).
struct ModemSend {
    int declaredLength = -1;
    QByteArray phone;
    QByteArray text;
    bool lengthMatches() const { return declaredLength == phone.size(); }
};
// nullopt when the line is not an AT+BJSD command with three fields.
std::optional<ModemSend> parseModemSend(const QByteArray &line);

// The modem's answers.
namespace modem {
inline constexpr const char *SendAccepted = "AT+BJSD\r\nOK\r\nmessage send\r\n";
inline constexpr const char *SendRefused = "AT+BJSD\r\nERROR\r\n";
inline constexpr const char *TestAnswer = "AT+BJTE\r\nOK\r\n";
inline constexpr const char *VersionAnswer = "AT+BJDS\r\nKASPEN GSM Modem BJ-200 Ver 1.6\r\nOK\r\n";
inline constexpr const char *Ok = "OK\r\n";
inline constexpr const char *Error = "ERROR\r\n";
} // namespace modem

} // namespace kaspen::sim
