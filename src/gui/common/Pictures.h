#pragma once
// The program's small pictures, drawn in code: the connection/result state
// bitmaps (140 idle or failed, 141 connected or succeeded), the tab icons
// and the application icon.

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace kaspen::ui {

QPixmap stateBitmap(int id, int size = 20); // 140 or 141
QIcon tabIcon(bool selected);
QIcon applicationIcon();
QPixmap lamp(bool on, int size = 15);       // grey (off) or green (on)
// The shading of list rows (white, then light grey), as the batch list has it.
QColor rowShade(int row);

} // namespace kaspen::ui
