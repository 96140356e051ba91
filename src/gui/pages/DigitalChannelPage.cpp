#include "gui/pages/DigitalChannelPage.h"
#include "gui/common/ChoiceCellDelegate.h"
#include "gui/common/Pictures.h"

#include "gui/common/SetButtonWidget.h"
#include "pages/channels/DigitalChannelModel.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kaspen {

namespace {

QString qs(const QByteArray &b) { return QString::fromLocal8Bit(b); }
QByteArray bytes(const QString &s) { return s.toLocal8Bit(); }

constexpr int NameColumn = 1; // column 0 has width 0 and stays empty
constexpr int ModeColumn = 2;
constexpr int RowHeight = 21;

} // namespace

QColor DigitalChannelPage::rowBackground(int row)
{
    return ui::rowShade(row);
}

DigitalChannelPage::DigitalChannelPage(Session &session, QWidget *parent)
    : QWidget(parent), m_model(new DigitalChannelModel(session, this))
{
    build();
    connect(m_model, &DigitalChannelModel::rebuilt, this, &DigitalChannelPage::rebuildTable);
    connect(m_model, &DigitalChannelModel::changed, this, &DigitalChannelPage::refresh);
    rebuildTable();
    refresh();
}

DigitalChannelPage::~DigitalChannelPage() = default;

void DigitalChannelPage::handleMessage(const PageMessage &m)
{
    // WM_USER+6 "#STC2:", WM_USER+11 rows, WM_USER+15 Clear
    m_model->handleMessage(m);
}

void DigitalChannelPage::build()
{
    DigitalChannelModel *m = m_model;
    auto *columns = new QHBoxLayout(this);
    columns->setContentsMargins(6, 6, 6, 6);

    // ---- Input Channel Setup
    auto *inputs = new QGroupBox(QStringLiteral("Input Channel Setup"), this);
    auto *ig = new QVBoxLayout(inputs);
    auto *setRow = new QHBoxLayout;
    auto *set = new QPushButton(QStringLiteral("Set"), inputs);
    set->setObjectName(QStringLiteral("setInputChannels"));
    set->setAccessibleName(QStringLiteral("Set Input Channels"));
    set->setAutoDefault(false);
    connect(set, &QPushButton::clicked, m, &DigitalChannelModel::setInputModes);
    setRow->addStretch(1);
    setRow->addWidget(set);
    ig->addLayout(setRow);

    m_table = new QTableWidget(inputs);
    m_table->setObjectName(QStringLiteral("inputChannelTable"));
    m_table->setAccessibleName(QStringLiteral("Input Channel Setup"));
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels({QString(), QStringLiteral("Channel List"), QStringLiteral("Operation Mode")});
    m_table->setColumnWidth(0, 0);
    m_table->setColumnHidden(0, true);
    m_table->setColumnWidth(NameColumn, 165);
    m_table->setColumnWidth(ModeColumn, 220);
    m_table->setShowGrid(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::EditKeyPressed);
    // The in-place list over an "Operation Mode" cell.
    m_table->setItemDelegate(new ui::ChoiceCellDelegate(
        {ModeColumn, QStringLiteral("Operation Mode"), &DigitalChannelModel::offers,
         [m](int row) { return m->mode(row); }, [m](int row, const QByteArray &choice) { m->setMode(row, choice); }},
        m_table));
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(RowHeight);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    m_table->setMinimumWidth(165 + 220 + 24);
    connect(m_table, &QTableWidget::clicked, this, [this](const QModelIndex &index) {
        if (index.column() == ModeColumn)
            editMode(index.row());
    });
    ig->addWidget(m_table, 1);
    columns->addWidget(inputs, 3);

    // ---- Pulse Start Zero: three of the six rows are shown
    auto *pulses = new QGroupBox(QStringLiteral("Pulse Start Zero"), this);
    auto *pg = new QGridLayout(pulses);
    for (int n = 1; n <= DigitalChannelModel::PulseFields; ++n) {
        const QString name = qs(DigitalChannelModel::pulseName(n));
        auto *setPulse = new SetButtonWidget(name, pulses);
        setPulse->setObjectName(QStringLiteral("setPulse%1").arg(n));
        connect(setPulse, &QPushButton::clicked, m, [m, n] { m->setPulseStart(n); });
        auto *label = new QLabel(name, pulses);
        auto *edit = new QLineEdit(pulses);
        edit->setObjectName(QStringLiteral("pulse%1").arg(n));
        edit->setAccessibleName(name);
        edit->setMaxLength(8);
        edit->setFixedWidth(100);
        edit->installEventFilter(this);
        label->setBuddy(edit);
        connect(edit, &QLineEdit::textChanged, m, [m, n](const QString &t) { m->editPulseStart(n, bytes(t)); });
        m_pulses[size_t(n - 1)] = edit;
        pg->addWidget(setPulse, n - 1, 0);
        pg->addWidget(label, n - 1, 1);
        pg->addWidget(edit, n - 1, 2);
        if (n > DigitalChannelModel::PulseShown) {
            setPulse->hide();
            label->hide();
            edit->hide();
        }
    }
    pg->setRowStretch(DigitalChannelModel::PulseFields, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(pulses);
    right->addStretch(1);
    columns->addLayout(right, 2);
    columns->addStretch(1);
}

void DigitalChannelPage::editMode(int row)
{
    if (row < 0 || row >= m_table->rowCount())
        return;
    m_table->edit(m_table->model()->index(row, ModeColumn));
}

bool DigitalChannelPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (int n = 1; n <= DigitalChannelModel::PulseFields; ++n) {
                if (m_pulses[size_t(n - 1)] == watched)
                    m_model->leavePulseStart(n);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DigitalChannelPage::rebuildTable()
{
    const auto &rows = m_model->rows();
    m_table->setRowCount(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        for (int col = 0; col < 3; ++col) {
            auto *it = new QTableWidgetItem;
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (col == ModeColumn)
                flags |= Qt::ItemIsEditable;
            it->setFlags(flags);
            it->setBackground(rowBackground(row));
            m_table->setItem(row, col, it);
        }
    }
}

void DigitalChannelPage::refresh()
{
    const auto &rows = m_model->rows();
    for (int row = 0; row < rows.size() && row < m_table->rowCount(); ++row) {
        const QString name = qs(rows[row].name);
        const QString mode = qs(rows[row].mode);
        if (m_table->item(row, NameColumn)->text() != name)
            m_table->item(row, NameColumn)->setText(name);
        if (m_table->item(row, ModeColumn)->text() != mode)
            m_table->item(row, ModeColumn)->setText(mode);
    }
    for (int n = 1; n <= DigitalChannelModel::PulseFields; ++n) {
        QLineEdit *e = m_pulses[size_t(n - 1)];
        const QString t = qs(m_model->pulseStart(n));
        if (e->text() != t) {
            const QSignalBlocker block(e);
            e->setText(t);
        }
    }
}

} // namespace kaspen
