#include "gui/pages/DeviceSetupPage.h"

#include "session/Session.h"
#include "pages/device/DeviceSetupModel.h"
#include "gui/common/SetButtonWidget.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kaspen {

namespace {

QString qs(const QByteArray &b) { return QString::fromLocal8Bit(b); }
QByteArray bytes(const QString &s) { return s.toLocal8Bit(); }

QLabel *label(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

QLineEdit *edit(const QString &name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setAccessibleName(name.trimmed());
    return e;
}

QComboBox *list(const QString &name, const QList<QByteArray> &entries, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setAccessibleName(name.trimmed());
    for (const auto &e : entries)
        c->addItem(qs(e));
    c->setCurrentIndex(-1);
    c->setMinimumContentsLength(10);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return c;
}

void setText(QLineEdit *e, const QByteArray &text)
{
    const QString t = qs(text);
    if (e->text() != t) {
        const QSignalBlocker block(e);
        e->setText(t);
    }
}

void setIndex(QComboBox *c, int index)
{
    if (c->currentIndex() != index) {
        const QSignalBlocker block(c);
        c->setCurrentIndex(index);
    }
}

} // namespace

DeviceSetupPage::DeviceSetupPage(Session &session, QWidget *parent)
    : QWidget(parent), m_model(new DeviceSetupModel(session, this))
{
    build();
    connect(m_model, &DeviceSetupModel::changed, this, &DeviceSetupPage::refresh);
    refresh();
}

DeviceSetupPage::~DeviceSetupPage() = default;

void DeviceSetupPage::handleMessage(const PageMessage &m)
{
    // WM_USER+5 "#STC1:" block, WM_USER+9 Info, WM_USER+15 Clear
    m_model->handleMessage(m);
}

void DeviceSetupPage::build()
{
    DeviceSetupModel *m = m_model;
    auto *columns = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    const auto idValidator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);

    // ---- Device Properties
    auto *props = new QGroupBox(QStringLiteral("Device Properties"), this);
    auto *pg = new QGridLayout(props);
    pg->setColumnStretch(2, 1);
    // The three left groups share their column widths so the fields line up.
    constexpr int LabelColumnWidth = 165;
    pg->setColumnMinimumWidth(1, LabelColumnWidth);

    auto *setStation = new SetButtonWidget(QStringLiteral("Station ID"), props);
    m_stationId = edit(QStringLiteral("Station ID "), props);
    m_stationId->setObjectName(QStringLiteral("stationId"));
    pg->addWidget(setStation, 0, 0);
    pg->addWidget(label(QStringLiteral("Station ID "), m_stationId, props), 0, 1);
    pg->addWidget(m_stationId, 0, 2);

    auto *setPasswords = new SetButtonWidget(QStringLiteral("Enquiry Password and Setup Password"), props);
    m_enquiry = edit(QStringLiteral("Enquiry Password"), props);
    m_enquiry->setObjectName(QStringLiteral("enquiryPassword"));
    m_setup = edit(QStringLiteral("Setup Password"), props);
    m_setup->setObjectName(QStringLiteral("setupPassword"));
    auto *reset = new QPushButton(QStringLiteral("Reset"), props);
    reset->setObjectName(QStringLiteral("reset"));
    reset->setAccessibleName(QStringLiteral("Reset"));
    pg->addWidget(setPasswords, 1, 0, 2, 1, Qt::AlignVCenter);
    pg->addWidget(label(QStringLiteral("Enquiry Password"), m_enquiry, props), 1, 1);
    pg->addWidget(m_enquiry, 1, 2);
    pg->addWidget(label(QStringLiteral("Setup Password"), m_setup, props), 2, 1);
    pg->addWidget(m_setup, 2, 2);
    pg->addWidget(reset, 2, 3);

