#include "records/XmlDocument.h"
#include "base/DurableFile.h"

#include <QFile>

#include <algorithm>
#include <climits>
#include <cstring>

namespace kaspen {

namespace {

inline bool isWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A byte that can start an element's tag name.
inline bool isNameStart(char c)
{
    return isAsciiLetter(c) || c == ':' || c == '_' || static_cast<unsigned char>(c) >= '{';
}

inline bool endsName(char c)
{
    return isWhite(c) || c == '/' || c == '>';
}

inline bool endsAttrName(char c)
{
    return isWhite(c) || c == '=' || c == '>' || c == '/' || c == '?';
}

QString firstLine(QString s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('\r') || s[i] == QLatin1Char('\n')) {
            s.truncate(i);
            break;
        }
    }
    return s;
}

QString bytesText(qsizetype n)
{
    return QStringLiteral("%1 bytes").arg(n);
}

// Searches needle in [from, end) of data; -1 when absent.
qsizetype findIn(const char *data, qsizetype from, qsizetype end, const char *needle, qsizetype needleLen)
{
    if (from < 0)
        from = 0;
    while (from + needleLen <= end) {
        const void *hit = std::memchr(data + from, needle[0], size_t(end - from - needleLen + 1));
        if (!hit)
            return -1;
        const qsizetype at = static_cast<const char *>(hit) - data;
        if (std::memcmp(data + at, needle, size_t(needleLen)) == 0)
            return at;
        from = at + 1;
    }
    return -1;
}

qsizetype findChar(const char *data, qsizetype from, qsizetype end, char c)
{
    if (from >= end)
        return -1;
    const void *hit = std::memchr(data + from, c, size_t(end - from));
    return hit ? static_cast<const char *>(hit) - data : -1;
}

bool localIsUtf8()
{
    static const bool utf8 = QString::fromLocal8Bit("\xc3\xa9") == QString(QChar(0xe9));
    return utf8;
}

