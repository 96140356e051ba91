#pragma once
// "Compare with Logger": reads the logger as "#1", "#2", "#3" do (and any
// further reads that record settings), one exchange after another, with the
// batch command table emptied first so that it records only what the logger
// holds; then puts the file's rows back into the table and compares them.
// Runs on the event loop, never waiting in place.

#include "pages/batch/ConfigCompare.h"

#include <QObject>

#include <functional>
#include <utility>
#include <vector>

namespace kaspen {

class MainModel;

class CompareRun : public QObject {
    Q_OBJECT
public:
    using Read = std::function<void(MainModel &)>;

    explicit CompareRun(MainModel &model, QObject *parent = nullptr);

    // A read that also records settings, run after "#1" to "#3"; then, once
    // it succeeded, records what it read (the alarm delays of "#CHEACK4#").
    void addRead(Read read, Read record = {}) { m_reads.push_back({std::move(read), std::move(record)}); }

    // Compares these file rows (code, text). False when there is nothing to
    // compare or a comparison is already running.
    bool start(const std::vector<std::pair<int, QByteArray>> &fileRows);
    bool running() const { return m_step >= 0; }

    const std::vector<CompareRow> &rows() const { return m_rows; }
    // The result code of the read that failed (-1 when one was refused
    // before sending), or 0 when every read succeeded.
    int readResult() const { return m_readResult; }

signals:
    void finished();

private:
    void next();
    void end(int readResult);

    MainModel &m_model;
    struct Step {
        Read read, record;
    };
    std::vector<Step> m_reads;
    std::vector<std::pair<int, QByteArray>> m_fileRows;
    std::vector<CompareRow> m_rows;
    int m_step = -1;
    int m_readResult = 0;
    bool m_waiting = false;
    QMetaObject::Connection m_finishedConnection;
};

} // namespace kaspen
