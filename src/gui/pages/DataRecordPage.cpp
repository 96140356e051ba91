#include "gui/pages/DataRecordPage.h"
#include "gui/pages/DataRecordChart.h"
#include "gui/common/ConnectionList.h"
#include "pages/datarecord/DataRecordModel.h"
#include "base/Clock.h"
#include "base/MessageSink.h"
#include "session/Session.h"

#include <QCloseEvent>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kaspen {

namespace {
QPushButton *button(const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setAccessibleName(text);
    b->setAutoDefault(false);
    return b;
}

QLabel *label(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setBuddy(buddy);
    buddy->setAccessibleName(text);
    return l;
}

QDateEdit *datePicker(QWidget *parent)
{
    auto *d = new QDateEdit(parent);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    d->setDate(clock().now().date());
    return d;
}

QComboBox *numberList(int from, int to, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    for (int i = from; i <= to; ++i)
        c->addItem(QString::number(i));
    c->setCurrentIndex(-1);
    return c;
}
} // namespace

// ---- File Download Status --------------------------------------------------

DownloadStatusWindow::DownloadStatusWindow(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("File Download Status"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto *layout = new QVBoxLayout(this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setAccessibleName(QStringLiteral("Download progress"));
    m_bar->setMinimumWidth(320);
    m_text = new QLabel(QStringLiteral("0\\0"), this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setAccessibleName(QStringLiteral("Records received"));
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->hide();
    m_cancel = button(QStringLiteral("Cancel"), this);
    auto *cont = button(QStringLiteral("Continue"), this);
    cont->hide();
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cont);
    row->addWidget(m_cancel);
    row->addStretch();
    layout->addWidget(m_bar);
    layout->addWidget(m_text);
    layout->addWidget(m_note);
    layout->addLayout(row);
    connect(m_cancel, &QPushButton::clicked, this, &DownloadStatusWindow::cancelRequested);
}

void DownloadStatusWindow::setProgress(int received, int total)
{
    m_bar->setRange(0, std::max(total, 1));
    m_bar->setValue(std::min(received, std::max(total, 1)));
    m_text->setText(QStringLiteral("%1\\%2").arg(received).arg(total));
    m_note->hide();
}

void DownloadStatusWindow::setNote(const QString &text)
{
    m_note->setText(text);
    m_note->setVisible(!text.isEmpty());
}

void DownloadStatusWindow::closeEvent(QCloseEvent *event)
{
    emit closing(); // WM_USER+23
    QDialog::closeEvent(event);
}

void DownloadStatusWindow::reject()
{
    // Escape closes the window as its close button does.
    close();
}

// ---- the page ------------------------------------------------------------

DataRecordPage::DataRecordPage(Session &session, QWidget *parent)
    : QWidget(parent), m_model(new DataRecordModel(session, nullptr, this))
{
    m_chooser = [this](const QString &proposed) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save As"), proposed,
                                            QStringLiteral("Text Files (*.txt);;All Files (*)"));
    };
    m_csvChooser = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), QStringLiteral("records.csv"),
                                            QStringLiteral("CSV Files (*.csv);;All Files (*)"));
    };
    build();

    connect(m_model, &DataRecordModel::listReset, this, &DataRecordPage::rebuildList);
    connect(m_model, &DataRecordModel::columnsChanged, this, &DataRecordPage::rebuildList);
    connect(m_model, &DataRecordModel::rowsAdded, this, &DataRecordPage::addRows);
    connect(m_model, &DataRecordModel::progressOpened, this, &DataRecordPage::openWindow);
    connect(m_model, &DataRecordModel::progressChanged, this, [this](int received, int total) {
        if (m_window)
            m_window->setProgress(received, total);
    });
    connect(m_model, &DataRecordModel::progressWindowClosed, this, &DataRecordPage::closeWindow);
    connect(m_model, &DataRecordModel::requestUnanswered, this, [this](int) {
        if (m_window)
            m_window->setNote(QStringLiteral("The logger did not answer the last request. Cancel keeps the records "
                                             "received so far."));
    });
}

DataRecordPage::~DataRecordPage()
{
    closeWindow();
}

