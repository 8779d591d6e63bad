// Arbitrary lines through the re-query's parsing, and arbitrary numbers through a history line and
// back.

#include "CarrierTable.h"
#include "FuzzCheck.h"
#include "TrackingQuery.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    if (const auto entry = TrackingQuery::parseHistoryLine(text)) {
        FUZZ_CHECK(text.contains(entry->displayName));
        FUZZ_CHECK(text.endsWith(entry->number));
    }

    const auto &rows = CarrierTable::rows();
    const Carrier &row = rows.at(size % rows.size());
    const QString line = TrackingQuery::historyLine(QTime(int(size % 24), 5, 7), row.displayName, text);
    const auto entry = TrackingQuery::parseHistoryLine(line);
    FUZZ_CHECK(entry);
    FUZZ_CHECK(entry->displayName == row.displayName);
    FUZZ_CHECK(entry->number == text);
    const auto carrier = CarrierTable::reverseLookup(entry->displayName);
    FUZZ_CHECK(carrier && carrier->buttonName == row.buttonName);
    return 0;
}
