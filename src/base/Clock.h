#pragma once
// Time comes from an injectable clock so that tests fix it.

#include <QByteArray>
#include <QDateTime>

namespace kaspen {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0; // local time
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// A clock that stands still until moved; for tests.
class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime t) : m_now(std::move(t)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }

private:
    QDateTime m_now;
};

// The program's clock (a SystemClock unless replaced).
Clock &clock();
// Replaces the program's clock; pass nullptr to go back to the system clock.
// The caller keeps ownership.
void setClock(Clock *c);

// strftime subset in the C locale, independent of the user's locale:
// %Y %y %m %d %H %M %S %X (= %H:%M:%S) %x (= %m/%d/%y) %%.
QByteArray formatTime(const QDateTime &t, const char *format);

} // namespace kaspen
