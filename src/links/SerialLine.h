#pragma once
// A serial line as the program sees it: a real port, or the demo logger that
// lives in the program itself. A byte stream: received text is delivered once
// the line has been quiet for 200 ms, as one reply (CommandLink::collect).
// write() discards bytes received but not yet read (the purge).

#include "links/CommandLink.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace kaspen {

class SerialLine : public CommandLink {
    Q_OBJECT
public:
    using CommandLink::CommandLink;
    ~SerialLine() override = default;

    LinkKind kind() const final { return LinkKind::Serial; }
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
