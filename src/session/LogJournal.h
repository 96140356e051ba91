#pragma once
// Every text sent and received in this session, in time order, for "Save
// Log...": one line per entry with an ISO 8601 time to the millisecond, a
// direction mark (→ sent, ← received), the link and the bytes, those outside
// printable ASCII escaped. The two panes keep their own layout; this is the
// copy to hand to support.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <deque>

namespace kaspen {

class LogJournal {
public:
    enum Direction { Sent, Received };
    struct Entry {
        QDateTime when;
        Direction direction = Sent;
        QString link; // "RS232", "GSM Modem", "Ethernet"
        QByteArray bytes;
    };

    // The oldest entries go once this many are kept.
    static constexpr size_t MaxEntries = 100000;

    void add(Direction d, const QString &link, const QByteArray &bytes, const QDateTime &when);
    void clear() { m_entries.clear(); }
    const std::deque<Entry> &entries() const { return m_entries; }

    // The whole journal as UTF-8 text, one line per entry, LF line ends.
    QByteArray exportText() const;
    // Writes exportText() crash-safe; false with the reason in *error.
    bool save(const QString &path, QString *error = nullptr) const;

    // "\r", "\n", "\t", "\\" and "\xHH" for every other byte outside 0x20..0x7E.
    static QByteArray escaped(const QByteArray &bytes);
    static QByteArray lineOf(const Entry &e);

private:
    std::deque<Entry> m_entries;
};

} // namespace kaspen
