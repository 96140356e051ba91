#pragma once
// The in-place drop-down list over one column of a table: it opens with the
// cell's current choice selected, and a choice taken (mouse or keyboard)
// goes to the page's model at once and closes the list.

#include <QByteArray>
#include <QList>
#include <QStyledItemDelegate>
#include <functional>

namespace kaspen::ui {

class ChoiceCellDelegate : public QStyledItemDelegate {
public:
    struct Column {
        int column = 0;
        QString accessibleName;                                 // the column's heading
        std::function<QList<QByteArray>(int row)> choices;      // offered in this row
        std::function<QByteArray(int row)> current;             // the choice to select
        std::function<void(int row, const QByteArray &)> take;  // a choice was taken
    };

    ChoiceCellDelegate(Column column, QObject *parent);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const override;

private:
    Column m_column;
};

} // namespace kaspen::ui
