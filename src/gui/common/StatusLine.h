#pragma once
// The status bar at the foot of the main window: the link, the port or the
// module's address, the logger, the last result with its time, and the
// progress of a batch or Init run. It follows the status area.

#include <QStatusBar>

class QLabel;

namespace kaspen {
class MainModel;
namespace ui {

class StatusLine : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusLine(MainModel &model, QWidget *parent = nullptr);

    QString linkText() const;
    QString placeText() const;
    QString loggerText() const;
    QString resultText() const;
    QString runText() const;

public slots:
    void refresh();
    // "row i of n" of a batch or Init run; n = 0 hides it.
    void showRun(int row, int rows);

private:
    void resultShown(const QString &status);

    MainModel &m_model;
    QLabel *m_link;
    QLabel *m_place;
    QLabel *m_logger;
    QLabel *m_result;
    QLabel *m_run;
};

} // namespace ui
} // namespace kaspen
