// The ".cfg" reader: any file opened as Open Configure File does, listed as
// the Batch Setup page lists it. A file that opens is saved again and read
// back: every row must come back as it was.

#include "FuzzSupport.h"

#include "pages/batch/BatchSetupModel.h"
#include "records/ConfigFile.h"
#include "records/PhoneBook.h"
#include "session/Session.h"

#include <cstdlib>
#include <memory>

using namespace kaspen;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Session *session = [] {
        fuzz::setUp();
        PhoneBook::setDirectory(fuzz::scratchDir());
        return new Session(ModelOrvelA);
    }();
    static BatchSetupModel *batch = new BatchSetupModel(*session);
    const QString path = fuzz::scratchDir() + QStringLiteral("/fuzz.cfg");
    const QString again = fuzz::scratchDir() + QStringLiteral("/again.cfg");
    fuzz::writeFile(path, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));

    const ConfigOpenResult r = readConfigFile(path);
    if (r.status == ConfigOpenResult::Ok) {
        std::vector<ConfigRow> rows;
        bool plain = true;
        for (const auto &[code, text] : r.entries) {
            rows.push_back({QByteArray::number(rows.size() + 1), text, code, true});
            // Tabs and line ends in a value are not kept by any XML reader.
            if (text.contains('\t') || text.contains('\r') || text.contains('\n'))
                plain = false;
        }
        if (plain && writeConfigFile(again, rows, QDateTime(QDate(2024, 12, 10), QTime(10, 0)))) {
            const ConfigOpenResult back = readConfigFile(again);
            if (back.status != ConfigOpenResult::Ok || back.entries.size() != r.entries.size())
                std::abort();
            // The rows are written last row first.
            for (size_t k = 0; k < r.entries.size(); ++k)
                if (back.entries[k] != r.entries[r.entries.size() - 1 - k])
                    std::abort();
        }
    }
    // The page's own open and list (descriptions of every row).
    batch->openConfigFile(path);
    batch->handleMessage({msg::BatchNotice, ToBatchSetup, 1, {}, 1});
    batch->bufferClear();
    session->batchTable().clear();
    return 0;
}
