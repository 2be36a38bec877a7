#include "store/Results.h"

#include <limits>

#include "store/TableFile.h"

namespace veloria::store {

std::int32_t StoredResultCount(Table& config, const Table& results) {
    config.First();
    if (!Table::CommittedTogether(results, config))
        return std::int32_t(results.RowCount());
    const auto stored = ParseInteger(config.FieldView("Cantidad"));
    if (stored && *stored >= 0 && *stored <= std::numeric_limits<std::int32_t>::max())
        return std::int32_t(*stored);
    return std::int32_t(results.RowCount());
}

}  // namespace veloria::store
