#pragma once
// The human-readable description of a recorded command, as the batch list
// shows it in its "Object" and "Parameters" columns.

#include <QByteArray>

namespace kaspen {

struct CommandDescription {
    QByteArray object;     // what is set ("Station ID", "Alarm Phone1", ...)
    QByteArray parameters; // the value, commas spread as "   ,   "

    bool operator==(const CommandDescription &o) const { return object == o.object && parameters == o.parameters; }
};

// Describes a command text given without its six-character password, e.g.
// "#ST:000041#" under code 11002 -> {"Station ID", "000041"}.
// The code decides the channel labels of the analog commands and exempts the
// codes 19015/19041 from the relay wording.
CommandDescription describeCommand(int code, const QByteArray &textWithoutPassword);

} // namespace kaspen
