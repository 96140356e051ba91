#pragma once
// The Digital/Pulse Channel page (settings sheet page 2): thin widgets over
// DigitalChannelModel.

#include "session/PageMessages.h"

#include <QWidget>
#include <array>

class QGroupBox;
class QLineEdit;
class QTableWidget;

namespace kaspen {

class DigitalChannelModel;
class Session;

class DigitalChannelPage : public QWidget {
    Q_OBJECT
public:
    DigitalChannelPage(Session &session, QWidget *parent = nullptr);
    ~DigitalChannelPage() override;

    DigitalChannelModel &model() { return *m_model; }

    // Messages of the main window: WM_USER+6, +11, +15.
    void handleMessage(const PageMessage &m);

    static QColor rowBackground(int row);
    QTableWidget *table() const { return m_table; }
    // Opens the in-place list over a row's "Operation Mode" cell.
    void editMode(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void rebuildTable();
    void refresh();

    DigitalChannelModel *m_model;
    QTableWidget *m_table = nullptr;
    std::array<QLineEdit *, 6> m_pulses{};
};

} // namespace kaspen
