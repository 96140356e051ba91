#pragma once
// End-to-end helpers: a socat pseudo-terminal pair and a kaspen-sim process
// serving one end of it, for tests that talk to a simulated logger over a
// real (pseudo) serial line.
//
//   PtyPair pty;                       // two linked ends, pty.a() and pty.b()
//   SimProcess sim({"--port", pty.a(), "--frontend", "gsm"});
//   PortRecord port; port.prepare(pty.b(), 9600); port.open();
//   ... waitUntil([&] { return ...; }, 5000);

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace kaspen::test {

// Runs the event loop until cond() holds or timeoutMs have passed.
bool waitUntil(const std::function<bool()> &cond, int timeoutMs);
// Runs the event loop for ms.
void spin(int ms);

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    bool ok() const { return m_ok; }
    QString a() const { return m_dir.path() + QStringLiteral("/a"); }
    QString b() const { return m_dir.path() + QStringLiteral("/b"); }
    QString dir() const { return m_dir.path(); }
    bool running() const;
    // Ends socat: both ends hang up.
    void stop();

private:
    QTemporaryDir m_dir;
    QProcess m_socat;
    bool m_ok = false;
};

class SimProcess {
public:
    // Starts build/bin/kaspen-sim with these arguments and waits until it
    // serves its port.
    explicit SimProcess(const QStringList &args);
    ~SimProcess();
    bool ok() const { return m_ok; }
    // SIGTERM and wait; the exit code (-1 if it had to be killed).
    int stop();
    bool running() const;
    QByteArray errorOutput();

private:
    QProcess m_proc;
    QByteArray m_err;
    bool m_ok = false;
};

QString simExecutable();

// One run of build/bin/kaspen-cli: its exit code (-1 when it did not start,
// crashed or was killed after timeoutMs) and what it printed. The event loop
// runs meanwhile. env, when given, replaces the environment.
struct CliRun {
    int exitCode = -1;
    QByteArray out, err;
};
CliRun runCli(const QStringList &args, int timeoutMs = 240000, const QProcessEnvironment *env = nullptr);

} // namespace kaspen::test
