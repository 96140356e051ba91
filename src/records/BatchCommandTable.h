#pragma once
// The batch command table: command code -> the last bare command text
// recorded under it (password first, never wrapped for the GSM modem),
// iterated in ascending code order, one text per code.

#include <QByteArray>
#include <map>
#include <mutex>
#include <vector>

namespace kaspen {

class BatchCommandTable {
public:
    // Adds or replaces the entry of code.
    void RecordCommand(int code, const QByteArray &text);
    QByteArray text(int code) const;
    bool contains(int code) const;
    std::vector<std::pair<int, QByteArray>> entries() const; // ascending codes
    int size() const;
    bool isEmpty() const { return size() == 0; }
    void clear();
    // Replaces the whole table (loading a configuration file).
    void replaceAll(const std::vector<std::pair<int, QByteArray>> &entries);

private:
    mutable std::mutex m_mutex;
    std::map<int, QByteArray> m_entries;
};

} // namespace kaspen
