#pragma once

#include <functional>
#include <string>

#include "store/Table.h"
#include "widgets/Picture.h"

// What the four Bible cross-reference windows share.
namespace veloria::bible {

// The background picture behind each of them: one picture, decoded once.
const widgets::TPicture& Background();

// The whole text of the passage at a "Biblia.db" handle's current row: U1 to U13 joined as they
// stand (a field may end in the middle of a word), each "#" shown as a blank.
std::string PassageText(const store::Table& biblia);

// Rewrites a working table from scratch as one batch: taken for exclusive use, emptied, filled by
// `fill` (Append, SetField, Post), committed. The write lock comes first, so that a table another
// program writes is left as it was, and open. A failure anywhere leaves the rows the table held,
// with no row of the failed fill pending, and goes on to the caller.
void RewriteTable(store::Table& table, const std::function<void()>& fill);

}  // namespace veloria::bible
