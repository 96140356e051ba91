#include "session/ReplyDispatcher.h"
#include "base/MessageSink.h"
#include "session/Session.h"
#include "protocol/CommandCodes.h"
#include "session/LogPanes.h"

namespace kaspen {

namespace {
bool in(int code, int lo, int hi)
{
    return code >= lo && code <= hi;
}

bool isBlock(const QByteArray &text, const char *name)
{
    return text.contains(name) && text.endsWith('#');
}

int genericResult(const QByteArray &text)
{
    if (text.contains("Set success!"))
        return ResultSuccess;
    if (text.contains("SET fail!"))
        return ResultRefused;
    return ResultDataError;
}
} // namespace

bool isGenericRuleCode(int code)
{
    return in(code, 12002, 12017) || in(code, 12102, 12158) || in(code, 12207, 12215) || in(code, 13001, 13007)
        || in(code, 14001, 14003) || code == codes::Batch || code == 17001 || in(code, 19000, 19051) || in(code, 20001, 20008)
        || in(code, 20010, 20012) || in(code, codes::Tunneling, 20022) || code == codes::SaveAndExit
        || code == codes::EthernetSetup;
}

ReplyDispatcher::ReplyDispatcher(Session &session, QObject *parent) : QObject(parent), m_session(session) {}

void ReplyDispatcher::send(int message, unsigned targets, const QByteArray &text, int wParam)
{
    emit pageMessage(PageMessage{message, targets, wParam, text});
}

void ReplyDispatcher::setResult(int result, bool resultFinal, bool endExchange)
{
    CommandRecord &record = m_session.activeRecord();
    if (!resultFinal)
        record.resultCode = result;
    if (endExchange)
        record.inProgress = false;
}

void ReplyDispatcher::intake(const QByteArray &received)
{
    // 1. Empty text: ignore.
    if (received.isEmpty())
        return;
    // 2. No current command: ignore entirely.
    CommandRecord &record = m_session.activeRecord();
    const int code = record.commandCode;
    if (code == codes::None)
        return;
    // 3. The two final error results.
    bool resultFinal = false;
    if (received == "SMS format is error!") {
        record.resultCode = ResultDataError;
        record.inProgress = false;
        resultFinal = true;
    } else if (received == "Password is error!") {
        record.resultCode = ResultPasswordError;
        record.inProgress = false;
        resultFinal = true;
    }
    QByteArray text = received;
    // 4. The GSM modem's own acknowledgement is never dispatched.
    if (!isModemEcho(received)) {
        // 5. GSM reassembly; 6. the accumulator starts afresh after a whole reply.
        text = m_gsm.take(received, m_session.link() == LinkGsmModem);
        if (text.isEmpty())
            return; // more parts expected
        // 7.
        dispatch(code, text, resultFinal);
    }
    // 8. Display copy.
    emit dataLogEntry(dataLogsCopy(text));
}

void ReplyDispatcher::dispatch(int code, const QByteArray &text, bool resultFinal)
{
    if (code == codes::ConnectStatus || code == codes::Status) {
        connectTimeStatus(code, text, resultFinal);
    } else if (code == codes::Version) {
        setResult(ResultSuccess, resultFinal);
        send(msg::VersionReply, ToDeviceSetup, text); // WM_USER+9
    } else if (code == codes::ReadBlock1) {
        if (isBlock(text, "#STC1:")) {
            setResult(ResultSuccess, resultFinal);
            send(msg::Block1, ToDeviceSetup | ToRelayOutput, text); // WM_USER+5
        } else {
            setResult(ResultDataError, resultFinal);
        }
    } else if (code == codes::ReadBlock2) {
        if (isBlock(text, "#STC2:")) {
            setResult(ResultSuccess, resultFinal);
            send(msg::Block2, ToAnalogChannel | ToDigitalChannel, text); // WM_USER+6
        } else {
            setResult(ResultDataError, resultFinal);
        }
    } else if (code == codes::ReadBlock3) {
        if (isBlock(text, "#STC3:")) {
            setResult(ResultSuccess, resultFinal);
            send(msg::Block3, ToRelayOutput, text); // WM_USER+7
        } else {
            setResult(ResultDataError, resultFinal);
        }
    } else if (code == codes::Reset) {
        setResult(ResultSuccess, resultFinal);
    } else if (in(code, 11001, 11020) || in(code, 20031, 20038) || code == codes::Passwords) {
        deviceSetupFamily(code, text, resultFinal);
    } else if (code == codes::Calibration || code == 12100) {
        setResult(genericResult(text), resultFinal);
        send(msg::Calibration, ToAnalogChannel, text); // WM_USER+25
    } else if (code == codes::CalibrationRead || code == 12101) {
        setResult(ResultSuccess, resultFinal);
        send(msg::Calibration, ToAnalogChannel, text); // WM_USER+25
    } else if (isGenericRuleCode(code)) {
        setResult(genericResult(text), resultFinal);
    } else if (code == codes::DataRecord) {
        const bool query = m_session.dataQueryFlag;
        const bool download = m_session.dataDownloadFlag;
        if (text.contains("#STD:")) {
            setResult(ResultSuccess, resultFinal, query || download);
            if (query)
                send(msg::DataRecords, ToDataRecord, text, 0); // WM_USER+14
            if (download)
                send(msg::DataRecords, ToDataRecord, text, 1); // WM_USER+14
        } else if (text.contains("STA")) {
            setResult(ResultSuccess, resultFinal, query || download);
            if (query)
                send(msg::StatusReply, ToDataRecord, text, 0); // WM_USER+10
            if (download)
                send(msg::DataRecords, ToDataRecord, text, 2); // WM_USER+14
        } else {
            setResult(ResultDataError, resultFinal);
        }
    } else if (in(code, 19100, 19151)) {
        setResult(ResultSuccess, resultFinal);
        send(msg::AlarmText, ToAdAlarmMessage | ToInAlarmMessage, text); // WM_USER+50
    } else if (code == codes::ReadBlock4) {
        if (isBlock(text, "#STC4:")) {
            setResult(ResultSuccess, resultFinal);
            send(msg::Block4, ToAnalogChannel, text); // WM_USER+22
        } else {
            setResult(ResultDataError, resultFinal);
        }
    }
    // Any other code: no handling; the exchange runs until its time-out.
}

void ReplyDispatcher::deviceSetupFamily(int code, const QByteArray &text, bool resultFinal)
{
    if (text.contains("Set success!")) {
        CommandRecord &record = m_session.activeRecord();
        PhoneBook &book = m_session.phoneBook();
        const bool ethernet = m_session.onEthernet();
        if (code == codes::StationId) {
            const int p = record.lastText.indexOf("#ST:");
            if (p >= 0) {
                const QByteArray newId = record.lastText.mid(p + 4, 6);
                if (ethernet) {
                    const EthernetEntry e = book.CurrentEthernetEntry();
                    if (newId != e.connectId && book.EthernetIdExists(newId)) {
                        showMessage(QStringLiteral("The station ID %1 is already in the phone book: the entry %2 was kept as it is.")
                                        .arg(QString::fromLocal8Bit(newId), QString::fromLocal8Bit(e.connectId)));
                    } else if (newId != e.connectId) {
                        book.DeleteEthernetEntry(e.connectId);
                        send(msg::ReloadBook, ToPhoneBook, QByteArray(), 1); // WM_USER+16
                        book.AddEthernetEntry(newId, e.phone, e.enquiryPassword, e.setupPassword, e.deviceIp, e.deviceMac);
                        send(msg::ReloadBook, ToPhoneBook, QByteArray(), 1); // WM_USER+16
                        emit connectionListChanged(1);
                        book.SelectEthernetEntry(newId);
                        m_session.ethernetRecord().deviceId = newId;
                    }
                } else {
                    const GsmEntry e = book.CurrentGsmEntry();
                    if (newId != e.id && book.GsmIdExists(newId)) {
                        showMessage(QStringLiteral("The station ID %1 is already in the phone book: the entry %2 was kept as it is.")
                                        .arg(QString::fromLocal8Bit(newId), QString::fromLocal8Bit(e.id)));
                    } else if (newId != e.id) {
                        book.DeleteGsmEntry(e.id);
                        send(msg::ReloadBook, ToPhoneBook, QByteArray(), 0); // WM_USER+16
                        book.AddGsmEntry(newId, e.phone, e.enquiryPassword, e.setupPassword);
                        send(msg::ReloadBook, ToPhoneBook, QByteArray(), 0); // WM_USER+16
                        emit connectionListChanged(0);
                        book.SelectGsmEntry(newId);
                        m_session.serialRecord().deviceId = newId;
                    }
                }
            }
        } else if (code == codes::Passwords) {
            const int p = record.lastText.indexOf("#PS:");
            if (p >= 0) {
                const QByteArray enquiry = record.lastText.mid(p + 4, 6);
                const QByteArray setup = record.lastText.mid(p + 11, 6);
                if (ethernet) {
                    book.UpdateEthernetPasswords(book.CurrentEthernetEntry().connectId, enquiry, setup);
                    send(msg::ReloadBook, ToPhoneBook, QByteArray(), 1); // WM_USER+16
                } else {
                    book.UpdateGsmPasswords(book.CurrentGsmEntry().id, enquiry, setup);
                    send(msg::ReloadBook, ToPhoneBook, QByteArray(), 0); // WM_USER+16
                }
            }
        }
        setResult(ResultSuccess, resultFinal);
    } else if (text.contains("SET fail!")) {
        setResult(ResultRefused, resultFinal);
    } else if (text.contains("initialize succesed!")) {
        setResult(ResultSuccess, resultFinal);
    } else {
        setResult(ResultDataError, resultFinal);
    }
}

void ReplyDispatcher::connectTimeStatus(int code, const QByteArray &text, bool resultFinal)
{
    if (!text.contains("STA:")) {
        setResult(ResultDataError, resultFinal);
        return;
    }
    setResult(ResultSuccess, resultFinal);
    if (m_session.verified()) {
        if (code == codes::Status) {
            emit showSheetPage(6);
            send(msg::StatusReply, ToRelayOutput | ToDataRecord, text); // WM_USER+10
        }
        return;
    }
    DeviceProfile &profile = m_session.profile();
    profile.analogCount = 15;
    profile.digitalCount = int(GetItemValue(text, "K01:").value.size());
    profile.relayCount = int(GetItemValue(text, "O01:").value.size());
    m_session.setVerified(true);
    emit deviceVerified();
    if (m_session.onEthernet()) {
        // "%s#SE:0#" once, under its own code, with an empty last text and
        // no exchange of its own.
        Outgoing setup;
        setup.code = codes::EthernetSetup;
        setup.text = formatTemplate(templates::SetupState, {m_session.phoneBook().CurrentEthernetEntry().setupPassword, 0});
        setup.keepText = false;
        setup.start = Outgoing::Start::None;
        m_session.send(setup);
    }
    send(msg::FirstStatus, ToAnalogChannel | ToDigitalChannel | ToRelayOutput | ToDataRecord, text); // WM_USER+11
    emit enableSettingsSheet();
    m_session.activeRecord().stationIdText = text.mid(5, 6);
}

} // namespace kaspen
