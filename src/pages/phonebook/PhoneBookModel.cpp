#include "pages/phonebook/PhoneBookModel.h"

#include <algorithm>

namespace kaspen {

QByteArray PhoneBookModel::padConnectionNo(const QByteArray &text)
{
    if (text.isEmpty() || text.size() >= 6)
        return text;
    return QByteArray(6 - text.size(), '0') + text;
}

bool PhoneBookModel::phoneNumberValid(const QByteArray &text)
{
    if (text.isEmpty())
        return true;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (text[0] != '+' && !digit(text[0]))
        return false;
    return std::all_of(text.begin() + 1, text.end(), digit);
}

QString PhoneBookModel::missingFieldMessage(PhoneBookView view, const QByteArray &id, const QByteArray &phone,
                                            const QByteArray &enquiry, const QByteArray &setup)
{
    static const char *const gsm[] = {"GSM ID Is Null!", "GSM Phone Number Is Null!", "GSM Qudry Password Is Null!",
                                      "GSM Setup Password Is Null!"};
    static const char *const ethernet[] = {"Connect ID Is Null!", "GSM Phone Number Is Null!", "Quiry Password Is Null!",
                                           "Setup Password Is Null!"};
    const char *const *texts = view == PhoneBookView::Gsm ? gsm : ethernet;
    const QByteArray *fields[] = {&id, &phone, &enquiry, &setup};
    for (int i = 0; i < 4; ++i) {
        if (fields[i]->isEmpty())
            return QString::fromLatin1(texts[i]);
    }
    return QString();
}

QStringList PhoneBookModel::columnTitles(PhoneBookView view)
{
    QStringList t = {"Connection No", "Phone Number", "Enquiry Password", "Setup Password"};
    if (view == PhoneBookView::Ethernet)
        t << "Device IP" << "Device MAC Address";
    return t;
}

QList<int> PhoneBookModel::columnWidths(PhoneBookView view, int w)
{
    if (view == PhoneBookView::Gsm)
        return {w / 8, w / 4, w / 6, w / 8};
    return {w / 8, w / 5, w / 6, w / 6, w / 6, w / 4};
}

QList<PhoneBookRow> PhoneBookModel::rows(const QList<GsmEntry> &table)
{
    QList<PhoneBookRow> out;
    out.reserve(table.size());
    for (const GsmEntry &e : table)
        out.append({e.id, e.phone, e.enquiryPassword, e.setupPassword});
    return out;
}

QList<PhoneBookRow> PhoneBookModel::rows(const QList<EthernetEntry> &table)
{
    QList<PhoneBookRow> out;
    out.reserve(table.size());
    for (const EthernetEntry &e : table)
        out.append({e.connectId, e.phone, e.enquiryPassword, e.setupPassword, e.deviceIp, e.deviceMac});
    return out;
}

bool PhoneBookModel::headerClicked(int column)
{
    m_ascending = column == m_sortColumn ? !m_ascending : true;
    m_sortColumn = column;
    return m_ascending;
}

void PhoneBookModel::sortRows(QList<PhoneBookRow> &rows, int column, bool ascending)
{
    std::stable_sort(rows.begin(), rows.end(), [&](const PhoneBookRow &a, const PhoneBookRow &b) {
        const int c = a.value(column).compare(b.value(column)); // byte-wise
        return ascending ? c < 0 : c > 0;
    });
}

QString PhoneBookModel::gsmEntryRefusal(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry,
                                        const QByteArray &setup, bool deleteOnly)
{
    const bool digitsOnly = std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digitsOnly || id.size() > 6)
        return QStringLiteral("The Connection No takes up to 6 digits.");
    if (deleteOnly)
        return id.isEmpty() ? missingFieldMessage(PhoneBookView::Gsm, id, "x", "x", "x") : QString();
    // The checks the page makes on leaving each field, then those of its buttons.
    if (phoneNumberTooLong(phone))
        return phoneNumberTooLongError();
    if (!phoneNumberValid(phone))
        return phoneNumberError();
    if (!passwordValid(enquiry))
        return enquiryPasswordError();
    if (!passwordValid(setup))
        return setupPasswordError();
    return missingFieldMessage(PhoneBookView::Gsm, id, phone, enquiry, setup);
}

} // namespace kaspen
