#include "protocol/ReplyItems.h"

namespace kaspen {

ItemValue GetItemValue(const QByteArray &text, const QByteArray &key, int start)
{
    ItemValue r;
    if (start < 0)
        start = 0;
    const int p = text.indexOf(key, start);
    if (p < 0)
        return r;
    r.position = p;
    const int from = p + int(key.size());
    const int end = text.indexOf(';', from);
    if (end >= 0)
        r.value = text.mid(from, end - from);
    return r;
}

QByteArray GsmAccumulator::ReassembleGsmText(const QByteArray &text)
{
    // Only records come in parts. A text that merely holds the letters (an
    // alarm message such as "1,STATION DOWN") is a reply of its own.
    if (!text.contains("#STA") && !text.contains("#STC") && !text.contains("#STD") && !text.contains("#STB"))
        return text;

    const ItemValue length = GetItemValue(text, "L:");
    if (!length.value.isEmpty() && length.position >= 12 && length.position <= 19) {
        m_expected = length.value.toInt();
        if (text.size() < m_expected) {
            m_buffer = text;
            return QByteArray();
        }
    }

    QByteArray part = text;
    if (GetItemValue(text, "STA:").value.size() == 6) {
        const int semicolon = text.indexOf(';', 3);
        if (semicolon >= 0)
            part = text.mid(semicolon + 1);
    }
    m_buffer += part;
    if (m_expected > 0 && m_buffer.size() > m_expected)
        return m_buffer;
    return QByteArray();
}

bool isModemEcho(const QByteArray &text)
{
    return text.contains("AT+BJSD") || text.contains("message send");
}

QByteArray GsmAccumulator::take(const QByteArray &received, bool gsmModem)
{
    if (isModemEcho(received))
        return {};
    const QByteArray text = gsmModem ? ReassembleGsmText(received) : received;
    if (text.isEmpty())
        return {}; // more parts expected
    reset();
    return text;
}

void GsmAccumulator::reset()
{
    m_buffer.clear();
    m_expected = 0;
}

} // namespace kaspen
