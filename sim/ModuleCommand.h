#pragma once
// "kaspen-sim module ...": one simulated Ethernet serial-server module.

#include <QStringList>
#include <functional>

namespace kaspen::sim {

// Runs the module until interrupted; args are the words after "module".
// Returns the process exit code.
int runModuleCommand(const QStringList &args, const std::function<bool()> &interrupted);

} // namespace kaspen::sim
