#include "sim/Measurements.h"

#include <algorithm>
#include <cmath>

namespace kaspen::sim {

namespace {

constexpr double Pi = 3.14159265358979323846;

// A moment, converted once: local-time conversions of QDateTime are slow.
struct Moment {
    qint64 epoch;
    double secondsOfDay;
    explicit Moment(const QDateTime &t) : epoch(t.toSecsSinceEpoch())
    {
        const QTime tod = t.time();
        secondsOfDay = tod.hour() * 3600.0 + tod.minute() * 60.0 + tod.second();
    }
};

// A small reproducible jitter in [-1, 1] from the time and the channel.
double jitter(const Moment &t, int channel)
{
    quint64 x = quint64(t.epoch) * 0x9E3779B97F4A7C15ULL + quint64(channel + 1) * 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 31;
    x *= 0x94D049BB133111EBULL;
    x ^= x >> 29;
    return double(x % 2001) / 1000.0 - 1.0;
}

double dayWave(const Moment &t, double phase)
{
    return std::sin(2.0 * Pi * t.secondsOfDay / 86400.0 + phase);
}

double number(const QByteArray &text, double fallback)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? v : fallback;
}

QByteArray fixed(double v, int decimals)
{
    if (std::fabs(v) < 0.5 * std::pow(10.0, -decimals))
        v = 0.0; // no "-0.0"
    return QByteArray::number(v, 'f', decimals);
}

// Fraction of span of the analog inputs AD01..AD06 (4-20 mA transmitters).
double analogFraction(const Moment &t, int channel)
{
    const double base = 0.35 + 0.05 * channel;
    return std::clamp(base + 0.15 * dayWave(t, channel * 0.9) + 0.01 * jitter(t, channel), 0.0, 1.0);
}

double temperature(const Moment &t, int channel)
{
    // AD13, AD14 (sensors 1, 2) and AD07..AD12 (sensors 3..8)
    const double base = channel >= 13 ? 18.0 + (channel - 13) * 2.5 : 4.0 + (channel - 7) * 1.5;
    return base + 3.0 * dayWave(t, -Pi / 2 + channel * 0.3) + 0.1 * jitter(t, channel);
}

static double humidityAt(const Moment &t)
{
    return std::clamp(0.55 - 0.12 * dayWave(t, -Pi / 2) + 0.005 * jitter(t, 0), 0.0, 1.0);
}

} // namespace

double humidityFraction(const QDateTime &t)
{
    return humidityAt(Moment(t));
}

int intervalSeconds(int saCode)
{
    switch (saCode) {
    case 1: return 300;
    case 2: return 900;
    case 3: return 1800;
    case 4: return 3600;
    case 5: return 60;
    default: return 0;
    }
}


qint64 pulseCount(const LoggerState &s, int n, const QDateTime &t)
{
    if (n < 0 || n >= PulseInputs)
        return 0;
    const qint64 start = s.pulseStart[size_t(n)];
    // Only an input set to pulse counting (PA digit 1) counts.
    if (s.inputModes.size() <= n + 1 || s.inputModes.at(n + 1) != '1')
        return start;
    const QDateTime since = s.pulseStartTime[size_t(n)];
    if (!since.isValid() || t <= since)
        return start;
    static constexpr double PerMinute[PulseInputs] = {3.0, 1.0, 0.5};
    return start + qint64(double(since.secsTo(t)) * PerMinute[n] / 60.0);
}

Readings sampleReadings(const LoggerState &s, const QDateTime &when)
{
    const Moment t(when);
    Readings r;
    for (int ch = 0; ch < AnalogChannels; ++ch) {
        const AnalogSetting &a = s.analog[size_t(ch)];
        if (ch == 0) {
            const double lo = number(a.lower, 0.0), up = number(a.upper, 100.0);
            r.analog[0] = fixed(lo + std::clamp(s.humidityReading / 100.0, 0.0, 1.7) * (up - lo), 1);
        } else if (ch <= 6) {
            const double lo = number(a.lower, 0.0), up = number(a.upper, 100.0);
            r.analog[size_t(ch)] = fixed(lo + analogFraction(t, ch) * (up - lo), 2);
        } else {
            r.analog[size_t(ch)] = fixed(temperature(t, ch), 1);
        }
    }
    for (int n = 0; n < PulseInputs; ++n)
        r.pulses[size_t(n)] = pulseCount(s, n, when);
    r.inputs = s.inputs;
    for (bool on : s.relayOn)
        r.relays += on ? '1' : '0';
    return r;
}

DataRecord recordAt(const LoggerState &s, const QDateTime &t)
{
    const Readings r = sampleReadings(s, t);
    DataRecord d;
    d.time = t;
    d.interval = s.logInterval;
    for (int ch = 0; ch < AnalogChannels; ++ch) {
        if (s.analog[size_t(ch)].mode >= 1)
            d.analog[size_t(ch)] = r.analog[size_t(ch)];
    }
    for (int n = 0; n < PulseInputs; ++n) {
        if (s.inputModes.size() > n + 1 && s.inputModes.at(n + 1) == '1') {
            d.pulseMask |= quint8(1u << n);
            d.pulses[size_t(n)] = r.pulses[size_t(n)];
        }
    }
    d.inputs = r.inputs;
    d.relays = r.relays;
    return d;
}

} // namespace kaspen::sim
