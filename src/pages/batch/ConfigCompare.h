#pragma once
// Compare with Logger: the rows of a configuration file against what the
// logger holds now, read into a batch command table as "#1", "#2", "#3" (and
// the pages' other reads) record it.
//
// A row is "same" when the logger's recorded text is the file's text once
// both carry the current Setup password (the batch list's own substitution
// rule), "different" when it is not, and "not readable" when nothing the
// logger answered records that command. Password rows are compared the same
// way and never shown: their values read "(passwords)".

#include <QByteArray>
#include <QString>

#include <map>
#include <utility>
#include <vector>

namespace kaspen {

struct CompareRow {
    enum Outcome { Same, Different, Unreadable };
    int code = 0;
    QByteArray fileText;    // as in the file
    QByteArray object;      // description of the file's command
    QByteArray fileValue;   // Parameters of the file's command
    QByteArray loggerValue; // Parameters of the logger's command, empty when unreadable
    Outcome outcome = Unreadable;
};

namespace compare {

// "same", "different", "not readable"
const char *outcomeText(CompareRow::Outcome o);

// True for the commands that carry passwords as their value.
bool isPasswordCode(int code, const QByteArray &text);

// Compares every file row (in file order) with the logger's table.
// pw is the device's current Setup password.
std::vector<CompareRow> compareRows(const std::vector<std::pair<int, QByteArray>> &fileRows,
                                    const std::map<int, QByteArray> &loggerTable, const QByteArray &pw);

// The number of rows that are not the same.
int differingCount(const std::vector<CompareRow> &rows);

// One tab-separated line: number, outcome, Object, file value, logger value.
QByteArray lineOf(int number, const CompareRow &row);

} // namespace compare
} // namespace kaspen