// Decodes one UTF-8 sequence at p[i]; returns its length (at least 1) and
// sets ok when it is a valid, shortest-form scalar value.
int decodeUtf8(const unsigned char *p, qsizetype i, qsizetype n, char32_t &cp, bool &ok)
{
    const unsigned char c = p[i];
    ok = false;
    int len;
    char32_t min;
    if (c < 0x80) {
        cp = c;
        ok = true;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        return 1; // a continuation byte or 11111xxx
    }
    int k = 1;
    for (; k < len; ++k) {
        if (i + k >= n || (p[i + k] & 0xC0) != 0x80)
            return k; // missing continuation byte
        cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    ok = cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    return len;
}

void appendUtf8(QByteArray &out, char32_t cp)
{
    if (cp < 0x80) {
        out.append(char(cp));
    } else if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xF0 | (cp >> 18)));
        out.append(char(0x80 | ((cp >> 12) & 0x3F)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

// UTF-8 text with every undecodable sequence replaced by "?".
QByteArray sanitizeUtf8(const QByteArray &in)
{
    const auto *p = reinterpret_cast<const unsigned char *>(in.constData());
    const qsizetype n = in.size();
    // Most texts are valid: find the first bad byte before copying anything.
    qsizetype i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp;
        bool ok;
        const int len = decodeUtf8(p, i, n, cp, ok);
        if (!ok)
            break;
        i += len;
    }
    if (i == n)
        return in;
    QByteArray out;
    out.reserve(n);
    out.append(in.constData(), i);
    while (i < n) {
        char32_t cp;
        bool ok;
        const int len = decodeUtf8(p, i, n, cp, ok);
        if (ok)
            out.append(in.constData() + i, len);
        else
            out.append('?');
        i += len;
    }
    return out;
}

// The local form of one code point; false when it has none.
bool localForm(char32_t cp, QByteArray &out)
{
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    if (localIsUtf8()) {
        appendUtf8(out, cp);
        return true;
    }
    const QString s = QString::fromUcs4(&cp, 1);
    const QByteArray local = s.toLocal8Bit();
    if (local.isEmpty() || (local == "?" && cp != '?') || QString::fromLocal8Bit(local) != s)
        return false;
    out.append(local);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// Conversions

QByteArray XmlDocument::Utf8ToLocal(const QByteArray &utf8)
{
    if (localIsUtf8())
        return sanitizeUtf8(utf8);
    // Other code pages: decode, then let Qt map each character ("?" when the
    // code page lacks it).
    const QString wide = QString::fromUtf8(sanitizeUtf8(utf8));
    return wide.toLocal8Bit();
}

QByteArray XmlDocument::LocalToUtf8(const QByteArray &local)
{
    if (localIsUtf8())
        return sanitizeUtf8(local);
    return QString::fromLocal8Bit(local).toUtf8();
}

QByteArray XmlDocument::DeclaredEncoding(const QByteArray &text)
{
    const qsizetype lt = text.indexOf('<');
    if (lt < 0 || lt + 1 >= text.size() || text[lt + 1] != '?')
        return QByteArray();
    qsizetype end = text.indexOf("?>", lt + 2);
    if (end < 0)
        end = text.size();
    // Scan the instruction's attributes for "encoding".
    qsizetype q = lt + 2;
    while (q < end && !endsAttrName(text[q]))
        ++q; // target
    const char *d = text.constData();
    while (q < end) {
        while (q < end && isWhite(d[q]))
            ++q;
        if (q >= end || d[q] == '>' || d[q] == '/' || d[q] == '?' || d[q] == '=')
            break;
        const qsizetype ns = q;
        while (q < end && !endsAttrName(d[q]))
            ++q;
        const QByteArray name(d + ns, q - ns);
        qsizetype t = q;
        while (t < end && isWhite(d[t]))
            ++t;
        if (t < end && d[t] == '=') {
            ++t;
            while (t < end && isWhite(d[t]))
                ++t;
            qsizetype vs = t, ve;
            if (t < end && (d[t] == '"' || d[t] == '\'')) {
                const qsizetype close = findChar(d, t + 1, end, d[t]);
                vs = t + 1;
                ve = close < 0 ? end : close;
                q = close < 0 ? end : close + 1;
            } else {
                while (t < end && !isWhite(d[t]) && d[t] != '>')
                    ++t;
                ve = t;
                q = t;
            }
            if (name == "encoding")
                return QByteArray(d + vs, ve - vs);
        }
    }
    return QByteArray();
}

static bool isUtf8Encoding(const QByteArray &enc)
{
    return enc.isEmpty() || enc.left(5).compare("UTF-8", Qt::CaseInsensitive) == 0;
}

QByteArray XmlDocument::EscapeText(const QByteArray &text, bool attribute)
{
    QByteArray out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        switch (c) {
        case '<': out.append("&lt;"); break;
        case '&': out.append("&amp;"); break;
        case '>': out.append("&gt;"); break;
        case '\'':
            if (attribute)
                out.append("&apos;");
            else
                out.append(c);
            break;
        case '"':
            if (attribute)
                out.append("&quot;");
            else
                out.append(c);
            break;
        default: out.append(c);
        }
    }
    return out;
}

QByteArray XmlDocument::UnescapeText(const QByteArray &text)
{
    if (!text.contains('&'))
        return text;
    static const struct {
        const char *name;
        int len;
        char c;
    } entities[] = {{"&lt;", 4, '<'}, {"&amp;", 5, '&'}, {"&gt;", 4, '>'}, {"&apos;", 6, '\''}, {"&quot;", 6, '"'}};
    QByteArray out;
    out.reserve(text.size());
    const char *d = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (d[i] != '&') {
            out.append(d[i]);
            continue;
        }
        bool done = false;
        for (const auto &e : entities) {
            if (i + e.len <= n && std::memcmp(d + i, e.name, size_t(e.len)) == 0) {
                out.append(e.c);
                i += e.len - 1;
                done = true;
                break;
            }
        }
        if (done)
            continue;
        if (i + 1 < n && d[i + 1] == '#') {
            // "&#digits;" or "&#xhex;", at most seven characters after "&#".
            const qsizetype semi = findChar(d, i + 2, std::min(n, i + 2 + 8), ';');
            if (semi > i + 2) {
                const bool hex = d[i + 2] == 'x';
                const qsizetype ds = i + 2 + (hex ? 1 : 0);
                char32_t cp = 0;
                bool valid = ds < semi;
                for (qsizetype k = ds; k < semi && valid; ++k) {
                    const char c = d[k];
                    int v;
                    if (c >= '0' && c <= '9')
                        v = c - '0';
                    else if (hex && c >= 'a' && c <= 'f')
                        v = c - 'a' + 10;
                    else if (hex && c >= 'A' && c <= 'F')
                        v = c - 'A' + 10;
                    else {
                        valid = false;
                        break;
                    }
                    cp = cp * (hex ? 16 : 10) + char32_t(v);
                }
                if (valid && localForm(cp, out)) {
                    i = semi;
                    continue;
                }
            }
        }
        out.append('&'); // anything else stays literal
    }
    return out;
}

// ---------------------------------------------------------------------------
// Index storage

XmlDocument::XmlDocument()
{
    clearIndex(0);
}

XmlDocument::~XmlDocument() = default;

void XmlDocument::clearIndex(qsizetype textLength)
{
    const qsizetype wanted = textLength / 64 + 8;
    m_used = 0;
    m_free.clear();
    if (m_capacity < wanted) {
        m_segments.clear();
        m_segmentCapacity.clear();
        m_capacity = 0;
        growIndex(int(std::min<qsizetype>(wanted, INT_MAX / 2)));
    }
    // Entry 0 is the document itself; its children are the top-level elements.
    const int doc = allocEntry();
    at(doc) = Entry();
    at(doc).length = textLength;
    m_parent = m_current = m_child = 0;
    m_node = NodePos();
}

