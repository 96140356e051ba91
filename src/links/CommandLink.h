#pragma once
// A carrier of command texts to one logger: the serial port (RS232 cable or
// GSM modem), the demo line with its in-process logger, the UDP link through
// the logger's Ethernet module. The session holds one per carrier and sends
// through the active one; nobody else writes to a carrier.
//
// The carrier owns reply delivery: whatever arrives is handed on as one reply
// text with replyReceived() (WM_USER+1 to the main window). A byte stream
// (serial port, demo line) feeds collect(): the text is delivered once the
// line has been quiet for QuietMs. A carrier that receives whole replies (one
// datagram each) calls deliver() instead.
//
// A new carrier derives from this class, implements open/close/isOpen/write/
// name and kind(), feeds what it receives to collect() or deliver(), and
// reports a loss with lost(). Session::installLink() takes it into the slot
// of its kind; Session::send() writes to it when its kind is the active one.
//
// Everything runs on the thread that owns the object; nothing blocks.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace kaspen {

// Which carrier a link is, and so which command record and phone book its
// commands use: Serial (RS232 and GSM modem, the real port or the demo line)
// or Ethernet (the UDP link to the module).
enum class LinkKind { Serial, Ethernet };

class CommandLink : public QObject {
    Q_OBJECT
public:
    explicit CommandLink(QObject *parent = nullptr);
    ~CommandLink() override;

    virtual LinkKind kind() const = 0;
    // 1 when the link is open and receiving, 0 otherwise (closed again).
    virtual int open() = 0;
    // Stops receiving and closes the link. Text collected so far is
    // delivered first (flush()), so nothing that arrived is lost. Returns 1.
    virtual int close() = 0;
    virtual bool isOpen() const = 0;
    // 1 if written, 0 if the link is closed or the write failed at once.
    virtual int write(const QByteArray &bytes) = 0;
    // Human-readable name ("/dev/pts/3", "COM4", the demo port's text, an
    // address and port).
    virtual QString name() const = 0;

    // The quiet gap after which collected text is delivered.
    static constexpr int QuietMs = 200;

signals:
    void replyReceived(const QByteArray &text); // WM_USER+1
    // The link went away by itself (cable pulled, peer gone); it is closed.
    void lost(const QString &reason);

protected:
    // A chunk of a byte stream: delivered with what follows once the link
    // has been quiet for QuietMs.
    void collect(const QByteArray &chunk);
    // Delivers what has been collected now (nothing when empty).
    void flush();
    // Stops the quiet-gap timer and forgets what was collected (a fresh open).
    void discardCollected();
    // One whole reply, delivered at once.
    void deliver(const QByteArray &reply);

private:
    QByteArray m_collected;
    QTimer m_quiet;
};

} // namespace kaspen
