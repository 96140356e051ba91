#pragma once
// What the simulated sensors read at a given moment: slowly varying,
// reproducible values (a function of time and channel only), scaled by the
// channel settings the way the logger scales its inputs.

#include "sim/LoggerState.h"

namespace kaspen::sim {

struct Readings {
    std::array<QByteArray, AnalogChannels> analog; // formatted values, all channels
    std::array<qint64, PulseInputs> pulses{};
    QByteArray inputs;
    QByteArray relays;
};

// Readings at logger time t.
Readings sampleReadings(const LoggerState &s, const QDateTime &t);

// The humidity sensor's raw reading as a fraction of its span (0..1); the
// reported value is Lower + fraction * (Upper - Lower).
double humidityFraction(const QDateTime &t);

// A data record logged at t with the settings in force: analog channels
// whose mode is "capture" or "capture & alert" and pulse inputs set to
// pulse counting are captured.
DataRecord recordAt(const LoggerState &s, const QDateTime &t);

// Logging interval in seconds of an SA code (0 = no logging).
int intervalSeconds(int saCode);

// Pulse count of input n (0-based) at logger time t.
qint64 pulseCount(const LoggerState &s, int n, const QDateTime &t);

} // namespace kaspen::sim
