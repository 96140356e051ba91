#pragma once
// The Ethernet connection of the main window: the checks before connecting,
// Connect / Disconnect, the connect-time status query, the two messages
// through which pages and the batch runner send (WM_USER+33 store,
// WM_USER+34 send), the main window's own direct sends and Save & Exit.

#include "links/UdpLink.h"
#include "session/PageMessages.h"

#include <QByteArray>
#include <QObject>

namespace kaspen {

class EthernetModules;
class Session;

class EthernetConnection : public QObject {
    Q_OBJECT
public:
    EthernetConnection(Session &session, EthernetModules &modules, QObject *parent = nullptr);
    ~EthernetConnection() override;

    UdpLink &link() { return m_link; }
    bool isOpen() const { return m_link.isOpen(); }

    // The Connect / Disconnect button (1354). connectionIdText is the
    // Connection ID list's text. True when the connection changed state.
    bool toggle(const QByteArray &connectionIdText);
    // Closes the link after an unverified connect-time exchange ran out.
    void connectTimedOut();
    // The device answered the connect-time query.
    void verified();

    // WM_USER+33: store text and code in the Ethernet record (20039 and
    // 20040 get the Setup password in front).
    void storeCommand(int code, const QByteArray &text);
    // WM_USER+34: send (hexadecimal = 1: converted first); on success the
    // exchange starts (WM_USER+2, posted). False when nothing went out.
    bool sendCommand(int hexadecimal, const QByteArray &text);
    // The main window's own commands: one datagram, nothing else.
    bool sendDirect(const QByteArray &text);

    // Save & Exit: on an open Ethernet connection sends "%s#SE:1#" once with
    // the Setup password (empty last text, code 20039). True when it was
    // sent; the caller then ends the program.
    bool saveAndExit();

signals:
    void connectionChanged(bool open);
    void pageMessage(const kaspen::PageMessage &m);
    void textReceived(const QByteArray &text);       // WM_USER+1 from the UDP link
    void ignoredDatagram(const QByteArray &description); // for the Data Logs
    // A note for the status area ("PC address 192.168.1.5").
    void statusNote(const QString &text);

private:
    void close();

    Session &m_session;
    EthernetModules &m_modules;
    UdpLink m_link;
};

} // namespace kaspen
