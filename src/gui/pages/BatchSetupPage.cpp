#include "gui/pages/BatchSetupPage.h"

#include "session/MainModel.h"
#include "session/Session.h"
#include "pages/batch/CompareRun.h"
#include "base/MessageSink.h"

#include <QCheckBox>
#include <QColor>
#include <QCursor>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kaspen {

namespace {

// The list's colours, from the model's 0xRRGGBB values.
class ColourProxy : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::BackgroundRole)
            return QBrush(QColor(QRgb(QIdentityProxyModel::data(index, BatchListModel::BackgroundRgbRole).toUInt())));
        if (role == Qt::ForegroundRole)
            return QBrush(QColor(QRgb(QIdentityProxyModel::data(index, BatchListModel::ForegroundRgbRole).toUInt())));
        return QIdentityProxyModel::data(index, role);
    }
};

QPushButton *button(const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setAccessibleName(text);
    return b;
}

} // namespace

BatchSetupPage::BatchSetupPage(Session &session, QWidget *parent)
    : QWidget(parent), m_model(new BatchSetupModel(session, this))
{
    setAccessibleName(QStringLiteral("Batch Setup"));
    m_file = button(QStringLiteral("File"), this);
    m_selectAll = button(QStringLiteral("Select All"), this);
    m_deselectAll = button(QStringLiteral("Deselect All"), this);
    m_bufferClear = button(QStringLiteral("Buffer Clear"), this);
    m_batchSetup = button(QStringLiteral("Batch Setup"), this);
    m_autoStationId = new QCheckBox(QStringLiteral("Auto Station ID"), this);
    m_autoStationId->setAccessibleName(QStringLiteral("Auto Station ID"));
    m_compare = button(QStringLiteral("Compare with Logger"), this);
    m_compare->setToolTip(QStringLiteral("Read the logger and show which rows of the list would change a setting"));
    m_compare->setVisible(false); // until the main model is known
    m_rerunFailed = button(QStringLiteral("Re-run failed rows"), this);
    m_rerunFailed->setToolTip(QStringLiteral("Run again the rows of the last run that did not succeed"));

    m_view = new QTableView(this);
    m_view->setAccessibleName(QStringLiteral("Batch list"));
    auto *proxy = new ColourProxy(this);
    proxy->setSourceModel(&m_model->list());
    m_view->setModel(proxy);
    m_view->setShowGrid(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 8);
    m_view->setWordWrap(false);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->setColumnHidden(BatchListModel::ColText, true);
    m_view->setColumnHidden(BatchListModel::ColCode, true);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_file);
    buttons->addWidget(m_selectAll);
    buttons->addWidget(m_deselectAll);
    buttons->addWidget(m_bufferClear);
    buttons->addStretch(1);
    buttons->addWidget(m_compare);
    buttons->addWidget(m_rerunFailed);
    buttons->addWidget(m_autoStationId);
    buttons->addWidget(m_batchSetup);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_view, 1);

    connect(m_file, &QPushButton::clicked, this, [this] {
        QMenu *menu = buildFileMenu();
        QAction *chosen = menu->exec(QCursor::pos());
        const int command = chosen ? chosen->data().toInt() : 0;
        menu->deleteLater();
        if (command)
            runMenuCommand(command);
    });
    connect(m_selectAll, &QPushButton::clicked, m_model, &BatchSetupModel::selectAll);
    connect(m_deselectAll, &QPushButton::clicked, m_model, &BatchSetupModel::deselectAll);
    connect(m_bufferClear, &QPushButton::clicked, m_model, &BatchSetupModel::bufferClear);
    connect(m_batchSetup, &QPushButton::clicked, m_model, [this] { m_model->startBatchRun(); });
    connect(m_compare, &QPushButton::clicked, this, &BatchSetupPage::compareWithLogger);
    connect(m_rerunFailed, &QPushButton::clicked, m_model, [this] { m_model->rerunFailedRows(); });
    connect(m_model, &BatchSetupModel::runRecorded, this, &BatchSetupPage::refreshControls);
    connect(m_autoStationId, &QCheckBox::toggled, m_model, &BatchSetupModel::setAutoStationId);
    connect(m_view, &QWidget::customContextMenuRequested, this, &BatchSetupPage::showListMenu);
    connect(m_model, &BatchSetupModel::controlsChanged, this, &BatchSetupPage::refreshControls);
    connect(&m_model->list(), &BatchListModel::statusWidthChanged, this, &BatchSetupPage::applyColumnWidths);
    connect(&m_model->list(), &QAbstractItemModel::modelReset, this, &BatchSetupPage::applyColumnWidths);

    applyColumnWidths();
    refreshControls();
}

BatchSetupPage::~BatchSetupPage() = default;

