#include "store/TableCursor.h"

#include <algorithm>
#include <charconv>

#include "store/TableFile.h"
#include "store/Text.h"

namespace veloria::store {

void Table::Cursor::CheckBrowse() {
    if (mode == Mode::Browse)
        return;
    if (modified) {
        Post();
    } else {
        Cancel();
    }
}

void Table::Cursor::Post() {
    if (mode == Mode::Browse)
        return;
    Sync();
    const auto written = mode == Mode::Append ? table.Insert(pending)
                                              : table.Update(editId, pending, order < 0 ? pos : 0);
    Cancel();
    Place(order < 0 ? written.pos : table.PositionOf(order, written.id).value_or(0));
    bof = eof = false;
}

void Table::Cursor::First() {
    CheckBrowse();
    Sync();
    Place(0);
    bof = true;
    eof = !HasRow();
}

void Table::Cursor::Last() {
    CheckBrowse();
    Sync();
    Place(HasRow() ? table.Size() - 1 : 0);
    eof = true;
    bof = !HasRow();
}

int Table::Cursor::MoveBy(int n) {
    CheckBrowse();
    Sync();
    if (n == 0 || (n > 0 && eof) || (n < 0 && bof))
        return 0;
    bof = eof = false;
    if (!HasRow()) {
        bof = eof = true;
        return 0;
    }
    const auto last = std::int64_t(table.Size()) - 1;
    std::int64_t target = std::int64_t(pos) + n;
    if (target > last) {
        target = last;
        eof = true;
    } else if (target < 0) {
        target = 0;
        bof = true;
    }
    const int moved = int(target - std::int64_t(pos));
    Place(std::size_t(target));
    return moved;
}

int Table::Cursor::KeyField() const {
    const int field = table.KeyField(order);
    if (field < 0)
        Fail("the table has no key");
    return field;
}

std::optional<std::string> Table::Cursor::KeyCell(std::string_view text) const {
    if (table.Def().fields[std::size_t(KeyField())].kind != FieldKind::Integer) {
        return std::string(text);
    }
    const auto n = ParseInteger(text);
    if (!n)
        return std::nullopt;
    return std::to_string(*n);
}

bool Table::Cursor::FindKey(std::string_view text) {
    CheckBrowse();
    CheckActive();
    if (order < 0 && table.ReadsByKey()) {
        const auto key = KeyCell(text);
        const auto id = key ? CellInt(*key) : std::nullopt;
        if (!id || !table.ReadByKey(*id))
            return false;
        rowId = *id;
        onRow = byKey = true;
        bof = eof = false;
        return true;
    }
    Sync();
    const int field = KeyField();
    const auto key = KeyCell(text);
    if (!key)
        return false;
    const std::size_t p = table.LowerBound(order, *key);
    if (p >= table.Size() || table.CellAt(order, p, field) != *key)
        return false;
    GoTo(p);
    return true;
}

void Table::Cursor::GotoNearest(std::string_view text) {
    CheckBrowse();
    Sync();
    const int field = KeyField();
    if (!HasRow())
        return;
    std::optional<std::string> key = KeyCell(text);
    if (!key) {
        // A blank goes before every number; any other text is no number at all.
        if (!Trim(text).empty()) {
            Fail(Quoted(text) + " is no value of the key field " +
                 Quoted(table.Def().fields[std::size_t(field)].name));
        }
        key = "";
    }
    GoTo(std::min(table.LowerBound(order, *key), table.Size() - 1));
}

void Table::Cursor::StartEdit(Mode m) {
    CheckBrowse();
    Sync();
    table.CheckWritable();
    if (m == Mode::Edit && !HasRow())
        m = Mode::Append;  // nothing to edit: a new row
    const std::size_t n = table.FieldCount();
    pending.resize(n);
    if (m == Mode::Append) {
        for (std::string& cell : pending)
            cell.clear();
    } else {
        const Row& row = table.At(order, pos);
        for (std::size_t i = 0; i < n; ++i)
            pending[i].assign(table.CellOf(row, i));
        editId = rowId;
    }
    mode = m;
    modified = false;
}

std::size_t Table::Cursor::PendingField(std::string_view name) const {
    CheckActive();
    const int field = Field(name);
    if (mode == Mode::Browse)
        Fail("the table is not in edit or append mode");
    return std::size_t(field);
}

void Table::Cursor::Set(std::string_view name, std::string_view value) {
    const std::size_t field = PendingField(name);
    std::string& cell = pending[field];
    const FieldDef& def = table.Def().fields[field];
    if (def.kind != FieldKind::Integer) {
        cell.assign(value);
    } else if (IsBlank(value)) {
        cell.clear();
    } else if (const auto n = ParseInteger(value)) {
        AssignDecimal(cell, *n);
    } else {
        Fail(Quoted(value) + " is no integer (field " + Quoted(def.name) + ")");
    }
    modified = true;
}

void Table::Cursor::Set(std::string_view name, std::int64_t value) {
    AssignDecimal(pending[PendingField(name)], value);
    modified = true;
}

bool Table::Cursor::IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= 32; });
}

void Table::Cursor::AssignDecimal(std::string& cell, std::int64_t value) {
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    cell.assign(digits, end);
}

}  // namespace veloria::store
