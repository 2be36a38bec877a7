#pragma once

#include <vector>

#include "tools/Corpus.h"

// The checks of a build's sources once they are read, apart from their reading and from the
// writing: each value against its field (Values.cpp), then what the rows hold together
// (Content.cpp).
namespace veloria::tools {

// Every value of the table's sound rows against its field (CheckFieldValue); numbers are made
// canonical on the way.
void CheckValues(SourceTable& table, Reporter& reporter);

// Keys, references, search forms (computed here), glossary markers, Bible entries and the
// references between tables. A table that could not be read is passed over, and so is every
// reference into it.
void CheckContent(std::vector<SourceTable>& tables, Reporter& reporter);

}  // namespace veloria::tools
