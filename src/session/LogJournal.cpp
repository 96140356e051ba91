#include "session/LogJournal.h"

#include <QSaveFile>

namespace kaspen {

void LogJournal::add(Direction d, const QString &link, const QByteArray &bytes, const QDateTime &when)
{
    if (m_entries.size() >= MaxEntries)
        m_entries.pop_front();
    m_entries.push_back(Entry{when, d, link, bytes});
}

QByteArray LogJournal::escaped(const QByteArray &bytes)
{
    static const char Hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (c >= 0x20 && c <= 0x7E) {
                out += char(c);
            } else {
                out += "\\x";
                out += Hex[c >> 4];
                out += Hex[c & 0xF];
            }
        }
    }
    return out;
}

QByteArray LogJournal::lineOf(const Entry &e)
{
    const QDateTime t = e.when.toOffsetFromUtc(e.when.offsetFromUtc());
    return t.toString(Qt::ISODateWithMs).toUtf8() + ' ' + (e.direction == Sent ? "\u2192" : "\u2190") + ' '
        + e.link.toUtf8() + ' ' + escaped(e.bytes);
}

QByteArray LogJournal::exportText() const
{
    QByteArray out;
    for (const Entry &e : m_entries)
        out += lineOf(e) + '\n';
    return out;
}

bool LogJournal::save(const QString &path, QString *error) const
{
    QSaveFile f(path);
    const QByteArray text = exportText();
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

} // namespace kaspen
