#pragma once
// The Ethernet link: each command text goes as one UDP datagram to the
// module's data port, and the logger's replies come back as datagrams to the
// PC's local port (the module's fourth client).
//
// Receiving waits 100 ms after each read notification, then takes every
// datagram that has arrived, whole (no size limit of its own). Only
// datagrams from the module's address are replies: any other sender's is
// reported through datagramIgnored (at most IgnoredReportsPerRound of them
// one by one per round, then their count), never taken as a reply.

#include "links/CommandLink.h"

#include <QHostAddress>
#include <QTimer>

class QUdpSocket;

namespace kaspen {

class UdpLink : public CommandLink {
    Q_OBJECT
public:
    static constexpr int ReceiveWaitMs = 100;
    static constexpr int IgnoredReportsPerRound = 5;
    static constexpr int MaxDatagramsPerRound = 4096;

    explicit UdpLink(QObject *parent = nullptr);
    ~UdpLink() override;

    LinkKind kind() const override { return LinkKind::Ethernet; }

    // Where commands go: the module's IP text and data port.
    void setDestination(const QByteArray &host, int port);
    QByteArray destinationHost() const { return m_host; }
    int destinationPort() const { return m_port; }
    // The PC's local port (the module's C1_CLI_PP4) and address.
    void setLocal(int port, const QByteArray &pcIp);
    int localPort() const { return m_localPort; }

    // Binds the local port on every local address. 0 when it cannot be
    // bound: the link stays closed and errorText() says why.
    int open() override;
    int close() override;
    bool isOpen() const override;
    // One datagram to the destination; 1 when it went out whole.
    int write(const QByteArray &bytes) override;
    QString name() const override;
    QString errorText() const { return m_error; }

    // Counts since open (tests, status views).
    int repliesReceived() const { return m_replies; }
    int datagramsIgnored() const { return m_ignored; }

signals:
    // A datagram from another sender than the module, described for the
    // Data Logs ("Ignored ... from 127.0.0.5:40000").
    void datagramIgnored(const QByteArray &description);

private:
    void onReadyRead();
    void receiveRound();

    QUdpSocket *m_socket = nullptr;
    QByteArray m_host;
    QHostAddress m_hostAddress;
    int m_port = 0;
    int m_localPort = 0;
    QByteArray m_pcIp;
    QString m_error;
    QTimer m_wait;
    int m_replies = 0;
    int m_ignored = 0;
};

} // namespace kaspen
