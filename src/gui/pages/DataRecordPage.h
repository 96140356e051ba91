#pragma once
// The Data Record page (settings sheet page 6): thin widgets over
// DataRecordModel, the result list beside its chart, and the modeless
// "File Download Status" window of a download.

#include "session/PageMessages.h"

#include <QDialog>
#include <functional>
#include <QWidget>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTabWidget;

namespace kaspen {

class DataRecordModel;
class DataRecordChart;
class Session;

// The "File Download Status" window: progress bar, "received\total" and Cancel.
class DownloadStatusWindow : public QDialog {
    Q_OBJECT
public:
    explicit DownloadStatusWindow(QWidget *parent = nullptr);
    void setProgress(int received, int total);
    // Shown under the bar when a request went unanswered.
    void setNote(const QString &text);
    QProgressBar *bar() const { return m_bar; }
    QLabel *text() const { return m_text; }
    QPushButton *cancelButton() const { return m_cancel; }

signals:
    void cancelRequested(); // WM_USER+24
    void closing();         // WM_USER+23

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    QProgressBar *m_bar;
    QLabel *m_text;
    QLabel *m_note;
    QPushButton *m_cancel;
};

class DataRecordPage : public QWidget {
    Q_OBJECT
public:
    DataRecordPage(Session &session, QWidget *parent = nullptr);
    ~DataRecordPage() override;

    DataRecordModel &model() { return *m_model; }

    // Messages of the main window: WM_USER+10, +14, +15.
    void handleMessage(const PageMessage &m);

    // The save dialog of a download; tests replace it (return "" to cancel).
    void setSaveChooser(std::function<QString(const QString &proposed)> chooser) { m_chooser = std::move(chooser); }
    void setCsvChooser(std::function<QString()> chooser) { m_csvChooser = std::move(chooser); }

    QTableWidget *list() const { return m_list; }
    DataRecordChart *chart() const { return m_chart; }
    QTabWidget *views() const { return m_views; }
    DownloadStatusWindow *statusWindow() const { return m_window; }
    QPushButton *queryButton() const { return m_query; }
    QPushButton *retrieveButton() const { return m_retrieve; }
    QPushButton *exportButton() const { return m_export; }
    QComboBox *hourList() const { return m_hour; }
    QComboBox *minuteList() const { return m_minute; }
    QComboBox *countList() const { return m_count; }
    QComboBox *perRequestList() const { return m_perRequest; }
    QDateEdit *queryDate() const { return m_date; }
    QDateEdit *startDate() const { return m_start; }
    QDateEdit *endDate() const { return m_end; }
    QLineEdit *filePath() const { return m_path; }

    void retrieve();  // "Retrieve"
    void exportCsv(); // "Export CSV..."

private:
    void build();
    void rebuildList();
    void addRows(int first, int count);
    void refillCount();
    void refillPerRequest();
    void openWindow(int total);
    void closeWindow();

    DataRecordModel *m_model;
    std::function<QString(const QString &)> m_chooser;
    std::function<QString()> m_csvChooser;
    QDateEdit *m_date = nullptr;
    QComboBox *m_hour = nullptr;
    QComboBox *m_minute = nullptr;
    QComboBox *m_count = nullptr;
    QPushButton *m_query = nullptr;
    QDateEdit *m_start = nullptr;
    QDateEdit *m_end = nullptr;
    QComboBox *m_perRequest = nullptr;
    QPushButton *m_retrieve = nullptr;
    QLineEdit *m_path = nullptr;
    QPushButton *m_export = nullptr;
    QTabWidget *m_views = nullptr;
    QTableWidget *m_list = nullptr;
    DataRecordChart *m_chart = nullptr;
    DownloadStatusWindow *m_window = nullptr;
};

} // namespace kaspen