    auto *setDateTime = new SetButtonWidget(QStringLiteral("Date/Time"), props);
    m_dateTime = edit(QStringLiteral("Date/Time"), props);
    m_dateTime->setObjectName(QStringLiteral("dateTime"));
    m_dateTime->setPlaceholderText(QStringLiteral("yymmddHHMM"));
    auto *now = new QPushButton(QStringLiteral("..."), props);
    now->setObjectName(QStringLiteral("now"));
    now->setAccessibleName(QStringLiteral("..."));
    now->setAccessibleDescription(QStringLiteral("Put the computer's time into Date/Time"));
    now->setToolTip(now->accessibleDescription());
    pg->addWidget(setDateTime, 3, 0);
    pg->addWidget(label(QStringLiteral("Date/Time"), m_dateTime, props), 3, 1);
    pg->addWidget(m_dateTime, 3, 2);
    pg->addWidget(now, 3, 3);

    auto *setLogging = new SetButtonWidget(QStringLiteral("Data Logging Interval"), props);
    m_logging = list(QStringLiteral("Data Logging Interval"), DeviceSetupModel::loggingIntervals(), props);
    m_logging->setObjectName(QStringLiteral("loggingInterval"));
    pg->addWidget(setLogging, 4, 0);
    pg->addWidget(label(QStringLiteral("Data Logging Interval"), m_logging, props), 4, 1);
    pg->addWidget(m_logging, 4, 2);

    for (QLineEdit *e : {m_stationId, m_enquiry, m_setup}) {
        e->setMaxLength(DeviceSetupModel::IdLength);
        e->setValidator(idValidator);
    }
    left->addWidget(props);

    // ---- Ethernet Upload Setup (not on ORVEL-A)
    m_ethernetGroup = new QGroupBox(QStringLiteral("Ethernet Upload Setup"), this);
    m_ethernetGroup->setObjectName(QStringLiteral("ethernetUploadGroup"));
    auto *eg = new QGridLayout(m_ethernetGroup);
    eg->setColumnStretch(2, 1);
    eg->setColumnMinimumWidth(1, LabelColumnWidth);
    auto *setEthernet = new SetButtonWidget(QStringLiteral("Ethernet Upload Interval"), m_ethernetGroup);
    m_ethernetUpload = list(QStringLiteral("Ethernet Upload Interval"), DeviceSetupModel::ethernetUploadIntervals(),
                            m_ethernetGroup);
    m_ethernetUpload->setObjectName(QStringLiteral("ethernetUploadInterval"));
    eg->addWidget(setEthernet, 0, 0);
    eg->addWidget(label(QStringLiteral("Ethernet Upload Interval"), m_ethernetUpload, m_ethernetGroup), 0, 1);
    eg->addWidget(m_ethernetUpload, 0, 2);
    left->addWidget(m_ethernetGroup);
    m_ethernetGroup->setVisible(m->hasEthernetUpload());

    // ---- SMS Upload Setup
    auto *sms = new QGroupBox(QStringLiteral("SMS Upload Setup"), this);
    auto *sg = new QGridLayout(sms);
    sg->setColumnStretch(2, 1);
    sg->setColumnMinimumWidth(1, LabelColumnWidth);
    auto *setSms = new SetButtonWidget(QStringLiteral("SMS Upload Interval and Control Centre Number"), sms);
    m_smsUpload = list(QStringLiteral("SMS Upload Interval"), DeviceSetupModel::smsUploadIntervals(), sms);
    m_smsUpload->setObjectName(QStringLiteral("smsUploadInterval"));
    m_controlCentre = edit(QStringLiteral("Control Centre Number"), sms);
    m_controlCentre->setObjectName(QStringLiteral("controlCentre"));
    sg->addWidget(setSms, 0, 0, 2, 1, Qt::AlignVCenter);
    sg->addWidget(label(QStringLiteral("SMS Upload Interval"), m_smsUpload, sms), 0, 1);
    sg->addWidget(m_smsUpload, 0, 2);
    sg->addWidget(label(QStringLiteral("Control Centre Number"), m_controlCentre, sms), 1, 1);
    sg->addWidget(m_controlCentre, 1, 2);
    left->addWidget(sms);
    left->addStretch(1);

