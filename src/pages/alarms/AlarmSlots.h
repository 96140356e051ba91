#pragma once
// Where the logger's 52 alarm message slots sit on the two alarm message
// pages. The AD Alarm Message page holds the Alert High and Alert Low texts of
// the analog channels AD00 ... AD14 (slots 00 ... 14 and 26 ... 40); the IN
// Alarm Message page holds the On Alert and Off Alert texts of the power
// source and the digital inputs (slots 15 ... 25 and 41 ... 51). A slot NN
// is written with SMSSET under 19000 + NN and read with SMS under 19100 + NN.

#include <QByteArray>

namespace kaspen {

enum class AlarmPage { Ad, In };

namespace alarmslots {

inline constexpr int SlotCount = 52;       // 00 ... 51
inline constexpr int Columns = 2;          // AD: Alert High, Alert Low; IN: On Alert, Off Alert
inline constexpr int SetCodeBase = 19000;  // SMSSET NN
inline constexpr int ReadCodeBase = 19100; // SMS:NN
inline constexpr int FirstReadCode = ReadCodeBase;
inline constexpr int LastReadCode = ReadCodeBase + SlotCount - 1;

// Rows of a page, hidden ones included (AD 15, IN 11), and the rows shown
// (AD 15, IN 5: "IN05" ... "IN10" are hidden).
int rowCount(AlarmPage page);
int shownRowCount(AlarmPage page);
bool rowShown(AlarmPage page, int row);

// "AD05: Analog Channel", "IN00: Power Source Alert" ...
QByteArray rowLabel(AlarmPage page, int row);
// The subject the row's messages name: "Analog Channel AD05", "Power Source".
QByteArray subject(AlarmPage page, int row);
// "Alert High" / "Alert Low", "On Alert" / "Off Alert".
QByteArray columnTitle(AlarmPage page, int column);
// The page's group titles and its two notes.
QByteArray groupTitle(AlarmPage page); // "" (AD) or "Alarm Message Setup" (IN)
QByteArray noteEnabled();
QByteArray noteDisabled();

// The slot behind (row, column); -1 outside the page. In the IN00 row the
// columns are swapped: On Alert is slot 41, Off Alert slot 15.
int slot(AlarmPage page, int row, int column);
// The page and cell of a slot; false for a number that is no slot.
bool locate(int slot, AlarmPage *page, int *row, int *column);
// Whether the slot is one of the page's.
bool onPage(AlarmPage page, int slot);

// "05": the slot as the commands write it.
QByteArray slotText(int slot);
inline int setCode(int slot) { return SetCodeBase + slot; }
inline int readCode(int slot) { return ReadCodeBase + slot; }
// The slot a read code stands for; -1 for any other code.
int slotOfReadCode(int code);

// "<subject> <column>" (for the accessible names and the command line):
// "Analog Channel AD05 Alert Low", "Power Source On Alert".
QByteArray cellName(AlarmPage page, int row, int column);

} // namespace alarmslots
} // namespace kaspen
