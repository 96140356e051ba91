#pragma once
// The program-wide records that the main window, the pages and the batch
// runner share: model, link, device profile, the two command records, the
// batch command table and the serial line. One Session per main window (and
// one per kaspen-cli run).

#include "session/PageMessages.h"
#include "links/SerialLine.h"
#include "protocol/CommandRecord.h"
#include "protocol/CommandText.h"
#include "records/BatchCommandTable.h"
#include "records/PhoneBook.h"

#include <QObject>
#include <memory>

namespace kaspen {

// Model codes
inline constexpr int ModelOrvelA = 7;
inline constexpr int ModelOrvelB = 13;
inline constexpr int ModelOrvelC = 2;
QString modelName(int modelCode); // "ORVEL-A", "ORVEL-B", "ORVEL-C"

struct DeviceProfile {
    // The most either model can have: the Relay Output page addresses a
    // relay by one digit, the Digital/Pulse Channel page has sixteen input
    // rows. A status record that claims more is a data error.
    static constexpr int MaxRelays = 9;
    static constexpr int MaxDigitalInputs = 16;

    int modelCode = 0;
    int analogCount = 0;
    int digitalCount = 0;
    int relayCount = 0;
    bool humidityCalibration = false;
};

// The current phone book entry of the active link, in one shape.
struct CurrentEntry {
    QByteArray id, phone, enquiryPassword, setupPassword;
};

class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(int modelCode, QObject *parent = nullptr);
    ~Session() override;

    int modelCode() const { return m_profile.modelCode; }
    DeviceProfile &profile() { return m_profile; }
    const DeviceProfile &profile() const { return m_profile; }

    // Program-wide copy of the link: 0 RS232, 1 GSM modem, 2 Ethernet.
    int link() const { return m_link; }
    void setLink(int link) { m_link = link; }
    bool onEthernet() const { return m_link == LinkEthernet; }

    CommandRecord &serialRecord() { return m_serial; }
    CommandRecord &ethernetRecord() { return m_ethernet; }
    // The Ethernet record on the Ethernet link, the serial record otherwise.
    CommandRecord &activeRecord() { return onEthernet() ? m_ethernet : m_serial; }
    const CommandRecord &activeRecord() const { return m_link == LinkEthernet ? m_ethernet : m_serial; }

    // Set once the device has answered the connect-time status query.
    bool verified() const { return m_verified; }
    void setVerified(bool v) { m_verified = v; }

    // Set once the batch runner has sent an "#IP" command: a refused command
    // is then reported as "Command Success".
    bool ipCommandSent() const { return m_ipSent; }
    void setIpCommandSent(bool v) { m_ipSent = v; }

    // The Data Record page's "query" and "download" flags, set before it sends.
    bool dataQueryFlag = false;
    bool dataDownloadFlag = false;

    PhoneBook &phoneBook() { return m_phoneBook; }
    BatchCommandTable &batchTable() { return m_batch; }

    // The current entry of the active link's book.
    CurrentEntry currentEntry();

    // The serial line (real port or demo logger); null when none is open.
    SerialLine *serialLine() const { return m_line.get(); }
    void setSerialLine(std::unique_ptr<SerialLine> line);
    std::unique_ptr<SerialLine> takeSerialLine();
    bool serialOpen() const { return m_line && m_line->isOpen(); }
    // Writes bytes to the serial line; false when it is closed or the write failed.
    bool writeSerial(const QByteArray &bytes);

    // Ethernet connection state (the Ethernet link sets it).
    bool ethernetConnected() const { return m_ethernetConnected; }
    void setEthernetConnected(bool v) { m_ethernetConnected = v; }

    // The main window's command guard, serial or Ethernet form by the link:
    // shows the refusal and returns false, or returns true.
    bool mainCommandGuard();
    bool serialCommandGuard();
    bool ethernetCommandGuard();

    // SubmitCommand: hands one command text to the active link under code.
    // Ethernet: WM_USER+33 then WM_USER+34. Serial: wraps for the GSM modem,
    // stores text and code in the serial record, writes, and on success posts
    // WM_USER+2. Then WM_USER+30 with the text as sent, unless log is false.
    // Returns true when the text was handed on.
    bool SubmitCommand(int code, const QByteArray &text, bool log = true);

    // The text as the active link would send it (wrapped on the GSM modem).
    QByteArray framed(const QByteArray &text);

signals:
    void commandSent();                                           // WM_USER+2 (posted)
    void progressRequested();                                     // WM_USER+20
    void sendLogEntry(const QByteArray &text);                    // WM_USER+30
    void ethernetStoreCommand(int code, const QByteArray &text);  // WM_USER+33
    void ethernetSendCommand(int hexadecimal, const QByteArray &text); // WM_USER+34
    void serialTextReceived(const QByteArray &text);              // WM_USER+1 from the serial line
    void serialLineLost(const QString &reason);

private:
    DeviceProfile m_profile;
    int m_link = LinkRs232;
    CommandRecord m_serial;
    CommandRecord m_ethernet;
    bool m_verified = false;
    bool m_ipSent = false;
    bool m_ethernetConnected = false;
    PhoneBook m_phoneBook;
    BatchCommandTable m_batch;
    std::unique_ptr<SerialLine> m_line;
};

} // namespace kaspen