    // ---- Alarm Phone Number
    auto *alarms = new QGroupBox(QStringLiteral("Alarm Phone Number"), this);
    auto *ag = new QGridLayout(alarms);
    ag->setColumnStretch(1, 1);
    ag->setColumnStretch(3, 1);
    std::array<QPushButton *, 8> alarmButtons{};
    for (int n = 1; n <= DeviceSetupModel::AlarmPhoneCount; ++n) {
        auto *b = new QPushButton(QStringLiteral(" %1").arg(n), alarms);
        b->setObjectName(QStringLiteral("alarmPhoneSet%1").arg(n));
        b->setAccessibleName(QString::number(n));
        b->setAccessibleDescription(QStringLiteral("Set alarm phone number %1").arg(n));
        b->setToolTip(b->accessibleDescription());
        b->setFixedWidth(36);
        auto *e = edit(QStringLiteral("Alarm Phone Number %1").arg(n), alarms);
        e->setObjectName(QStringLiteral("alarmPhone%1").arg(n));
        // Two columns of four: 1-4 left, 5-8 right.
        const int row = (n - 1) % 4, col = (n - 1) / 4 * 2;
        ag->addWidget(b, row, col);
        ag->addWidget(e, row, col + 1);
        alarmButtons[size_t(n - 1)] = b;
        m_alarmPhones[size_t(n - 1)] = e;
    }
    right->addWidget(alarms);

    // ---- GSM Network
    auto *gsm = new QGroupBox(QStringLiteral("GSM Network"), this);
    auto *gg = new QGridLayout(gsm);
    gg->addWidget(new QLabel(QStringLiteral("Module Status:"), gsm), 1, 0);
    auto *gsmHead = new QLabel(QStringLiteral("GSM Module"), gsm);
    auto *simHead = new QLabel(QStringLiteral("SIM Card"), gsm);
    m_gsmLamp = new QLabel(gsm);
    m_gsmLamp->setObjectName(QStringLiteral("gsmModuleLamp"));
    m_gsmLamp->setAccessibleName(QStringLiteral("GSM Module"));
    m_simLamp = new QLabel(gsm);
    m_simLamp->setObjectName(QStringLiteral("simCardLamp"));
    m_simLamp->setAccessibleName(QStringLiteral("SIM Card"));
    gg->addWidget(gsmHead, 0, 1, Qt::AlignHCenter);
    gg->addWidget(simHead, 0, 2, Qt::AlignHCenter);
    gg->addWidget(m_gsmLamp, 1, 1, Qt::AlignHCenter);
    gg->addWidget(m_simLamp, 1, 2, Qt::AlignHCenter);
    m_signal = new QProgressBar(gsm);
    m_signal->setObjectName(QStringLiteral("signalStrength"));
    m_signal->setAccessibleName(QStringLiteral("Network Signal Strength:"));
    m_signal->setRange(0, 100);
    m_signal->setTextVisible(false);
    gg->addWidget(new QLabel(QStringLiteral("Network Signal Strength:"), gsm), 2, 0);
    gg->addWidget(m_signal, 2, 1, 1, 3);
    gg->setColumnStretch(3, 1);
    right->addWidget(gsm);

    // ---- Info
    auto *infoGroup = new QGroupBox(QStringLiteral("Info"), this);
    auto *ig = new QVBoxLayout(infoGroup);
    m_info = new QPlainTextEdit(infoGroup);
    m_info->setObjectName(QStringLiteral("info"));
    m_info->setAccessibleName(QStringLiteral("Info"));
    m_info->setReadOnly(true);
    m_info->setTabChangesFocus(true);
    ig->addWidget(m_info);
    right->addWidget(infoGroup, 1);

