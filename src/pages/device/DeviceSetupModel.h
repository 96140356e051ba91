#pragma once
// The Device Setup page without its windows: the values of every control,
// the three interval lists and their command codes, the field rules, the
// page's command guard, the set buttons and the decoding of the "#STC1:"
// record. The widget page (DeviceSetupPage) and kaspen-cli both drive it.

#include "session/PageMessages.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <array>

namespace kaspen {

class Session;

class DeviceSetupModel : public QObject {
    Q_OBJECT
public:
    // Command codes of this page (the batch command table keys and the codes
    // the exchange runs under).
    static constexpr int CodeStationId = 11002;
    static constexpr int CodeDateTime = 11004;
    static constexpr int CodeLogInterval = 11005;
    static constexpr int CodeEthernetUpload = 11006;
    static constexpr int CodeSmsUpload = 11007;
    static constexpr int CodeAlarmPhoneBase = 20030; // + n for AP1 ... AP8
    static constexpr int CodePasswords = 20050;

    static constexpr int AlarmPhoneCount = 8;
    static constexpr int IdLength = 6;         // Station ID and passwords
    static constexpr int PhoneMaxLength = 19;  // control centre and alarm phones

    // Texts of the Reset button.
    static constexpr const char *ResetEnquiryPassword = "271828";
    static constexpr const char *ResetSetupPassword = "314159";

    explicit DeviceSetupModel(Session &session, QObject *parent = nullptr);

    // The three lists, entries in screen order (unsorted).
    static const QList<QByteArray> &loggingIntervals();       // command SA
    static const QList<QByteArray> &ethernetUploadIntervals(); // command SD
    static const QList<QByteArray> &smsUploadIntervals();      // command CP
    // The code an entry carries. SA by the first two characters of the
    // entry, SD and CP by the whole text; empty for an unknown text.
    static QByteArray loggingCode(const QByteArray &entry);        // "0" ... "5"
    static QByteArray ethernetUploadCode(const QByteArray &entry); // "00" ... "13"
    static QByteArray smsUploadCode(const QByteArray &entry);      // "0" ... "9"
    // The list position an SA code selects; -1 when none (codes 6 to 9).
    static int loggingIndexForCode(int code);

    // False on ORVEL-A: the Ethernet Upload Setup group is not shown.
    bool hasEthernetUpload() const;

    // Control values. Setters store what was typed and apply the rules that
    // run on every change (the 19-character limit of the phone numbers).
    const QByteArray &stationId() const { return m_stationId; }
    const QByteArray &enquiryPassword() const { return m_enquiry; }
    const QByteArray &setupPassword() const { return m_setup; }
    const QByteArray &dateTime() const { return m_dateTime; }
    const QByteArray &controlCentre() const { return m_controlCentre; }
    const QByteArray &alarmPhone(int n) const; // n = 1 ... 8
    int loggingIndex() const { return m_logging; }          // -1: no selection
    int ethernetUploadIndex() const { return m_ethernetUpload; }
    int smsUploadIndex() const { return m_smsUpload; }
    bool gsmModuleOn() const { return m_gsmModule; }        // lamp green
    bool simCardOn() const { return m_simCard; }
    int signalStrength() const { return m_signal; }         // 0 ... 100
    const QByteArray &info() const { return m_info; }

    void setStationId(const QByteArray &text);
    void setEnquiryPassword(const QByteArray &text);
    void setSetupPassword(const QByteArray &text);
    void setDateTime(const QByteArray &text);
    void setControlCentre(const QByteArray &text);
    void setAlarmPhone(int n, const QByteArray &text);
    void setLoggingIndex(int index);
    void setEthernetUploadIndex(int index);
    void setSmsUploadIndex(int index);

    // Leaving Station ID or a password field: more than six characters are
    // refused (message, field emptied), anything else is zero-padded to six.
    void leaveStationId();
    void leaveEnquiryPassword();
    void leaveSetupPassword();

    // The "..." button: the clock's local time as yymmddHHMM.
    void fillDateTimeNow();

    // The page's command guard; shows the first refusal and returns false.
    bool commandGuard();

    // The set buttons. Each runs the guard and its own checks, records the
    // bare text in the batch command table, submits it and (all but Reset)
    // adds the Send Command logs entry. True when the text was handed on.
    bool sendStationId();
    bool sendPasswords();
    bool sendReset();
    bool sendDateTime();
    bool sendLoggingInterval();
    bool sendEthernetUpload();
    bool sendSmsUpload();
    bool sendAlarmPhone(int n); // n = 1 ... 8

    // Messages from the main window: Block1 (WM_USER+5), VersionReply
    // (WM_USER+9) and ClearFields (WM_USER+15). Others are ignored.
    void handleMessage(const PageMessage &m);
    void readBlock1(const QByteArray &record);
    void showInfo(const QByteArray &text);
    void clear();

signals:
    // Any control value changed; the widgets refresh from the getters.
    void changed();

private:
    QByteArray setupPw();
    bool submit(int code, const QByteArray &text, bool log, bool storeStationId = false);
    bool leaveIdField(QByteArray &field, bool errorBox, const char *message);
    bool limitPhone(QByteArray &field, const QByteArray &text);

    Session &m_session;
    QByteArray m_stationId, m_enquiry, m_setup, m_dateTime, m_controlCentre, m_info;
    std::array<QByteArray, AlarmPhoneCount> m_alarmPhones;
    int m_logging = -1;
    int m_ethernetUpload = -1;
    int m_smsUpload = -1;
    bool m_gsmModule = false;
    bool m_simCard = false;
    int m_signal = 0;
};

} // namespace kaspen