void DataRecordPage::build()
{
    auto *outer = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    outer->addLayout(left);

    auto *queryGroup = new QGroupBox(QStringLiteral("Query"), this);
    auto *qg = new QGridLayout(queryGroup);
    m_date = datePicker(queryGroup);
    m_hour = numberList(0, 23, queryGroup);
    m_minute = numberList(0, 59, queryGroup);
    auto *count = new ui::ConnectionList(queryGroup);
    m_count = count;
    m_query = button(QStringLiteral("Query"), queryGroup);
    qg->addWidget(label(QStringLiteral("Date:"), m_date, queryGroup), 0, 0);
    qg->addWidget(m_date, 0, 1);
    qg->addWidget(label(QStringLiteral("Hour:"), m_hour, queryGroup), 1, 0);
    qg->addWidget(m_hour, 1, 1);
    qg->addWidget(label(QStringLiteral("Minute:"), m_minute, queryGroup), 2, 0);
    qg->addWidget(m_minute, 2, 1);
    qg->addWidget(label(QStringLiteral("Number of Records:"), m_count, queryGroup), 3, 0);
    qg->addWidget(m_count, 3, 1);
    qg->addWidget(m_query, 4, 1);
    left->addWidget(queryGroup);

    auto *downloadGroup = new QGroupBox(QStringLiteral("Download"), this);
    auto *dg = new QGridLayout(downloadGroup);
    m_start = datePicker(downloadGroup);
    m_end = datePicker(downloadGroup);
    auto *perRequest = new ui::ConnectionList(downloadGroup);
    m_perRequest = perRequest;
    m_retrieve = button(QStringLiteral("Retrieve"), downloadGroup);
    m_path = new QLineEdit(downloadGroup);
    m_path->setReadOnly(true);
    dg->addWidget(label(QStringLiteral("Start Date:"), m_start, downloadGroup), 0, 0);
    dg->addWidget(m_start, 0, 1);
    dg->addWidget(label(QStringLiteral("End Date:"), m_end, downloadGroup), 1, 0);
    dg->addWidget(m_end, 1, 1);
    dg->addWidget(label(QStringLiteral("Records per request:"), m_perRequest, downloadGroup), 2, 0);
    dg->addWidget(m_perRequest, 2, 1);
    dg->addWidget(m_retrieve, 3, 1);
    dg->addWidget(label(QStringLiteral("File Path:"), m_path, downloadGroup), 4, 0);
    dg->addWidget(m_path, 4, 1);
    left->addWidget(downloadGroup);

    m_export = button(QStringLiteral("Export CSV..."), this);
    left->addWidget(m_export);
    left->addStretch();

    m_views = new QTabWidget(this);
    m_views->setAccessibleName(QStringLiteral("Query results"));
    m_list = new QTableWidget(m_views);
    m_list->setAccessibleName(QStringLiteral("Records"));
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->setVisible(false);
    m_list->verticalHeader()->setDefaultSectionSize(20);
    m_list->setWordWrap(false);
    m_chart = new DataRecordChart(*m_model, m_views);
    m_views->addTab(m_list, QStringLiteral("List"));
    m_views->addTab(m_chart, QStringLiteral("Chart"));
    outer->addWidget(m_views, 1);

    refillCount();
    refillPerRequest();
    m_perRequest->setCurrentIndex(0);

    // Drop lists and pickers act on their current value.
    connect(m_date, &QDateEdit::dateChanged, this, [this](const QDate &d) { m_model->setQueryDate(d); });
    connect(m_hour, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) { m_model->setHour(i); });
    connect(m_minute, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) { m_model->setMinute(i); });
    connect(m_count, &QComboBox::currentTextChanged, this, [this](const QString &t) {
        bool ok = false;
        const int n = t.toInt(&ok);
        m_model->setCount(ok ? n : -1);
    });
    connect(m_start, &QDateEdit::dateChanged, this, [this](const QDate &d) { m_model->setStartDate(d); });
    connect(m_end, &QDateEdit::dateChanged, this, [this](const QDate &d) { m_model->setEndDate(d); });
    connect(m_perRequest, &QComboBox::currentTextChanged, this, [this](const QString &t) {
        m_model->setPerRequest(std::max(1, t.toInt()));
    });
    connect(count, &ui::ConnectionList::aboutToOpen, this, &DataRecordPage::refillCount);
    connect(perRequest, &ui::ConnectionList::aboutToOpen, this, &DataRecordPage::refillPerRequest);
    connect(m_query, &QPushButton::clicked, m_model, &DataRecordModel::query);
    connect(m_retrieve, &QPushButton::clicked, this, &DataRecordPage::retrieve);
    connect(m_export, &QPushButton::clicked, this, &DataRecordPage::exportCsv);
    m_model->setQueryDate(m_date->date());
    m_model->setStartDate(m_start->date());
    m_model->setEndDate(m_end->date());
    rebuildList();
}