    // ---- wiring: every value goes to the model, the model refreshes us.
    // Fields act on every change of their text (typing, pasting, an on-screen
    // keyboard or a screen reader's edit action); refresh() blocks the
    // signals of what it sets, so the model's own updates do not come back.
    connect(m_stationId, &QLineEdit::textChanged, m, [m](const QString &t) { m->setStationId(bytes(t)); });
    connect(m_enquiry, &QLineEdit::textChanged, m, [m](const QString &t) { m->setEnquiryPassword(bytes(t)); });
    connect(m_setup, &QLineEdit::textChanged, m, [m](const QString &t) { m->setSetupPassword(bytes(t)); });
    connect(m_dateTime, &QLineEdit::textChanged, m, [m](const QString &t) { m->setDateTime(bytes(t)); });
    connect(m_controlCentre, &QLineEdit::textChanged, m, [m](const QString &t) { m->setControlCentre(bytes(t)); });
    for (int n = 1; n <= DeviceSetupModel::AlarmPhoneCount; ++n) {
        connect(m_alarmPhones[size_t(n - 1)], &QLineEdit::textChanged, m,
                [m, n](const QString &t) { m->setAlarmPhone(n, bytes(t)); });
        connect(alarmButtons[size_t(n - 1)], &QPushButton::clicked, m, [m, n] { m->sendAlarmPhone(n); });
    }
    connect(m_stationId, &QLineEdit::editingFinished, m, &DeviceSetupModel::leaveStationId);
    connect(m_enquiry, &QLineEdit::editingFinished, m, &DeviceSetupModel::leaveEnquiryPassword);
    connect(m_setup, &QLineEdit::editingFinished, m, &DeviceSetupModel::leaveSetupPassword);
    connect(m_logging, &QComboBox::activated, m, &DeviceSetupModel::setLoggingIndex);
    connect(m_ethernetUpload, &QComboBox::activated, m, &DeviceSetupModel::setEthernetUploadIndex);
    connect(m_smsUpload, &QComboBox::activated, m, &DeviceSetupModel::setSmsUploadIndex);

    connect(setStation, &QPushButton::clicked, m, &DeviceSetupModel::sendStationId);
    connect(setPasswords, &QPushButton::clicked, m, &DeviceSetupModel::sendPasswords);
    connect(reset, &QPushButton::clicked, m, &DeviceSetupModel::sendReset);
    connect(setDateTime, &QPushButton::clicked, m, &DeviceSetupModel::sendDateTime);
    connect(now, &QPushButton::clicked, m, &DeviceSetupModel::fillDateTimeNow);
    connect(setLogging, &QPushButton::clicked, m, &DeviceSetupModel::sendLoggingInterval);
    connect(setEthernet, &QPushButton::clicked, m, &DeviceSetupModel::sendEthernetUpload);
    connect(setSms, &QPushButton::clicked, m, &DeviceSetupModel::sendSmsUpload);

    setStation->setObjectName(QStringLiteral("setStationId"));
    setPasswords->setObjectName(QStringLiteral("setPasswords"));
    setDateTime->setObjectName(QStringLiteral("setDateTime"));
    setLogging->setObjectName(QStringLiteral("setLoggingInterval"));
    setEthernet->setObjectName(QStringLiteral("setEthernetUpload"));
    setSms->setObjectName(QStringLiteral("setSmsUpload"));
}

void DeviceSetupPage::refresh()
{
    const DeviceSetupModel &m = *m_model;
    setText(m_stationId, m.stationId());
    setText(m_enquiry, m.enquiryPassword());
    setText(m_setup, m.setupPassword());
    setText(m_dateTime, m.dateTime());
    setText(m_controlCentre, m.controlCentre());
    for (int n = 1; n <= DeviceSetupModel::AlarmPhoneCount; ++n)
        setText(m_alarmPhones[size_t(n - 1)], m.alarmPhone(n));
    setIndex(m_logging, m.loggingIndex());
    setIndex(m_ethernetUpload, m.ethernetUploadIndex());
    setIndex(m_smsUpload, m.smsUploadIndex());
    m_gsmLamp->setPixmap(lampPixmap(m.gsmModuleOn()));
    m_gsmLamp->setAccessibleDescription(m.gsmModuleOn() ? QStringLiteral("on") : QStringLiteral("off"));
    m_simLamp->setPixmap(lampPixmap(m.simCardOn()));
    m_simLamp->setAccessibleDescription(m.simCardOn() ? QStringLiteral("on") : QStringLiteral("off"));
    m_signal->setValue(m.signalStrength());
    const QString info = qs(m.info());
    if (m_info->toPlainText() != info)
        m_info->setPlainText(info);
}

} // namespace kaspen
