#pragma once
// What sits between a line and the simulated logger:
//   Rs232     the logger on a cable: a command is the burst of bytes that
//             arrived before a short quiet gap; the answer goes back as it is.
//   GsmModem  a GSM modem on the line, the logger behind it: the program
//             writes "AT+BJSD=len,phone,text\r\n"; the modem acknowledges,
//             sends the text to the logger as an SMS and passes the logger's
//             reply back as SMS parts, each arriving as a text of its own.
//             "AT+BJTE" and "AT+BJDS" are answered by the modem itself.
//   Auto      the demo port: a burst that starts with "AT" goes to the modem,
//             anything else straight to the logger, so the demo serves both
//             serial links of the program.
// Whatever goes out is paced at the line's baud rate (PacedWriter). The
// Ethernet module front-end will take datagrams to the same Logger.

#include "sim/Faults.h"
#include "sim/Logger.h"
#include "sim/PacedWriter.h"

#include <QObject>
#include <QTimer>

namespace kaspen::sim {

struct FrontendTiming {
    int answerDelayMs = 20;   // cable: the logger's time to answer (a few tens of ms)
    int commandGapMs = 20;    // cable: quiet time that ends a command (some character times)
    int modemAckDelayMs = 100; // modem: time to acknowledge AT+BJSD
    int smsDelayMs = 1500;    // modem: from the acknowledgement to the first SMS part
    int smsGapMs = 700;       // modem: between SMS parts (must exceed 200 ms)
    int lineTimeoutMs = 300;  // modem: a line without CR LF is taken after this
};

class Frontend : public QObject {
    Q_OBJECT
public:
    enum class Kind { Rs232, GsmModem, Auto };

    Frontend(Logger &logger, Kind kind, QObject *parent = nullptr);

    Kind kind() const { return m_kind; }
    Logger &logger() { return m_logger; }
    PacedWriter &writer() { return m_writer; }

    void setBaud(int baud) { m_writer.setBaud(baud); }
    void setTiming(const FrontendTiming &t) { m_timing = t; }
    const FrontendTiming &timing() const { return m_timing; }
    void setFault(const FaultPlan &f) { m_fault = f; }
    const FaultPlan &fault() const { return m_fault; }

    // Bytes that arrived from the line.
    void receive(const QByteArray &bytes);
    // The line closed: forget what is half received and not yet sent.
    void reset();

signals:
    void output(const QByteArray &chunk); // bytes for the line, paced
    void closeRequested();                // the "close" fault: close the line now
    // Whole texts for a traffic log: "RX" received command or modem line,
    // "TX" a text as it starts to go out, "SM" the logger's reply that the
    // modem relays (before it is cut into SMS parts), "--" a remark.
    void traffic(const QString &direction, const QByteArray &text);
    void stateChanged(); // the logger's state changed (worth saving)

private:
    void onQuiet();
    void takeModemLines();
    void handleModemLine(const QByteArray &line);
    void answerNoise();
    void answerDirect(const QByteArray &command);
    void queue(const QList<OutStep> &steps);
    QByteArray askLogger(const QByteArray &command);

    Logger &m_logger;
    Kind m_kind;
    PacedWriter m_writer;
    FrontendTiming m_timing;
    FaultPlan m_fault;
    QByteArray m_in;
    bool m_noiseAnswered = false; // this burst of noise has had its "ERROR"
    // The longest line the modem keeps: "AT+BJSD=", the number, the text.
    static constexpr int ModemLineMax = 512;
    QTimer m_quiet;
};

} // namespace kaspen::sim
