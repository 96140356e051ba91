#include "gui/pages/RelayOutputPage.h"
#include "gui/common/ChoiceCellDelegate.h"
#include "gui/common/Pictures.h"

#include "pages/device/RelayOutputModel.h"
#include "gui/common/SetButtonWidget.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kaspen {

namespace {

QString qs(const QByteArray &b) { return QString::fromLocal8Bit(b); }
QByteArray bytes(const QString &s) { return s.toLocal8Bit(); }

constexpr int ChannelColumn = 1;  // column 0 is the empty zero-width one
constexpr int FirstRelayColumn = 2;
constexpr int RelayControlColumn = 2;
constexpr int StatusChannelWidth = 130;
constexpr int AlarmChannelWidth = 135;
constexpr int RelayControlWidth = 125;
constexpr int RelayColumnWidth = 80;
constexpr int MinRelayColumnWidth = 50;

const QColor Grey(128, 128, 128);
const QColor Red(220, 0, 0);

QTableWidget *reportList(QWidget *parent)
{
    auto *t = new QTableWidget(parent);
    t->setShowGrid(true);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setIconSize(QSize(18, 18));
    t->verticalHeader()->setVisible(false);
    t->verticalHeader()->setDefaultSectionSize(20);
    t->horizontalHeader()->setSectionsMovable(true);
    t->horizontalHeader()->setHighlightSections(false);
    t->setWordWrap(false);
    return t;
}

QTableWidgetItem *itemAt(QTableWidget *t, int row, int col)
{
    QTableWidgetItem *it = t->item(row, col);
    if (!it) {
        it = new QTableWidgetItem;
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        t->setItem(row, col, it);
    }
    return it;
}

void setCell(QTableWidget *t, int row, int col, const QString &text, bool active, const QColor &colour)
{
    QTableWidgetItem *it = itemAt(t, row, col);
    if (it->text() != text)
        it->setText(text);
    it->setIcon(active ? activeCellIcon() : QIcon());
    it->setForeground(colour);
    it->setBackground(RelayOutputPage::rowBackground(row));
}

void setIndexAndText(QComboBox *c, int index, const QByteArray &text)
{
    const QSignalBlocker block(c);
    const QSignalBlocker blockEdit(c->lineEdit());
    if (c->currentIndex() != index)
        c->setCurrentIndex(index);
    const QString t = qs(text);
    if (c->currentText() != t)
        c->setEditText(t);
}

} // namespace

QColor RelayOutputPage::rowBackground(int row)
{
    return ui::rowShade(row);
}

RelayOutputPage::RelayOutputPage(Session &session, QWidget *parent)
    : QWidget(parent), m_model(new RelayOutputModel(session, this))
{
    build();
    connect(m_model, &RelayOutputModel::rebuilt, this, &RelayOutputPage::rebuildTables);
    connect(m_model, &RelayOutputModel::changed, this, &RelayOutputPage::refresh);
    rebuildTables();
    refresh();
}

RelayOutputPage::~RelayOutputPage() = default;

void RelayOutputPage::handleMessage(const PageMessage &m)
{
    // WM_USER+5 time lapses, WM_USER+7 associations, WM_USER+10 switching
    // states, WM_USER+11 rebuild, WM_USER+15 Clear
    m_model->handleMessage(m);
}

