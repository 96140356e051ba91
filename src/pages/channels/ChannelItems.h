#pragma once
// Reading the items of the "#STC2:" and "#STC4:" records for the channel
// pages: one item's value, never running on into the next item, and its
// fields.

#include <QByteArray>
#include <QList>

namespace kaspen {

// The value of key up to its closing ";". A missing key, or a value that
// has no closing ";" of its own (the next ";" lies past another item's key
// or past the record's end), gives an empty value.
QByteArray recordItemValue(const QByteArray &record, const QByteArray &key);

// The value split at ",": exactly count fields, the last one the rest of the
// value after the (count - 1)th ","; fields the value lacks are empty.
QList<QByteArray> splitFields(const QByteArray &value, int count);

} // namespace kaspen
