#pragma once
// The Relay Output page without its windows: the status matrix (channels
// down, relays across), the details of the chosen relay, the association
// string, the page's command guard, the three set buttons and the decoding
// of the records the main window forwards. RelayOutputPage and kaspen-cli
// both drive it.

#include "session/PageMessages.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QVector>
#include <map>

namespace kaspen {

class Session;

class RelayOutputModel : public QObject {
    Q_OBJECT
public:
    // Batch command table keys are Key + 10 * n for relay n; the exchange
    // runs under the base code.
    static constexpr int CodeSwitch = 14001;     // O
    static constexpr int CodeTimeLapse = 14002;  // OT
    static constexpr int CodeAssociation = 14003; // OC
    static int batchKey(int baseCode, int relay) { return baseCode + 10 * relay; }

    static constexpr int ChannelCount = 20;    // positions of an association string
    static constexpr int AlertChannels = 15;   // positions 0 ... 14
    static constexpr int StatusRows = 22;      // "Operation Mode", "Time Lapse", channels
    static constexpr int OperationModeRow = 0;
    static constexpr int TimeLapseRow = 1;
    static constexpr int BaseRelayColumns = 2; // Relay_1 and Relay_2 are always there
    static constexpr int TimeLapseMaxLength = 4;

    // Texts of the two lists' rows.
    static QByteArray channelLabel(int position);
    static QByteArray statusRowLabel(int row);
    static bool isAlertChannel(int position) { return position < AlertChannels; }
    static QByteArray relayName(int n); // "Relay_%d"
    // The relay a name stands for: the whole number after "Relay_" (so relays
    // above 9 work); 0 when the text names no relay.
    static int relayNumber(const QByteArray &name);
    // The choices of the in-cell drop-down of an Associated Alarms row.
    static QList<QByteArray> relayControlChoices(int row);

    explicit RelayOutputModel(Session &session, QObject *parent = nullptr);

    // The relay count of the device profile (0 until the first status record).
    int relayCount() const;

    // ---- status list ("Current status:")
    struct Cell {
        QByteArray text;
        bool active = false; // shown with the active image ("On", "H", "L")
        bool operator==(const Cell &o) const { return text == o.text && active == o.active; }
    };
    int statusRowCount() const { return m_status.size(); } // 0 before the first status record
    int relayColumnCount() const { return m_relayColumns; }
    // relay = 1 ... relayColumnCount(); an empty cell outside the matrix
    Cell statusCell(int row, int relay) const;

    // ---- Details Setup
    int alarmRowCount() const { return m_alarms.size(); } // 0 or 20
    QByteArray relayControl(int row) const;
    // The in-cell drop-down's choice goes into the cell as chosen.
    void setRelayControl(int row, const QByteArray &text);
    // The list got the focus: "H - High Alert" becomes "High", "L - Low Alert" "Low".
    void normaliseRelayControls();

    const QList<QByteArray> &relayNames() const { return m_names; } // "Relay Channel No." entries
    int chosenRelayIndex() const { return m_chosen; }
    const QByteArray &relayChannelText() const { return m_channelText; }
    // Selection change in "Relay Channel No." (index -1: none).
    void chooseRelay(int index);
    // Text typed into the edit field of "Relay Channel No.".
    void setRelayChannelText(const QByteArray &text);
    // Associated Alarms, Time Lapse and Turn On/Off are usable.
    bool detailsEnabled() const { return m_detailsEnabled; }

    const QByteArray &timeLapse() const { return m_timeLapse; }
    void setTimeLapse(const QByteArray &text);
    // Leaving Time Lapse: a shorter text becomes "%04d" of its value.
    void leaveTimeLapse();

    static const QList<QByteArray> &onOffEntries(); // "On", "Off"
    int onOffIndex() const { return m_onOffIndex; }
    const QByteArray &onOffText() const { return m_onOffText; }
    void setOnOffIndex(int index);
    void setOnOffText(const QByteArray &text);

    // What was last read for relay n (OUTn: and COUTn: items).
    QByteArray storedTimeLapse(int n) const;
    QByteArray storedAssociation(int n) const;

    // The association string that "Set" sends: one character per row and
    // "000000" after row 19.
    QByteArray associationString() const;

    // ---- commands
    bool commandGuard();
    bool sendOnOff();
    bool sendTimeLapse();
    bool sendAssociation();

    // Block1 (WM_USER+5), Block3 (WM_USER+7), StatusReply (WM_USER+10),
    // FirstStatus (WM_USER+11), ClearFields (WM_USER+15).
    void handleMessage(const PageMessage &m);
    void readTimeLapses(const QByteArray &record);
    void readAssociations(const QByteArray &record);
    void readSwitchingStates(const QByteArray &record);
    void rebuild();
    void clear();

signals:
    // Values changed; the widgets refresh their cells and fields.
    void changed();
    // Rows or relay columns changed (rebuild); the widgets redo their layout.
    void rebuilt();

private:
    QByteArray setupPw();
    // The relay of "Relay Channel No." for a set button; 0 after a refusal.
    int relayForSending();
    bool send(int baseCode, int relay, const QByteArray &text);
    Cell *cell(int row, int relay);

    Session &m_session;
    QVector<QVector<Cell>> m_status; // [row][relay - 1]
    int m_relayColumns = BaseRelayColumns;
    QVector<QByteArray> m_alarms;    // "Relay Control" texts
    QList<QByteArray> m_names;
    int m_chosen = -1;
    QByteArray m_channelText;
    bool m_detailsEnabled = false;
    QByteArray m_timeLapse;
    int m_onOffIndex = -1;
    QByteArray m_onOffText;
    std::map<int, QByteArray> m_timeLapses;   // relay -> OUTn: value
    std::map<int, QByteArray> m_associations; // relay -> COUTn: value
};

} // namespace kaspen
