#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/Error.h"
#include "store/Schema.h"

namespace veloria::store {

class SharedTable;  // the process-wide state of one table file (Table.cpp)

// A handle on one table: a window's own cursor, with the operations the windows use. Several
// handles on one table coexist, each with its own position; all handles of one process share one
// copy of the rows, so a write through one is seen by the others at once (Refresh also picks up
// what other programs wrote). Nothing another handle does can invalidate this one: a cursor stays
// on its row while that row exists, otherwise on the same position as far as the rows reach.
//
// All text is Windows-1252. Every failure throws StoreError. One thread at a time: handles made
// on one thread pass to another once the first has finished with them and said so (a join, a
// latch), as the start does.
//
// The content tables are opened read-only and loaded once per process; the tables the program
// writes share one copy of their rows per process too, written through to the file at each Post.
class Table {
  public:
    // A handle on the table of that file name in dir (the working directory when empty), ordered
    // by the named index ("NOMBRE2", "NUM_I", "NUMERO") or, when none is named, by the primary
    // key (or, for tables without a key, in the order rows were appended). The handle is opened
    // at once and stands on the first row.
    explicit Table(std::string_view fileName, std::string_view indexName = {},
                   std::filesystem::path dir = {});
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    Table(Table&&) noexcept;
    Table& operator=(Table&&) noexcept;

    const TableDef& Def() const;
    const std::filesystem::path& Path() const;

    // Close, set exclusive, Open. Exclusive use never fails because another handle of this
    // process has the table open; Open fails with "locked by another program" when another
    // program is writing the file. SetExclusive needs a closed handle. A closed handle keeps its
    // table's rows loaded; any other operation on it throws.
    void Open();
    void Close();
    bool Active() const;
    void SetExclusive(bool exclusive);
    bool Exclusive() const;

    // Deletes every row. The other handles' cursors fall onto an empty table.
    void EmptyTable();

    // Moves. Prior on the first row and Next on the last row leave the cursor there and set Bof or
    // Eof. First sets Bof, Last sets Eof, on an empty table both are set.
    void First();
    void Prior();
    void Next();
    void Last();
    // Returns the number of rows actually moved (negative backwards).
    int MoveBy(int n);
    bool Bof() const;
    bool Eof() const;
    bool IsEmpty() const;

    // Seeks the row whose key equals the text, converted to the key field's type. True: that row
    // is current. False (no such row, or text that is no value of the key's type): the cursor
    // stays where it was.
    bool FindKey(std::string_view text);
    // Moves to the first row whose key is not less than the text; past the last key, the last row.
    // For an integer key a blank text goes to the first row and any other non-number throws. A
    // named index of text ("NOMBRE2") orders and compares by the reader's collation (Collate):
    // accented letters with their base letter.
    void GotoNearest(std::string_view text);

    // The value of a field of the current row as text: numbers in decimal, "" for an empty field
    // or when there is no current row. An unknown field name throws.
    std::string FieldAsString(std::string_view fieldName) const;
    // The same field as a number; an empty or non-numeric value is 0.
    std::int64_t FieldAsInteger(std::string_view fieldName) const;
    // The same text without a copy, for scans over many rows. The view is valid until the rows
    // change (a write through any handle of this table, a reload) and, while this handle edits,
    // until its next SetField, Post or Cancel.
    std::string_view FieldView(std::string_view fieldName) const;

    // Append / Edit, set fields, Post. Post writes the row (in key order for keyed tables) and
    // makes it current; it is durable when Post returns unless a Batch is open on the table, in
    // which case it is durable when the batch commits. Cancel drops the pending row. While a row
    // is pending, the fields read back its pending values. Edit on an empty table starts a new
    // row. As data sets do, a move, seek, Append, Edit or Refresh first posts a changed pending
    // row and drops an unchanged one; a failed Post leaves the row pending. Writing to a content
    // table throws "read-only".
    void Append();
    void Edit();
    void SetField(std::string_view fieldName, std::string_view text);
    void SetField(std::string_view fieldName, std::int64_t value);
    void Post();
    void Cancel();
    bool Editing() const;