void RelayOutputPage::build()
{
    RelayOutputModel *m = m_model;
    auto *columns = new QHBoxLayout(this);

    // ---- left: status matrix
    auto *left = new QVBoxLayout;
    m_status = reportList(this);
    m_status->setObjectName(QStringLiteral("currentStatus"));
    m_status->setAccessibleName(QStringLiteral("Current status:"));
    m_status->viewport()->installEventFilter(this);
    auto *statusLabel = new QLabel(QStringLiteral("Current status:"), this);
    statusLabel->setBuddy(m_status);
    left->addWidget(statusLabel);
    left->addWidget(m_status, 1);
    columns->addLayout(left, 3);

    // ---- right: Details Setup
    auto *details = new QGroupBox(QStringLiteral("Details Setup"), this);
    auto *dg = new QGridLayout(details);
    dg->setColumnStretch(1, 1);

    m_relay = new QComboBox(details);
    m_relay->setObjectName(QStringLiteral("relayChannel"));
    m_relay->setAccessibleName(QStringLiteral("Relay Channel No."));
    m_relay->setEditable(true);
    m_relay->setInsertPolicy(QComboBox::NoInsert);
    auto *relayLabel = new QLabel(QStringLiteral("Relay Channel No."), details);
    relayLabel->setBuddy(m_relay);
    dg->addWidget(relayLabel, 0, 0, 1, 2);
    dg->addWidget(m_relay, 0, 2);

    m_alarms = reportList(details);
    m_alarms->setObjectName(QStringLiteral("associatedAlarms"));
    m_alarms->setAccessibleName(QStringLiteral("Associated Alarms"));
    m_alarms->setColumnCount(3);
    m_alarms->setHorizontalHeaderLabels({QString(), QStringLiteral("Channel List"), QStringLiteral("Relay Control")});
    m_alarms->setColumnHidden(0, true);
    m_alarms->setColumnWidth(ChannelColumn, AlarmChannelWidth);
    m_alarms->setColumnWidth(RelayControlColumn, RelayControlWidth);
    m_alarms->horizontalHeader()->setStretchLastSection(true);
    m_alarms->setEditTriggers(QAbstractItemView::EditKeyPressed);
    // The drop-down that opens in a "Relay Control" cell; the cell's short
    // forms select their list entries.
    m_alarms->setItemDelegate(new ui::ChoiceCellDelegate(
        {RelayControlColumn, QStringLiteral("Relay Control"), &RelayOutputModel::relayControlChoices,
         [m](int row) {
             const QByteArray current = m->relayControl(row);
             if (current == "High")
                 return QByteArray("H - High Alert");
             if (current == "Low")
                 return QByteArray("L - Low Alert");
             return current;
         },
         [m](int row, const QByteArray &choice) { m->setRelayControl(row, choice); }},
        m_alarms));
    m_alarms->installEventFilter(this);
    auto *alarmsLabel = new QLabel(QStringLiteral("Associated Alarms"), details);
    alarmsLabel->setBuddy(m_alarms);
    m_setAlarms = new QPushButton(QStringLiteral("Set"), details);
    m_setAlarms->setObjectName(QStringLiteral("setAssociatedAlarms"));
    m_setAlarms->setAccessibleName(QStringLiteral("Set"));
    m_setAlarms->setAccessibleDescription(QStringLiteral("Set the associated alarms of the chosen relay"));
    dg->addWidget(alarmsLabel, 1, 0, 1, 2);
    dg->addWidget(m_setAlarms, 1, 2, Qt::AlignRight);
    dg->addWidget(m_alarms, 2, 0, 1, 3);
    dg->setRowStretch(2, 1);

    auto *setTimeLapse = new SetButtonWidget(QStringLiteral("Time Lapse(Seconds)"), details);
    setTimeLapse->setObjectName(QStringLiteral("setTimeLapse"));
    m_timeLapse = new QLineEdit(details);
    m_timeLapse->setObjectName(QStringLiteral("timeLapse"));
    m_timeLapse->setAccessibleName(QStringLiteral("Time Lapse(Seconds)"));
    m_timeLapse->setMaxLength(RelayOutputModel::TimeLapseMaxLength);
    m_timeLapse->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_timeLapse));
    auto *timeLabel = new QLabel(QStringLiteral("Time Lapse(Seconds)"), details);
    timeLabel->setBuddy(m_timeLapse);
    dg->addWidget(setTimeLapse, 3, 0);
    dg->addWidget(timeLabel, 3, 1);
    dg->addWidget(m_timeLapse, 3, 2);

    auto *setOnOff = new SetButtonWidget(QStringLiteral("Turn On/Off"), details);
    setOnOff->setObjectName(QStringLiteral("setOnOff"));
    m_onOff = new QComboBox(details);
    m_onOff->setObjectName(QStringLiteral("turnOnOff"));
    m_onOff->setAccessibleName(QStringLiteral("Turn On/Off"));
    m_onOff->setEditable(true);
    m_onOff->setInsertPolicy(QComboBox::NoInsert);
    for (const auto &e : RelayOutputModel::onOffEntries())
        m_onOff->addItem(qs(e));
    m_onOff->setCurrentIndex(-1);
    auto *onOffLabel = new QLabel(QStringLiteral("Turn On/Off"), details);
    onOffLabel->setBuddy(m_onOff);
    dg->addWidget(setOnOff, 4, 0);
    dg->addWidget(onOffLabel, 4, 1);
    dg->addWidget(m_onOff, 4, 2);

    columns->addWidget(details, 2);

    // ---- wiring
    connect(m_relay, &QComboBox::activated, m, &RelayOutputModel::chooseRelay);
    // Fields act on every change of their text; refresh() blocks the signals
    // of what it sets. A text that comes from choosing an entry is the
    // choice's, which activated() handles.
    connect(m_relay->lineEdit(), &QLineEdit::textChanged, m, [this, m](const QString &t) {
        const int i = m_relay->currentIndex();
        if (i >= 0 && m_relay->itemText(i) == t)
            return;
        m->setRelayChannelText(bytes(t));
    });
    connect(m_onOff, &QComboBox::activated, m, &RelayOutputModel::setOnOffIndex);
    connect(m_onOff->lineEdit(), &QLineEdit::textChanged, m, [m](const QString &t) { m->setOnOffText(bytes(t)); });
    connect(m_timeLapse, &QLineEdit::textChanged, m, [m](const QString &t) { m->setTimeLapse(bytes(t)); });
    connect(m_timeLapse, &QLineEdit::editingFinished, m, &RelayOutputModel::leaveTimeLapse);
    connect(m_alarms, &QTableWidget::clicked, this, [this](const QModelIndex &index) {
        if (index.column() == RelayControlColumn)
            m_alarms->edit(index);
    });
    connect(m_setAlarms, &QPushButton::clicked, m, &RelayOutputModel::sendAssociation);
    connect(setTimeLapse, &QPushButton::clicked, m, &RelayOutputModel::sendTimeLapse);
    connect(setOnOff, &QPushButton::clicked, m, &RelayOutputModel::sendOnOff);
}

