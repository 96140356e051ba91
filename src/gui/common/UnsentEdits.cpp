#include "gui/common/UnsentEdits.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGridLayout>
#include <QLayout>
#include <QLineEdit>
#include <QWidget>

namespace kaspen::ui {

namespace {

bool isField(const QWidget *w)
{
    if (qobject_cast<const QComboBox *>(w))
        return true;
    // The line edit inside an editable combo box belongs to the combo box.
    return qobject_cast<const QLineEdit *>(w) && !qobject_cast<const QComboBox *>(w->parentWidget());
}

// A button that sends a setting: named (or described) "Set ...".
bool isSetButton(const QAbstractButton *b)
{
    const QLatin1String set("Set ");
    return b->accessibleName().startsWith(set) || b->accessibleDescription().startsWith(set);
}

QLayout *layoutHolding(QLayout *layout, QWidget *w)
{
    if (!layout)
        return nullptr;
    if (layout->indexOf(w) >= 0)
        return layout;
    for (int i = 0; i < layout->count(); ++i)
        if (QLayout *inner = layout->itemAt(i)->layout())
            if (QLayout *found = layoutHolding(inner, w))
                return found;
    return nullptr;
}

} // namespace

UnsentEdits::UnsentEdits(QObject *parent) : QObject(parent) {}

void UnsentEdits::watch(QWidget *page)
{
    // Any change of a field's value counts (typing, pasting, a screen
    // reader's edit action, a fill-in button). The pages put the logger's
    // values in with their signals blocked, so those never mark a field.
    for (QLineEdit *e : page->findChildren<QLineEdit *>()) {
        if (!isField(e))
            continue;
        connect(e, &QLineEdit::textChanged, this, [this, e] { setMarked(e, true); });
    }
    for (QComboBox *c : page->findChildren<QComboBox *>()) {
        connect(c, &QComboBox::currentIndexChanged, this, [this, c] { setMarked(c, true); });
        if (c->isEditable())
            connect(c, &QComboBox::editTextChanged, this, [this, c] { setMarked(c, true); });
    }
    for (QAbstractButton *b : page->findChildren<QAbstractButton *>()) {
        if (isField(b->parentWidget()) || !isSetButton(b))
            continue;
        connect(b, &QAbstractButton::clicked, this, [this, b] { buttonClicked(b); });
    }
}

bool UnsentEdits::isMarked(const QWidget *field) const
{
    return m_marked.contains(const_cast<QWidget *>(field));
}

QStringList UnsentEdits::marked(const QWidget *page) const
{
    QStringList names;
    for (QWidget *w : page->findChildren<QWidget *>()) {
        if (!m_marked.contains(w))
            continue;
        QString name = w->accessibleName().trimmed();
        if (name.isEmpty())
            name = w->objectName();
        names << name;
    }
    return names;
}

void UnsentEdits::clear(const QWidget *page)
{
    const QList<QWidget *> fields = m_marked.keys();
    for (QWidget *w : fields)
        if (w == page || page->isAncestorOf(w))
            setMarked(w, false);
}

void UnsentEdits::commandStarted()
{
    // A refused set sends nothing: its fields must not ride on the next
    // command that does start.
    if (!m_clicked)
        m_pending.clear();
    m_clicked = false;
}

void UnsentEdits::commandFinished(bool success)
{
    if (success)
        for (const QPointer<QWidget> &w : std::as_const(m_pending))
            if (w)
                setMarked(w, false);
    m_pending.clear();
}

void UnsentEdits::setMarked(QWidget *field, bool on)
{
    if (on == m_marked.contains(field))
        return;
    if (on) {
        m_marked.insert(field, {field->accessibleDescription(), field->styleSheet()});
        const QString d = field->accessibleDescription();
        field->setAccessibleDescription(d.isEmpty() ? description() : description() + QStringLiteral(". ") + d);
        // A frame that reads on light and dark palettes alike.
        const char *type = qobject_cast<QComboBox *>(field) ? "QComboBox" : "QLineEdit";
        field->setStyleSheet(field->styleSheet()
                             + QStringLiteral("%1 { border: 2px solid #e0a000; border-radius: 2px; }").arg(QLatin1String(type)));
        field->setProperty("unsent", true);
        connect(field, &QObject::destroyed, this, [this, field] { m_marked.remove(field); });
    } else {
        const Saved saved = m_marked.take(field);
        field->setAccessibleDescription(saved.description);
        field->setStyleSheet(saved.styleSheet);
        field->setProperty("unsent", false);
    }
    emit markChanged(field, on);
}

void UnsentEdits::buttonClicked(QAbstractButton *button)
{
    m_pending.clear();
    m_clicked = true;
    for (QWidget *w : fieldsOf(button))
        if (m_marked.contains(w))
            m_pending << w;
}

QList<QWidget *> UnsentEdits::fieldsOf(QAbstractButton *button) const
{
    QList<QWidget *> fields;
    QWidget *parent = button->parentWidget();
    QLayout *layout = parent ? layoutHolding(parent->layout(), button) : nullptr;
    if (!layout)
        return fields;
    auto *grid = qobject_cast<QGridLayout *>(layout);
    if (!grid) {
        for (int i = 0; i < layout->count(); ++i)
            if (QWidget *w = layout->itemAt(i)->widget(); w && isField(w))
                fields << w;
        return fields;
    }
    int row = 0, col = 0, rowSpan = 1, colSpan = 1;
    grid->getItemPosition(grid->indexOf(button), &row, &col, &rowSpan, &colSpan);
    for (int r = row; r < row + rowSpan; ++r) {
        // The nearest field on the right with no other button between, else
        // the nearest on the left.
        QWidget *found = nullptr;
        for (int c = col + colSpan; c < grid->columnCount() && !found; ++c) {
            QLayoutItem *item = grid->itemAtPosition(r, c);
            QWidget *w = item ? item->widget() : nullptr;
            if (qobject_cast<QAbstractButton *>(w))
                break;
            if (w && isField(w))
                found = w;
        }
        for (int c = col - 1; c >= 0 && !found; --c) {
            QLayoutItem *item = grid->itemAtPosition(r, c);
            QWidget *w = item ? item->widget() : nullptr;
            if (qobject_cast<QAbstractButton *>(w))
                break;
            if (w && isField(w))
                found = w;
        }
        if (found && !fields.contains(found))
            fields << found;
    }
    return fields;
}

} // namespace kaspen::ui
