#include "gui/common/PlaceholderPage.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kaspen::ui {

PlaceholderPage::PlaceholderPage(const QString &title, QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("%1\n\nThis page comes with a later version of KASPEN Setup.").arg(title.trimmed()), this);
    label->setAlignment(Qt::AlignCenter);
    label->setEnabled(false);
    layout->addWidget(label);
}

} // namespace kaspen::ui
