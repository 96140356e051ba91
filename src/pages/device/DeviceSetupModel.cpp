#include "pages/device/DeviceSetupModel.h"

#include "base/MessageSink.h"
#include "session/Session.h"
#include "protocol/ReplyNumbers.h"
#include "base/Clock.h"
#include "protocol/CommandText.h"

#include <algorithm>

namespace kaspen {

namespace {

// SA codes in list order: "01 Minute" is code 5, not 1.
constexpr int LoggingCodes[] = {0, 5, 1, 2, 3, 4};
// SD codes in list order: "05 Second" and "15 Second" are 12 and 13.
constexpr const char *EthernetUploadCodes[] = {"00", "12", "13", "01", "02", "03", "04",
                                               "05", "06", "07", "08", "09", "10", "11"};

} // namespace

DeviceSetupModel::DeviceSetupModel(Session &session, QObject *parent) : QObject(parent), m_session(session) {}

const QList<QByteArray> &DeviceSetupModel::loggingIntervals()
{
    static const QList<QByteArray> list = {"00", "01 Minute", "05 Minute", "15 Minute", "30 Minute", "60 Minute"};
    return list;
}

const QList<QByteArray> &DeviceSetupModel::ethernetUploadIntervals()
{
    static const QList<QByteArray> list = {"00",        "05 Second", "15 Second", "30 Second", "01 Minute",
                                           "02 Minute", "05 Minute", "15 Minute", "30 Minute", "01 Hour",
                                           "02 Hour",   "06 Hour",   "12 Hour",   "24 Hour"};
    return list;
}

const QList<QByteArray> &DeviceSetupModel::smsUploadIntervals()
{
    static const QList<QByteArray> list = {"00",        "01 Minute", "05 Minute", "15 Minute", "30 Minute",
                                           "01 Hour",   "02 Hour",   "06 Hour",   "12 Hour",   "24 Hour"};
    return list;
}

QByteArray DeviceSetupModel::loggingCode(const QByteArray &entry)
{
    // Looked up by the first two characters: "00", "01", "05", "15", "30", "60".
    const QByteArray head = entry.left(2);
    const auto &list = loggingIntervals();
    for (int i = 0; i < list.size(); ++i)
        if (list[i].left(2) == head)
            return QByteArray::number(LoggingCodes[i]);
    return QByteArray();
}

QByteArray DeviceSetupModel::ethernetUploadCode(const QByteArray &entry)
{
    const int i = ethernetUploadIntervals().indexOf(entry);
    return i < 0 ? QByteArray() : QByteArray(EthernetUploadCodes[i]);
}

QByteArray DeviceSetupModel::smsUploadCode(const QByteArray &entry)
{
    const int i = smsUploadIntervals().indexOf(entry);
    return i < 0 ? QByteArray() : QByteArray::number(i);
}

int DeviceSetupModel::loggingIndexForCode(int code)
{
    for (int i = 0; i < int(std::size(LoggingCodes)); ++i)
        if (LoggingCodes[i] == code)
            return i;
    return -1;
}

bool DeviceSetupModel::hasEthernetUpload() const
{
    return m_session.modelCode() != ModelOrvelA;
}

const QByteArray &DeviceSetupModel::alarmPhone(int n) const
{
    static const QByteArray none;
    return n >= 1 && n <= AlarmPhoneCount ? m_alarmPhones[size_t(n - 1)] : none;
}

// ---- control values ----------------------------------------------------

void DeviceSetupModel::setStationId(const QByteArray &text)
{
    m_stationId = text;
    emit changed();
}

void DeviceSetupModel::setEnquiryPassword(const QByteArray &text)
{
    m_enquiry = text;
    emit changed();
}

void DeviceSetupModel::setSetupPassword(const QByteArray &text)
{
    m_setup = text;
    emit changed();
}

void DeviceSetupModel::setDateTime(const QByteArray &text)
{
    m_dateTime = text;
    emit changed();
}

bool DeviceSetupModel::limitPhone(QByteArray &field, const QByteArray &text)
{
    if (text.size() > PhoneMaxLength) {
        field.clear();
        showMessage(QStringLiteral("Phone Number over 19 Number!"));
        return false;
    }
    field = text;
    return true;
}

void DeviceSetupModel::setControlCentre(const QByteArray &text)
{
    limitPhone(m_controlCentre, text);
    emit changed();
}

void DeviceSetupModel::setAlarmPhone(int n, const QByteArray &text)
{
    if (n < 1 || n > AlarmPhoneCount)
        return;
    limitPhone(m_alarmPhones[size_t(n - 1)], text);
    emit changed();
}

void DeviceSetupModel::setLoggingIndex(int index)
{
    m_logging = index >= 0 && index < loggingIntervals().size() ? index : -1;
    emit changed();
}

void DeviceSetupModel::setEthernetUploadIndex(int index)
{
    m_ethernetUpload = index >= 0 && index < ethernetUploadIntervals().size() ? index : -1;
    emit changed();
}

void DeviceSetupModel::setSmsUploadIndex(int index)
{
    m_smsUpload = index >= 0 && index < smsUploadIntervals().size() ? index : -1;
    emit changed();
}

// ---- field rules on leaving a field -------------------------------------

bool DeviceSetupModel::leaveIdField(QByteArray &field, bool errorBox, const char *message)
{
    if (field.isEmpty())
        return true;
    if (field.size() > IdLength) {
        field.clear();
        emit changed();
        if (errorBox)
            showError(QString::fromLatin1(message));
        else
            showMessage(QString::fromLatin1(message));
        return false;
    }
    const QByteArray padded = formatTemplate("%06s", {field});
    if (padded != field) {
        field = padded;
        emit changed();
    }
    return true;
}

void DeviceSetupModel::leaveStationId()
{
    leaveIdField(m_stationId, true, "TStation ID is Six digits!");
}

void DeviceSetupModel::leaveEnquiryPassword()
{
    leaveIdField(m_enquiry, false, "Enquiry Password  is error !");
}

void DeviceSetupModel::leaveSetupPassword()
{
    leaveIdField(m_setup, false, "Setup Password  is error !");
}

void DeviceSetupModel::fillDateTimeNow()
{
    m_dateTime = formatTime(clock().now(), "%y%m%d%H%M");
    emit changed();
}

// ---- command guard and set buttons --------------------------------------

bool DeviceSetupModel::commandGuard()
{
    return m_session.guard(CommandGuard::settingsPage());
}

QByteArray DeviceSetupModel::setupPw()
{
    return m_session.currentEntry().setupPassword;
}

bool DeviceSetupModel::submit(int code, const QByteArray &text, bool log, bool storeStationId)
{
    m_session.batchTable().RecordCommand(code, text);
    Outgoing c;
    c.code = code;
    c.text = text;
    c.log = log ? Outgoing::Log::AsSent : Outgoing::Log::None;
    if (storeStationId)
        c.stationIdText = m_stationId;
    return m_session.send(c);
}

bool DeviceSetupModel::sendStationId()
{
    if (!commandGuard())
        return false;
    // The phone book takes the new ID as the six characters after "#ST:", so
    // a short ID is padded here too, in case the field never lost the focus.
    leaveStationId();
    if (m_stationId.isEmpty()) {
        showMessage(QStringLiteral("Station ID  is error !"));
        return false;
    }
    return submit(CodeStationId, formatTemplate(templates::StationId, {setupPw(), m_stationId}), true, true);
}

bool DeviceSetupModel::sendPasswords()
{
    if (!commandGuard())
        return false;
    // The phone book takes six characters each from the sent text.
    leaveEnquiryPassword();
    leaveSetupPassword();
    if (m_enquiry.isEmpty()) {
        showMessage(QStringLiteral("Device Query Password is NULL!"));
        return false;
    }
    if (m_setup.isEmpty()) {
        showMessage(QStringLiteral("Device Setup Password is NULL!"));
        return false;
    }
    return submit(CodePasswords, formatTemplate(templates::Passwords, {setupPw(), m_enquiry, m_setup}), true);
}

bool DeviceSetupModel::sendReset()
{
    if (!commandGuard())
        return false;
    m_enquiry = ResetEnquiryPassword;
    m_setup = ResetSetupPassword;
    emit changed();
    // Reset leaves no Send Command logs entry.
    return submit(CodePasswords, formatTemplate(templates::Passwords, {setupPw(), m_enquiry, m_setup}), false);
}

bool DeviceSetupModel::sendDateTime()
{
    if (!commandGuard())
        return false;
    if (m_dateTime.isEmpty()) {
        showMessage(QStringLiteral("Device DateTime is NULL!"));
        return false;
    }
    return submit(CodeDateTime, formatTemplate(templates::DateTime, {setupPw(), m_dateTime}), true);
}

bool DeviceSetupModel::sendLoggingInterval()
{
    if (!commandGuard())
        return false;
    if (m_logging < 0) {
        showMessage(QStringLiteral("Please select Data Logging Interval!"));
        return false;
    }
    const QByteArray code = loggingCode(loggingIntervals()[m_logging]);
    return submit(CodeLogInterval, formatTemplate(templates::LogInterval, {setupPw(), code}), true);
}

bool DeviceSetupModel::sendEthernetUpload()
{
    if (!commandGuard())
        return false;
    if (m_ethernetUpload < 0) {
        showMessage(QStringLiteral("Please select GPRS Upload Interval!"));
        return false;
    }
    // Upload mode 0 (live data), record count 1.
    const QByteArray code = ethernetUploadCode(ethernetUploadIntervals()[m_ethernetUpload]);
    return submit(CodeEthernetUpload, formatTemplate(templates::UploadSetup, {setupPw(), code, "0", "1"}), true);
}

bool DeviceSetupModel::sendSmsUpload()
{
    if (!commandGuard())
        return false;
    if (m_smsUpload < 0) {
        showMessage(QStringLiteral("Please select SMS Upload Interval!"));
        return false;
    }
    const QByteArray code = smsUploadCode(smsUploadIntervals()[m_smsUpload]);
    return submit(CodeSmsUpload, formatTemplate(templates::ControlCentre, {setupPw(), m_controlCentre, code}), true);
}

bool DeviceSetupModel::sendAlarmPhone(int n)
{
    if (n < 1 || n > AlarmPhoneCount)
        return false;
    if (!commandGuard())
        return false;
    return submit(CodeAlarmPhoneBase + n, formatTemplate(templates::AlarmPhone, {setupPw(), n, alarmPhone(n)}), true);
}

// ---- messages from the main window --------------------------------------

void DeviceSetupModel::handleMessage(const PageMessage &m)
{
    switch (m.message) {
    case msg::Block1: // WM_USER+5
        readBlock1(m.text);
        break;
    case msg::VersionReply: // WM_USER+9
        showInfo(m.text);
        break;
    case msg::ClearFields: // WM_USER+15
        clear();
        break;
    default:
        break;
    }
}

void DeviceSetupModel::showInfo(const QByteArray &text)
{
    m_info = text == "initialize succesed!" ? QByteArray("Initialization Completed!") : text;
    emit changed();
}

void DeviceSetupModel::readBlock1(const QByteArray &t)
{
    if (t.isEmpty())
        return;
    const QByteArray pw = setupPw();
    BatchCommandTable &batch = m_session.batchTable();
    int p;

    if ((p = t.indexOf("#STC1:")) >= 0) {
        m_stationId = t.mid(p + 6, 6);
        batch.RecordCommand(CodeStationId, formatTemplate(templates::StationId, {pw, m_stationId}));
    }
    if ((p = t.indexOf("TM:")) >= 0) {
        m_dateTime = t.mid(p + 3, 10);
        batch.RecordCommand(CodeDateTime, formatTemplate(templates::DateTime, {pw, m_dateTime}));
    }
    if ((p = t.indexOf("PS:")) >= 0) {
        m_enquiry = t.mid(p + 3, 6);
        m_setup = t.mid(p + 10, 6);
    }
    if ((p = t.indexOf("SA:")) >= 0) {
        const QByteArray c = t.mid(p + 3, 1);
        // A non-digit counts as code 0, in the list and in the table.
        const bool digit = c.size() == 1 && c[0] >= '0' && c[0] <= '9';
        const QByteArray code = digit ? c : QByteArray("0");
        m_logging = loggingIndexForCode(code.toInt());
        batch.RecordCommand(CodeLogInterval, formatTemplate(templates::LogInterval, {pw, code}));
    }
    if ((p = t.indexOf("SD:")) >= 0) {
        const QByteArray interval = t.mid(p + 3, 2);
        const QByteArray mode = t.mid(p + 6, 1);
        const QByteArray count = t.mid(p + 8, 1);
        const int v = leadingInt(interval);
        const int entries = int(ethernetUploadIntervals().size());
        if (hasEthernetUpload()) {
            if (v >= 1 && v <= 11)
                m_ethernetUpload = v + 2;
            else if (v == 12)
                m_ethernetUpload = 1;
            else if (v == 13)
                m_ethernetUpload = 2;
            else if (v == 0)
                m_ethernetUpload = 0;
        } else {
            // The list is not shown on ORVEL-A.
            m_ethernetUpload = v >= 0 && v < entries ? v : -1;
        }
        batch.RecordCommand(CodeEthernetUpload, formatTemplate(templates::UploadSetup, {pw, interval, mode, count}));
    }
    if ((p = t.indexOf("CP:")) >= 0) {
        const int comma = t.indexOf(',', p + 3);
        const int end = t.indexOf(';', p + 3);
        // The comma must belong to this item: one found only past the item's
        // ";" would take the following items as the number.
        if (comma >= 0 && (end < 0 || comma < end)) {
            m_controlCentre = t.mid(p + 3, comma - (p + 3));
            const QByteArray digit = t.mid(comma + 1, 1);
            const bool isDigit = digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9';
            m_smsUpload = isDigit ? digit[0] - '0' : -1;
            if (!m_controlCentre.isEmpty())
                batch.RecordCommand(CodeSmsUpload, formatTemplate(templates::ControlCentre, {pw, m_controlCentre, digit}));
        }
    }
    for (int n = 1; n <= AlarmPhoneCount; ++n) {
        const QByteArray key = "AP" + QByteArray::number(n) + ':';
        if ((p = t.indexOf(key)) < 0)
            continue;
        const int end = t.indexOf(';', p + 4);
        if (end < 0)
            continue;
        QByteArray &phone = m_alarmPhones[size_t(n - 1)];
        phone = t.mid(p + 4, end - (p + 4));
        if (!phone.isEmpty())
            batch.RecordCommand(CodeAlarmPhoneBase + n, formatTemplate(templates::AlarmPhone, {pw, n, phone}));
    }
    if ((p = t.indexOf("ER:")) >= 0) {
        m_gsmModule = t.mid(p + 3, 1) == "0";
        m_simCard = t.mid(p + 4, 1) == "0";
    }
    if ((p = t.indexOf("XH:")) >= 0) {
        const int end = t.indexOf(';', p + 3);
        if (end >= 0) {
            const int v = leadingInt(t.mid(p + 3, end - (p + 3)));
            // 99 is the modem's "not known"; the bar spans 0 to 100.
            m_signal = v == 0 || v == 99 ? 0 : std::clamp(v, 0, 100);
        }
    }
    emit changed();
}

void DeviceSetupModel::clear()
{
    m_logging = -1;
    m_smsUpload = -1;
    if (hasEthernetUpload())
        m_ethernetUpload = -1;
    m_stationId.clear();
    m_enquiry.clear();
    m_setup.clear();
    m_dateTime.clear();
    m_controlCentre.clear();
    for (auto &a : m_alarmPhones)
        a.clear();
    m_info.clear();
    m_signal = 0;
    m_gsmModule = false;
    m_simCard = false;
    emit changed();
}

} // namespace kaspen