void XmlDocument::growIndex(int capacity)
{
    while (m_capacity < capacity) {
        const int within = m_capacity & (SegmentSize - 1);
        if (within == 0 && size_t(m_capacity >> SegmentBits) == m_segments.size()) {
            const int c = std::min(capacity - m_capacity, SegmentSize);
            m_segments.emplace_back(new Entry[size_t(c)]);
            m_segmentCapacity.push_back(c);
            m_capacity += c;
        } else {
            // Enlarge the last, not yet full segment.
            const int old = m_segmentCapacity.back();
            const int c = std::min(old + (capacity - m_capacity), SegmentSize);
            std::unique_ptr<Entry[]> bigger(new Entry[size_t(c)]);
            std::copy(m_segments.back().get(), m_segments.back().get() + old, bigger.get());
            m_segments.back() = std::move(bigger);
            m_segmentCapacity.back() = c;
            m_capacity += c - old;
        }
    }
}

int XmlDocument::allocEntry()
{
    if (!m_free.empty()) {
        const int e = m_free.back();
        m_free.pop_back();
        at(e) = Entry();
        return e;
    }
    if (m_used == m_capacity)
        growIndex(m_capacity + std::max(m_used / 2, 8));
    const int e = m_used++;
    at(e) = Entry();
    return e;
}

void XmlDocument::appendChild(int parent, int e)
{
    Entry &p = at(parent);
    Entry &x = at(e);
    x.parent = parent;
    x.next = 0;
    if (!p.child) {
        p.child = e;
        x.prev = e;
        x.flags |= FirstChild;
    } else {
        const int first = p.child;
        const int last = at(first).prev;
        at(last).next = e;
        x.prev = last;
        x.flags &= ~FirstChild;
        at(first).prev = e;
    }
}

void XmlDocument::linkBefore(int parent, int e, int before)
{
    if (!before) {
        appendChild(parent, e);
        return;
    }
    Entry &b = at(before);
    Entry &x = at(e);
    x.parent = parent;
    x.next = before;
    if (b.flags & FirstChild) {
        x.prev = b.prev; // the last child
        x.flags |= FirstChild;
        b.flags &= ~FirstChild;
        b.prev = e;
        at(parent).child = e;
    } else {
        const int pr = b.prev;
        at(pr).next = e;
        x.prev = pr;
        x.flags &= ~FirstChild;
        b.prev = e;
    }
}

void XmlDocument::unlink(int e)
{
    Entry &x = at(e);
    Entry &p = at(x.parent);
    if (x.flags & FirstChild) {
        const int nx = x.next;
        if (!nx) {
            p.child = 0;
        } else {
            at(nx).prev = x.prev;
            at(nx).flags |= FirstChild;
            p.child = nx;
        }
    } else {
        const int pr = x.prev;
        at(pr).next = x.next;
        if (x.next)
            at(x.next).prev = pr;
        else
            at(p.child).prev = pr;
    }
    x.next = x.prev = 0;
    x.flags &= ~FirstChild;
}

void XmlDocument::freeSubtree(int e)
{
    std::vector<int> todo{e};
    while (!todo.empty()) {
        const int x = todo.back();
        todo.pop_back();
        for (int c = at(x).child; c; c = at(c).next)
            todo.push_back(c);
        at(x).flags = FreeEntry;
        at(x).start = -1;
        m_free.push_back(x);
    }
}

void XmlDocument::splice(qsizetype offset, qsizetype removeLen, const QByteArray &insert, int chainFrom)
{
    m_text.replace(offset, removeLen, insert);
    const qsizetype delta = insert.size() - removeLen;
    if (delta == 0)
        return;
    // The element the change happens in, and all its ancestors, grow.
    for (int a = chainFrom;; a = at(a).parent) {
        at(a).length += delta;
        if (a == 0)
            break;
    }
    // Everything after the changed bytes moves.
    const qsizetype after = offset + removeLen;
    for (int i = 1; i < m_used; ++i) {
        Entry &x = at(i);
        if (!(x.flags & FreeEntry) && x.start >= after)
            x.start += delta;
    }
    if (m_node.kind != NodeKind::None && m_node.offset >= after)
        m_node.offset += delta;
}

// ---------------------------------------------------------------------------
// Parsing

bool XmlDocument::SetDoc(const QByteArray &text)
{
    m_text = text;
    m_utf16 = Utf16::No;
    const bool ok = parse();
    m_status = bytesText(m_text.size());
    if (!m_problem.isEmpty())
        m_status += QStringLiteral(", ") + m_problem;
    return ok;
}

QByteArray XmlDocument::nameAt(qsizetype tagStart) const
{
    const char *d = m_text.constData();
    const qsizetype n = m_text.size();
    qsizetype q = tagStart + 1;
    while (q < n && !endsName(d[q]))
        ++q;
    return QByteArray(d + tagStart + 1, q - tagStart - 1);
}

