#pragma once
// The choices the program remembers between runs, in the per-user
// configuration directory (kaspen-setup/kaspen-setup.ini): the last model,
// and per model the last link and port. A first start finds none of them
// and behaves as if there were no memory at all.

#include <QString>

namespace kaspen::ui::prefs {

// 0 when none was kept.
int lastModel();
void setLastModel(int modelCode);

// -1 when none was kept for this model.
int lastLink(int modelCode);
void setLastLink(int modelCode, int link);

QString lastPort(int modelCode);
int lastBaud(int modelCode); // 0 when none was kept
void setLastPort(int modelCode, const QString &port, int baud);

} // namespace kaspen::ui::prefs
