// The Access reader on damaged files: whatever the bytes, opening the file and
// reading table opravenky either yields rows or raises AppError; it never
// crashes, hangs or touches memory it does not own.
#include "base/AppError.h"
#include "legacy/LegacyReader.h"
#include "tests/fuzz/FuzzInput.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzInputFile("mdb", data, size);
    try {
        LegacyReader reader(path);
        (void)reader.tableNames();
        reader.openTable(QStringLiteral("opravenky"));
        QList<LegacyReader::Value> row;
        // A damaged page chain must still end; far more rows than these files hold means a loop.
        for (int n = 0; reader.next(row); ++n) {
            if (n > 1000000)
                std::abort();
            for (int i = 0; i < row.size() && i < reader.columns().size(); ++i) {
                QDateTime date;
                if (reader.columns()[i].type == LegacyReader::Type::DateTime && row[i].kind == LegacyReader::Value::Real)
                    (void)LegacyReader::toDateTime(row[i].real, date);
            }
        }
    } catch (const AppError&) {
    }
    return 0;
}
