#pragma once
// The Digital/Pulse Channel page without its windows: the input table (power
// source and digital inputs, one PA command for all of them) and the pulse
// start zero fields (LP1 ... LP3). The page widget and kaspen-cli both
// drive it.

#include "session/PageMessages.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <array>

namespace kaspen {

class Session;

class DigitalChannelModel : public QObject {
    Q_OBJECT
public:
    static constexpr int CodeInputModes = 13001; // PA
    static constexpr int CodePulseBase = 13001;  // + n for LPn
    static constexpr int FullRowCount = 17;      // with five or more digital inputs
    static constexpr int PulseFields = 6;        // in the layout; three are shown
    static constexpr int PulseShown = 3;

    // The offers of a row's in-place "Operation Mode" list, by row position.
    static QList<QByteArray> offers(int row);
    // The PA digit of a mode text (either column of the mode table), or -1.
    static int modeDigit(const QByteArray &text);
    static QByteArray powerSourceText(int digit);   // "" for a digit without a text
    static QByteArray digitalInputText(int digit);  // "" for a digit without a text
    static QByteArray inputName(int n);             // "Digital Input_%02d"
    static QByteArray pulseName(int n);             // "Pulse Input_%02d"

    struct Row {
        QByteArray name, mode;
    };

    explicit DigitalChannelModel(Session &session, QObject *parent = nullptr);

    const QList<Row> &rows() const { return m_rows; }
    QByteArray mode(int row) const { return row >= 0 && row < m_rows.size() ? m_rows[row].mode : QByteArray(); }
    // The in-place list's choice goes into the cell; nothing is sent.
    void setMode(int row, const QByteArray &text);

    const QByteArray &pulseStart(int n) const { return m_pulses[size_t(n - 1)]; }
    void editPulseStart(int n, const QByteArray &text);
    void leavePulseStart(int n);

    // The PA argument built from the rows, or an empty text after the
    // refusal "Operation Mode setup is incomplete,please check!" (shown).
    QByteArray inputModeDigits() const;

    // Buttons; false when nothing was sent.
    bool setInputModes();   // "Set"
    bool setPulseStart(int n);

    // FirstStatus (WM_USER+11), Block2 (WM_USER+6), ClearFields (WM_USER+15).
    void handleMessage(const PageMessage &m);
    void rebuild();
    void readBlock2(const QByteArray &record);
    void clear();

signals:
    void changed();
    void rebuilt();

private:
    bool guard();
    void send(int code, const QByteArray &text);

    Session &m_session;
    QList<Row> m_rows;
    std::array<QByteArray, PulseFields> m_pulses;
};

} // namespace kaspen
