#include "pages/phonebook/ConnectedEntry.h"

#include "session/Session.h"

namespace kaspen {

QByteArray connectedEntryId(Session &session, PhoneBookView book)
{
    PhoneBook &b = session.phoneBook();
    if (book == PhoneBookView::Gsm)
        return session.serialOpen() ? b.CurrentGsmEntry().id : QByteArray();
    return session.ethernetConnected() ? b.CurrentEthernetEntry().connectId : QByteArray();
}

void selectAfterEdit(Session &session, PhoneBookView book, const QByteArray &id)
{
    const QByteArray connected = connectedEntryId(session, book);
    if (!connected.isEmpty() && connected != id)
        return;
    PhoneBook &b = session.phoneBook();
    if (book == PhoneBookView::Gsm)
        b.SelectGsmEntry(id);
    else
        b.SelectEthernetEntry(id);
}

QString deleteRefusal(Session &session, PhoneBookView book, const QByteArray &id)
{
    if (id.isEmpty() || connectedEntryId(session, book) != id)
        return QString();
    return QStringLiteral("Logger %1 is connected. Disconnect it before deleting its phone book entry.")
        .arg(QString::fromLocal8Bit(id));
}

QString deleteQuestion(const QByteArray &id)
{
    return QStringLiteral("Delete logger %1 from the phone book?").arg(QString::fromLocal8Bit(id));
}

} // namespace kaspen
