#include "records/BatchCommandTable.h"

namespace kaspen {

void BatchCommandTable::RecordCommand(int code, const QByteArray &text)
{
    std::lock_guard lock(m_mutex);
    m_entries[code] = text;
}

QByteArray BatchCommandTable::text(int code) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(code);
    return it == m_entries.end() ? QByteArray() : it->second;
}

bool BatchCommandTable::contains(int code) const
{
    std::lock_guard lock(m_mutex);
    return m_entries.count(code) != 0;
}

std::vector<std::pair<int, QByteArray>> BatchCommandTable::entries() const
{
    std::lock_guard lock(m_mutex);
    return {m_entries.begin(), m_entries.end()};
}

int BatchCommandTable::size() const
{
    std::lock_guard lock(m_mutex);
    return int(m_entries.size());
}

void BatchCommandTable::clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

void BatchCommandTable::replaceAll(const std::vector<std::pair<int, QByteArray>> &entries)
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    for (const auto &[code, text] : entries)
        m_entries[code] = text;
}

} // namespace kaspen
