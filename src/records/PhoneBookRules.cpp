#include "records/PhoneBookRules.h"
#include "records/PhoneBookModel.h"

namespace kaspen {

QString phoneBookEntryRefusal(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry,
                              const QByteArray &setup, bool deleteOnly)
{
    for (char c : id)
        if (c < '0' || c > '9')
            return QStringLiteral("The Connection No takes up to 6 digits.");
    if (id.size() > 6)
        return QStringLiteral("The Connection No takes up to 6 digits.");
    if (deleteOnly)
        return id.isEmpty() ? PhoneBookModel::missingFieldMessage(PhoneBookView::Gsm, id, "x", "x", "x") : QString();
    // The checks the page makes on leaving each field, then those of its buttons.
    if (PhoneBookModel::phoneNumberTooLong(phone))
        return PhoneBookModel::phoneNumberTooLongError();
    if (!PhoneBookModel::phoneNumberValid(phone))
        return PhoneBookModel::phoneNumberError();
    if (!PhoneBookModel::passwordValid(enquiry))
        return PhoneBookModel::enquiryPasswordError();
    if (!PhoneBookModel::passwordValid(setup))
        return PhoneBookModel::setupPasswordError();
    return PhoneBookModel::missingFieldMessage(PhoneBookView::Gsm, id, phone, enquiry, setup);
}

} // namespace kaspen
