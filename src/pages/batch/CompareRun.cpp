#include "pages/batch/CompareRun.h"

#include "session/MainModel.h"

#include <QTimer>

namespace kaspen {

CompareRun::CompareRun(MainModel &model, QObject *parent) : QObject(parent), m_model(model)
{
    for (int n = 1; n <= 3; ++n)
        m_reads.push_back({[n](MainModel &m) { m.readBlock(n); }, {}});
}

bool CompareRun::start(const std::vector<std::pair<int, QByteArray>> &fileRows)
{
    if (running() || fileRows.empty())
        return false;
    m_fileRows = fileRows;
    m_rows.clear();
    m_readResult = 0;
    m_model.session().batchTable().clear();
    m_step = 0;
    m_finishedConnection = connect(&m_model, &MainModel::exchangeFinished, this, [this](int, int result, const QString &) {
        if (!m_waiting)
            return;
        m_waiting = false;
        if (result != 0) {
            end(result);
            return;
        }
        if (const Read &record = m_reads[size_t(m_step)].record)
            record(m_model);
        ++m_step;
        next();
    });
    next();
    return true;
}

void CompareRun::next()
{
    if (m_step >= int(m_reads.size())) {
        end(0);
        return;
    }
    m_waiting = true;
    m_reads[size_t(m_step)].read(m_model);
    // The exchange of a sent command starts once the posted start has run;
    // a read that was refused started none.
    const int step = m_step;
    QTimer::singleShot(0, this, [this, step] {
        QTimer::singleShot(0, this, [this, step] {
            if (m_waiting && m_step == step && !m_model.exchange().running()) {
                m_waiting = false;
                end(-1);
            }
        });
    });
}

void CompareRun::end(int readResult)
{
    disconnect(m_finishedConnection);
    BatchCommandTable &table = m_model.session().batchTable();
    std::map<int, QByteArray> logger;
    for (const auto &[code, text] : table.entries())
        logger[code] = text;
    // The file's rows go back where they were, for the run that may follow.
    table.replaceAll(m_fileRows);
    m_readResult = readResult;
    if (readResult == 0)
        m_rows = compare::compareRows(m_fileRows, logger, m_model.session().currentEntry().setupPassword);
    m_step = -1;
    emit finished();
}

} // namespace kaspen
