#pragma once
// What the main window tells the pages. Each message keeps the name of the
// window message it stands for; the main window delivers it synchronously,
// to the targets in the order listed, with the text valid during the call.

#include <QByteArray>

namespace kaspen {

// Pages, as targets of a message (a set of bits; delivery goes in bit order).
enum PageTarget : unsigned {
    ToDeviceSetup = 1u << 0,
    ToAnalogChannel = 1u << 1,
    ToDigitalChannel = 1u << 2,
    ToRelayOutput = 1u << 3,
    ToAdAlarmMessage = 1u << 4,
    ToInAlarmMessage = 1u << 5,
    ToDataRecord = 1u << 6,
    ToBatchSetup = 1u << 7,
    ToPhoneBook = 1u << 8,
    ToEthernetSetting = 1u << 9,
};

// Window message numbers (WM_USER = 0x400) used between main window and pages.
namespace msg {
inline constexpr int Block1 = 0x405;          // WM_USER+5   "#STC1:" block
inline constexpr int Block2 = 0x406;          // WM_USER+6   "#STC2:" block
inline constexpr int Block3 = 0x407;          // WM_USER+7   "#STC3:" block
inline constexpr int VersionReply = 0x409;    // WM_USER+9   reply to code 10001
inline constexpr int StatusReply = 0x40A;     // WM_USER+10  status reply
inline constexpr int FirstStatus = 0x40B;     // WM_USER+11  first status record after connecting
inline constexpr int DataRecords = 0x40E;     // WM_USER+14  data record replies (wParam 0, 1, 2)
inline constexpr int ClearFields = 0x40F;     // WM_USER+15  "Clear" button
inline constexpr int ReloadBook = 0x410;      // WM_USER+16  wParam 0 GSM, 1 Ethernet
inline constexpr int BatchNotice = 0x412;     // WM_USER+18  wParam 0 link changed, 1 rebuild, 2 command finished
inline constexpr int LoadDefaultFile = 0x413; // WM_USER+19  wParam 0, model code
inline constexpr int RunInit = 0x416;         // WM_USER+22  Batch Setup: run the initialisation
// WM_USER+22 as well, on the Analog Channel page: numbered apart here so that
// no handler can take the other page's message for its own.
inline constexpr int Block4 = 0x10416;        // WM_USER+22  Analog Channel: "#STC4:" block
inline constexpr int Calibration = 0x419;     // WM_USER+25  calibration replies
inline constexpr int ShowModule = 0x41F;      // WM_USER+31  Ethernet Setting: show a module's configuration
inline constexpr int BookView = 0x426;        // WM_USER+38  wParam 0 GSM view, 1 Ethernet view
inline constexpr int LockEthernet = 0x427;    // WM_USER+39  wParam 1 lock, 0 unlock
inline constexpr int AlarmText = 0x432;       // WM_USER+50  alarm text read replies
} // namespace msg

struct PageMessage {
    int message = 0;
    unsigned targets = 0;
    int wParam = 0;
    QByteArray text;   // the reply text (lParam), empty when none
    long long lParam = 0; // a number in place of a text (model code, lock flag)

    bool operator==(const PageMessage &o) const
    {
        return message == o.message && targets == o.targets && wParam == o.wParam && text == o.text && lParam == o.lParam;
    }
};

} // namespace kaspen
