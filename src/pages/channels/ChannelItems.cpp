#include "pages/channels/ChannelItems.h"

#include "protocol/ReplyItems.h"

namespace kaspen {

QByteArray recordItemValue(const QByteArray &record, const QByteArray &key)
{
    const QByteArray v = GetItemValue(record, key).value;
    // A key separator or a record mark inside the value means the item had
    // no ";" and the value ran on into what follows.
    if (v.contains(':') || v.contains('#'))
        return QByteArray();
    return v;
}

QList<QByteArray> splitFields(const QByteArray &value, int count)
{
    QList<QByteArray> fields;
    int from = 0;
    for (int i = 0; i < count; ++i) {
        if (from > value.size()) {
            fields.append(QByteArray());
            continue;
        }
        const int comma = i == count - 1 ? -1 : int(value.indexOf(',', from));
        if (comma < 0) {
            fields.append(value.mid(from));
            from = int(value.size()) + 1;
        } else {
            fields.append(value.mid(from, comma - from));
            from = comma + 1;
        }
    }
    return fields;
}

} // namespace kaspen
