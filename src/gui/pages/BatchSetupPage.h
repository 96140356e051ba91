#pragma once
// The "Batch Setup" page: the batch list with its check boxes, the "File"
// menu (Open / Save Configure File), Select All, Deselect All, Buffer Clear,
// the right-click Delete, "Auto Station ID" and "Batch Setup". A thin window
// over BatchSetupModel.

#include "session/PageMessages.h"
#include "pages/batch/BatchSetupModel.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;

namespace kaspen {

class CompareRun;
class MainModel;
class Session;

class BatchSetupPage : public QWidget {
    Q_OBJECT
public:
    // Menu commands of the "File" pop-up and the list's pop-up.
    enum MenuCommand { OpenConfigureFile = 11, SaveConfigureFile = 12, DeleteRows = 13 };

    explicit BatchSetupPage(Session &session, QWidget *parent = nullptr);
    ~BatchSetupPage() override;

    BatchSetupModel &model() { return *m_model; }

    // WM_USER+18, WM_USER+19, WM_USER+22: forwarded to the model, then the
    // controls follow.
    void handleMessage(const PageMessage &m);

    // "Compare with Logger" reads the logger through the main model.
    void setMainModel(MainModel &model);
    // Compare with Logger: reads the logger and shows, row by row, what the
    // file would change; only the differing rows stay checked.
    void compareWithLogger();
    CompareRun *compareRun() const { return m_compareRun; }
    QPushButton *compareButton() const { return m_compare; }
    QPushButton *rerunFailedButton() const { return m_rerunFailed; }

    // Runs a menu command as if chosen. Open and Save ask for the file
    // through the chooser (a file dialog unless replaced).
    void runMenuCommand(int command);
    // Replaces the file dialogs (tests): returns the chosen path, or an
    // empty text for Cancel.
    using FileChooser = std::function<QString(bool save)>;
    void setFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

    // The controls, for the main window and tests.
    QTableView *listView() const { return m_view; }
    QPushButton *fileButton() const { return m_file; }
    QPushButton *selectAllButton() const { return m_selectAll; }
    QPushButton *deselectAllButton() const { return m_deselectAll; }
    QPushButton *bufferClearButton() const { return m_bufferClear; }
    QPushButton *batchSetupButton() const { return m_batchSetup; }
    QCheckBox *autoStationIdBox() const { return m_autoStationId; }
    // The run's progress ("Row i of n"), its bar and Cancel; shown while a
    // batch or Init run goes.
    QLabel *runLabel() const { return m_runLabel; }
    QProgressBar *runProgressBar() const { return m_runBar; }
    QPushButton *cancelButton() const { return m_cancel; }
    // The pop-up menus as they are built when shown (tests read their texts).
    QMenu *buildFileMenu();
    QMenu *buildListMenu();

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void refreshControls();
    void showRunProgress(int row, int rows);
    void applyColumnWidths();
    void showListMenu(const QPoint &pos);
    QString chooseFile(bool save);

    BatchSetupModel *m_model;
    QTableView *m_view;
    QPushButton *m_file;
    QPushButton *m_selectAll;
    QPushButton *m_deselectAll;
    QPushButton *m_bufferClear;
    QPushButton *m_batchSetup;
    QCheckBox *m_autoStationId;
    QPushButton *m_compare;
    QPushButton *m_rerunFailed;
    CompareRun *m_compareRun = nullptr;
    QLabel *m_runLabel;
    QProgressBar *m_runBar;
    QPushButton *m_cancel;
    FileChooser m_chooser;
};

} // namespace kaspen
