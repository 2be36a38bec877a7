#pragma once

#include <cstdint>

#include "store/Table.h"

namespace veloria::store {

// The hit count that the last completed search stored in Cantidad, on the configuration's first
// row (the handle moves there). The search writes the results and their count as a pair, results
// first (Table::Batch); when the program was killed between the two commits, the count belongs
// to the results before, and the rows the result table holds are the count. The same rows stand
// in for a value that is no count (empty, not a number, negative, or beyond a signed 32-bit
// integer), which can come only from damage, so that no counter shows a negative or wrapped
// number. A stored 0 is a count like any other, whatever rows the table holds.
std::int32_t StoredResultCount(Table& config, const Table& results);

}  // namespace veloria::store
