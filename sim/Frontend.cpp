#include "sim/Frontend.h"
#include "sim/GsmModem.h"

namespace kaspen::sim {

Frontend::Frontend(Logger &logger, Kind kind, QObject *parent)
    : QObject(parent), m_logger(logger), m_kind(kind), m_writer(9600, this)
{
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &Frontend::onQuiet);
    connect(&m_writer, &PacedWriter::output, this, &Frontend::output);
    connect(&m_writer, &PacedWriter::closeRequested, this, &Frontend::closeRequested);
    connect(&m_writer, &PacedWriter::sending, this, [this](const QByteArray &b) { emit traffic(QStringLiteral("TX"), b); });
}

void Frontend::reset()
{
    m_in.clear();
    m_quiet.stop();
    m_writer.clear();
}

void Frontend::receive(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_in += bytes;
    const bool modem = m_kind == Kind::GsmModem || (m_kind == Kind::Auto && m_in.startsWith("AT"));
    if (modem) {
        takeModemLines();
        // A "line" longer than any command is noise: the modem keeps no more
        // of it than its command buffer holds.
        if (m_in.size() > ModemLineMax) {
            m_in.clear();
            answerNoise();
        }
        // The quiet gap ends a burst (and takes a line without CR LF).
        m_quiet.start(m_timing.lineTimeoutMs);
    } else {
        m_quiet.start(m_timing.commandGapMs);
    }
}

void Frontend::onQuiet()
{
    const QByteArray text = m_in;
    m_in.clear();
    if (!text.isEmpty()) {
        if (m_kind == Kind::GsmModem || (m_kind == Kind::Auto && text.startsWith("AT")))
            handleModemLine(text.trimmed());
        else
            answerDirect(text);
    }
    // The burst is over: the next noise gets its "ERROR" again.
    m_noiseAnswered = false;
}

void Frontend::answerNoise()
{
    // A modem answers a burst of line noise once, not once per line of it:
    // otherwise its answers pile up and the next real command waits behind
    // them.
    if (m_noiseAnswered)
        return;
    m_noiseAnswered = true;
    queue({{m_timing.modemAckDelayMs, modem::Error, false}});
}

void Frontend::takeModemLines()
{
    for (;;) {
        int end = -1;
        for (int i = 0; i < m_in.size(); ++i) {
            if (m_in.at(i) == '\r' || m_in.at(i) == '\n') {
                end = i;
                break;
            }
        }
        if (end < 0)
            return;
        const QByteArray line = m_in.left(end);
        int next = end;
        while (next < m_in.size() && (m_in.at(next) == '\r' || m_in.at(next) == '\n'))
            ++next;
        m_in.remove(0, next);
        if (!line.isEmpty())
            handleModemLine(line);
    }
}

QByteArray Frontend::askLogger(const QByteArray &command)
{
    const QByteArray reply = m_logger.answer(command);
    if (m_logger.takeChanged())
        emit stateChanged();
    return reply;
}

void Frontend::answerDirect(const QByteArray &command)
{
    emit traffic(QStringLiteral("RX"), command);
    const QByteArray reply = askLogger(command);
    if (reply.isEmpty())
        return;
    const FaultKind fault = m_fault.take();
    queue(applyFault(fault, m_fault.ms, {{m_timing.answerDelayMs, spoilReply(fault, reply), false}}));
}

void Frontend::handleModemLine(const QByteArray &line)
{
    const bool command = line.startsWith("AT");
    if (!command && !(m_kind == Kind::Auto && !line.startsWith("AT"))) {
        if (!m_noiseAnswered)
            emit traffic(QStringLiteral("RX"), line.left(ModemLineMax));
        answerNoise();
        return;
    }
    emit traffic(QStringLiteral("RX"), line);
    // A real command: whatever noise came before it is forgotten.
    m_noiseAnswered = false;
    if (line.startsWith("AT+BJSD")) {
        const auto send = parseModemSend(line);
        if (!send || !send->lengthMatches() || send->text.isEmpty() || send->text.size() > SmsMaxLength) {
            queue({{m_timing.modemAckDelayMs, modem::SendRefused, false}});
            return;
        }
        QList<OutStep> steps{{m_timing.modemAckDelayMs, modem::SendAccepted, false}};
        if (send->phone != m_logger.state().phone) {
            // The SMS goes to some other number; nobody answers.
            emit traffic(QStringLiteral("--"), "SMS to " + send->phone + ", not this logger's number");
            queue(steps);
            return;
        }
        const QByteArray reply = askLogger(send->text);
        if (!reply.isEmpty()) {
            const FaultKind fault = m_fault.take();
            const QByteArray relayed = spoilReply(fault, reply);
            emit traffic(QStringLiteral("SM"), relayed); // the logger's reply, whole
            QList<OutStep> parts;
            const QList<QByteArray> sms = smsParts(relayed);
            for (int i = 0; i < sms.size(); ++i)
                parts.append({i == 0 ? m_timing.smsDelayMs : m_timing.smsGapMs, sms.at(i), false});
            steps += applyFault(fault, m_fault.ms, parts);
        }
        queue(steps);
        return;
    }
    if (line == "AT+BJTE") {
        queue({{m_timing.modemAckDelayMs, modem::TestAnswer, false}});
    } else if (line == "AT+BJDS") {
        queue({{m_timing.modemAckDelayMs, modem::VersionAnswer, false}});
    } else if (line == "AT") {
        queue({{m_timing.modemAckDelayMs, modem::Ok, false}});
    } else if (m_kind == Kind::Auto && !line.startsWith("AT")) {
        answerDirect(line);
    } else {
        queue({{m_timing.modemAckDelayMs, modem::Error, false}});
    }
}

void Frontend::queue(const QList<OutStep> &steps)
{
    for (const OutStep &s : steps) {
        m_writer.pause(s.pauseMs);
        m_writer.send(s.bytes);
        if (s.closeAfter)
            m_writer.closeLine();
    }
}

} // namespace kaspen::sim
