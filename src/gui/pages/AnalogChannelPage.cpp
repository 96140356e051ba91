#include "gui/pages/AnalogChannelPage.h"
#include "gui/common/Pictures.h"

#include "gui/common/SetButtonWidget.h"
#include "pages/channels/AnalogChannelModel.h"

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
#include <QValidator>
#include <QVBoxLayout>

namespace kaspen {

namespace {

QString qs(const QByteArray &b) { return QString::fromLocal8Bit(b); }
QByteArray bytes(const QString &s) { return s.toLocal8Bit(); }

constexpr int RowHeight = 21;
constexpr int EditWidth = 64;
constexpr int ModeWidth = 168;
const int ColumnWidths[] = {125, 170, 130, 130, 130, 130, 130};

// Limits what the user types, not what the page puts into the field (a
// longer value read from the logger shows whole).
class TypingLimit : public QValidator {
public:
    TypingLimit(int chars, QObject *parent) : QValidator(parent), m_chars(chars) {}
    State validate(QString &input, int &) const override
    {
        return input.size() > m_chars ? Invalid : Acceptable;
    }

private:
    int m_chars;
};

QLabel *header(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

void showMode(QComboBox *c, const AnalogChannelModel::Mode &m)
{
    const QSignalBlocker block(c);
    if (c->currentIndex() != m.index)
        c->setCurrentIndex(m.index);
    // A mode number without an entry shows as it came.
    c->setPlaceholderText(m.index < 0 ? qs(m.shown) : QString());
    c->setEnabled(m.enabled);
}

void showEdit(QLineEdit *e, const LimitEdit &v)
{
    const QString t = qs(v.text);
    if (e->text() != t) {
        const QSignalBlocker block(e);
        e->setText(t);
    }
    e->setEnabled(v.enabled);
}

void showText(QLineEdit *e, const QByteArray &text)
{
    const QString t = qs(text);
    if (e->text() != t) {
        const QSignalBlocker block(e);
        e->setText(t);
    }
}

} // namespace

QColor AnalogChannelPage::rowBackground(int row)
{
    return ui::rowShade(row);
}

AnalogChannelPage::AnalogChannelPage(Session &session, QWidget *parent)
    : QWidget(parent), m_model(new AnalogChannelModel(session, this))
{
    build();
    connect(m_model, &AnalogChannelModel::rebuilt, this, &AnalogChannelPage::rebuildTable);
    connect(m_model, &AnalogChannelModel::changed, this, &AnalogChannelPage::refresh);
    rebuildTable();
    refresh();
}

AnalogChannelPage::~AnalogChannelPage() = default;

void AnalogChannelPage::handleMessage(const PageMessage &m)
{
    // WM_USER+6 "#STC2:", WM_USER+11 channel list, WM_USER+15 Clear,
    // WM_USER+22 "#STC4:", WM_USER+25 calibration replies
    m_model->handleMessage(m);
}

QLineEdit *AnalogChannelPage::limitEdit(QWidget *parent, LimitField field, int sensor, bool limited)
{
    auto *e = new QLineEdit(parent);
    e->setAccessibleName(LimitSubject(field, sensor));
    e->setFixedWidth(EditWidth);
    if (limited)
        e->setValidator(new TypingLimit(AnalogChannelModel::LimitMaxChars, e));
    e->installEventFilter(this);
    connect(e, &QLineEdit::textChanged, m_model,
            [m = m_model, field, sensor](const QString &t) { m->editLimit(field, sensor, bytes(t)); });
    m_limits.push_back({e, field, sensor});
    return e;
}

QComboBox *AnalogChannelPage::modeList(QWidget *parent, const QString &name, std::function<void(int)> chosen)
{
    auto *c = new QComboBox(parent);
    c->setAccessibleName(name);
    c->setMinimumWidth(ModeWidth);
    for (const QByteArray &n : AnalogChannelModel::modeNames())
        c->addItem(qs(n));
    c->setCurrentIndex(-1);
    connect(c, &QComboBox::currentIndexChanged, m_model, [chosen](int index) { chosen(index); });
    return c;
}

void AnalogChannelPage::build()
{
    AnalogChannelModel *m = m_model;
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);

