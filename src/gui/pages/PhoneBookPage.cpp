#include "gui/pages/PhoneBookPage.h"

#include "base/MessageSink.h"
#include "pages/phonebook/ConnectedEntry.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kaspen {

namespace {

QLineEdit *makeEdit(const QString &label, const char *objectName, bool digitsOnly, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(objectName));
    e->setAccessibleName(label);
    if (digitsOnly) {
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
        e->setMaxLength(6);
    }
    return e;
}

QPushButton *makeButton(const QString &label, const char *objectName, QWidget *parent)
{
    auto *b = new QPushButton(label, parent);
    b->setObjectName(QLatin1String(objectName));
    b->setAccessibleName(label);
    return b;
}

QTableWidget *makeList(PhoneBookView view, const QString &name, const char *objectName, QWidget *parent)
{
    const QStringList titles = PhoneBookModel::columnTitles(view);
    auto *t = new QTableWidget(0, int(titles.size()), parent);
    t->setObjectName(QLatin1String(objectName));
    t->setAccessibleName(name);
    t->setHorizontalHeaderLabels(titles);
    for (int c = 0; c < titles.size(); ++c)
        t->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    t->setShowGrid(true);                                    // grid lines
    t->setSelectionBehavior(QAbstractItemView::SelectRows);  // full-row selection
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->horizontalHeader()->setSectionsMovable(true);         // header drag-and-drop
    t->horizontalHeader()->setSectionsClickable(true);
    t->horizontalHeader()->setStretchLastSection(false);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSortingEnabled(false); // sorted by the page's own byte-wise rule
    return t;
}

QByteArray bytes(const QLineEdit *e)
{
    return e->text().toLocal8Bit();
}

} // namespace

PhoneBookPage::PhoneBookPage(int modelCode, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PhoneBookPage"));

    static const QString caption = QStringLiteral(
        "Connection No                    Phone Number                   Enquiry Password              Setup Password");
    m_box = new QGroupBox(caption, this);
    m_box->setObjectName(QStringLiteral("fieldsBox"));
    m_box->setAccessibleName(caption.trimmed());

    m_id = makeEdit(QStringLiteral("Connection No"), "connectionNoEdit", true, m_box);
    m_phone = makeEdit(QStringLiteral("Phone Number"), "phoneNumberEdit", false, m_box);
    m_enquiry = makeEdit(QStringLiteral("Enquiry Password"), "enquiryPasswordEdit", true, m_box);
    m_setup = makeEdit(QStringLiteral("Setup Password"), "setupPasswordEdit", true, m_box);
    auto *edits = new QHBoxLayout(m_box);
    for (QLineEdit *e : {m_id, m_phone, m_enquiry, m_setup}) {
        edits->addWidget(e);
        e->installEventFilter(this);
    }

    m_gsmAdd = makeButton(QStringLiteral("Add"), "gsmAddButton", this);
    m_gsmEdit = makeButton(QStringLiteral("Edit"), "gsmEditButton", this);
    m_gsmDelete = makeButton(QStringLiteral("Delete"), "gsmDeleteButton", this);
    m_ethEdit = makeButton(QStringLiteral("Edit"), "ethernetEditButton", this);
    m_ethDelete = makeButton(QStringLiteral("Delete"), "ethernetDeleteButton", this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {m_gsmAdd, m_gsmEdit, m_gsmDelete, m_ethEdit, m_ethDelete})
        buttons->addWidget(b);

    m_gsmList = makeList(PhoneBookView::Gsm, QStringLiteral("GSM Phone Book"), "gsmList", this);
    m_ethList = makeList(PhoneBookView::Ethernet, QStringLiteral("Ethernet Phone Book"), "ethernetList", this);
    m_gsmList->installEventFilter(this);
    m_ethList->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_box);
    layout->addLayout(buttons);
    layout->addWidget(m_gsmList, 1); // both lists take the same place;
    layout->addWidget(m_ethList, 1); // one of them is hidden

    connect(m_phone, &QLineEdit::textChanged, this, [this] { phoneChanged(); });
    connect(m_gsmList, &QTableWidget::itemSelectionChanged, this, [this] { selectionChanged(PhoneBookView::Gsm); });
    connect(m_ethList, &QTableWidget::itemSelectionChanged, this, [this] { selectionChanged(PhoneBookView::Ethernet); });
    connect(m_gsmList->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int c) { headerClicked(PhoneBookView::Gsm, c); });
    connect(m_ethList->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int c) { headerClicked(PhoneBookView::Ethernet, c); });
    connect(m_gsmAdd, &QPushButton::clicked, this, [this] { gsmAdd(); });
    connect(m_gsmEdit, &QPushButton::clicked, this, [this] { gsmEdit(); });
    connect(m_gsmDelete, &QPushButton::clicked, this, [this] { gsmDelete(); });
    connect(m_ethEdit, &QPushButton::clicked, this, [this] { ethernetEdit(); });
    connect(m_ethDelete, &QPushButton::clicked, this, [this] { ethernetDelete(); });

    switchView(modelCode == 13 ? 1 : 0);
}

