#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/SharedTable.h"
#include "store/Table.h"

// A handle's cursor over the shared rows of its table. Private to the table engine (Table.cpp,
// TableCursor.cpp).
namespace veloria::store {

// One handle's cursor and its pending row. The Bof/Eof flags follow the usual data-set rules:
// First sets Bof, Last sets Eof, a move that cannot go on sets the flag of its direction and any
// move that succeeds clears them.
struct Table::Cursor {
    enum class Mode { Browse, Append, Edit };

    explicit Cursor(SharedTable& t) : table(t) {}

    SharedTable& table;
    int order = -1;
    bool active = false;
    bool exclusive = false;
    std::size_t pos = 0;
    std::int64_t rowId = 0;
    std::uint64_t seenVersion = 0;
    bool bof = true, eof = true;
    bool onRow = false;  // the table had rows when the cursor was last placed
    // On a row found by its key before the rows were read (SharedTable::ReadsByKey): its position
    // is known once they are.
    bool byKey = false;

    Mode mode = Mode::Browse;
    std::vector<std::string> pending;
    bool modified = false;
    std::int64_t editId = 0;

    [[noreturn]] void Fail(const std::string& cause) const {
        throw StoreError(table.Path().string() + ": " + cause);
    }

    void CheckActive() const {
        if (!active)
            Fail("the table is not open");
    }

    int Field(std::string_view name) const {
        const int f = FieldIndex(table.Def(), name);
        if (f < 0) {
            throw StoreError("no such field " + Quoted(name) + " in " +
                             Quoted(table.Path().string()));
        }
        return f;
    }

    bool HasRow() const { return table.Size() > 0; }

    // Stands before the rows: the next Sync places the cursor on the first row, as First does,
    // without reading the rows before they are used.
    void Unplace() {
        pos = 0;
        rowId = 0;
        onRow = false;
        byKey = false;
        seenVersion = 0;
        bof = eof = true;
    }

    void Place(std::size_t p) {
        pos = p;
        byKey = false;
        onRow = HasRow();
        rowId = onRow ? table.At(order, pos).Id() : 0;
        seenVersion = table.Version();
    }

    // Brings the cursor up to the shared rows: it stays on its row while that row exists,
    // otherwise it keeps its position as far as the rows reach.
    void Sync() {
        CheckActive();
        table.CheckUsable();
        if (byKey) {
            // The row is found among the rows now read as after a change; gone meanwhile, the
            // cursor stands where it was.
            byKey = false;
            pos = std::min(table.LowerBound(order, std::to_string(rowId)),
                           std::max<std::size_t>(table.Size(), 1) - 1);
            seenVersion = 0;
        }
        if (seenVersion == table.Version())
            return;
        const std::size_t n = table.Size();
        if (n == 0) {
            bof = eof = true;
            Place(0);
        } else if (!onRow) {  // rows arrived in an empty table: stand on the first
            bof = true;
            eof = false;
            Place(0);
        } else if (pos < n && table.At(order, pos).Id() == rowId) {
            seenVersion = table.Version();
        } else if (const auto found = table.PositionOf(order, rowId)) {
            Place(*found);
        } else {
            Place(std::min(pos, n - 1));
        }
    }

    // Leaves the pending row as the data-set rules do before any other operation: a changed row
    // is posted, an unchanged one dropped.
    void CheckBrowse();

    // The pending cells keep their buffers for the next row: a search appends thousands.
    void Cancel() {
        mode = Mode::Browse;
        modified = false;
    }

    void Post();
    void First();
    void Last();
    int MoveBy(int n);

    void GoTo(std::size_t p) {
        Place(p);
        bof = eof = false;
    }

    int KeyField() const;

    // The key text in the form the rows hold it; nothing when it is no value of the key's type.
    std::optional<std::string> KeyCell(std::string_view text) const;
    bool FindKey(std::string_view text);
    void GotoNearest(std::string_view text);

    std::string_view Value(int field) {
        if (byKey && mode == Mode::Browse && table.ReadsByKey()) {
            CheckActive();
            return table.CellByKey(rowId, field);
        }
        Sync();
        if (mode != Mode::Browse)
            return pending[std::size_t(field)];
        if (!HasRow())
            return {};
        return table.CellAt(order, pos, field);
    }

    void StartEdit(Mode m);

    // The field whose pending cell SetField sets.
    std::size_t PendingField(std::string_view name) const;

    // Assigns into the cell, which keeps its buffer; the text may be a view of the cell itself.
    void Set(std::string_view name, std::string_view value);

    // A number is its decimal text in any field.
    void Set(std::string_view name, std::int64_t value);

    static bool IsBlank(std::string_view text);
    static void AssignDecimal(std::string& cell, std::int64_t value);
};

}  // namespace veloria::store
