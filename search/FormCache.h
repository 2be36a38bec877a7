#pragma once

#include "search/FormScan.h"
#include "store/Table.h"

namespace veloria::search {

// The search forms (A1 + A2 + A3 + A4) of every row of a volume table, in the handle's row order.
// The volume tables are only ever read, so the forms are read once per process and kept; they are
// read again only if the table's rows or its file change after all. The reference stays valid
// until the next call for the same table. Single-threaded, like the windows that search.
const FormBuffer& FormsOf(store::Table& volume);

// Forgets every kept buffer (for benchmarks that measure the first search).
void ForgetForms();

}  // namespace veloria::search