bool RelayOutputPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_alarms && event->type() == QEvent::FocusIn)
        m_model->normaliseRelayControls();
    if (watched == m_status->viewport() && event->type() == QEvent::Resize)
        fitRelayColumns();
    return QWidget::eventFilter(watched, event);
}

void RelayOutputPage::fitRelayColumns()
{
    // The relay columns share the width beside "Channel List".
    const int relays = m_model->relayColumnCount();
    if (m_model->relayCount() <= 0 || relays <= 0)
        return;
    const int width = std::max(MinRelayColumnWidth, (m_status->viewport()->width() - 135) / relays);
    for (int n = 1; n <= relays; ++n)
        m_status->setColumnWidth(FirstRelayColumn + n - 1, width);
}

void RelayOutputPage::rebuildTables()
{
    const RelayOutputModel &m = *m_model;
    m_status->clear();
    m_status->setColumnCount(FirstRelayColumn + m.relayColumnCount());
    QStringList headers = {QString(), QStringLiteral("Channel List")};
    for (int n = 1; n <= m.relayColumnCount(); ++n)
        headers << qs(RelayOutputModel::relayName(n));
    m_status->setHorizontalHeaderLabels(headers);
    m_status->setColumnHidden(0, true);
    m_status->setColumnWidth(ChannelColumn, StatusChannelWidth);
    for (int n = 1; n <= m.relayColumnCount(); ++n)
        m_status->setColumnWidth(FirstRelayColumn + n - 1, RelayColumnWidth);
    m_status->setRowCount(m.statusRowCount());
    for (int row = 0; row < m.statusRowCount(); ++row)
        setCell(m_status, row, ChannelColumn, qs(RelayOutputModel::statusRowLabel(row)), false, Qt::black);
    fitRelayColumns();

    m_alarms->setRowCount(m.alarmRowCount());
    for (int row = 0; row < m.alarmRowCount(); ++row) {
        setCell(m_alarms, row, ChannelColumn, qs(RelayOutputModel::channelLabel(row)), false, Qt::black);
        QTableWidgetItem *it = itemAt(m_alarms, row, RelayControlColumn);
        it->setFlags(it->flags() | Qt::ItemIsEditable);
    }
}

void RelayOutputPage::refresh()
{
    const RelayOutputModel &m = *m_model;
    for (int row = 0; row < m.statusRowCount() && row < m_status->rowCount(); ++row) {
        setCell(m_status, row, 0, QString(), false, Qt::black);
        for (int n = 1; n <= m.relayColumnCount(); ++n) {
            const RelayOutputModel::Cell c = m.statusCell(row, n);
            setCell(m_status, row, FirstRelayColumn + n - 1, qs(c.text), c.active, c.text == "0" ? Grey : QColor(Qt::black));
        }
    }
    for (int row = 0; row < m.alarmRowCount() && row < m_alarms->rowCount(); ++row) {
        const QByteArray t = m.relayControl(row);
        const bool active = t == "High" || t == "Low" || t == "On";
        setCell(m_alarms, row, RelayControlColumn, qs(t), false, active ? Red : Grey);
    }

    // "Relay Channel No." entries, selection and typed text
    QStringList names;
    for (const auto &n : m.relayNames())
        names << qs(n);
    QStringList shown;
    for (int i = 0; i < m_relay->count(); ++i)
        shown << m_relay->itemText(i);
    if (shown != names) {
        const QSignalBlocker block(m_relay);
        m_relay->clear();
        m_relay->addItems(names);
    }
    setIndexAndText(m_relay, m.chosenRelayIndex(), m.relayChannelText());
    setIndexAndText(m_onOff, m.onOffIndex(), m.onOffText());
    if (m_timeLapse->text() != qs(m.timeLapse())) {
        const QSignalBlocker block(m_timeLapse);
        m_timeLapse->setText(qs(m.timeLapse()));
    }
    m_alarms->setEnabled(m.detailsEnabled());
    m_timeLapse->setEnabled(m.detailsEnabled());
    m_onOff->setEnabled(m.detailsEnabled());
}

} // namespace kaspen
