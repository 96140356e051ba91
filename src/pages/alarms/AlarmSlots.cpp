#include "pages/alarms/AlarmSlots.h"

namespace kaspen::alarmslots {

namespace {
constexpr int AdRows = 15;     // AD00 ... AD14
constexpr int InRows = 11;     // IN00 ... IN10
constexpr int InShownRows = 5; // IN00 ... IN04
constexpr int LowOffset = 26;  // AD Alert Low slot = channel + 26
constexpr int InOnFirst = 15;  // IN0n On Alert = 15 + n
constexpr int InOffFirst = 41; // IN0n Off Alert = 41 + n

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

bool validRow(AlarmPage page, int row)
{
    return row >= 0 && row < rowCount(page);
}
} // namespace

int rowCount(AlarmPage page)
{
    return page == AlarmPage::Ad ? AdRows : InRows;
}

int shownRowCount(AlarmPage page)
{
    return page == AlarmPage::Ad ? AdRows : InShownRows;
}

bool rowShown(AlarmPage page, int row)
{
    return row >= 0 && row < shownRowCount(page);
}

QByteArray rowLabel(AlarmPage page, int row)
{
    if (!validRow(page, row))
        return QByteArray();
    if (page == AlarmPage::In)
        return row == 0 ? QByteArray("IN00: Power Source Alert") : "IN" + twoDigits(row) + ": Digital Input";
    const QByteArray head = "AD" + twoDigits(row) + ": ";
    if (row == 0)
        return head + "Humidity ";
    if (row <= 6)
        return head + "Analog Channel";
    if (row <= 12)
        return head + "Temperature_" + QByteArray::number(row - 4);
    return head + "Temperature_" + QByteArray::number(row - 12);
}

QByteArray subject(AlarmPage page, int row)
{
    if (!validRow(page, row))
        return QByteArray();
    if (page == AlarmPage::In)
        return row == 0 ? QByteArray("Power Source") : "Digital Input Channel IN" + twoDigits(row);
    if (row == 0)
        return "Humidity Channel";
    if (row == 13)
        return "Temperature 1 Channel";
    if (row == 14)
        return "Temperature 2 Channel";
    return "Analog Channel AD" + twoDigits(row);
}

QByteArray columnTitle(AlarmPage page, int column)
{
    if (column < 0 || column >= Columns)
        return QByteArray();
    if (page == AlarmPage::Ad)
        return column == 0 ? "Alert High" : "Alert Low";
    return column == 0 ? "On Alert" : "Off Alert";
}

QByteArray groupTitle(AlarmPage page)
{
    return page == AlarmPage::In ? QByteArray("Alarm Message Setup") : QByteArray();
}

QByteArray noteEnabled()
{
    return "Alarm Text Message will be uploaded when \"Text Message\" is enabled.";
}

QByteArray noteDisabled()
{
    return "Live Data will be uploaded as default when \"Text Message\" is disabled.";
}

int slot(AlarmPage page, int row, int column)
{
    if (!validRow(page, row) || column < 0 || column >= Columns)
        return -1;
    if (page == AlarmPage::Ad)
        return column == 0 ? row : row + LowOffset;
    if (row == 0)
        return column == 0 ? InOffFirst : InOnFirst; // the power source row is swapped
    return column == 0 ? InOnFirst + row : InOffFirst + row;
}

bool locate(int s, AlarmPage *page, int *row, int *column)
{
    if (s < 0 || s >= SlotCount)
        return false;
    for (AlarmPage p : {AlarmPage::Ad, AlarmPage::In}) {
        for (int r = 0; r < rowCount(p); ++r) {
            for (int c = 0; c < Columns; ++c) {
                if (slot(p, r, c) == s) {
                    if (page)
                        *page = p;
                    if (row)
                        *row = r;
                    if (column)
                        *column = c;
                    return true;
                }
            }
        }
    }
    return false;
}

bool onPage(AlarmPage page, int s)
{
    AlarmPage p;
    return locate(s, &p, nullptr, nullptr) && p == page;
}

QByteArray slotText(int s)
{
    return twoDigits(s);
}

int slotOfReadCode(int code)
{
    return code >= FirstReadCode && code <= LastReadCode ? code - ReadCodeBase : -1;
}

QByteArray cellName(AlarmPage page, int row, int column)
{
    if (slot(page, row, column) < 0)
        return QByteArray();
    return subject(page, row) + ' ' + columnTitle(page, column);
}

} // namespace kaspen::alarmslots
