#pragma once
// Where the program finds the files it ships with. A build tree (or a folder
// the program was unpacked into, as on Windows) holds them next to the
// executable; an install has the executable in <prefix>/bin and the files in
// <prefix>/share/kaspen-setup.

#include <QString>

namespace kaspen {

// <prefix>/share/kaspen-setup for an executable in <prefix>/bin, when that
// directory exists; else empty.
QString installDataDirectory(const QString &executableDir);

// True when the executable belongs to an install (it has an install data
// directory). Such a program keeps nothing of the user's beside itself.
bool isInstalled(const QString &executableDir);

// A file the program ships (such as "ORVEL-A.cfg"): next to the executable,
// else in the install's share/kaspen-setup/, else in kaspen-setup/ of the
// system's data directories (XDG_DATA_DIRS). Empty when none has it.
QString findShippedFile(const QString &name, const QString &executableDir);

} // namespace kaspen