bool XmlDocument::parse()
{
    const char *d = m_text.constData();
    const qsizetype n = m_text.size();
    clearIndex(n);
    m_problem.clear();
    bool ill = false;
    std::vector<int> open;
    open.reserve(64);

    auto problem = [&](const QString &text) {
        if (m_problem.isEmpty())
            m_problem = text;
        ill = true;
        at(open.empty() ? 0 : open.back()).flags |= IllData;
    };
    auto incorrect = [&](const char *what, qsizetype off) {
        problem(QStringLiteral("Incorrect %1 at offset %2").arg(QLatin1String(what)).arg(off));
    };
    auto unterminated = [&](const char *what, qsizetype off) {
        problem(QStringLiteral("%1 at offset %2 unterminated").arg(QLatin1String(what)).arg(off));
    };
    auto nameOf = [&](int e) { return QString::fromLocal8Bit(nameAt(at(e).start)); };

    qsizetype pos = 0;
    while (pos < n) {
        pos = findChar(d, pos, n, '<'); // text and white space run up to the next "<"
        if (pos < 0)
            break;
        if (pos + 1 >= n) {
            unterminated("tag", pos);
            break;
        }
        const char c = d[pos + 1];
        if (c == '/') {
            const qsizetype gt = findChar(d, pos + 2, n, '>');
            if (gt < 0) {
                unterminated("Element end tag", pos);
                break;
            }
            qsizetype ne = pos + 2;
            while (ne < gt && !isWhite(d[ne]))
                ++ne;
            const char *nm = d + pos + 2;
            const qsizetype nl = ne - pos - 2;
            int k = int(open.size()) - 1;
            for (; k >= 0; --k) {
                const qsizetype s = at(open[size_t(k)]).start + 1;
                if (s + nl <= n && std::memcmp(d + s, nm, size_t(nl)) == 0 && (s + nl == n || endsName(d[s + nl])))
                    break;
            }
            const QString endName = QString::fromLocal8Bit(nm, nl);
            if (k < 0) {
                problem(QStringLiteral("No start tag for end tag '%1' at offset %2").arg(endName).arg(pos));
            } else {
                if (k != int(open.size()) - 1) {
                    const int inner = open.back();
                    problem(QStringLiteral("End tag '%1' at offset %2 does not match start tag '%3' at offset %4")
                                .arg(endName)
                                .arg(pos + 1)
                                .arg(nameOf(inner))
                                .arg(at(inner).start));
                    for (int j = int(open.size()) - 1; j > k; --j) {
                        Entry &x = at(open[size_t(j)]);
                        x.length = pos - x.start;
                        x.endTagLen = 0;
                        x.flags |= NotEnded;
                    }
                }
                Entry &x = at(open[size_t(k)]);
                x.length = gt + 1 - x.start;
                x.endTagLen = gt + 1 - pos;
                open.resize(size_t(k));
            }
            pos = gt + 1;
        } else if (c == '?') {
            const qsizetype end = findIn(d, pos + 2, n, "?>", 2);
            if (end < 0) {
                unterminated("Processing instruction", pos);
                break;
            }
            pos = end + 2;
        } else if (c == '!') {
            if (pos + 2 >= n) {
                unterminated("tag", pos);
                break;
            }
            const char c2 = d[pos + 2];
            if (c2 == '-') {
                if (pos + 3 >= n) {
                    unterminated("tag", pos);
                    break;
                }
                if (d[pos + 3] != '-') {
                    incorrect("comment tag", pos);
                    ++pos;
                    continue;
                }
                const qsizetype end = findIn(d, pos + 4, n, "-->", 3);
                if (end < 0) {
                    unterminated("Comment", pos);
                    break;
                }
                pos = end + 3;
            } else if (c2 == '[') {
                if (pos + 3 >= n) {
                    unterminated("tag", pos);
                    break;
                }
                if (d[pos + 3] != 'C') {
                    incorrect("tag", pos);
                    ++pos;
                    continue;
                }
                const qsizetype end = findIn(d, pos + 4, n, "]]>", 3);
                if (end < 0) {
                    unterminated("CDATA Section", pos);
                    break;
                }
                pos = end + 3;
            } else if (c2 == 'D') {
                // Document type: up to the ">" that closes it. Nested "<" ">"
                // pairs, quoted literals, comments and instructions inside
                // the internal subset are stepped over.
                qsizetype q = pos + 3;
                int depth = 1;
                bool closed = false;
                while (q < n) {
                    const char ch = d[q];
                    if (ch == '<') {
                        if (q + 3 < n && d[q + 1] == '!' && d[q + 2] == '-' && d[q + 3] == '-') {
                            const qsizetype end = findIn(d, q + 4, n, "-->", 3);
                            if (end < 0)
                                break;
                            q = end + 3;
                            continue;
                        }
                        if (q + 1 < n && d[q + 1] == '?') {
                            const qsizetype end = findIn(d, q + 2, n, "?>", 2);
                            if (end < 0)
                                break;
                            q = end + 2;
                            continue;
                        }
                        ++depth;
                    } else if (ch == '>') {
                        if (--depth == 0) {
                            closed = true;
                            break;
                        }
                    } else if (ch == '"' || ch == '\'') {
                        const qsizetype close = findChar(d, q + 1, n, ch);
                        if (close < 0)
                            break;
                        q = close;
                    }
                    ++q;
                }
                if (!closed) {
                    unterminated("Doctype", pos);
                    break;
                }
                pos = q + 1;
            } else if (isAsciiLetter(c2)) {
                const qsizetype gt = findChar(d, pos + 2, n, '>');
                if (gt < 0) {
                    unterminated("tag", pos);
                    break;
                }
                pos = gt + 1;
            } else {
                incorrect("! tag", pos);
                ++pos;
            }
        } else if (isNameStart(c)) {
            // Start tag: up to ">" outside quoted attribute values. The
            // attributes are stepped over by the same rules the attribute
            // reader uses, so that both agree on where every value lies.
            qsizetype q = pos + 2;
            while (q < n && !endsName(d[q]))
                ++q;
            qsizetype gt = -1;
            while (q < n) {
                const char ch = d[q];
                if (ch == '>') {
                    gt = q;
                    break;
                }
                if (isWhite(ch) || ch == '/' || ch == '?' || ch == '=') {
                    ++q;
                    continue;
                }
                while (q < n && !endsAttrName(d[q]))
                    ++q; // attribute name
                qsizetype t = q;
                while (t < n && isWhite(d[t]))
                    ++t;
                if (t < n && d[t] == '=') {
                    ++t;
                    while (t < n && isWhite(d[t]))
                        ++t;
                    if (t < n && (d[t] == '"' || d[t] == '\'')) {
                        const qsizetype close = findChar(d, t + 1, n, d[t]);
                        if (close < 0)
                            break;
                        q = close + 1;
                    } else {
                        while (t < n && !isWhite(d[t]) && d[t] != '>' && !(d[t] == '/' && t + 1 < n && d[t + 1] == '>'))
                            ++t;
                        q = t;
                    }
                }
            }
            if (gt < 0) {
                unterminated("Element tag", pos);
                break;
            }
            const int e = allocEntry();
            Entry &x = at(e);
            x.start = pos;
            x.startTagLen = gt + 1 - pos;
            appendChild(open.empty() ? 0 : open.back(), e);
            if (d[gt - 1] == '/' && gt - 1 > pos + 1) {
                x.length = x.startTagLen; // empty element
            } else {
                open.push_back(e);
            }
            pos = gt + 1;
        } else {
            incorrect("tag name character", pos);
            ++pos;
        }
    }

    // Elements still open at the end of the text.
    for (int j = int(open.size()) - 1; j >= 0; --j) {
        const int e = open[size_t(j)];
        Entry &x = at(e);
        x.length = n - x.start;
        x.endTagLen = 0;
        x.flags |= NotEnded;
        if (m_problem.isEmpty())
            m_problem = QStringLiteral("Element '%1' at offset %2 not ended").arg(nameOf(e)).arg(x.start);
        ill = true;
    }

    int topLevel = 0;
    for (int c = at(0).child; c; c = at(c).next)
        ++topLevel;
    if (n == 0)
        m_problem = QStringLiteral("Empty document");
    else if (topLevel == 0)
        m_problem = QStringLiteral("No root element");
    else if (topLevel > 1)
        m_problem = QStringLiteral("Root element has sibling");
    if (ill)
        at(0).flags |= DocIllFormed;
    m_wellFormed = topLevel == 1 && !ill;
    return m_wellFormed;
}

