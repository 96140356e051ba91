#include "sim/Faults.h"

#include <QRandomGenerator>

namespace kaspen::sim {

FaultKind FaultPlan::take()
{
    if (kind == FaultKind::None || count == 0)
        return FaultKind::None;
    if (count > 0)
        --count;
    return kind;
}

std::optional<FaultPlan> parseFault(const QString &text)
{
    const QString name = text.section(QLatin1Char(':'), 0, 0).trimmed().toLower();
    const QString arg = text.section(QLatin1Char(':'), 1);
    FaultPlan p;
    if (name.isEmpty() || name == QLatin1String("off"))
        p.kind = FaultKind::None;
    else if (name == QLatin1String("none"))
        p.kind = FaultKind::NoAnswer;
    else if (name == QLatin1String("late"))
        p = {FaultKind::Late, 45000};
    else if (name == QLatin1String("split"))
        p = {FaultKind::Split, 1000};
    else if (name == QLatin1String("nolength"))
        p.kind = FaultKind::NoLength;
    else if (name == QLatin1String("garbage"))
        p.kind = FaultKind::Garbage;
    else if (name == QLatin1String("close"))
        p.kind = FaultKind::Close;
    else
        return std::nullopt;
    if (!arg.isEmpty()) {
        bool ok = false;
        const int ms = arg.toInt(&ok);
        if (!ok || ms < 0 || (p.kind != FaultKind::Late && p.kind != FaultKind::Split))
            return std::nullopt;
        p.ms = ms;
    }
    return p;
}

QString faultHelp()
{
    return QStringLiteral(
        "  none         take every command, answer nothing\n"
        "  late[:MS]    answer MS milliseconds later than usual (default 45000)\n"
        "  split[:MS]   stop halfway through each answer for MS milliseconds (default 1000)\n"
        "  nolength     send status records without their \"L:\" item\n"
        "  garbage      send line noise instead of the answer\n"
        "  close        close the line halfway through the answer, then exit\n");
}

QList<OutStep> applyFault(FaultKind kind, int ms, QList<OutStep> steps)
{
    if (steps.isEmpty())
        return steps;
    switch (kind) {
    case FaultKind::NoAnswer:
        return {};
    case FaultKind::Late:
        steps.first().pauseMs += ms;
        return steps;
    case FaultKind::Split:
    case FaultKind::Close: {
        // Halfway through the whole answer, counted in bytes.
        qsizetype total = 0;
        for (const OutStep &s : steps)
            total += s.bytes.size();
        qsizetype half = total / 2;
        QList<OutStep> out;
        for (const OutStep &s : steps) {
            if (half < 0 || half >= s.bytes.size()) {
                // wholly before the cut, or after it
                out.append(s);
                if (half >= 0)
                    half -= s.bytes.size();
                continue;
            }
            if (kind == FaultKind::Close) {
                if (half > 0)
                    out.append({s.pauseMs, s.bytes.left(half), true});
                else if (!out.isEmpty())
                    out.last().closeAfter = true;
                else
                    out.append({s.pauseMs, QByteArray(), true});
                return out;
            }
            if (half > 0) {
                out.append({s.pauseMs, s.bytes.left(half), false});
                out.append({ms, s.bytes.mid(half), s.closeAfter});
            } else {
                out.append({s.pauseMs + ms, s.bytes, s.closeAfter});
            }
            half = -1;
        }
        return out;
    }
    default:
        return steps;
    }
}

QByteArray spoilReply(FaultKind kind, const QByteArray &reply)
{
    if (kind == FaultKind::NoLength && reply.startsWith("#STA:")) {
        const int l = reply.indexOf(";L:");
        if (l < 0)
            return reply;
        const int semi = reply.indexOf(';', l + 3);
        return semi < 0 ? reply.left(l) : reply.left(l) + reply.mid(semi);
    }
    if (kind == FaultKind::Garbage) {
        QByteArray noise(std::max<qsizetype>(8, reply.size()), '\0');
        for (auto &c : noise)
            c = char(QRandomGenerator::global()->bounded(1, 256));
        return noise;
    }
    return reply;
}

} // namespace kaspen::sim
