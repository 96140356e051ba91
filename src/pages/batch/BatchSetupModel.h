#pragma once
// The Batch Setup page without its windows: the batch list, the ".cfg" files,
// the batch run and the initialisation run, and the batch runner that sends
// the checked commands one after another on the active link.
//
// Everything here runs on the UI thread except the runner's worker, which
// only decides when the next command goes out; sending, the list and the
// session are touched on the UI thread alone.

#include "session/PageMessages.h"
#include "pages/batch/BatchList.h"
#include "pages/batch/ConfigCompare.h"
#include "records/AuditTrail.h"
#include "records/BatchRunner.h"
#include "records/ConfigFile.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace kaspen {

class Session;

class BatchSetupModel : public QObject {
    Q_OBJECT
public:
    explicit BatchSetupModel(Session &session, QObject *parent = nullptr);
    ~BatchSetupModel() override;

    Session &session() { return m_session; }
    BatchListModel &list() { return m_list; }
    const BatchListModel &list() const { return m_list; }

    // WM_USER+18 (wParam 0 link, 1 rebuild, 2 command finished),
    // WM_USER+19 (default file of the model lParam), WM_USER+22 (init run).
    void handleMessage(const PageMessage &m);

    // "File" menu. Open replaces the batch command table and lists it
    // unchecked; false when nothing was read (the user has been told why).
    bool openConfigFile(const QString &path);
    // True when Save has something to save (rows listed and a non-empty
    // table); the page shows its dialog only then.
    bool canSave() const;
    // Saves the list; ".cfg" is appended when the path has none. False when
    // there was nothing to save or the file could not be written (told).
    bool saveConfigFile(const QString &path);
    // The path Save uses for a chosen path.
    static QString withCfgSuffix(const QString &path);

    // Default file of a model (7 "ORVEL-A.cfg", 13 "ORVEL-B.cfg") next to the
    // executable, or in an install's share/kaspen-setup/; loaded with every
    // row checked.
    static QString defaultFilePath(int modelCode);
    bool loadDefaultFile(int modelCode);

    void selectAll();
    void deselectAll();
    void bufferClear();
    // Right-click "Delete": refused (false) while a run is going.
    bool deleteRows(const QList<int> &rows);

    bool autoStationId() const { return m_autoStationId; }
    void setAutoStationId(bool on) { m_autoStationId = on; }

    // "Batch Setup": checks the link, then queues every checked row. kind
    // names the run in the audit trail ("batch", or "apply" from kaspen-cli).
    bool startBatchRun(const QString &kind = QStringLiteral("batch"));
    // The initialisation run: no link checks; the station ID is kept.
    void startInitRun();

    // The record of the last run that ended (rows in list order), as the
    // audit trail got it; empty rows before the first run.
    const AuditRun &lastRun() const { return m_lastRun; }
    // "Re-run failed rows": checks only the rows of the last run that did not
    // succeed (and are still listed) and runs them. False when there are none
    // or the run was refused.
    bool rerunFailedRows();
    // Shows the outcome of Compare with Logger in the Status column ("same",
    // "different: <logger value>", "not readable") and checks exactly the
    // rows that differ, ready to run. Returns the number of checked rows.
    int showComparison(const std::vector<CompareRow> &rows);
    // The file the list came from (Open or the default file), empty when none.
    const QString &sourceFile() const { return m_sourceFile; }

    // Flags and the state of the buttons.
    bool running() const { return m_running; }
    bool bandFlag() const { return m_band; }
    bool linkAllowsBatch() const { return m_linkEnabled; }
    // "Batch Setup", "File", "Select All", "Deselect All"
    bool batchButtonsEnabled() const { return m_linkEnabled && !m_runLock; }
    // "Buffer Clear"
    bool bufferClearEnabled() const { return !m_runLock; }
    bool buttonTimerActive() const { return m_buttonTimer.isActive(); }
    int runnerQueued() const { return m_runner.queued(); }

    // The wait before a result is written into its row (10 ms; tests may
    // set 0). The wait is a timer, never a sleep.
    void setResultDelayMs(int ms) { m_resultDelayMs = ms; }

    // The next station ID of the Auto Station ID rule: one more, or 0 after
    // 999999, as "%.6lld". With increment false only 999999 becomes 000000.
    static QByteArray nextStationId(const QByteArray &currentId, bool increment);

signals:
    void controlsChanged();          // button states, Auto Station ID
    void rowFinished(int row, const QString &status); // a row got its result
    void runRecorded();               // a run ended and its record was written
    void runEnded();                  // the runner has ended (running flag clear)

private:
    void queueCheckedRows(bool increment);
    void applyStationId(int row, bool increment);
    bool sendItem(const BatchRunner::Item &item);
    void onCommandFinished(const QByteArray &statusText);
    void writeResult(const QString &statusText);
    void onRunnerEnded(BatchRunner::EndReason reason);
    void failRun(const QString &sendingStatus);
    void clearReadyRows();
    void onButtonTimer();
    void checkLineDuringRun();
    void rebuild(bool checked);
    void setRunLock(bool lock);
    void beginRecord(const QString &kind);
    void maybeRecordRun();

    Session &m_session;
    BatchListModel m_list;
    BatchRunner m_runner;
    QTimer m_buttonTimer;
    bool m_running = false;
    bool m_band = false;
    bool m_autoStationId = false;
    bool m_linkEnabled = true;
    bool m_runLock = false;
    bool m_defaultLoaded = false;
    int m_sendingRowId = 0; // the row whose command is out, 0 when none
    int m_resultDelayMs = 10;
    // The run being recorded for the audit trail.
    bool m_recording = false;
    AuditRun m_record;
    std::vector<int> m_recordRowIds;
    AuditRun m_lastRun;
    std::vector<int> m_lastRunRowIds; // the rows of m_lastRun, same order
    QString m_sourceFile;
};

} // namespace kaspen
