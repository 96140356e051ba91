#pragma once
// The AD Alarm Message page (settings sheet page 4) and the IN Alarm Message
// page (page 5): thin widgets over AlarmMessageModel. Each row has, per
// column group, a set button, the "Text" box, the message edit and a read
// button.

#include "pages/alarms/AlarmSlots.h"
#include "session/PageMessages.h"

#include <QVector>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kaspen {

class AlarmMessageModel;
class Session;

class AlarmMessagePage : public QWidget {
    Q_OBJECT
public:
    AlarmMessagePage(Session &session, AlarmPage page, QWidget *parent = nullptr);
    ~AlarmMessagePage() override;

    AlarmMessageModel &model() { return *m_model; }

    // Messages of the main window: WM_USER+50 (alarm text read replies) and
    // WM_USER+15 (Clear).
    void handleMessage(const PageMessage &m);

    // The controls of a slot (null for a slot of the other page).
    QLineEdit *messageEdit(int slot) const;
    QCheckBox *textBox(int slot) const;
    QPushButton *setButton(int slot) const;
    QPushButton *readButton(int slot) const;
    QLabel *rowLabel(int row) const { return m_rowLabels.value(row); }

private:
    struct CellWidgets {
        QPushButton *set = nullptr;
        QCheckBox *box = nullptr;
        QLineEdit *edit = nullptr;
        QPushButton *read = nullptr;
    };
    void build();
    void refreshCell(int row, int column);
    const CellWidgets *widgetsOf(int slot) const;

    AlarmMessageModel *m_model;
    AlarmPage m_page;
    QVector<CellWidgets> m_cells; // row * Columns + column
    QVector<QLabel *> m_rowLabels;
};

} // namespace kaspen
