#pragma once
// Reply items: KEY ":" value ";". The value runs from the end of the key up
// to the first ";" at or after it.

#include <QByteArray>

namespace kaspen {

struct ItemValue {
    QByteArray value; // empty when the key is missing or has no ";" after it
    int position = -1; // where the key was found, -1 when not found
};

// GetItemValue(text, key, start)
ItemValue GetItemValue(const QByteArray &text, const QByteArray &key, int start = 0);

// The GSM accumulator of the main window and its reassembly of SMS parts.
// The GSM modem's own acknowledgement of a sent text ("AT+BJSD" echo,
// "message send"): never dispatched as a reply.
bool isModemEcho(const QByteArray &text);

class GsmAccumulator {
public:
    // ReassembleGsmText: returns the whole reply once complete, otherwise an
    // empty text (more parts expected). A text without a record name ("#STA",
    // "#STB", "#STC", "#STD") is a single-part reply and comes back unchanged.
    QByteArray ReassembleGsmText(const QByteArray &text);
    void reset();

    // One received text as the reply intake takes it: empty for a modem
    // acknowledgement (isModemEcho) and, on the GSM modem link, while more
    // parts are expected; otherwise the whole reply, after which the
    // accumulator starts afresh.
    QByteArray take(const QByteArray &received, bool gsmModem);

    const QByteArray &buffer() const { return m_buffer; }
    int expectedLength() const { return m_expected; }

private:
    QByteArray m_buffer;
    int m_expected = 0;
};

} // namespace kaspen