void BatchSetupPage::setMainModel(MainModel &model)
{
    m_compareRun = new CompareRun(model, this);
    m_compare->setVisible(true);
    connect(m_compareRun, &CompareRun::finished, this, [this] {
        refreshControls();
        const int r = m_compareRun->readResult();
        if (r < 0)
            return; // the read was refused; the user has been told why
        if (r != 0) {
            showMessage(QStringLiteral("Compare with Logger stopped: the logger did not answer a read."));
            return;
        }
        const int differing = m_model->showComparison(m_compareRun->rows());
        showMessage(differing ? QStringLiteral("%1 of %2 rows differ from the logger; they are checked, ready to run.")
                                    .arg(differing)
                                    .arg(m_compareRun->rows().size())
                              : QStringLiteral("Every row is the same on the logger."));
    });
}

void BatchSetupPage::compareWithLogger()
{
    if (!m_compareRun || m_compareRun->running() || m_model->running())
        return;
    std::vector<std::pair<int, QByteArray>> rows;
    for (const auto &entry : m_model->session().batchTable().entries())
        if (!entry.second.isEmpty())
            rows.push_back(entry);
    if (rows.empty()) {
        showMessage(QStringLiteral("Open a configure file first: there is nothing to compare."));
        return;
    }
    m_compareRun->start(rows);
    refreshControls();
}

void BatchSetupPage::handleMessage(const PageMessage &m)
{
    m_model->handleMessage(m);
    refreshControls();
}

QMenu *BatchSetupPage::buildFileMenu()
{
    auto *menu = new QMenu(this);
    menu->addAction(QStringLiteral("Open Configure File"))->setData(int(OpenConfigureFile));
    menu->addSeparator();
    menu->addAction(QStringLiteral("Save Configure File"))->setData(int(SaveConfigureFile));
    return menu;
}

QMenu *BatchSetupPage::buildListMenu()
{
    auto *menu = new QMenu(this);
    menu->addAction(QStringLiteral("Delete"))->setData(int(DeleteRows));
    return menu;
}

QString BatchSetupPage::chooseFile(bool save)
{
    if (m_chooser)
        return m_chooser(save);
    const QString filter = QStringLiteral("cfg Files(*.cfg)");
    if (save)
        return QFileDialog::getSaveFileName(this, QString(), QStringLiteral("Datalogger_Setup.cfg"), filter);
    return QFileDialog::getOpenFileName(this, QString(), QStringLiteral("*.cfg"), filter);
}

void BatchSetupPage::runMenuCommand(int command)
{
    switch (command) {
    case OpenConfigureFile: {
        const QString path = chooseFile(false);
        if (!path.isEmpty())
            m_model->openConfigFile(path);
        break;
    }
    case SaveConfigureFile: {
        if (!m_model->canSave())
            break;
        const QString path = chooseFile(true);
        if (!path.isEmpty())
            m_model->saveConfigFile(path);
        break;
    }
    case DeleteRows: {
        QList<int> rows;
        for (const QModelIndex &i : m_view->selectionModel()->selectedRows())
            rows << i.row();
        m_model->deleteRows(rows);
        break;
    }
    default:
        break;
    }
}

void BatchSetupPage::showListMenu(const QPoint &pos)
{
    if (m_model->running())
        return;
    const QModelIndex at = m_view->indexAt(pos);
    if (!at.isValid())
        return;
    QMenu *menu = buildListMenu();
    QAction *chosen = menu->exec(m_view->viewport()->mapToGlobal(pos));
    menu->deleteLater();
    if (chosen)
        runMenuCommand(chosen->data().toInt());
}

void BatchSetupPage::refreshControls()
{
    const bool batch = m_model->batchButtonsEnabled();
    m_batchSetup->setEnabled(batch);
    m_file->setEnabled(batch);
    m_selectAll->setEnabled(batch);
    m_deselectAll->setEnabled(batch);
    m_bufferClear->setEnabled(m_model->bufferClearEnabled());
    const bool comparing = m_compareRun && m_compareRun->running();
    m_compare->setEnabled(batch && !comparing);
    bool failed = false;
    for (const AuditRow &row : m_model->lastRun().rows)
        failed = failed || !audit::succeeded(row.result);
    m_rerunFailed->setEnabled(batch && !comparing && failed);
    if (m_autoStationId->isChecked() != m_model->autoStationId())
        m_autoStationId->setChecked(m_model->autoStationId());
}

void BatchSetupPage::applyColumnWidths()
{
    QHeaderView *h = m_view->horizontalHeader();
    h->resizeSection(BatchListModel::ColNumber, 100);
    h->resizeSection(BatchListModel::ColStatus, m_model->list().statusWidth());
    h->resizeSection(BatchListModel::ColObject, 240);
    m_view->setColumnHidden(BatchListModel::ColText, true);
    m_view->setColumnHidden(BatchListModel::ColCode, true);
}

void BatchSetupPage::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    applyColumnWidths();
}

} // namespace kaspen