// ---------------------------------------------------------------------------
// Files

bool XmlDocument::LoadFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        m_status = firstLine(f.errorString());
        m_problem.clear();
        m_text.clear();
        m_utf16 = Utf16::No;
        m_wellFormed = false;
        clearIndex(0);
        return false;
    }
    QByteArray raw = f.readAll();
    const qsizetype fileSize = raw.size();
    if (f.error() != QFileDevice::NoError) {
        m_status = firstLine(f.errorString());
        m_problem.clear();
        m_text.clear();
        m_utf16 = Utf16::No;
        m_wellFormed = false;
        clearIndex(0);
        return false;
    }
    f.close();

    m_utf16 = Utf16::No;
    if (raw.size() >= 2 && ((uchar(raw[0]) == 0xFF && uchar(raw[1]) == 0xFE) || (uchar(raw[0]) == 0xFE && uchar(raw[1]) == 0xFF))) {
        // UTF-16 with a byte-order mark: decode it, keep the mark as U+FEFF.
        const bool le = uchar(raw[0]) == 0xFF;
        m_utf16 = le ? Utf16::LittleEndian : Utf16::BigEndian;
        QString wide;
        wide.reserve(raw.size() / 2);
        for (qsizetype i = 0; i + 1 < raw.size(); i += 2) {
            const char16_t u = le ? char16_t(uchar(raw[i]) | (uchar(raw[i + 1]) << 8))
                                  : char16_t((uchar(raw[i]) << 8) | uchar(raw[i + 1]));
            wide.append(QChar(u));
        }
        if (raw.size() % 2)
            wide.append(QLatin1Char('?'));
        m_text = Utf8ToLocal(wide.toUtf8());
    } else if (isUtf8Encoding(DeclaredEncoding(raw))) {
        m_text = Utf8ToLocal(raw);
    } else {
        m_text = std::move(raw);
    }
    const bool ok = parse();
    m_status = bytesText(fileSize);
    if (!m_problem.isEmpty())
        m_status += QStringLiteral(", ") + m_problem;
    return ok;
}

