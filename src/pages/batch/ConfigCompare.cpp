#include "pages/batch/ConfigCompare.h"

#include "pages/batch/BatchList.h"
#include "records/CommandDescription.h"

namespace kaspen::compare {

namespace {
const QByteArray Hidden = "(passwords)";
}

const char *outcomeText(CompareRow::Outcome o)
{
    switch (o) {
    case CompareRow::Same:
        return "same";
    case CompareRow::Different:
        return "different";
    case CompareRow::Unreadable:
        break;
    }
    return "not readable";
}

bool isPasswordCode(int code, const QByteArray &text)
{
    return text.mid(6, 4) == "#PS:";
}

std::vector<CompareRow> compareRows(const std::vector<std::pair<int, QByteArray>> &fileRows,
                                    const std::map<int, QByteArray> &loggerTable, const QByteArray &pw)
{
    std::vector<CompareRow> out;
    out.reserve(fileRows.size());
    for (const auto &[code, text] : fileRows) {
        CompareRow row;
        row.code = code;
        row.fileText = text;
        const CommandDescription file = describeCommand(code, text.mid(6));
        row.object = file.object;
        const bool secret = isPasswordCode(code, text);
        row.fileValue = secret ? Hidden : file.parameters;
        const auto it = loggerTable.find(code);
        if (it == loggerTable.end() || it->second.isEmpty()) {
            row.outcome = CompareRow::Unreadable;
        } else {
            const QByteArray mine = withCurrentPassword(text, pw);
            const QByteArray theirs = withCurrentPassword(it->second, pw);
            row.outcome = mine == theirs ? CompareRow::Same : CompareRow::Different;
            row.loggerValue = secret ? Hidden : describeCommand(code, it->second.mid(6)).parameters;
        }
        out.push_back(std::move(row));
    }
    return out;
}

int differingCount(const std::vector<CompareRow> &rows)
{
    int n = 0;
    for (const CompareRow &r : rows)
        n += r.outcome != CompareRow::Same;
    return n;
}

QByteArray lineOf(int number, const CompareRow &row)
{
    return QByteArray::number(number).rightJustified(2, '0') + '\t' + outcomeText(row.outcome) + '\t' + row.object
        + '\t' + row.fileValue + '\t' + row.loggerValue;
}

} // namespace kaspen::compare
