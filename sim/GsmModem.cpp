#include "sim/GsmModem.h"

namespace kaspen::sim {

namespace {

bool isRecord(const QByteArray &text)
{
    return text.contains("STA") || text.contains("STC") || text.contains("STD") || text.contains("STB");
}

// A receiver takes an "L:" item at character 12..19 (with a value) as the
// length of a new reply.
bool looksLikeFirstPart(const QByteArray &part)
{
    const int p = part.indexOf("L:");
    if (p < 12 || p > 19)
        return false;
    const int semi = part.indexOf(';', p + 2);
    return semi > p + 2;
}

} // namespace

QByteArray continuationHeader(const QByteArray &reply)
{
    const int colon = reply.indexOf(':');
    const QByteArray id = colon >= 0 ? reply.mid(colon + 1, 6) : QByteArray("000000");
    return "#STA:" + id + ';';
}

QList<QByteArray> smsParts(const QByteArray &reply, int maxLength)
{
    if (reply.size() <= maxLength)
        return {reply};
    QList<QByteArray> parts;
    if (!isRecord(reply)) {
        // A plain text that long does not occur; cut it as it comes.
        for (int pos = 0; pos < reply.size(); pos += maxLength)
            parts.append(reply.mid(pos, maxLength));
        return parts;
    }
    const QByteArray header = continuationHeader(reply);
    const int room = maxLength - int(header.size());
    int partStart = 0;
    int partEnd = maxLength; // the first part: the record's head, whole
    while (partEnd < reply.size()) {
        // Cut earlier when the next part would begin with text that the
        // receiver reads as the length item of a new reply.
        int cut = partEnd;
        while (cut > partStart + 1 && looksLikeFirstPart(header + reply.mid(cut, room)))
            --cut;
        const QByteArray piece = reply.mid(partStart, cut - partStart);
        parts.append(parts.isEmpty() ? piece : header + piece);
        partStart = cut;
        partEnd = cut + room;
    }
    parts.append(header + reply.mid(partStart));
    return parts;
}

std::optional<ModemSend> parseModemSend(const QByteArray &line)
{
    static const QByteArray Prefix = "AT+BJSD=";
    if (!line.startsWith(Prefix))
        return std::nullopt;
    const int c1 = line.indexOf(',', Prefix.size());
    if (c1 < 0)
        return std::nullopt;
    const int c2 = line.indexOf(',', c1 + 1);
    if (c2 < 0)
        return std::nullopt;
    bool ok = false;
    ModemSend s;
    s.declaredLength = line.mid(Prefix.size(), c1 - Prefix.size()).toInt(&ok);
    if (!ok)
        return std::nullopt;
    s.phone = line.mid(c1 + 1, c2 - c1 - 1);
    s.text = line.mid(c2 + 1);
    return s;
}

} // namespace kaspen::sim