    // ---- Temperature & Humidity Channel Setup
    auto *th = new QGroupBox(QStringLiteral("Temperature && Humidity Channel Setup"), this);
    auto *g = new QGridLayout(th);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(3);
    // columns: 0 set, 1 row name, 2 mode, 3 high, 4 low, 5 gap, 6 delay set, 7 delay, 8 gap, 9 serial
    g->addWidget(header(QStringLiteral("Operation Mode"), th), 0, 2);
    g->addWidget(header(QStringLiteral("Alert High"), th), 0, 3);
    g->addWidget(header(QStringLiteral("Alert Low"), th), 0, 4);
    g->addWidget(header(QStringLiteral("Alarm Delay Time"), th), 0, 6, 1, 2);
    auto *checkSn = new QPushButton(QStringLiteral("Check Sensor SN"), th);
    checkSn->setObjectName(QStringLiteral("checkSensorSn"));
    checkSn->setAccessibleName(QStringLiteral("Check Sensor SN"));
    checkSn->setAutoDefault(false);
    g->addWidget(checkSn, 0, 9);
    connect(checkSn, &QPushButton::clicked, m, &AnalogChannelModel::checkSensorSerialNumbers);
    g->setColumnMinimumWidth(5, 14);
    g->setColumnMinimumWidth(8, 14);

    for (int n = 1; n <= AnalogChannelModel::SensorCount; ++n) {
        const int row = n;
        const QString subject = AnalogChannelModel::sensorSubject(n);
        auto *set = new SetButtonWidget(subject, th);
        set->setObjectName(QStringLiteral("setSensor%1").arg(n));
        connect(set, &QPushButton::clicked, m, [m, n] { m->setSensor(n); });
        g->addWidget(set, row, 0);
        g->addWidget(new QLabel(subject, th), row, 1);
        m_sensorModes[size_t(n - 1)] =
            modeList(th, subject + QStringLiteral(" Operation Mode"), [m, n](int i) { m->setSensorMode(n, i); });
        g->addWidget(m_sensorModes[size_t(n - 1)], row, 2);
        // Sensors 3 to 8 have no typing limit; leaving shortens them.
        g->addWidget(limitEdit(th, LimitField::TemperatureHigh, n, n <= 2), row, 3);
        g->addWidget(limitEdit(th, LimitField::TemperatureLow, n, n <= 2), row, 4);

        auto *setDelay = new SetButtonWidget(QStringLiteral("Alarm Delay Time %1").arg(n), th);
        setDelay->setObjectName(QStringLiteral("setDelay%1").arg(n));
        connect(setDelay, &QPushButton::clicked, m, [m, n] { m->setDelay(n); });
        g->addWidget(setDelay, row, 6);
        auto *delay = new QLineEdit(th);
        delay->setObjectName(QStringLiteral("delay%1").arg(n));
        delay->setAccessibleName(subject + QStringLiteral(" Alarm Delay Time"));
        delay->setFixedWidth(EditWidth);
        delay->installEventFilter(this);
        connect(delay, &QLineEdit::textChanged, m, [m, n](const QString &t) { m->editDelay(n, bytes(t)); });
        m_delays[size_t(n - 1)] = delay;
        g->addWidget(delay, row, 7);

        auto *sn = new QLineEdit(th);
        sn->setObjectName(QStringLiteral("serial%1").arg(n));
        sn->setAccessibleName(subject + QStringLiteral(" SN"));
        sn->setReadOnly(true); // filled by the logger
        sn->setMinimumWidth(130);
        m_serials[size_t(n - 1)] = sn;
        g->addWidget(sn, row, 9);
    }

    // Auto Calibration row
    const int calRow = AnalogChannelModel::SensorCount + 1;
    auto *calibrate = new SetButtonWidget(QStringLiteral("Humidity"), th);
    calibrate->setObjectName(QStringLiteral("calibrateHumidity"));
    calibrate->setAccessibleName(QStringLiteral("Calibrate Humidity"));
    calibrate->setToolTip(calibrate->accessibleName());
    connect(calibrate, &QPushButton::clicked, m, &AnalogChannelModel::calibrate);
    g->addWidget(calibrate, calRow, 0);
    g->addWidget(new QLabel(QStringLiteral("Auto Calibration "), th), calRow, 1);
    auto *calBox = new QHBoxLayout;
    QLineEdit *actual = limitEdit(th, LimitField::HumidityActual, 0, true);
    actual->setObjectName(QStringLiteral("actualHumidity"));
    calBox->addWidget(actual);
    calBox->addWidget(new QLabel(QStringLiteral("(RH)"), th));
    calBox->addStretch(1);
    g->addLayout(calBox, calRow, 2);

