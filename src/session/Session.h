#pragma once
// The program-wide records that the main window, the pages and the batch
// runner share: model, link, device profile, the two command records, the
// batch command table and the serial line. One Session per main window (and
// one per kaspen-cli run).

#include "session/PageMessages.h"
#include "links/CommandLink.h"
#include "protocol/CommandRecord.h"
#include "protocol/CommandText.h"
#include "records/BatchCommandTable.h"
#include "records/PhoneBook.h"

#include <QObject>
#include <memory>

namespace kaspen {

// Model codes (kept as numbers in files and messages)
enum ModelCode : int {
    ModelOrvelA = 7,
    ModelOrvelB = 13,
    ModelOrvelC = 2,
};
QString modelName(int modelCode); // "ORVEL-A", "ORVEL-B", "ORVEL-C"
QString linkName(int link);       // "RS232", "GSM Modem", "Ethernet"

// Which carrier a command goes on: the active link's (the Ethernet link on
// Ethernet, the serial line otherwise), or the serial line whatever the link
// (the serial Connection list, the reset shortcut).
enum class Route { Active, Serial };

// One command for Session::send.
struct Outgoing {
    enum class Framing { ForLink, AsIs };
    enum class Start { Posted, AtOnce, None };
    enum class Log { None, AsSent, AsGiven };

    int code = codes::None;
    QByteArray text;
    // ForLink: the GSM modem wraps the text in its AT+BJSD command; AsIs: the
    // text goes out as it is (the modem's own commands, batch texts).
    Framing framing = Framing::ForLink;
    // Not empty: what is written is this hexadecimal form converted to bytes
    // (the record still keeps the text).
    QByteArray hexForm;
    // Posted: WM_USER+2 is posted, the exchange starts once the caller's
    // handler has returned. AtOnce: it starts before send() returns. None: no
    // exchange (a text sent once, no reply awaited).
    Start start = Start::Posted;
    // WM_USER+30: the text as sent, the text as given, or no entry.
    Log log = Log::None;
    // False: the record's last text is emptied instead of kept.
    bool keepText = true;
    // Not empty: becomes the record's station ID text once the text has been
    // written (before the WM_USER+30 entry); a failed send keeps the old one.
    QByteArray stationIdText;
    Route route = Route::Active;
    // Shown when the carrier is not open (nothing is sent then); empty: none.
    QString closedMessage;
};

// The command guard, with the differences between its callers as values.
// Checks in order: connection, command in progress, current entry (ID, phone
// number, the "NULL" phone rule, Enquiry and Setup passwords). Texts per
// carrier: the serial texts on the serial links, the Ethernet texts on
// Ethernet.
struct CommandGuard {
    Route route = Route::Active;
    // Shown when the carrier is not open; empty: not checked.
    QString notConnectedSerial, notConnectedEthernet;
    QString inProgress = QStringLiteral("Command is in progress...");
    bool checkEntry = true;
    QString selectIdSerial = QStringLiteral("Before Setup Command ,please Select Device ID!");
    QString selectIdEthernet = QStringLiteral("Before Setup Command ,please Select Device ID!");
    // "Device Phone Number is %1 ,please Edit Phone Book!" and the two
    // password texts: "NULL" or "empty".
    QString missingSerial = QStringLiteral("NULL"), missingEthernet = QStringLiteral("NULL");
    // On the serial links an entry whose number is the word NULL (a logger on
    // a plain cable without SIM) passes without the password tests, with the
    // message "command success".
    bool nullPhonePasses = false;

    // The main window's guard: no connect check unless connectFirst (then
    // "Before Setup Command ,please Connect First!" on Ethernet).
    static CommandGuard mainWindow(Route route = Route::Active, bool connectFirst = false);
    // The settings pages' guard (Device Setup): connect check, the "NULL"
    // phone rule.
    static CommandGuard settingsPage();
};

struct DeviceProfile {
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
    Link link() const { return m_link; }
    void setLink(Link link) { m_link = link; }
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

    // The carriers: one per kind (the serial line, the Ethernet link), each
    // owned here. installLink replaces the carrier of the link's kind; the
    // session hands on what it receives (replyReceived, WM_USER+1) and its
    // loss. Null when there is none.
    void installLink(std::unique_ptr<CommandLink> link);
    std::unique_ptr<CommandLink> takeLink(LinkKind kind);
    CommandLink *carrier(LinkKind kind) const;
    // The carrier commands go on: the Ethernet link on Ethernet, the serial
    // line otherwise.
    CommandLink *activeCarrier() const { return carrier(onEthernet() ? LinkKind::Ethernet : LinkKind::Serial); }

    // The serial line (real port or demo logger); null when none is open.
    CommandLink *serialLine() const { return carrier(LinkKind::Serial); }
    void setSerialLine(std::unique_ptr<CommandLink> line) { installLink(std::move(line)); }
    std::unique_ptr<CommandLink> takeSerialLine() { return takeLink(LinkKind::Serial); }
    bool serialOpen() const { return serialLine() && serialLine()->isOpen(); }
    // Where the active link goes: the port's name, or the module's address
    // on Ethernet; empty when nothing is open.
    QString endpointName() const;

    // The Ethernet link is open.
    bool ethernetConnected() const;

    // The one command guard: shows the refusal and returns false, or
    // returns true.
    bool guard(const CommandGuard &rules);
    // The main window's guard, serial or Ethernet form by the link.
    bool mainCommandGuard() { return guard(CommandGuard::mainWindow()); }
    bool serialCommandGuard() { return guard(CommandGuard::mainWindow(Route::Serial)); }

    // The one send path: frames the text for the link, stores it (or an
    // empty text) and the code in the command record of the carrier, writes
    // it, starts the exchange as asked and adds the WM_USER+30 entry. False
    // (nothing started, nothing logged) when the carrier is missing or
    // closed, or the write failed.
    bool send(const Outgoing &command);

    // SubmitCommand, the pages' form: frames, stores, writes, posts
    // WM_USER+2 and logs the text as sent unless log is false.
    bool SubmitCommand(int code, const QByteArray &text, bool log = true);

    // The text as the active link would send it (wrapped on the GSM modem).
    QByteArray framed(const QByteArray &text);

signals:
    void commandSent();                                           // WM_USER+2 (posted)
    void progressRequested();                                     // WM_USER+20
    void sendLogEntry(const QByteArray &text);                    // WM_USER+30
    void serialTextReceived(const QByteArray &text);              // WM_USER+1 from the serial line
    void serialLineLost(const QString &reason);
    void ethernetTextReceived(const QByteArray &text);            // WM_USER+1 from the Ethernet link
    void ethernetLinkLost(const QString &reason);
    // Bytes went out on a carrier (every sender; the log journal's feed).
    void bytesWritten(const QByteArray &bytes);

private:
    DeviceProfile m_profile;
    Link m_link = LinkRs232;
    CommandRecord m_serial;
    CommandRecord m_ethernet;
    bool m_verified = false;
    bool m_ipSent = false;
    PhoneBook m_phoneBook;
    BatchCommandTable m_batch;
    std::unique_ptr<CommandLink> m_serialLine;
    std::unique_ptr<CommandLink> m_ethernetLink;
};

} // namespace kaspen