void DataRecordPage::refillCount()
{
    const QString kept = m_count->currentText();
    QSignalBlocker block(m_count);
    m_count->clear();
    m_count->addItems(m_model->countChoices());
    m_count->setCurrentIndex(m_count->findText(kept));
    block.unblock();
    m_model->setCount(m_count->currentIndex() < 0 ? -1 : m_count->currentText().toInt());
}

void DataRecordPage::refillPerRequest()
{
    const QString kept = m_perRequest->currentText();
    const QSignalBlocker block(m_perRequest);
    m_perRequest->clear();
    for (int i = 1; i <= m_model->maxPerRequest(); ++i)
        m_perRequest->addItem(QString::number(i));
    const int at = m_perRequest->findText(kept);
    m_perRequest->setCurrentIndex(at < 0 ? 0 : at);
    m_model->setPerRequest(m_perRequest->currentText().toInt());
}

void DataRecordPage::rebuildList()
{
    const auto &columns = m_model->columns();
    m_list->clear();
    m_list->setColumnCount(int(columns.size()));
    QStringList titles;
    for (const auto &c : columns)
        titles << c.title;
    m_list->setHorizontalHeaderLabels(titles);
    for (int c = 0; c < columns.size(); ++c)
        m_list->setColumnWidth(c, columns.at(c).width);
    m_list->setRowCount(0);
    addRows(0, int(m_model->rows().size()));
    m_chart->rebuild();
}

void DataRecordPage::addRows(int first, int count)
{
    const auto &columns = m_model->columns();
    if (m_list->columnCount() != columns.size()) {
        rebuildList();
        return;
    }
    m_list->setRowCount(first + count);
    for (int r = first; r < first + count; ++r) {
        for (int c = 0; c < columns.size(); ++c) {
            auto *item = new QTableWidgetItem(m_model->cell(r, c));
            if (columns.at(c).centred)
                item->setTextAlignment(Qt::AlignCenter);
            m_list->setItem(r, c, item);
        }
    }
    if (sender() == m_model)
        m_chart->addRows(first, count);
}

void DataRecordPage::handleMessage(const PageMessage &m)
{
    m_model->handleMessage(m);
    if (m.message == msg::ClearFields) { // WM_USER+15
        for (QComboBox *c : {m_hour, m_minute, m_count})
            c->setCurrentIndex(-1);
    }
}

void DataRecordPage::retrieve()
{
    const QString proposed = m_model->prepareDownload();
    if (proposed.isEmpty())
        return;
    const QString path = m_chooser(proposed);
    if (path.isEmpty()) {
        m_model->abandonDownload();
        return;
    }
    m_path->setText(path);
    m_model->startDownload(path);
}

void DataRecordPage::exportCsv()
{
    if (m_model->rows().isEmpty()) {
        showMessage(QStringLiteral("The list holds no records to export."));
        return;
    }
    const QString path = m_csvChooser();
    if (path.isEmpty())
        return;
    QString error;
    if (!m_model->exportCsv(path, &error))
        showError(QStringLiteral("Cannot write %1: %2").arg(path, error));
}

void DataRecordPage::openWindow(int total)
{
    closeWindow(); // a previous one goes first
    m_window = new DownloadStatusWindow(window());
    m_window->setProgress(0, total);
    connect(m_window, &DownloadStatusWindow::cancelRequested, m_model, &DataRecordModel::cancelDownload); // WM_USER+24
    connect(m_window, &DownloadStatusWindow::closing, m_model, &DataRecordModel::progressClosed);         // WM_USER+23
    m_window->show();
    m_window->adjustSize();
    const QRect area = window()->isVisible() ? window()->frameGeometry()
                                             : (screen() ? screen()->availableGeometry() : QRect(0, 0, 800, 600));
    m_window->move(area.center() - m_window->rect().center());
}

void DataRecordPage::closeWindow()
{
    if (!m_window)
        return;
    DownloadStatusWindow *w = m_window;
    m_window = nullptr;
    w->disconnect(m_model);
    w->hide();
    w->deleteLater();
}

} // namespace kaspen
