#pragma once
// The demo port: a serial line whose far end is a simulated logger inside
// the program. It behaves like a real port: replies come at 9600 baud and
// are delivered once the line has been quiet for 200 ms; on the GSM modem
// link a modem sits in front of the logger (texts written as AT+BJSD go to
// it), on RS232 the logger answers directly.

#include "links/SerialLine.h"

namespace kaspen::sim {
class Frontend;
class Logger;
} // namespace kaspen::sim

namespace kaspen {

class DemoLine : public SerialLine {
    Q_OBJECT
public:
    DemoLine(int modelCode, QObject *parent = nullptr);
    ~DemoLine() override;

    int open() override;
    int close() override;
    bool isOpen() const override;
    int write(const QByteArray &bytes) override;
    QString name() const override;

    // The simulated logger behind the line (shared by every demo line of the
    // model for the whole program run) and, while open, its front-end (for
    // tests: faults and timings).
    sim::Logger &logger() { return m_logger; }
    sim::Frontend *frontend() { return m_frontend; }

private:

    sim::Logger &m_logger;
    sim::Frontend *m_frontend = nullptr;
};

} // namespace kaspen