QString XmlDocument::controlCharacterProblem(const QByteArray &text)
{
    const char *d = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(d[i]);
        if (c >= 0x20 || c == '\t' || c == '\r' || c == '\n')
            continue;
        // The value around it: from the quote or tag end before it to the
        // quote or tag start after it.
        qsizetype from = i, to = i + 1;
        while (from > 0 && d[from - 1] != '"' && d[from - 1] != '\'' && d[from - 1] != '>' && i - from < 60)
            --from;
        while (to < n && d[to] != '"' && d[to] != '\'' && d[to] != '<' && to - i < 60)
            ++to;
        QString shown;
        for (qsizetype k = from; k < to; ++k) {
            const unsigned char b = static_cast<unsigned char>(d[k]);
            if (b < 0x20 || b == 0x7f)
                shown += QStringLiteral("\\x%1").arg(unsigned(b), 2, 16, QLatin1Char('0'));
            else
                shown += QChar::fromLatin1(char(b));
        }
        return QStringLiteral("the value \"%1\" holds the control character 0x%2, which an XML file cannot hold; "
                              "nothing was written")
            .arg(shown)
            .arg(unsigned(c), 2, 16, QLatin1Char('0'));
    }
    return QString();
}

bool XmlDocument::SaveFile(const QString &path)
{
    // Control characters other than tab, CR and LF make the file ill-formed
    // for every other reader: refused, the file on disk stays as it was.
    const QString control = controlCharacterProblem(m_text);
    if (!control.isEmpty()) {
        m_status = control;
        return false;
    }
    QByteArray out;
    if (m_utf16 != Utf16::No) {
        // Local text back to UTF-16 units (the byte-order mark included).
        std::vector<char16_t> units;
        units.reserve(size_t(m_text.size()));
        if (localIsUtf8()) {
            const auto *p = reinterpret_cast<const unsigned char *>(m_text.constData());
            const qsizetype n = m_text.size();
            for (qsizetype i = 0; i < n;) {
                char32_t cp;
                bool ok;
                i += decodeUtf8(p, i, n, cp, ok);
                if (!ok)
                    cp = '?';
                if (cp >= 0x10000) {
                    units.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
                    units.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
                } else {
                    units.push_back(char16_t(cp));
                }
            }
        } else {
            const QString wide = QString::fromLocal8Bit(m_text);
            units.assign(wide.utf16(), wide.utf16() + wide.size());
        }
        const bool le = m_utf16 == Utf16::LittleEndian;
        out.reserve(qsizetype(units.size()) * 2);
        for (const char16_t u : units) {
            if (le) {
                out.append(char(u & 0xFF));
                out.append(char(u >> 8));
            } else {
                out.append(char(u >> 8));
                out.append(char(u & 0xFF));
            }
        }
    } else if (isUtf8Encoding(DeclaredEncoding(m_text))) {
        out = LocalToUtf8(m_text);
    } else {
        out = m_text;
    }

    QString error;
    if (!writeFileDurably(path, out, &error)) {
        m_status = error;
        return false;
    }
    m_status = bytesText(out.size());
    return true;
}

// ---------------------------------------------------------------------------
// Position

void XmlDocument::ResetPos()
{
    m_parent = m_current = m_child = 0;
    m_node = NodePos();
}

bool XmlDocument::nameMatches(int e, const QByteArray &name) const
{
    if (name.isEmpty())
        return true;
    const char *d = m_text.constData();
    const qsizetype n = m_text.size();
    const qsizetype s = at(e).start + 1;
    qsizetype q = s;
    while (q < n && !endsName(d[q]))
        ++q;
    const qsizetype len = q - s;
    if (len > name.size() || std::memcmp(d + s, name.constData(), size_t(len)) != 0)
        return false;
    if (len == name.size())
        return true;
    const char after = name[len];
    return len > 0 && (after == ' ' || after == '=' || after == '/' || after == '[' || after == ']');
}

bool XmlDocument::FindElement(const QByteArray &name)
{
    int s = m_current ? at(m_current).next : at(m_parent).child;
    for (; s; s = at(s).next) {
        if (nameMatches(s, name)) {
            m_current = s;
            m_child = 0;
            m_node = NodePos();
            return true;
        }
    }
    return false;
}

bool XmlDocument::EnterElement()
{
    if (!m_current)
        return false;
    m_parent = m_current;
    m_current = m_child;
    m_child = 0;
    m_node = NodePos();
    return true;
}

bool XmlDocument::LeaveElement()
{
    if (!m_parent)
        return false;
    m_child = m_current;
    m_current = m_parent;
    m_parent = at(m_parent).parent;
    m_node = NodePos();
    return true;
}

