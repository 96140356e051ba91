#include "gui/common/ChoiceCellDelegate.h"

#include <QComboBox>
#include <QTimer>

namespace kaspen::ui {

ChoiceCellDelegate::ChoiceCellDelegate(Column column, QObject *parent)
    : QStyledItemDelegate(parent), m_column(std::move(column))
{
}

QWidget *ChoiceCellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    if (index.column() != m_column.column)
        return nullptr;
    auto *combo = new QComboBox(parent);
    combo->setAccessibleName(m_column.accessibleName);
    for (const QByteArray &choice : m_column.choices(index.row()))
        combo->addItem(QString::fromLocal8Bit(choice));
    connect(combo, &QComboBox::activated, this, [this, combo] {
        auto *self = const_cast<ChoiceCellDelegate *>(this);
        emit self->commitData(combo);
        emit self->closeEditor(combo);
    });
    QTimer::singleShot(0, combo, [combo] {
        if (combo->isVisible())
            combo->showPopup();
    });
    return combo;
}

void ChoiceCellDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = static_cast<QComboBox *>(editor);
    combo->setCurrentIndex(combo->findText(QString::fromLocal8Bit(m_column.current(index.row()))));
}

void ChoiceCellDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const
{
    auto *combo = static_cast<QComboBox *>(editor);
    if (combo->currentIndex() >= 0)
        m_column.take(index.row(), combo->currentText().toLocal8Bit());
}

void ChoiceCellDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

} // namespace kaspen::ui
