#include "store/Table.h"

#include <algorithm>
#include <exception>

#include "store/SharedTable.h"
#include "store/TableCursor.h"
#include "store/TableFile.h"

namespace veloria::store {

Table::Table(std::string_view fileName, std::string_view indexName, std::filesystem::path dir)
    : shared_(SharedTable::Get(dir, fileName)), cursor_(std::make_unique<Cursor>(*shared_)) {
    cursor_->order = shared_->OrderFor(indexName);
    Open();
}

Table::~Table() = default;
Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;

const TableDef& Table::Def() const {
    return shared_->Def();
}
const std::filesystem::path& Table::Path() const {
    return shared_->Path();
}

void Table::Open() {
    if (cursor_->active)
        return;
    shared_->SyncWithDisk(true);
    if (cursor_->exclusive)
        shared_->ProbeExclusive();
    // On the first row, as First places it, once the rows are read: at the handle's first use.
    cursor_->active = true;
    cursor_->Unplace();
}

void Table::Close() {
    cursor_->Cancel();
    cursor_->active = false;
}

bool Table::Active() const {
    return cursor_->active;
}

void Table::SetExclusive(bool exclusive) {
    if (cursor_->active)
        cursor_->Fail("close the table before changing its exclusive use");
    cursor_->exclusive = exclusive;
}

bool Table::Exclusive() const {
    return cursor_->exclusive;
}

void Table::EmptyTable() {
    cursor_->Cancel();
    cursor_->Sync();
    shared_->DeleteAll();
    cursor_->Sync();
}

void Table::First() {
    cursor_->First();
}
void Table::Prior() {
    cursor_->MoveBy(-1);
}
void Table::Next() {
    cursor_->MoveBy(1);
}
void Table::Last() {
    cursor_->Last();
}
int Table::MoveBy(int n) {
    return cursor_->MoveBy(n);
}

bool Table::Bof() const {
    cursor_->Sync();
    return cursor_->bof;
}

bool Table::Eof() const {
    cursor_->Sync();
    return cursor_->eof;
}

bool Table::IsEmpty() const {
    cursor_->Sync();
    return !cursor_->HasRow();
}

bool Table::FindKey(std::string_view text) {
    return cursor_->FindKey(text);
}
void Table::GotoNearest(std::string_view text) {
    cursor_->GotoNearest(text);
}

std::string Table::FieldAsString(std::string_view fieldName) const {
    return std::string(FieldView(fieldName));
}

std::int64_t Table::FieldAsInteger(std::string_view fieldName) const {
    return ParseInteger(FieldView(fieldName)).value_or(0);
}

std::string_view Table::FieldView(std::string_view fieldName) const {
    cursor_->CheckActive();
    return cursor_->Value(cursor_->Field(fieldName));
}

void Table::Append() {
    cursor_->StartEdit(Cursor::Mode::Append);
}
void Table::Edit() {
    cursor_->StartEdit(Cursor::Mode::Edit);
}

void Table::SetField(std::string_view fieldName, std::string_view text) {
    cursor_->Set(fieldName, text);
}

void Table::SetField(std::string_view fieldName, std::int64_t value) {
    cursor_->Set(fieldName, value);
}

void Table::Post() {
    cursor_->CheckActive();
    cursor_->Post();
}

void Table::Cancel() {
    cursor_->Cancel();
}
bool Table::Editing() const {
    return cursor_->mode != Cursor::Mode::Browse;
}

int Table::RecNo() const {
    cursor_->Sync();
    return cursor_->HasRow() ? int(cursor_->pos) + 1 : 0;
}

void Table::MoveTo(int recNo) {
    cursor_->CheckBrowse();
    cursor_->Sync();
    if (!cursor_->HasRow())
        return;
    const int last = int(shared_->Size());
    cursor_->GoTo(std::size_t(std::clamp(recNo, 1, last) - 1));
}

int Table::RowCount() const {
    cursor_->Sync();
    return int(shared_->Size());
}

std::string Table::CellAsString(int recNo, int fieldIndex) const {
    return std::string(CellView(recNo, fieldIndex));
}

std::string_view Table::CellView(int recNo, int fieldIndex) const {
    cursor_->Sync();
    if (recNo < 1 || recNo > int(shared_->Size()) || fieldIndex < 0 ||
        fieldIndex >= int(shared_->FieldCount())) {
        return {};
    }
    return shared_->CellAt(cursor_->order, std::size_t(recNo - 1), fieldIndex);
}

void Table::ReadAhead(std::span<const int> rows) const {
    cursor_->Sync();
    shared_->ReadAhead(cursor_->order, rows);
}

void Table::ReadFromFile(
    std::span<const std::string_view> fieldNames,
    const std::function<void(std::span<const std::string_view>)>& eachRow) const {
    cursor_->CheckActive();
    if (cursor_->order >= 0)
        cursor_->Fail("read from the file in the primary order only");
    std::vector<int> fields;
    for (const std::string_view name : fieldNames)
        fields.push_back(cursor_->Field(name));
    shared_->ReadFromFile(fields, eachRow);
}

void Table::Refresh() {
    cursor_->CheckBrowse();
    cursor_->CheckActive();
    shared_->SyncWithDisk(true);
    cursor_->Sync();
}

std::uint64_t Table::DataVersion() const {
    return shared_->Version();
}

Table::Batch::Batch(Table& table) : shared_(table.shared_), level_(shared_->BeginBatch()) {}

Table::Batch::Batch(Table& first, Table& second) : shared_(first.shared_), second_(second.shared_) {
    const std::string both = shared_->Path().string() + " and " + second_->Path().string();
    if (shared_ == second_)
        throw StoreError(both + ": a pair is two tables");
    if (shared_->BatchDepth() > 0 || second_->BatchDepth() > 0)
        throw StoreError(both + ": a batch over both must begin before any batch on either");
    level_ = shared_->BeginBatch();
    try {
        second_->BeginBatch();
    } catch (...) {
        shared_->RollbackBatch(level_);
        throw;
    }
}

Table::Batch::~Batch() {
    if (done_)
        return;
    if (second_)
        second_->RollbackBatch(1);
    shared_->RollbackBatch(level_);
}

void Table::Batch::Commit() {
    if (done_)
        return;
    done_ = true;
    if (!second_) {
        shared_->CommitBatch(level_);
        return;
    }
    // A number neither file has, also where the numbers wrap: the pair reads as written together
    // only when both carry it.
    const std::int64_t first = shared_->Generation(), second = second_->Generation();
    std::int64_t generation = std::max(first, second);
    do
        generation = generation % INT32_MAX + 1;
    while (generation == first || generation == second);
    try {
        shared_->CommitStamped(generation);
    } catch (...) {
        second_->RollbackBatch(1);
        throw;
    }
    second_->CommitStamped(generation);
}

bool Table::CommittedTogether(const Table& first, const Table& second) {
    first.cursor_->Sync();
    second.cursor_->Sync();
    first.shared_->SyncWithDisk(false);
    second.shared_->SyncWithDisk(false);
    return first.shared_->Generation() == second.shared_->Generation();
}

}  // namespace veloria::store