void PhoneBookPage::handleMessage(const PageMessage &m)
{
    if (m.message == msg::ReloadBook) // WM_USER+16
        reloadBook(m.wParam);
    else if (m.message == msg::BookView) // WM_USER+38
        switchView(m.wParam);
}

// WM_USER+38
void PhoneBookPage::switchView(int which)
{
    m_view = which == 1 ? PhoneBookView::Ethernet : PhoneBookView::Gsm;
    const bool eth = m_view == PhoneBookView::Ethernet;
    m_ethList->setVisible(eth);
    m_ethEdit->setVisible(eth);
    m_ethDelete->setVisible(eth);
    m_gsmList->setVisible(!eth);
    m_gsmAdd->setVisible(!eth);
    m_gsmEdit->setVisible(!eth);
    m_gsmDelete->setVisible(!eth);
}

// WM_USER+16
void PhoneBookPage::reloadBook(int which)
{
    reloadList(which == 1 ? PhoneBookView::Ethernet : PhoneBookView::Gsm);
    m_fillEdits = true; // takes effect at the next reload
}

void PhoneBookPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // WM_SHOWWINDOW: the GSM list is reloaded each time the page is shown.
    // The Ethernet list is refreshed too, so that an ORVEL-B page does not
    // show an empty book until the first search.
    reloadList(PhoneBookView::Gsm);
    reloadList(PhoneBookView::Ethernet, false);
}

void PhoneBookPage::reloadList(PhoneBookView which, bool mayFillEdits)
{
    if (which == PhoneBookView::Gsm) {
        m_book.LoadGsmTable();
        m_gsmRows = PhoneBookModel::rows(m_book.gsmTable());
    } else {
        m_book.LoadEthernetTable();
        m_ethRows = PhoneBookModel::rows(m_book.ethernetTable());
    }
    fillList(which);
    if (mayFillEdits && m_fillEdits) {
        const QList<PhoneBookRow> &rows = which == PhoneBookView::Gsm ? m_gsmRows : m_ethRows;
        const PhoneBookRow first = rows.value(0);
        m_id->setText(QString::fromLocal8Bit(first.value(0)));
        m_phone->setText(QString::fromLocal8Bit(first.value(1)));
        m_enquiry->setText(QString::fromLocal8Bit(first.value(2)));
        m_setup->setText(QString::fromLocal8Bit(first.value(3)));
        m_fillEdits = false;
    }
}

void PhoneBookPage::fillList(PhoneBookView which)
{
    QTableWidget *t = list(which);
    const QList<PhoneBookRow> &rows = which == PhoneBookView::Gsm ? m_gsmRows : m_ethRows;
    m_filling = true;
    t->clearSelection();
    t->setRowCount(0);
    t->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < t->columnCount(); ++c)
            t->setItem(r, c, new QTableWidgetItem(QString::fromLocal8Bit(rows[r].value(c))));
    }
    m_filling = false;
}

void PhoneBookPage::applyColumnWidths(PhoneBookView which)
{
    QTableWidget *t = list(which);
    const QList<int> widths = PhoneBookModel::columnWidths(which, t->width());
    for (int c = 0; c < widths.size(); ++c)
        t->setColumnWidth(c, widths[c]);
}

bool PhoneBookPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        if (auto *e = qobject_cast<QLineEdit *>(watched))
            fieldLeft(e);
    } else if (event->type() == QEvent::Resize) {
        if (watched == m_gsmList)
            applyColumnWidths(PhoneBookView::Gsm);
        else if (watched == m_ethList)
            applyColumnWidths(PhoneBookView::Ethernet);
    }
    return QWidget::eventFilter(watched, event);
}

void PhoneBookPage::fieldLeft(QLineEdit *edit)
{
    if (m_checking)
        return; // a box of the previous check took the focus
    m_checking = true;
    const QByteArray text = bytes(edit);
    if (edit == m_id) {
        const QByteArray padded = PhoneBookModel::padConnectionNo(text);
        if (padded != text)
            m_id->setText(QString::fromLocal8Bit(padded));
    } else if (edit == m_phone) {
        if (!PhoneBookModel::phoneNumberValid(text)) {
            showMessage(PhoneBookModel::phoneNumberError());
            m_phone->clear();
        }
    } else if (edit == m_enquiry) {
        if (!PhoneBookModel::passwordValid(text)) {
            m_enquiry->clear();
            showMessage(PhoneBookModel::enquiryPasswordError());
        }
    } else if (edit == m_setup) {
        if (!PhoneBookModel::passwordValid(text)) {
            m_setup->clear();
            showMessage(PhoneBookModel::setupPasswordError());
        }
    }
    m_checking = false;
}