    // Humidity Sensor row: its own small grid of five numbers
    const int humRow = calRow + 1;
    auto *setHumidity = new SetButtonWidget(QStringLiteral("Humidity Sensor"), th);
    setHumidity->setObjectName(QStringLiteral("setHumidity"));
    connect(setHumidity, &QPushButton::clicked, m, &AnalogChannelModel::setHumidity);
    g->addWidget(setHumidity, humRow + 1, 0);
    g->addWidget(new QLabel(QStringLiteral("Humidity Sensor"), th), humRow + 1, 1);
    m_humidityMode = modeList(th, QStringLiteral("Humidity Sensor Operation Mode"), [m](int i) { m->setHumidityMode(i); });
    g->addWidget(m_humidityMode, humRow + 1, 2);
    auto readOnly = [&](const QString &name) {
        auto *e = new QLineEdit(th);
        e->setAccessibleName(name);
        e->setReadOnly(true);
        e->setFixedWidth(EditWidth);
        return e;
    };
    m_humidityUpper = readOnly(QStringLiteral("Humidity Sensor Upper limit"));
    m_humidityLower = readOnly(QStringLiteral("Humidity Sensor Lower limit"));
    m_humidityZero = readOnly(QStringLiteral("Humidity Sensor Start Zero"));
    auto *numbers = new QGridLayout;
    numbers->setHorizontalSpacing(6);
    numbers->setVerticalSpacing(1);
    const QStringList heads = {QStringLiteral("Upper Limit"), QStringLiteral("Lower Limit"), QStringLiteral("Start Zero"),
                               QStringLiteral("Alert High"), QStringLiteral("Alert Low")};
    for (int i = 0; i < heads.size(); ++i)
        numbers->addWidget(header(heads[i], th), 0, i);
    numbers->addWidget(m_humidityUpper, 1, 0);
    numbers->addWidget(m_humidityLower, 1, 1);
    numbers->addWidget(m_humidityZero, 1, 2);
    numbers->addWidget(limitEdit(th, LimitField::HumidityHigh, 0, true), 1, 3);
    numbers->addWidget(limitEdit(th, LimitField::HumidityLow, 0, true), 1, 4);
    numbers->setColumnStretch(5, 1);
    g->addLayout(numbers, humRow, 3, 2, 7);
    g->setColumnStretch(10, 1);
    page->addWidget(th);

    // ---- Analog Channel Setup
    auto *an = new QGroupBox(QStringLiteral("Analog Channel Setup"), this);
    auto *ag = new QGridLayout(an);
    ag->setHorizontalSpacing(6);
    ag->setVerticalSpacing(3);
    const QStringList analogHeads = {QStringLiteral("Analog Channel"), QStringLiteral("Operation Mode"),
                                     QStringLiteral("Upper Limit"),    QStringLiteral("Lower Limit"),
                                     QStringLiteral("Start Zero"),     QStringLiteral("Alert High"),
                                     QStringLiteral("Alert Low")};
    for (int i = 0; i < analogHeads.size(); ++i)
        ag->addWidget(header(analogHeads[i], an), 0, i + 1);
    auto *setAnalog = new SetButtonWidget(QStringLiteral("Analog Channel"), an);
    setAnalog->setObjectName(QStringLiteral("setAnalog"));
    connect(setAnalog, &QPushButton::clicked, m, &AnalogChannelModel::setAnalog);
    ag->addWidget(setAnalog, 1, 0);
    m_channel = new QComboBox(an);
    m_channel->setObjectName(QStringLiteral("analogChannel"));
    m_channel->setAccessibleName(QStringLiteral("Analog Channel"));
    m_channel->setEditable(true);
    m_channel->setInsertPolicy(QComboBox::NoInsert);
    m_channel->setMinimumWidth(110);
    connect(m_channel, &QComboBox::activated, m, &AnalogChannelModel::chooseChannel);
    connect(m_channel->lineEdit(), &QLineEdit::textChanged, m,
            [m](const QString &t) { m->setChannelText(bytes(t)); });
    ag->addWidget(m_channel, 1, 1);
    m_analogMode = modeList(an, QStringLiteral("Analog Channel Operation Mode"), [m](int i) { m->setAnalogMode(i); });
    ag->addWidget(m_analogMode, 1, 2);
    const LimitField analogFields[] = {LimitField::AnalogUpper, LimitField::AnalogLower, LimitField::AnalogZero,
                                       LimitField::AnalogHigh, LimitField::AnalogLow};
    for (int i = 0; i < 5; ++i)
        ag->addWidget(limitEdit(an, analogFields[i], 0, true), 1, 3 + i, Qt::AlignHCenter);
    ag->setColumnStretch(8, 1);

