#pragma once
// The Phone Book page (tab "Phone Book"): lists the GSM or the Ethernet
// book, and adds, edits and deletes devices through four edit fields.
//
// The main window calls reloadBook() after it changed a book and
// switchView() when the link family changes. The rules behind the fields,
// buttons and sorting are in PhoneBookModel.

#include "session/PageMessages.h"
#include "records/PhoneBook.h"
#include "pages/phonebook/PhoneBookModel.h"

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kaspen {

class Session;

class PhoneBookPage : public QWidget {
    Q_OBJECT
public:
    // modelCode 13 (ORVEL-B) starts in the Ethernet view, 7 (ORVEL-A) and
    // anything else in the GSM view.
    explicit PhoneBookPage(int modelCode, QWidget *parent = nullptr);

    PhoneBookView view() const { return m_view; }

    // The session whose connected logger keeps its entry current while other
    // entries are edited or deleted. Without one, Edit always makes the
    // edited entry current.
    void setSession(Session *session) { m_session = session; }

    // Controls, for the main window and tests.
    QLineEdit *idEdit() const { return m_id; }          // Connection No / Connect ID
    QLineEdit *phoneEdit() const { return m_phone; }    // Phone Number
    QLineEdit *enquiryEdit() const { return m_enquiry; } // Enquiry Password
    QLineEdit *setupEdit() const { return m_setup; }    // Setup Password
    QPushButton *gsmAddButton() const { return m_gsmAdd; }
    QPushButton *gsmEditButton() const { return m_gsmEdit; }
    QPushButton *gsmDeleteButton() const { return m_gsmDelete; }
    QPushButton *ethernetEditButton() const { return m_ethEdit; }
    QPushButton *ethernetDeleteButton() const { return m_ethDelete; }
    QTableWidget *gsmList() const { return m_gsmList; }
    QTableWidget *ethernetList() const { return m_ethList; }
    QGroupBox *fieldsBox() const { return m_box; }
    bool fillEditsPending() const { return m_fillEdits; }

    // The main window's messages to this page: msg::ReloadBook (WM_USER+16)
    // and msg::BookView (WM_USER+38); others are ignored.
    void handleMessage(const PageMessage &m);

public slots:
    // WM_USER+16: reload a book into its list (0 GSM, 1 Ethernet), then let
    // the next reload fill the edit fields from the first row.
    void reloadBook(int which);
    // WM_USER+38: show the GSM view (0) or the Ethernet view (1).
    void switchView(int which);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void reloadList(PhoneBookView which, bool mayFillEdits = true);
    void fillList(PhoneBookView which);
    void applyColumnWidths(PhoneBookView which);
    void fieldLeft(QLineEdit *edit);
    void phoneChanged();
    void selectionChanged(PhoneBookView which);
    void headerClicked(PhoneBookView which, int column);
    bool fieldsComplete(PhoneBookView which, QByteArray fields[4]);
    void selectEdited(PhoneBookView which, const QByteArray &id);
    bool mayDelete(PhoneBookView which, const QByteArray &id);
    void gsmAdd();
    void gsmEdit();
    void gsmDelete();
    void ethernetEdit();
    void ethernetDelete();
    QTableWidget *list(PhoneBookView which) const { return which == PhoneBookView::Gsm ? m_gsmList : m_ethList; }

    PhoneBook m_book;
    Session *m_session = nullptr;
    PhoneBookModel m_model;
    PhoneBookView m_view = PhoneBookView::Gsm;
    QList<PhoneBookRow> m_gsmRows, m_ethRows;
    bool m_fillEdits = false;
    bool m_checking = false;
    bool m_filling = false;

    QGroupBox *m_box = nullptr;
    QLineEdit *m_id = nullptr, *m_phone = nullptr, *m_enquiry = nullptr, *m_setup = nullptr;
    QPushButton *m_gsmAdd = nullptr, *m_gsmEdit = nullptr, *m_gsmDelete = nullptr;
    QPushButton *m_ethEdit = nullptr, *m_ethDelete = nullptr;
    QTableWidget *m_gsmList = nullptr, *m_ethList = nullptr;
};

} // namespace kaspen