void PhoneBookPage::phoneChanged()
{
    if (PhoneBookModel::phoneNumberTooLong(bytes(m_phone))) {
        showMessage(PhoneBookModel::phoneNumberTooLongError());
        m_phone->clear();
    }
}

void PhoneBookPage::selectionChanged(PhoneBookView which)
{
    if (m_filling)
        return;
    QTableWidget *t = list(which);
    const QList<QTableWidgetItem *> selected = t->selectedItems();
    const int row = selected.isEmpty() ? -1 : selected.first()->row();
    auto cell = [&](int c) {
        const QTableWidgetItem *item = row >= 0 ? t->item(row, c) : nullptr;
        return item ? item->text() : QString();
    };
    m_id->setText(cell(0));
    m_phone->setText(cell(1));
    m_enquiry->setText(cell(2));
    m_setup->setText(cell(3));
}

void PhoneBookPage::headerClicked(PhoneBookView which, int column)
{
    const bool ascending = m_model.headerClicked(column);
    QList<PhoneBookRow> &rows = which == PhoneBookView::Gsm ? m_gsmRows : m_ethRows;
    PhoneBookModel::sortRows(rows, column, ascending);
    fillList(which);
}

bool PhoneBookPage::fieldsComplete(PhoneBookView which, QByteArray fields[4])
{
    fields[0] = bytes(m_id);
    fields[1] = bytes(m_phone);
    fields[2] = bytes(m_enquiry);
    fields[3] = bytes(m_setup);
    const QString missing = PhoneBookModel::missingFieldMessage(which, fields[0], fields[1], fields[2], fields[3]);
    if (missing.isEmpty())
        return true;
    showMessage(missing);
    return false;
}

void PhoneBookPage::selectEdited(PhoneBookView which, const QByteArray &id)
{
    if (m_session) {
        selectAfterEdit(*m_session, which, id);
        return;
    }
    if (which == PhoneBookView::Gsm)
        m_book.SelectGsmEntry(id);
    else
        m_book.SelectEthernetEntry(id);
}

bool PhoneBookPage::mayDelete(PhoneBookView which, const QByteArray &id)
{
    if (m_session) {
        const QString refusal = deleteRefusal(*m_session, which, id);
        if (!refusal.isEmpty()) {
            showMessage(refusal);
            return false;
        }
    }
    return messages().confirm(QStringLiteral("Phone Book"), deleteQuestion(id));
}

void PhoneBookPage::gsmAdd()
{
    QByteArray f[4];
    if (!fieldsComplete(PhoneBookView::Gsm, f))
        return;
    m_book.AddGsmEntry(f[0], f[1], f[2], f[3]);
    reloadList(PhoneBookView::Gsm);
}

void PhoneBookPage::gsmEdit()
{
    QByteArray f[4];
    if (!fieldsComplete(PhoneBookView::Gsm, f))
        return;
    m_book.EditGsmEntry(f[0], f[1], f[2], f[3]);
    reloadList(PhoneBookView::Gsm);
    selectEdited(PhoneBookView::Gsm, f[0]);
}

void PhoneBookPage::gsmDelete()
{
    QByteArray f[4];
    if (!fieldsComplete(PhoneBookView::Gsm, f) || !mayDelete(PhoneBookView::Gsm, f[0]))
        return;
    m_book.DeleteGsmEntry(f[0]);
    reloadList(PhoneBookView::Gsm);
}

void PhoneBookPage::ethernetEdit()
{
    QByteArray f[4];
    if (!fieldsComplete(PhoneBookView::Ethernet, f))
        return;
    m_book.EditEthernetEntry(f[0], f[1], f[2], f[3]);
    reloadList(PhoneBookView::Ethernet);
    selectEdited(PhoneBookView::Ethernet, f[0]);
}

void PhoneBookPage::ethernetDelete()
{
    QByteArray f[4];
    if (!fieldsComplete(PhoneBookView::Ethernet, f) || !mayDelete(PhoneBookView::Ethernet, f[0]))
        return;
    m_book.DeleteEthernetEntry(f[0]);
    reloadList(PhoneBookView::Ethernet);
}

} // namespace kaspen
