#pragma once
// Faults a simulated logger can show on request, for reliability tests.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace kaspen::sim {

enum class FaultKind {
    None,
    NoAnswer,  // "none": the command is taken, nothing comes back
    Late,      // "late[:MS]": the answer comes MS later than usual (default 45000)
    Split,     // "split[:MS]": the answer stops halfway for MS (default 1000)
    NoLength,  // "nolength": status records come without their "L:" item
    Garbage,   // "garbage": line noise instead of the answer
    Close,     // "close": the line closes halfway through the answer
};

struct FaultPlan {
    FaultKind kind = FaultKind::None;
    int ms = 0;     // for late and split
    int count = -1; // replies still to spoil; -1 every reply

    // Takes one use of the fault; the kind to apply to this reply.
    FaultKind take();
};

// "none", "late:5000", ...; nullopt for an unknown kind. "off" is no fault.
std::optional<FaultPlan> parseFault(const QString &text);

// The --help text of the fault kinds, one per line.
QString faultHelp();

// One piece of what a front-end sends: a pause before it, then the bytes;
// `closeAfter` closes the line once the bytes are out.
struct OutStep {
    int pauseMs = 0;
    QByteArray bytes;
    bool closeAfter = false;
};

// Applies a fault to the logger's part of an answer (the steps after any
// modem acknowledgement). The reply text itself is spoilt by spoilReply.
QList<OutStep> applyFault(FaultKind kind, int ms, QList<OutStep> steps);

// nolength: the record without its "L:" item; garbage: noise of about the
// same length. Other kinds leave the text as it is.
QByteArray spoilReply(FaultKind kind, const QByteArray &reply);

} // namespace kaspen::sim
