#pragma once
// Numbers in reply items and fields, read the way the logger writes them.

#include <QByteArray>
#include <climits>

namespace kaspen {

// The integer at the start of a text: leading blanks, an optional sign, then
// digits up to the first other character. No digits give 0; values beyond
// the int range are clamped.
inline int leadingInt(const QByteArray &text)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long v = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return int(negative ? -v : v);
}

} // namespace kaspen
