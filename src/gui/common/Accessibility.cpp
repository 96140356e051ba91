#include "gui/common/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>

namespace kaspen::ui {

namespace {

// A combo box named by its label. Qt's own interface takes the current entry
// as the name on some platforms, so "15 Minute" was heard instead of
// "Data Logging Interval".
class NamedComboAccessible : public QAccessibleWidget {
public:
    explicit NamedComboAccessible(QComboBox *c) : QAccessibleWidget(c, QAccessible::ComboBox) {}
    QComboBox *combo() const { return static_cast<QComboBox *>(object()); }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: {
            const QString name = combo()->accessibleName();
            return name.isEmpty() ? combo()->currentText() : name;
        }
        case QAccessible::Value:
            return combo()->isEditable() && combo()->lineEdit() ? combo()->lineEdit()->text() : combo()->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.editable = combo()->isEditable();
        return s;
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction())
            combo()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

class StatusTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit StatusTextAccessible(StatusText *l) : QAccessibleWidget(l, QAccessible::StaticText) {}
    QLabel *label() const { return static_cast<QLabel *>(object()); }
    QString shown() const { return label()->text(); }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: {
            const QString name = label()->accessibleName();
            return name.isEmpty() ? shown() : name;
        }
        case QAccessible::Value:
        case QAccessible::Description:
            return shown();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    // Text interface: the whole result, read-only, no selection.
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override
    {
        const QString s = shown();
        if (end < 0 || end > s.size())
            end = int(s.size());
        start = qBound(0, start, end);
        return s.mid(start, end - start);
    }
    int characterCount() const override { return int(shown().size()); }
    QRect characterRect(int offset) const override
    {
        const QFontMetrics fm(label()->font());
        const QString s = shown();
        const int x = fm.horizontalAdvance(s.left(offset));
        const QPoint origin = label()->mapToGlobal(label()->contentsRect().topLeft());
        return QRect(origin.x() + x, origin.y(), fm.horizontalAdvance(s.mid(offset, 1)), fm.height());
    }
    int offsetAtPoint(const QPoint &) const override { return 0; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *start, int *end) const override
    {
        *start = 0;
        *end = characterCount();
        return QString();
    }
};

QAccessibleInterface *factory(const QString &, QObject *object)
{
    if (auto *status = qobject_cast<StatusText *>(object))
        return new StatusTextAccessible(status);
    if (auto *combo = qobject_cast<QComboBox *>(object))
        return new NamedComboAccessible(combo);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(factory);
}

StatusText::StatusText(const QString &name, QWidget *parent) : QLabel(parent)
{
    installAccessibility();
    setAccessibleName(name);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::TabFocus); // reachable from the keyboard
}

void StatusText::showText(const QString &shownText)
{
    const QString old = text();
    if (old == shownText)
        return;
    setText(shownText);
    QAccessibleTextUpdateEvent update(this, 0, old, shownText);
    QAccessible::updateAccessibility(&update);
    QAccessibleValueChangeEvent value(this, shownText);
    QAccessible::updateAccessibility(&value);
}

} // namespace kaspen::ui
