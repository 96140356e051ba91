#pragma once
// kaspen-cli: the program's commands without windows, for installers who
// script their work.

#include <QStringList>

namespace kaspen::cli {

// Exit codes besides the result codes of an exchange (0, 1, 2, 3, 5).
inline constexpr int ExitRefused = 64;
inline constexpr int ExitUsage = 65;
inline constexpr int ExitWriteFailed = 66;
inline constexpr int ExitInterrupted = 130;

int run(const QStringList &arguments);
QString usage();

} // namespace kaspen::cli
