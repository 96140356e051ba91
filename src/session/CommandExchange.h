#pragma once
// The life of one command: started when a command was sent (WM_USER+2),
// watched by the 100 ms tick until answered, stopped or timed out, then
// finished with a result shown in the status area.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace kaspen {

class Session;

// Bitmaps of the state and result pictures.
inline constexpr int BitmapIdle = 140;    // idle, failed
inline constexpr int BitmapSuccess = 141; // connected, succeeded

QString resultText(int resultCode, bool ipCommandSent);

class CommandExchange : public QObject {
    Q_OBJECT
public:
    explicit CommandExchange(Session &session, QObject *parent = nullptr);

    // Time-outs in ticks of 100 ms: over when the tick counter exceeds them.
    static constexpr int Rs232TimeoutTicks = 400;
    static constexpr int GsmTimeoutTicks = 900;
    static constexpr int EthernetTimeoutTicks = 400;
    static constexpr int TickMs = 100;

    // Whether StartCommandExchange starts a real 100 ms timer (the program)
    // or leaves the ticks to the caller (tests call tick() directly).
    void setTimerDriven(bool on) { m_timerDriven = on; }

    void StartCommandExchange(); // WM_USER+2
    void tick();                 // timer 1
    void stop();                 // Stop button
    void showProgress();         // WM_USER+20
    void FinishCommandExchange();
    // A reply has been taken in. When it ended the command (the record is no
    // longer in progress), a timer-driven exchange finishes at once instead
    // of at the next tick; with manual ticks nothing changes.
    void replyTaken();

    bool running() const { return m_running; }
    int tickCount() const { return m_tick; }

    // What the status area shows.
    QString statusText() const { return m_status; }
    int resultPicture() const { return m_picture; }
    bool progressVisible() const { return m_progressVisible; }
    int progressPosition() const { return m_progress; }
    QString stopButtonText() const { return m_stopText; }

signals:
    void started();
    void statusChanged();  // any of the status area's values changed
    // An exchange ended; status is the text shown.
    void finished(int commandCode, int resultCode, const QString &status);
    // WM_USER+18 wParam 2 to the Batch Setup page (codes 16001 and 20050).
    void batchCommandFinished(const QString &status);
    // The Ethernet connect-time query ran out before the device was verified.
    void ethernetConnectTimedOut();

private:
    Session &m_session;
    QTimer m_timer;
    bool m_timerDriven = true;
    bool m_running = false;
    bool m_stopRequest = false;
    bool m_finishPosted = false;
    unsigned m_runNumber = 0;
    int m_tick = 0;
    QString m_status;
    int m_picture = BitmapIdle;
    bool m_progressVisible = false;
    int m_progress = 0;
    QString m_stopText;
};

} // namespace kaspen
