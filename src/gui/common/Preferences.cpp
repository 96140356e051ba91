#include "gui/common/Preferences.h"

#include <QSettings>

namespace kaspen::ui::prefs {

namespace {
QSettings store()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("kaspen-setup"),
                     QStringLiteral("kaspen-setup"));
}
QString key(int modelCode, const char *name)
{
    return QStringLiteral("model%1/%2").arg(modelCode).arg(QLatin1String(name));
}
} // namespace

int lastModel()
{
    return store().value(QStringLiteral("lastModel"), 0).toInt();
}

void setLastModel(int modelCode)
{
    store().setValue(QStringLiteral("lastModel"), modelCode);
}

int lastLink(int modelCode)
{
    return store().value(key(modelCode, "link"), -1).toInt();
}

void setLastLink(int modelCode, int link)
{
    store().setValue(key(modelCode, "link"), link);
}

QString lastPort(int modelCode)
{
    return store().value(key(modelCode, "port")).toString();
}

int lastBaud(int modelCode)
{
    return store().value(key(modelCode, "baud"), 0).toInt();
}

void setLastPort(int modelCode, const QString &port, int baud)
{
    QSettings s = store();
    s.setValue(key(modelCode, "port"), port);
    s.setValue(key(modelCode, "baud"), baud);
}

} // namespace kaspen::ui::prefs
