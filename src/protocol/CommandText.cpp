#include "protocol/CommandText.h"

#include <vector>

namespace kaspen {

namespace {

QByteArray pad(QByteArray body, int width, bool left, char fill)
{
    if (width <= body.size())
        return body;
    const QByteArray padding(width - body.size(), fill);
    return left ? body + QByteArray(width - body.size(), ' ') : padding + body;
}

QByteArray formatNumber(long long value, char conv, int precision)
{
    QByteArray digits;
    bool negative = false;
    if (conv == 'x' || conv == 'X') {
        digits = QByteArray::number(static_cast<qulonglong>(value), 16);
        if (conv == 'X')
            digits = digits.toUpper();
    } else if (conv == 'u') {
        digits = QByteArray::number(static_cast<qulonglong>(value));
    } else {
        negative = value < 0;
        digits = QByteArray::number(negative ? -static_cast<qulonglong>(value) : static_cast<qulonglong>(value));
    }
    if (precision >= 0 && digits.size() < precision)
        digits = QByteArray(precision - digits.size(), '0') + digits;
    return negative ? "-" + digits : digits;
}

long long numberOf(const TemplateArg &a)
{
    return a.isNumber() ? a.number() : a.text().trimmed().toLongLong();
}

} // namespace

QByteArray formatTemplate(const char *tmpl, std::initializer_list<TemplateArg> args)
{
    const std::vector<TemplateArg> list(args);
    size_t next = 0;
    QByteArray out;
    const QByteArray t(tmpl);
    for (int i = 0; i < t.size(); ++i) {
        const char c = t.at(i);
        if (c != '%') {
            out.append(c);
            continue;
        }
        if (i + 1 < t.size() && t.at(i + 1) == '%') {
            out.append('%');
            ++i;
            continue;
        }
        int j = i + 1;
        bool left = false, zero = false;
        while (j < t.size() && (t.at(j) == '-' || t.at(j) == '0' || t.at(j) == '+' || t.at(j) == ' ')) {
            if (t.at(j) == '-')
                left = true;
            if (t.at(j) == '0')
                zero = true;
            ++j;
        }
        int width = 0;
        while (j < t.size() && t.at(j) >= '0' && t.at(j) <= '9')
            width = width * 10 + (t.at(j++) - '0');
        int precision = -1;
        if (j < t.size() && t.at(j) == '.') {
            ++j;
            precision = 0;
            while (j < t.size() && t.at(j) >= '0' && t.at(j) <= '9')
                precision = precision * 10 + (t.at(j++) - '0');
        }
        while (j < t.size() && (t.at(j) == 'l' || t.at(j) == 'h'))
            ++j;
        if (j >= t.size()) {
            out.append(t.mid(i));
            break;
        }
        const char conv = t.at(j);
        const TemplateArg *arg = next < list.size() ? &list[next] : nullptr;
        ++next;
        QByteArray body;
        if (conv == 's') {
            body = arg ? (arg->isNumber() ? QByteArray::number(arg->number()) : arg->text()) : QByteArray();
            if (precision >= 0)
                body = body.left(precision);
            out.append(pad(body, width, left, zero && !left ? '0' : ' '));
        } else if (conv == 'd' || conv == 'i' || conv == 'u' || conv == 'x' || conv == 'X') {
            body = formatNumber(arg ? numberOf(*arg) : 0, conv, precision);
            const bool zeroPad = zero && !left && precision < 0;
            if (zeroPad && body.startsWith('-') && width > body.size())
                body = "-" + QByteArray(width - body.size(), '0') + body.mid(1);
            else
                body = pad(body, width, left, zeroPad ? '0' : ' ');
            out.append(body);
        } else if (conv == 'c') {
            out.append(arg ? (arg->isNumber() ? QByteArray(1, char(arg->number())) : arg->text().left(1)) : QByteArray());
        } else {
            // Unknown conversion: keep it as written.
            out.append(t.mid(i, j - i + 1));
            --next;
        }
        i = j;
    }
    return out;
}

QByteArray wrapForGsmModem(const QByteArray &phone, const QByteArray &text)
{
    return formatTemplate("AT+BJSD=%d,%s,%s\r\n", {int(phone.size()), phone, text});
}

QByteArray frameForLink(int link, const QByteArray &phone, const QByteArray &text)
{
    return link == LinkGsmModem ? wrapForGsmModem(phone, text) : text;
}

namespace {
int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

HexConversion hexToBytes(const QByteArray &hexText)
{
    HexConversion result;
    int i = 0;
    const int n = hexText.size();
    while (i < n) {
        if (hexText.at(i) == ' ') {
            ++i;
            continue;
        }
        const int hi = hexValue(hexText.at(i));
        if (hi < 0 || i + 1 >= n)
            break;
        const int lo = hexValue(hexText.at(i + 1));
        if (lo < 0)
            break;
        if (result.bytes.size() == MaxHexBytes) {
            result.tooLong = true;
            result.bytes.clear();
            result.error = QStringLiteral("The hexadecimal command is longer than %1 bytes and was not sent.").arg(MaxHexBytes);
            return result;
        }
        result.bytes.append(char(hi * 16 + lo));
        i += 2;
    }
    return result;
}

QByteArray bytesToHexPairs(const QByteArray &text)
{
    QByteArray out;
    for (const char c : text)
        out += formatTemplate("%02X ", {int(static_cast<unsigned char>(c))});
    return out;
}

std::optional<PasswordPair> passwordsOfCommand(const QByteArray &text)
{
    const qsizetype p = text.indexOf("#PS:");
    if (p < 0)
        return std::nullopt;
    const QByteArray args = text.mid(p + 4, 14);
    if (args.size() != 14 || args[6] != ',' || args[13] != '#')
        return std::nullopt;
    for (int i : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12})
        if (args[i] < '0' || args[i] > '9')
            return std::nullopt;
    return PasswordPair{args.left(6), args.mid(7, 6)};
}

} // namespace kaspen