QByteArray XmlDocument::GetTagName() const
{
    return m_current ? nameAt(at(m_current).start) : QByteArray();
}

qsizetype XmlDocument::ElementOffset() const
{
    return m_current ? at(m_current).start : -1;
}

qsizetype XmlDocument::ElementLength() const
{
    return m_current ? at(m_current).length : -1;
}

bool XmlDocument::ElementNotEnded() const
{
    return m_current && (at(m_current).flags & NotEnded);
}

// ---------------------------------------------------------------------------
// Attributes

bool XmlDocument::attributeRegion(qsizetype &from, qsizetype &end, int &owner) const
{
    const char *d = m_text.constData();
    if (m_node.kind == NodeKind::ProcessingInstruction) {
        from = m_node.offset + 2;
        end = m_node.offset + m_node.length - 2; // before "?>"
        while (from < end && !endsAttrName(d[from]))
            ++from; // the target
        owner = m_parent;
        return true;
    }
    if (!m_current)
        return false;
    const Entry &x = at(m_current);
    from = x.start + 1;
    end = x.start + x.startTagLen - 1; // the ">"
    while (from < end && !endsName(d[from]))
        ++from; // the tag name
    owner = m_current;
    return true;
}

// Finds attribute number n (name == nullptr) or the first one called *name.
// Without a match, span.end is the end of the last attribute (or of the name).
bool XmlDocument::findAttribute(qsizetype from, qsizetype end, int n, const QByteArray *name, AttrSpan &span) const
{
    const char *d = m_text.constData();
    qsizetype q = from;
    span.end = from;
    int index = 0;
    while (q < end) {
        while (q < end && isWhite(d[q]))
            ++q;
        if (q >= end || d[q] == '>' || d[q] == '/' || d[q] == '?' || d[q] == '=')
            break;
        AttrSpan a;
        a.nameStart = q;
        while (q < end && !endsAttrName(d[q]))
            ++q;
        a.nameLen = q - a.nameStart;
        a.end = q;
        qsizetype t = q;
        while (t < end && isWhite(d[t]))
            ++t;
        if (t < end && d[t] == '=') {
            ++t;
            while (t < end && isWhite(d[t]))
                ++t;
            a.valueStart = t;
            if (t < end && (d[t] == '"' || d[t] == '\'')) {
                const qsizetype close = findChar(d, t + 1, end, d[t]);
                t = close < 0 ? end : close + 1;
            } else {
                // Unquoted: up to white space, ">" or the "/" of "/>".
                while (t < end && !isWhite(d[t]) && d[t] != '>' && !(d[t] == '/' && (t + 1 == end || d[t + 1] == '>')))
                    ++t;
            }
            a.valueLen = t - a.valueStart;
            a.end = t;
            q = t;
        }
        const bool match = name ? (a.nameLen == name->size() && std::memcmp(d + a.nameStart, name->constData(), size_t(a.nameLen)) == 0)
                                : index == n;
        if (match) {
            span = a;
            return true;
        }
        span.end = a.end;
        ++index;
    }
    return false;
}

QByteArray XmlDocument::AttributeName(int n) const
{
    qsizetype from, end;
    int owner;
    if (n < 0 || !attributeRegion(from, end, owner))
        return QByteArray();
    AttrSpan a;
    if (!findAttribute(from, end, n, nullptr, a))
        return QByteArray();
    return m_text.mid(a.nameStart, a.nameLen);
}

QByteArray XmlDocument::GetAttribute(const QByteArray &name) const
{
    qsizetype from, end;
    int owner;
    if (name.isEmpty() || !attributeRegion(from, end, owner))
        return QByteArray();
    AttrSpan a;
    if (!findAttribute(from, end, 0, &name, a) || a.valueStart < 0)
        return QByteArray();
    qsizetype vs = a.valueStart, ve = a.valueStart + a.valueLen;
    const char *d = m_text.constData();
    if (ve > vs && (d[vs] == '"' || d[vs] == '\'')) {
        const char quote = d[vs];
        ++vs;
        if (ve > vs && d[ve - 1] == quote)
            --ve;
    }
    return UnescapeText(QByteArray(d + vs, ve - vs));
}

