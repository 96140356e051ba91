#include "gui/common/QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>

namespace kaspen::ui {

void QtMessageSink::show(MessageKind kind, const QString &text, const QString &caption)
{
    QWidget *parent = m_parent ? m_parent : QApplication::activeWindow();
    switch (kind) {
    case MessageKind::Error:
        QMessageBox::critical(parent, caption.isEmpty() ? QStringLiteral("Error") : caption, text);
        break;
    case MessageKind::Warning:
        QMessageBox::warning(parent, caption.isEmpty() ? applicationTitle() : caption, text);
        break;
    case MessageKind::Standard:
        QMessageBox::warning(parent, caption.isEmpty() ? applicationTitle() : caption, text);
        break;
    }
}

bool QtMessageSink::confirm(const QString &caption, const QString &text)
{
    QWidget *parent = m_parent ? m_parent : QApplication::activeWindow();
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

} // namespace kaspen::ui
