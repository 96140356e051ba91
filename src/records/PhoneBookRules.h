#pragma once
// The checks a phone book entry passes before it is stored.

#include <QByteArray>
#include <QString>

namespace kaspen {

// The first refusal of the Phone Book page's checks for a GSM entry, or an
// empty text when the entry may be stored. For delete only the ID must be
// there.
QString phoneBookEntryRefusal(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry,
                              const QByteArray &setup, bool deleteOnly = false);

} // namespace kaspen
