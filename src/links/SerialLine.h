#pragma once
// A serial line as the program sees it: a real port, or the demo logger that
// lives in the program itself. Received text is delivered once the line has
// been quiet for 200 ms, as one text (WM_USER+1 to the main window).

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

namespace kaspen {

class SerialLine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialLine() override = default;

    // 1 when the line is open and receiving, 0 otherwise (closed again).
    virtual int open() = 0;
    // Stops receiving and closes the line. Text collected so far is delivered
    // first, so nothing that arrived is lost. Returns 1.
    virtual int close() = 0;
    virtual bool isOpen() const = 0;
    // 1 if written, 0 if the line is closed or the write failed at once.
    // Discards bytes that were received but not yet read (the purge).
    virtual int write(const QByteArray &bytes) = 0;
    // Human-readable name ("/dev/pts/3", "COM4", the demo port's text)
    virtual QString name() const = 0;

signals:
    void textReceived(const QByteArray &text); // WM_USER+1
    // The line went away by itself (cable pulled, peer gone); it is closed.
    void lineLost(const QString &reason);
};

// The baud rates a port accepts; any other request becomes 9600.
int normalizedBaudRate(int requested);

// The port number of a "COM%d" name: the last character when the text is
// four characters long (COM1 ... COM9), otherwise its last two characters.
int comPortNumber(const QString &text);

// The text shown for the in-process demo logger in the port list.
QString demoPortName();

// Creates the line for a port list text: the demo logger for demoPortName(),
// otherwise a real serial port ("COMn" by number on Windows, a device path
// elsewhere).
std::unique_ptr<SerialLine> createSerialLine(const QString &portText, int baud, int modelCode, QObject *parent = nullptr);

// The demo logger's line (an in-process simulated logger of the given model,
// 7 ORVEL-A or 13 ORVEL-B); nullptr where the demo is not built in.
std::unique_ptr<SerialLine> createDemoLine(int modelCode, QObject *parent);

} // namespace kaspen
