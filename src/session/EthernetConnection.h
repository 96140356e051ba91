#pragma once
// The Ethernet connection of the main window: the checks before connecting,
// Connect / Disconnect with the connect-time status query, and Save & Exit.
// The UDP link it opens is the session's Ethernet carrier: every command
// goes out through the session's one send path, every reply comes in
// through the session (WM_USER+1).

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

    // The open UDP link, or null.
    UdpLink *link() const;
    bool isOpen() const;

    // The Connect / Disconnect button (1354). connectionIdText is the
    // Connection ID list's text. True when the connection changed state.
    bool toggle(const QByteArray &connectionIdText);
    // Closes the link after an unverified connect-time exchange ran out.
    void connectTimedOut();
    // The device answered the connect-time query.
    void verified();

    // Save & Exit: on an open Ethernet connection sends "%s#SE:1#" once with
    // the Setup password (empty last text, code 20039, no exchange). True
    // when it was sent; the caller then ends the program.
    bool saveAndExit();

signals:
    void connectionChanged(bool open);
    void pageMessage(const kaspen::PageMessage &m);
    void ignoredDatagram(const QByteArray &description); // for the Data Logs
    // A note for the status area ("PC address 192.168.1.5").
    void statusNote(const QString &text);

private:
    void close();
    void sendConnectQuery();

    Session &m_session;
    EthernetModules &m_modules;
};

} // namespace kaspen
