#pragma once
// Tests that need a phone book use one in their own scratch directory.

#include "records/PhoneBook.h"

#include <QFile>
#include <QString>

namespace kaspen::test {

// Points the phone book at dir and empties it: both book files, the tables
// and the current records.
inline void emptyPhoneBook(const QString &dir)
{
    PhoneBook::setDirectory(dir);
    QFile::remove(PhoneBook::gsmBookPath());
    QFile::remove(PhoneBook::ethernetBookPath());
    PhoneBook::resetSharedState();
}

} // namespace kaspen::test
