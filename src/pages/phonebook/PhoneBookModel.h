#pragma once
// The rules behind the Phone Book page, kept apart from the widgets: the
// checks of the four edit fields, the button checks, the rows shown in the
// two lists and the header-click sorting.

#include "records/PhoneBook.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace kaspen {

enum class PhoneBookView { Gsm = 0, Ethernet = 1 };

using PhoneBookRow = QList<QByteArray>;

class PhoneBookModel {
public:
    // --- Field checks on leaving a field (and on every phone change) ------
    // Connection No / Connect ID: a non-empty text shorter than six
    // characters is padded on the left with "0" ("12" -> "000012").
    static QByteArray padConnectionNo(const QByteArray &text);
    // Phone Number: "+" or a digit first, then digits; empty passes. On
    // failure the page shows "PhoneNumber is error !" and empties the field.
    static bool phoneNumberValid(const QByteArray &text);
    static QString phoneNumberError() { return QStringLiteral("PhoneNumber is error !"); }
    // Phone Number, on every change: more than 19 characters shows
    // "Phone Number over 19 Number!" and empties the field.
    static bool phoneNumberTooLong(const QByteArray &text) { return text.size() > 19; }
    static QString phoneNumberTooLongError() { return QStringLiteral("Phone Number over 19 Number!"); }
    // Passwords: empty or exactly six characters; otherwise the field is
    // emptied and then the message is shown.
    static bool passwordValid(const QByteArray &text) { return text.isEmpty() || text.size() == 6; }
    static QString enquiryPasswordError() { return QStringLiteral("GSM Quiry Password Is 6 Number!"); }
    static QString setupPasswordError() { return QStringLiteral("GSM Setup Password Is 6 Number!"); }

    // --- Buttons ------------------------------------------------------------
    // The message for the first empty field (ID, phone, Enquiry, Setup), or
    // an empty text when all four are filled.
    static QString missingFieldMessage(PhoneBookView view, const QByteArray &id, const QByteArray &phone,
                                       const QByteArray &enquiry, const QByteArray &setup);

    // Everything the page would refuse of a GSM entry typed in at once (the
    // field checks, then the buttons'), for front-ends without the page: the
    // first refusal, or an empty text. For delete only the ID is needed.
    static QString gsmEntryRefusal(const QByteArray &id, const QByteArray &phone, const QByteArray &enquiry,
                                   const QByteArray &setup, bool deleteOnly = false);

    // --- Lists --------------------------------------------------------------
    static QStringList columnTitles(PhoneBookView view);
    // Column widths for a list of width w.
    static QList<int> columnWidths(PhoneBookView view, int w);
    static QList<PhoneBookRow> rows(const QList<GsmEntry> &table);
    static QList<PhoneBookRow> rows(const QList<EthernetEntry> &table);

    // A header click on this column: true for ascending order. A click on
    // the column clicked last reverses the order, any other sorts ascending.
    // One state serves both lists.
    bool headerClicked(int column);
    int sortColumn() const { return m_sortColumn; }
    bool sortAscending() const { return m_ascending; }
    // Byte-wise comparison of the cell texts ("10" before "9").
    static void sortRows(QList<PhoneBookRow> &rows, int column, bool ascending);

private:
    int m_sortColumn = -1;
    bool m_ascending = true;
};

} // namespace kaspen
