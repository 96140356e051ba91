#include "gui/common/ReadButtonWidget.h"

#include "gui/common/SetButtonWidget.h"

namespace kaspen {

ReadButtonWidget::ReadButtonWidget(const QString &what, QWidget *parent) : QPushButton(parent)
{
    makeIconButton(this, icon(), QStringLiteral("Read %1").arg(what));
}

QIcon ReadButtonWidget::icon()
{
    return trayArrowIcon(true);
}

} // namespace kaspen
