#pragma once
// The configuration protocol of our Ethernet serial-server modules, version 1
// (docs/module-protocol.md). One datagram is one message:
//
//   offset  size  field
//   0       2     magic "KM"
//   2       1     version (1)
//   3       1     type (ModuleMessage::Type)
//   4       2     sequence number, big-endian; an answer repeats its request's
//   6       ...   fields, each "name=value" ended by LF (0x0A)
//
// Names of protocol fields are lower case ("mac", "password", "key", ...);
// names of configuration keys are upper case ("IP", "C1_PORT", ...). Values
// are printable single-byte text without LF, at most MaxValueLength bytes. A
// datagram is at most MaxDatagramSize bytes.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace kaspen::module {

inline constexpr char Magic[] = "KM";
inline constexpr int Version = 1;
inline constexpr int HeaderSize = 6;
inline constexpr int MaxDatagramSize = 1400;
inline constexpr int MaxValueLength = 99; // a value fits the 100-byte buffer with its zero
inline constexpr int MaxNameLength = 32;
// The UDP port on which a module answers discovery and configuration.
inline constexpr quint16 ConfigPort = 47290;
// The configuration password every write carries.
inline constexpr char ConfigPassword[] = "57721";

// Why a module refused a request (the "code" field of an Error answer).
enum class ErrorCode : int {
    None = 0,
    Malformed = 1,       // the request could not be decoded
    BadVersion = 2,      // a protocol version the module does not speak
    WrongPassword = 3,   // write with a wrong configuration password
    UnknownKey = 4,      // read or write of a key the module does not have
    BadValue = 5,        // a value the module cannot take for that key
    NotThisModule = 6,   // the request names another module's MAC
};
QString errorText(ErrorCode code);

struct Message {
    enum Type : quint8 {
        Discover = 0x01,       // -> every module answers DiscoverAnswer
        Select = 0x02,         // mac, ip -> SelectAnswer (the module is there)
        Read = 0x03,           // mac, key -> ReadAnswer key, value
        Write = 0x04,          // mac, password, KEY=value ... -> WriteAnswer
        DiscoverAnswer = 0x81, // mac, ip, name, kind, number
        SelectAnswer = 0x82,   // mac, ip
        ReadAnswer = 0x83,     // key, value
        WriteAnswer = 0x84,    // count (of keys written)
        Error = 0xFF,          // code, text
    };

    Type type = Discover;
    quint16 sequence = 0;
    QList<QPair<QByteArray, QByteArray>> fields; // in datagram order

    // The first field of this name; empty when absent.
    QByteArray value(const QByteArray &name) const;
    bool has(const QByteArray &name) const;
    Message &add(const QByteArray &name, const QByteArray &value)
    {
        fields.append({name, value});
        return *this;
    }
    // The configuration keys of a Write (upper-case names), in order.
    QList<QPair<QByteArray, QByteArray>> configFields() const;
};

bool isKnownType(int type);
bool isAnswer(Message::Type type);
// A configuration key name: upper-case letters, digits, '_', starting with a letter.
bool isConfigKeyName(const QByteArray &name);
bool isFieldName(const QByteArray &name);
bool isValidValue(const QByteArray &value);

// The datagram of a message; empty when a name or value breaks the rules
// above or the result would exceed MaxDatagramSize.
QByteArray encode(const Message &m);

enum class DecodeError {
    None,
    TooShort,     // fewer bytes than the header
    TooLong,      // more than MaxDatagramSize
    BadMagic,
    BadVersion,
    UnknownType,
    BadField,     // a field without "=", an unended field, a bad name or value
};
QString decodeErrorText(DecodeError e);

// Decodes a datagram. On failure returns false and says why; `out` keeps
// the sequence number when the header could be read (so that a module can
// answer the error to the right request).
bool decode(const QByteArray &datagram, Message *out, DecodeError *error = nullptr);

// A dotted IPv4 address ("192.168.1.20"): four numbers 0..255, no spaces.
bool isDottedIpv4(const QByteArray &text);

} // namespace kaspen::module