    m_table = new QTableWidget(an);
    m_table->setObjectName(QStringLiteral("analogChannelTable"));
    m_table->setAccessibleName(QStringLiteral("Analog Channel Setup"));
    m_table->setColumnCount(7);
    m_table->setHorizontalHeaderLabels(analogHeads);
    for (int i = 0; i < 7; ++i)
        m_table->setColumnWidth(i, ColumnWidths[i]);
    m_table->setShowGrid(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(RowHeight);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setWordWrap(false);
    m_table->setMinimumHeight(m_table->horizontalHeader()->sizeHint().height() + 6 * RowHeight + 4);
    ag->addWidget(m_table, 2, 0, 1, 9);
    page->addWidget(an, 1);
}

bool AnalogChannelPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        // A message box taking the focus is not the user leaving the field.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (const LimitBinding &b : m_limits) {
                if (b.edit == watched) {
                    m_model->leaveLimit(b.field, b.sensor);
                    return QWidget::eventFilter(watched, event);
                }
            }
            for (int n = 1; n <= AnalogChannelModel::SensorCount; ++n) {
                if (m_delays[size_t(n - 1)] == watched)
                    m_model->leaveDelay(n);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AnalogChannelPage::rebuildTable()
{
    const AnalogChannelModel &m = *m_model;
    {
        const QSignalBlocker block(m_channel);
        const QSignalBlocker blockEdit(m_channel->lineEdit());
        m_channel->clear();
        for (const QByteArray &n : m.channelNames())
            m_channel->addItem(qs(n));
        m_channel->setCurrentIndex(-1);
        m_channel->setEditText(QString());
    }
    m_table->setRowCount(int(m.rows().size()));
    for (int row = 0; row < m.rows().size(); ++row) {
        for (int col = 0; col < 7; ++col) {
            auto *it = new QTableWidgetItem;
            it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            it->setBackground(rowBackground(row));
            m_table->setItem(row, col, it);
        }
    }
}

void AnalogChannelPage::refresh()
{
    const AnalogChannelModel &m = *m_model;
    for (const LimitBinding &b : m_limits) {
        const LimitGroup &g = b.field == LimitField::TemperatureHigh || b.field == LimitField::TemperatureLow
                                  ? m.sensor(b.sensor)
                              : b.field == LimitField::HumidityActual || b.field == LimitField::HumidityHigh
                                      || b.field == LimitField::HumidityLow
                                  ? m.humidity()
                                  : m.analog();
        showEdit(b.edit, kaspen::limitEdit(g, b.field));
    }
    for (int n = 1; n <= AnalogChannelModel::SensorCount; ++n) {
        showMode(m_sensorModes[size_t(n - 1)], m.sensorMode(n));
        showText(m_delays[size_t(n - 1)], m.delay(n));
        showText(m_serials[size_t(n - 1)], m.serialNumber(n));
    }
    showMode(m_humidityMode, m.humidityMode());
    showText(m_humidityUpper, m.humidity().upper.text);
    showText(m_humidityLower, m.humidity().lower.text);
    showText(m_humidityZero, m.humidity().zero.text);
    showMode(m_analogMode, m.analogMode());
    {
        const QSignalBlocker block(m_channel);
        if (m_channel->currentIndex() != m.channelIndex())
            m_channel->setCurrentIndex(m.channelIndex());
        if (m_channel->currentText() != qs(m.channelText())) {
            const QSignalBlocker blockEdit(m_channel->lineEdit());
            m_channel->setEditText(qs(m.channelText()));
        }
    }
    for (int row = 0; row < m.rows().size() && row < m_table->rowCount(); ++row) {
        const AnalogChannelModel::Row &r = m.rows()[row];
        const QByteArray cells[] = {r.name, r.mode, r.upper, r.lower, r.zero, r.high, r.low};
        for (int col = 0; col < 7; ++col) {
            QTableWidgetItem *it = m_table->item(row, col);
            if (it && it->text() != qs(cells[col]))
                it->setText(qs(cells[col]));
        }
    }
}

} // namespace kaspen