bool XmlDocument::SetAttribute(const QByteArray &name, const QByteArray &value)
{
    qsizetype from, end;
    int owner;
    if (name.isEmpty() || !attributeRegion(from, end, owner))
        return false;
    const QByteArray quoted = '"' + EscapeText(value, true) + '"';
    AttrSpan a;
    const bool isInstruction = m_node.kind == NodeKind::ProcessingInstruction;
    qsizetype offset, removeLen;
    QByteArray insert;
    if (findAttribute(from, end, 0, &name, a)) {
        if (a.valueStart >= 0) {
            offset = a.valueStart;
            removeLen = a.valueLen;
            insert = quoted;
        } else {
            offset = a.nameStart + a.nameLen;
            removeLen = 0;
            insert = '=' + quoted;
        }
    } else {
        offset = a.end;
        removeLen = 0;
        insert = ' ' + name + '=' + quoted;
    }
    const qsizetype delta = insert.size() - removeLen;
    if (isInstruction) {
        splice(offset, removeLen, insert, owner);
        m_node.length += delta;
    } else {
        at(owner).startTagLen += delta;
        splice(offset, removeLen, insert, owner);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Editing

qsizetype XmlDocument::skipWhiteToTag(qsizetype offset) const
{
    const char *d = m_text.constData();
    const qsizetype n = m_text.size();
    qsizetype q = offset;
    while (q < n && isWhite(d[q]))
        ++q;
    return (q == n || d[q] == '<') ? q : offset;
}

// Places nodeText (already ending in CR LF) at the spot the position and the
// options give; nodeStart receives the offset of its "<" and before the
// sibling it precedes (0: it is the last child).
bool XmlDocument::insertNode(const QByteArray &nodeText, int flags, bool isElement, qsizetype &nodeStart, int &before)
{
    const int parent = m_parent;
    const bool insert = flags & Insert;
    qsizetype offset;
    before = 0;
    bool findBefore = false;
    if (isElement && m_node.kind == NodeKind::ProcessingInstruction) {
        offset = m_node.offset + m_node.length;
        findBefore = true;
    } else if (!isElement && m_node.kind == NodeKind::ProcessingInstruction) {
        offset = m_node.offset + m_node.length;
        findBefore = true;
    } else if (m_current) {
        const Entry &c = at(m_current);
        if (insert || !isElement) {
            offset = c.start;
            before = m_current;
        } else {
            offset = c.start + c.length;
            before = c.next;
        }
    } else if (parent == 0) {
        if (insert || !isElement) {
            offset = 0;
            before = at(0).child;
        } else {
            offset = m_text.size();
        }
    } else {
        const Entry &p = at(parent);
        const bool emptyParent = p.endTagLen == 0 && !(p.flags & NotEnded) && p.startTagLen >= 3
                                 && m_text[p.start + p.startTagLen - 2] == '/';
        if (emptyParent) {
            // "<p/>" becomes "<p>" CR LF, the new node, "</p>".
            const qsizetype slash = p.start + p.startTagLen - 2;
            const QByteArray pname = nameAt(p.start);
            const QByteArray rewrite = ">\r\n" + nodeText + "</" + pname;
            at(parent).startTagLen -= 1;
            at(parent).endTagLen = pname.size() + 3;
            splice(slash, 1, rewrite, parent);
            nodeStart = slash + 3;
            before = 0;
            return true;
        }
        if (insert || !isElement) {
            offset = p.start + p.startTagLen;
            before = p.child;
        } else {
            offset = p.start + p.length - p.endTagLen;
        }
    }
    offset = skipWhiteToTag(offset);
    if (findBefore) {
        before = at(parent).child;
        while (before && at(before).start < offset)
            before = at(before).next;
    }
    splice(offset, 0, nodeText, parent);
    nodeStart = offset;
    return true;
}

bool XmlDocument::AddElement(const QByteArray &name, const QByteArray &text, int flags)
{
    if (name.isEmpty())
        return false;
    QByteArray elem;
    qsizetype startTagLen, endTagLen;
    if (text.isEmpty()) {
        elem = '<' + name + ((flags & SpaceBeforeSlash) ? " />" : "/>");
        startTagLen = elem.size();
        endTagLen = 0;
    } else {
        elem = '<' + name + '>';
        startTagLen = elem.size();
        elem += EscapeText(text, false) + "</" + name + '>';
        endTagLen = name.size() + 3;
    }
    const qsizetype elemLen = elem.size();
    elem += "\r\n";

    qsizetype start;
    int before;
    insertNode(elem, flags, true, start, before);
    const int e = allocEntry();
    Entry &x = at(e);
    x.start = start;
    x.length = elemLen;
    x.startTagLen = startTagLen;
    x.endTagLen = endTagLen;
    linkBefore(m_parent, e, before);
    m_current = e;
    m_child = 0;
    m_node = NodePos();
    return true;
}

bool XmlDocument::AddProcessingInstruction(const QByteArray &target)
{
    if (target.isEmpty())
        return false;
    const QByteArray pi = "<?" + target + "?>";
    qsizetype start;
    int before;
    insertNode(pi + "\r\n", NoFlags, false, start, before);
    m_node.kind = NodeKind::ProcessingInstruction;
    m_node.offset = start;
    m_node.length = pi.size();
    return true;
}

bool XmlDocument::RemoveElement()
{
    if (!m_current)
        return false;
    const int e = m_current;
    const Entry &x = at(e);
    const qsizetype start = x.start;
    qsizetype end = x.start + x.length;
    const char *d = m_text.constData();
    while (end < m_text.size() && isWhite(d[end]))
        ++end;
    const int parent = x.parent;
    const int previous = (x.flags & FirstChild) ? 0 : x.prev;
    unlink(e);
    freeSubtree(e);
    splice(start, end - start, QByteArray(), parent);
    m_current = previous;
    m_child = 0;
    m_node = NodePos();
    return true;
}

} // namespace kaspen
