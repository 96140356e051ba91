#include "protocol/ModuleProtocol.h"

namespace kaspen::module {

QString errorText(ErrorCode code)
{
    switch (code) {
    case ErrorCode::None: return QStringLiteral("no error");
    case ErrorCode::Malformed: return QStringLiteral("malformed request");
    case ErrorCode::BadVersion: return QStringLiteral("unsupported protocol version");
    case ErrorCode::WrongPassword: return QStringLiteral("wrong configuration password");
    case ErrorCode::UnknownKey: return QStringLiteral("unknown configuration key");
    case ErrorCode::BadValue: return QStringLiteral("value not accepted");
    case ErrorCode::NotThisModule: return QStringLiteral("addressed to another module");
    }
    return QStringLiteral("error %1").arg(int(code));
}

QByteArray Message::value(const QByteArray &name) const
{
    for (const auto &f : fields) {
        if (f.first == name)
            return f.second;
    }
    return {};
}

bool Message::has(const QByteArray &name) const
{
    for (const auto &f : fields) {
        if (f.first == name)
            return true;
    }
    return false;
}

QList<QPair<QByteArray, QByteArray>> Message::configFields() const
{
    QList<QPair<QByteArray, QByteArray>> out;
    for (const auto &f : fields) {
        if (isConfigKeyName(f.first))
            out.append(f);
    }
    return out;
}

bool isKnownType(int type)
{
    switch (type) {
    case Message::Discover:
    case Message::Select:
    case Message::Read:
    case Message::Write:
    case Message::DiscoverAnswer:
    case Message::SelectAnswer:
    case Message::ReadAnswer:
    case Message::WriteAnswer:
    case Message::Error:
        return true;
    default:
        return false;
    }
}

bool isAnswer(Message::Type type)
{
    return (quint8(type) & 0x80) != 0;
}

bool isConfigKeyName(const QByteArray &name)
{
    if (name.isEmpty() || name.size() > MaxNameLength || !(name[0] >= 'A' && name[0] <= 'Z'))
        return false;
    for (char c : name) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    }
    return true;
}

bool isFieldName(const QByteArray &name)
{
    if (isConfigKeyName(name))
        return true;
    if (name.isEmpty() || name.size() > MaxNameLength || !(name[0] >= 'a' && name[0] <= 'z'))
        return false;
    for (char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    }
    return true;
}

bool isValidValue(const QByteArray &value)
{
    if (value.size() > MaxValueLength)
        return false;
    for (char ch : value) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}

QByteArray encode(const Message &m)
{
    if (!isKnownType(m.type))
        return {};
    QByteArray out;
    out.reserve(64);
    out.append(Magic, 2);
    out.append(char(Version));
    out.append(char(m.type));
    out.append(char((m.sequence >> 8) & 0xff));
    out.append(char(m.sequence & 0xff));
    for (const auto &f : m.fields) {
        if (!isFieldName(f.first) || !isValidValue(f.second))
            return {};
        out.append(f.first);
        out.append('=');
        out.append(f.second);
        out.append('\n');
        if (out.size() > MaxDatagramSize)
            return {};
    }
    return out;
}

QString decodeErrorText(DecodeError e)
{
    switch (e) {
    case DecodeError::None: return QStringLiteral("no error");
    case DecodeError::TooShort: return QStringLiteral("datagram shorter than the header");
    case DecodeError::TooLong: return QStringLiteral("datagram longer than %1 bytes").arg(MaxDatagramSize);
    case DecodeError::BadMagic: return QStringLiteral("not a module protocol datagram");
    case DecodeError::BadVersion: return QStringLiteral("unsupported protocol version");
    case DecodeError::UnknownType: return QStringLiteral("unknown message type");
    case DecodeError::BadField: return QStringLiteral("malformed field");
    }
    return QString();
}

bool decode(const QByteArray &d, Message *out, DecodeError *error)
{
    auto fail = [&](DecodeError e) {
        if (error)
            *error = e;
        return false;
    };
    if (error)
        *error = DecodeError::None;
    *out = Message();
    if (d.size() > MaxDatagramSize)
        return fail(DecodeError::TooLong);
    if (d.size() < HeaderSize)
        return fail(DecodeError::TooShort);
    if (d[0] != Magic[0] || d[1] != Magic[1])
        return fail(DecodeError::BadMagic);
    out->sequence = quint16((quint8(d[4]) << 8) | quint8(d[5]));
    if (quint8(d[2]) != Version)
        return fail(DecodeError::BadVersion);
    const int type = quint8(d[3]);
    if (!isKnownType(type))
        return fail(DecodeError::UnknownType);
    out->type = Message::Type(type);
    int pos = HeaderSize;
    while (pos < d.size()) {
        const int end = d.indexOf('\n', pos);
        if (end < 0)
            return fail(DecodeError::BadField); // the last field is not ended
        const QByteArray field = d.mid(pos, end - pos);
        const int eq = field.indexOf('=');
        if (eq <= 0)
            return fail(DecodeError::BadField);
        const QByteArray name = field.left(eq);
        const QByteArray value = field.mid(eq + 1);
        if (!isFieldName(name) || !isValidValue(value))
            return fail(DecodeError::BadField);
        out->fields.append({name, value});
        pos = end + 1;
    }
    return true;
}

bool isDottedIpv4(const QByteArray &text)
{
    const QList<QByteArray> parts = text.split('.');
    if (parts.size() != 4)
        return false;
    for (const QByteArray &p : parts) {
        if (p.isEmpty() || p.size() > 3)
            return false;
        int v = 0;
        for (char c : p) {
            if (c < '0' || c > '9')
                return false;
            v = v * 10 + (c - '0');
        }
        if (v > 255)
            return false;
    }
    return true;
}

} // namespace kaspen::module
