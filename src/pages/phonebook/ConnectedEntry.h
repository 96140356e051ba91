#pragma once
// While a logger is connected, its phone book entry is the current one: every
// command takes that entry's passwords (and phone number). Editing or deleting
// another entry of the book must never change that.

#include "pages/phonebook/PhoneBookModel.h"

#include <QByteArray>
#include <QString>

namespace kaspen {

class Session;

// The ID of the entry the connected logger uses in this book (the GSM book
// while the serial port is open, the Ethernet book while Ethernet is
// connected); empty when no logger is connected on it.
QByteArray connectedEntryId(Session &session, PhoneBookView book);

// After Edit saved the entry id: with no logger connected the edited entry
// becomes current; the connected logger's own entry is taken again with its
// new values; any other edit leaves the current entry alone.
void selectAfterEdit(Session &session, PhoneBookView book, const QByteArray &id);

// Why the entry id may not be deleted now, or an empty text.
QString deleteRefusal(Session &session, PhoneBookView book, const QByteArray &id);

// The question before deleting an entry.
QString deleteQuestion(const QByteArray &id);

} // namespace kaspen
