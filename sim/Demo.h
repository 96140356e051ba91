#pragma once
// The demo logger built into the program: one simulated logger per model,
// alive for the whole program run, so that settings made through the demo
// port are still there after reconnecting.

#include "sim/Logger.h"

#include <QByteArray>

namespace kaspen::sim {

// How the demo logger identifies itself: what its phone book entry holds.
struct DemoIdentity {
    QByteArray id;       // station ID, six digits
    QByteArray phone;    // SIM phone number
    QByteArray enquiry;  // Enquiry password
    QByteArray setup;    // Setup password
};

// The factory identity of every demo logger (and the defaults of kaspen-sim):
// 000001, 0123456789, 111111, 222222.
DemoIdentity defaultIdentity();

// The current identity of the demo logger of a model code (7 ORVEL-A,
// 13 ORVEL-B); it changes when the program sets a new ID or passwords.
DemoIdentity demoIdentity(int modelCode = 7);

// The demo logger of a model code, created on first use.
Logger &demoLogger(int modelCode);

} // namespace kaspen::sim
