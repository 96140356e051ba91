#include "records/PhoneBookRules.h"

namespace kaspen {

namespace {
bool digits(const QByteArray &t)
{
    for (char c : t)
        if (c < '0' || c > '9')
            return false;
    return true;
}
} // namespace

QString phoneBookEntryRefusal(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry,
                              const QByteArray &setup, bool deleteOnly)
{
    if (id.isEmpty())
        return QStringLiteral("GSM ID Is Null!");
    if (!digits(id) || id.size() > 6)
        return QStringLiteral("The Connection No takes up to 6 digits.");
    if (deleteOnly)
        return QString();
    if (phone.size() > 19)
        return QStringLiteral("Phone Number over 19 Number!");
    if (!phone.isEmpty() && (!(phone.at(0) == '+' || (phone.at(0) >= '0' && phone.at(0) <= '9')) || !digits(phone.mid(1))))
        return QStringLiteral("PhoneNumber is error !");
    if (!enquiry.isEmpty() && (enquiry.size() != 6 || !digits(enquiry)))
        return QStringLiteral("GSM Quiry Password Is 6 Number!");
    if (!setup.isEmpty() && (setup.size() != 6 || !digits(setup)))
        return QStringLiteral("GSM Setup Password Is 6 Number!");
    if (phone.isEmpty())
        return QStringLiteral("GSM Phone Number Is Null!");
    if (enquiry.isEmpty())
        return QStringLiteral("GSM Qudry Password Is Null!");
    if (setup.isEmpty())
        return QStringLiteral("GSM Setup Password Is Null!");
    return QString();
}

} // namespace kaspen