    // 1-based number of the current row in this handle's order; 0 on an empty table.
    int RecNo() const;
    // Makes row recNo (1-based, clamped) current, for grids.
    void MoveTo(int recNo);
    // Number of rows, for grids that draw the rows (the windows count their results themselves).
    int RowCount() const;
    // A field of any row by position, for grids; "" outside the table.
    std::string CellAsString(int recNo, int fieldIndex) const;
    // The same without a copy, valid as long as FieldView's.
    std::string_view CellView(int recNo, int fieldIndex) const;

    // Reads the cells of these rows (0-based positions in this handle's order) ahead of their use,
    // in one go, where the engine reads a large table's cells as they are asked for: for a caller
    // about to read many scattered rows of it (a search's hits). Changes nothing a handle sees.
    void ReadAhead(std::span<const int> rows) const;

    // Reads the named fields of every row straight from the file, in this handle's order, and
    // hands each row's texts to eachRow without keeping them: how the search reads, in one pass,
    // the fields the engine leaves in the file (FieldDef::inMemory). The rows are the handle's
    // own, one for one (read afresh first if the file changed). Only for the primary order of a
    // table keyed by an integer.
    void ReadFromFile(std::span<const std::string_view> fieldNames,
                      const std::function<void(std::span<const std::string_view>)>& eachRow) const;

    // The handle sees rows written through other handles (and, when the file changed on disk,
    // through other programs); the cursor stays on the same row where it still exists.
    void Refresh();

    // Raised by every change to the rows through any handle of this process and by every reload;
    // grids compare it to repaint when the rows changed. A value never repeats in a process.
    std::uint64_t DataVersion() const;

    // A run of writes that commits as one transaction: Posts and EmptyTable made through any
    // handle on this table while a Batch is alive are committed together by Commit, and rolled
    // back if the Batch dies uncommitted; then every handle sees the rows of before the batch
    // again. Batches nest (the inner ones are savepoints) and must end in reverse order of their
    // making. Starting one fails with "locked by another program" when another program writes.
    //
    // A joint batch writes two tables (the results and their count) as a pair: each in a batch
    // of its own, committed in the order given, each file stamped with one generation number.
    // A kill or a failure between the two commits leaves the first table written and the second
    // as it was, with different generations: CommittedTogether then says so, and the reader
    // knows that the second table does not describe the first. It must be the outermost batch of
    // both; batches made on either table inside it nest in it.
    class Batch {
      public:
        explicit Batch(Table& table);
        Batch(Table& first, Table& second);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void Commit();

      private:
        std::shared_ptr<SharedTable> shared_;
        std::shared_ptr<SharedTable> second_;  // of a joint batch
        int level_ = 0;
        bool done_ = false;
    };

    // Whether the last joint batch that wrote either table wrote both (also when none did): false
    // when it was cut off between its two commits. The tables are brought up to their files
    // first.
    static bool CommittedTogether(const Table& first, const Table& second);

  private:
    struct Cursor;
    std::shared_ptr<SharedTable> shared_;
    std::unique_ptr<Cursor> cursor_;
};

// What the program does for the tables it writes when it finds time, not in the middle of a
// write where the user waits for it:
// - the write-ahead logs are written into their files (checkpointed) once they have grown long
//   enough (a log that grows far beyond is written at once);
// - a table emptied and refilled (the results of a search), when it holds a thousand rows or
//   more, has its rows deleted in the file ahead of its next emptying, in a transaction left open
//   that the next EmptyTable commits, so that emptying a large result costs the next search
//   nothing. Until then the file keeps the rows for other programs and for a start after a kill,
//   and this process holds the table's write lock, as the exclusive use of the result table does
//   anyway; any other write, a batch that does not empty the table, or a reload gives the file
//   its rows back first.
// IdleWorkDue says that there is such work; RunIdleWork does it (a table in the middle of a batch
// waits for the next time). Throws StoreError naming the file of a checkpoint that failed; an
// emptying that cannot be made ahead is left to EmptyTable, which reports what stops it.
bool IdleWorkDue();
void RunIdleWork();

}  // namespace veloria::store
