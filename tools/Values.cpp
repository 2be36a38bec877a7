// The check of each value against its field, the same for every source.
#include <cstdio>

#include "store/Schema.h"
#include "store/TableFile.h"
#include "store/Text.h"
#include "tools/Checks.h"
#include "tools/Echo.h"

namespace veloria::tools {
using store::FieldKind;
using store::TableDef;

namespace {

// Control characters: codes 0 to 31, 127, and the five codes Windows-1252 leaves undefined (read
// as the C1 controls of the same value).
bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

}  // namespace

std::string CheckFieldValue(const TableDef& table, std::size_t index, std::string& value) {
    const store::FieldDef& field = table.fields[index];
    // Texts may be laid out with tabs and line breaks; a key or a number holds none.
    bool key = field.kind == FieldKind::Integer || store::SameName(field.name, table.primaryKey);
    for (std::string_view name : table.indexes)
        key = key || store::SameName(field.name, name);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (!IsControl(c) || (!key && (c == '\n' || c == '\r' || c == '\t')))
            continue;
        char code[8];
        std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
        return std::string("a control character (") + code + ") at character " +
               std::to_string(i + 1) + " of " + ShownCp1252(value) +
               (key ? "; a key or a number holds none"
                    : "; a text holds none but tabs and line breaks");
    }
    switch (field.kind) {
        case FieldKind::Integer: {
            if (store::Trim(value).empty()) {
                value.clear();
                return {};
            }
            const auto n = store::ParseInteger(value);
            if (!n)
                return ShownCp1252(value) + " is not a number";
            value = std::to_string(*n);
            return {};
        }
        case FieldKind::Text:
            if (value.size() > kTextFieldSize) {
                return std::to_string(value.size()) + " characters; a text field holds at most " +
                       std::to_string(kTextFieldSize);
            }
            return {};
        case FieldKind::Memo:
            if (value.size() > kLongTextLimit) {
                return std::to_string(value.size()) + " characters; a long text holds at most " +
                       std::to_string(kLongTextLimit);
            }
            return {};
    }
    return {};
}

void CheckValues(SourceTable& table, Reporter& reporter) {
    const TableDef& def = *table.def;
    for (TableRow& row : table.rows) {
        if (row.damaged)
            continue;
        for (std::size_t f = 0; f < def.fields.size(); ++f) {
            if (store::IsComputedField(def, def.fields[f].name))
                continue;
            const std::string problem = CheckFieldValue(def, f, row.values[f]);
            if (!problem.empty())
                reporter.Error(table.name, row.number, def.fields[f].name, problem);
        }
    }
}

}  // namespace veloria::tools
