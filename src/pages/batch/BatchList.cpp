#include "pages/batch/BatchList.h"
#include "protocol/CommandCodes.h"

#include <algorithm>

namespace kaspen {

unsigned batchRowBackground(int row)
{
    return row % 2 == 0 ? batchcolour::White : batchcolour::OddRow;
}

unsigned batchStatusColour(const QString &status)
{
    // Tested in this order; the last match wins.
    unsigned c = batchcolour::Black;
    if (status.contains(QLatin1String("Success")))
        c = batchcolour::Green;
    if (status.contains(QLatin1String("Fail")) || status.contains(QLatin1String("Error")))
        c = batchcolour::Red;
    if (status.contains(QLatin1String("Time Out")))
        c = batchcolour::Blue;
    return c;
}

QByteArray withCurrentPassword(const QByteArray &text, const QByteArray &pw)
{
    if (pw.isEmpty())
        return text;
    const QByteArray old = text.left(6);
    if (old == pw)
        return text;
    if (text.contains("#PS"))
        return pw + text.mid(6, 18);
    QByteArray out = pw;
    qsizetype i = old.size();
    while (i < text.size()) {
        // Another command of the same text starts here: "#" old "#".
        if (!old.isEmpty() && text[i - 1] == '#' && text.mid(i, old.size()) == old && i + old.size() < text.size()
            && text[i + old.size()] == '#') {
            out += pw;
            i += old.size();
            continue;
        }
        out += text[i];
        ++i;
    }
    return out;
}

BatchListModel::BatchListModel(QObject *parent) : QAbstractTableModel(parent) {}

int BatchListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int BatchListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BatchListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const BatchRow &r = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColNumber: return QString::fromLatin1(r.number);
        case ColStatus: return r.status;
        case ColText: return QString::fromLocal8Bit(r.text);
        case ColCode: return QString::number(r.code);
        case ColObject: return QString::fromLocal8Bit(r.object);
        case ColParameters: return QString::fromLocal8Bit(r.parameters);
        }
        return {};
    case Qt::CheckStateRole:
        if (index.column() == ColNumber)
            return r.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case BackgroundRgbRole:
        return batchRowBackground(index.row());
    case ForegroundRgbRole:
        if (index.column() == ColStatus)
            return batchStatusColour(r.status);
        // The hidden columns are painted in the row's background colour.
        if (index.column() == ColText || index.column() == ColCode)
            return batchRowBackground(index.row());
        return batchcolour::Black;
    }
    return {};
}

QVariant BatchListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColNumber: return QStringLiteral("No.");
    case ColStatus: return QStringLiteral("Status");
    case ColObject: return QStringLiteral("Object");
    case ColParameters: return QStringLiteral("Parameters");
    }
    return QString();
}

Qt::ItemFlags BatchListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == ColNumber)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool BatchListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole || index.column() != ColNumber)
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

void BatchListModel::rebuild(const std::vector<std::pair<int, QByteArray>> &entries, const QByteArray &pw, bool band, bool c)
{
    beginResetModel();
    m_rows.clear();
    int width = WideStatus;
    for (const auto &[code, recorded] : entries) {
        if (recorded.isEmpty() || (code == codes::GsmBand && !band))
            continue;
        BatchRow r;
        r.id = m_nextId++;
        r.text = withCurrentPassword(recorded, pw);
        r.code = code;
        r.number = QByteArray::number(qlonglong(m_rows.size() + 1)).rightJustified(2, '0');
        const CommandDescription d = describeCommand(code, r.text.mid(6));
        r.object = d.object;
        r.parameters = d.parameters;
        r.checked = c;
        m_rows.push_back(std::move(r));
        if (m_rows.size() >= 32)
            width = NarrowStatus;
    }
    endResetModel();
    setStatusWidth(width);
}

void BatchListModel::clearRows()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
    setStatusWidth(WideStatus);
}

void BatchListModel::removeRowList(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int r : rows) {
        if (r < 0 || r >= int(m_rows.size()))
            continue;
        beginRemoveRows(QModelIndex(), r, r);
        m_rows.erase(m_rows.begin() + r);
        endRemoveRows();
    }
    if (m_rows.size() < 30)
        setStatusWidth(WideStatus);
    // Row colours go by position.
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
}

void BatchListModel::setAllChecked(bool checked)
{
    for (auto &r : m_rows)
        r.checked = checked;
    if (!m_rows.empty())
        emit dataChanged(index(0, ColNumber), index(int(m_rows.size()) - 1, ColNumber), {Qt::CheckStateRole});
}

void BatchListModel::setChecked(int row, bool checked)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    m_rows[size_t(row)].checked = checked;
    emit dataChanged(index(row, ColNumber), index(row, ColNumber), {Qt::CheckStateRole});
}

int BatchListModel::rowOfId(int id) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].id == id)
            return int(i);
    return -1;
}

void BatchListModel::setStatus(int r, const QString &status)
{
    if (r < 0 || r >= int(m_rows.size()))
        return;
    m_rows[size_t(r)].status = status;
    emit dataChanged(index(r, ColStatus), index(r, ColStatus));
}

void BatchListModel::setTextAndParameters(int r, const QByteArray &text, const QByteArray &parameters)
{
    if (r < 0 || r >= int(m_rows.size()))
        return;
    m_rows[size_t(r)].text = text;
    m_rows[size_t(r)].parameters = parameters;
    emit dataChanged(index(r, ColText), index(r, ColParameters));
}

void BatchListModel::setStatusWidth(int w)
{
    if (w == m_statusWidth)
        return;
    m_statusWidth = w;
    emit statusWidthChanged(w);
}

} // namespace kaspen
