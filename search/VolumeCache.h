#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/FormScan.h"
#include "store/Table.h"

namespace veloria::search {

// What the search reads of one volume table, row by row in the handle's order: the search forms
// (A1 + A2 + A3 + A4) end to end, with the filter that lets a scan skip what cannot hold a query.
// What a hit writes to its result row is read from the table's own rows when it is written.
struct VolumeTexts {
    RowTexts forms;
};

// The volume tables are only ever read, so their texts are read once per process and kept; they
// are read again only when the table engine has read the rows again or they changed. The reference
// stays valid until the next call for the same table. Single-threaded, like the windows that
// search.
const VolumeTexts& TextsOf(store::Table& volume);

// Forgets every kept volume (for benchmarks that measure the first search).
void ForgetVolumeTexts();

}  // namespace veloria::search
