#include "study/StudyStore.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "store/TableFile.h"
#include "store/Text.h"
#include "study/BookmarkFile.h"

namespace veloria::study {
namespace fs = std::filesystem;
using store::StoreError;
using store::sqlite::Database;
using store::sqlite::Statement;

namespace {

constexpr std::string_view kZoomSetting = "zoom percent";
constexpr std::string_view kLookSetting = "look";
constexpr std::string_view kTipSetting = "tip at start";

std::string_view ModeText(SearchMode mode) {
    return mode == SearchMode::ExactPhrase ? "exact phrase" : "any order";
}

// The ticked volumes as their book codes in scan order ("TEM"): readable in the file as it is.
std::string VolumesText(const std::array<bool, store::kVolumeCount>& volumes) {
    std::string codes;
    for (std::size_t i = 0; i < store::kVolumeCount; ++i) {
        if (volumes[i])
            codes += store::Volumes()[i].code;
    }
    return codes;
}

std::array<bool, store::kVolumeCount> VolumesOf(std::string_view codes) {
    std::array<bool, store::kVolumeCount> volumes{};
    for (std::size_t i = 0; i < store::kVolumeCount; ++i)
        volumes[i] = codes.find(store::Volumes()[i].code) != std::string_view::npos;
    return volumes;
}

// Binds query, mode, exact word and volumes to ?1..?4.
void BindSearch(Statement& s, const SearchSpec& search, std::string_view queryUtf8) {
    s.BindText(1, queryUtf8);
    s.BindText(2, ModeText(search.mode));
    s.BindInt(3, search.exactWord ? 1 : 0);
    s.BindText(4, VolumesText(search.volumes));
}

// Query, mode, exact word and volumes from the columns first..first + 3.
SearchSpec ReadSearch(const Statement& s, int first) {
    SearchSpec search;
    search.query = store::FromUtf8Lossy(s.ColumnText(first));
    search.mode =
        s.ColumnText(first + 1) == "exact phrase" ? SearchMode::ExactPhrase : SearchMode::AnyOrder;
    search.exactWord = s.ColumnInt(first + 2) != 0;
    search.volumes = VolumesOf(s.ColumnText(first + 3));
    return search;
}

constexpr std::string_view kSearchColumns = "query, mode, exact_word, volumes";
constexpr std::string_view kBookmarkColumns = "id, book, numero, reference, note, created, updated";

std::string Sql(std::string_view before, std::string_view columns, std::string_view after) {
    return std::string(before) + std::string(columns) + std::string(after);
}

char BookOf(std::string_view column) {
    return column.size() == 1 ? column[0] : '?';
}

Bookmark ReadBookmark(const Statement& s) {
    Bookmark b;
    b.id = s.ColumnInt(0);
    b.sentence = {BookOf(s.ColumnText(1)), s.ColumnInt(2)};
    b.reference = store::FromUtf8Lossy(s.ColumnText(3));
    b.note = std::string(s.ColumnText(4));
    b.created = s.ColumnInt(5);
    b.updated = s.ColumnInt(6);
    return b;
}

void CheckSentence(Sentence sentence) {
    if (!store::FindVolume(sentence.book))
        throw StoreError("no volume has the book code \"" + std::string(1, sentence.book) + "\"");
}

void CheckNote(std::string_view note) {
    if (const std::size_t bad = store::FindInvalidUtf8(note); bad != std::string_view::npos)
        throw StoreError("the note is not UTF-8 text (byte " + std::to_string(bad + 1) + ")");
    if (note.find('\0') != std::string_view::npos)
        throw StoreError("the note holds a NUL character");
}

// Binds a sentence to ?first and ?first + 1.
void BindSentence(Statement& s, int first, Sentence sentence) {
    s.BindText(first, std::string_view(&sentence.book, 1));
    s.BindInt(first + 1, sentence.numero);
}

// Lower case for the filter: ASCII letters, and the two-byte capitals of Windows-1252's accented
// letters (À..Þ but ×, Œ, Š, Ž, Ÿ), each to a small letter of the same length.
std::string Folded(std::string_view utf8) {
    std::string out(utf8);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = char(c + 32);
        } else if ((c == 0xC3 || c == 0xC5) && i + 1 < out.size()) {
            const auto next = static_cast<unsigned char>(out[i + 1]);
            if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
                out[i + 1] = char(next + 0x20);
            } else if (c == 0xC5 && (next == 0x92 || next == 0xA0 || next == 0xBD)) {
                out[i + 1] = char(next + 1);
            } else if (c == 0xC5 && next == 0xB8) {  // Ÿ U+0178 to ÿ U+00FF
                out[i] = char(0xC3);
                out[i + 1] = char(0xBF);
            }
            ++i;
        }
    }
    return out;
}

}  // namespace

StudyStore::StudyStore(const fs::path& dataDir, Check check) : checkDue_(check == Check::Later) {
    for (;;) {
        OpenedStudyFile opened = OpenStudyFile(dataDir, check);
        db_ = std::move(opened.db);
        if (!setAside_)
            setAside_ = std::move(opened.setAside);
        try {
            auto s = db_->Prepare("SELECT book, numero FROM bookmark");
            while (s.Step())
                marked_.insert({BookOf(s.ColumnText(0)), s.ColumnInt(1)});
            return;
        } catch (const store::sqlite::SqliteError& e) {
            // Damage the check left for later would have found: the file is set aside as the
            // opening sets it aside, once.
            if (!checkDue_ || setAside_ || !IsDamage(e.code()))
                throw;
        }
        const fs::path file = db_->path();
        db_.reset();
        marked_.clear();
        setAside_ = SetAsideDamaged(file);
    }
}

StudyStore::~StudyStore() = default;

bool StudyStore::PassesLaterCheck() {
    if (!std::exchange(checkDue_, false))
        return true;
    return PassesCheck(*db_);
}

const fs::path& StudyStore::File() const {
    return db_->path();
}

// ---- Settings

namespace {

std::optional<std::int64_t> IntSetting(Database& db, std::string_view name) {
    auto s = db.Prepare("SELECT value FROM setting WHERE name = ?1 AND typeof(value) = 'integer'");
    s.BindText(1, name);
    return s.Step() ? std::optional(s.ColumnInt(0)) : std::nullopt;
}

std::optional<std::string> TextSetting(Database& db, std::string_view name) {
    auto s = db.Prepare("SELECT value FROM setting WHERE name = ?1 AND typeof(value) = 'text'");
    s.BindText(1, name);
    return s.Step() ? std::optional(std::string(s.ColumnText(0))) : std::nullopt;
}

template <class Bind>
void PutSetting(Database& db, std::string_view name, Bind bindValue) {
    Transaction t(db);
    auto s = db.Prepare("INSERT OR REPLACE INTO setting (name, value) VALUES (?1, ?2)");
    s.BindText(1, name);
    bindValue(s);
    s.Run();
    t.Commit();
}

}  // namespace

std::int64_t NowUtc() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::optional<Sentence> SentenceOf(std::string_view libro, std::string_view numero) {
    const std::optional<std::int64_t> n = store::ParseInteger(numero);
    if (libro.size() != 1 || !store::FindVolume(libro[0]) || !n)
        return std::nullopt;
    return Sentence{libro[0], *n};
}

std::string_view LookName(Look look) {
    return look == Look::HighContrast ? "high contrast" : "standard";
}

Settings StudyStore::LoadSettings() {
    Settings settings;
    if (const auto zoom = IntSetting(*db_, kZoomSetting))
        settings.zoomPercent =
            int(std::clamp<std::int64_t>(*zoom, kMinZoomPercent, kMaxZoomPercent));
    if (TextSetting(*db_, kLookSetting) == LookName(Look::HighContrast))
        settings.look = Look::HighContrast;
    if (const auto tip = IntSetting(*db_, kTipSetting))
        settings.tipAtStart = *tip != 0;
    return settings;
}

void StudyStore::SetZoomPercent(int percent) {
    const int zoom = std::clamp(percent, kMinZoomPercent, kMaxZoomPercent);
    PutSetting(*db_, kZoomSetting, [&](Statement& s) { s.BindInt(2, zoom); });
}

void StudyStore::SetLook(Look look) {
    PutSetting(*db_, kLookSetting, [&](Statement& s) { s.BindText(2, LookName(look)); });
}

void StudyStore::SetTipAtStart(bool show) {
    PutSetting(*db_, kTipSetting, [&](Statement& s) { s.BindInt(2, show ? 1 : 0); });
}

// ---- Searches

std::optional<RememberedSearch> StudyStore::LastSearch() {
    auto s = db_->Prepare(
        Sql("SELECT ", kSearchColumns, ", hit_count, current_row FROM remembered_search"));
    if (!s.Step())
        return std::nullopt;
    RememberedSearch remembered;
    remembered.search = ReadSearch(s, 0);
    remembered.hitCount = std::int32_t(s.ColumnInt(4));
    remembered.currentRow = std::int32_t(s.ColumnInt(5));
    return remembered;
}

void StudyStore::RecordSearch(const SearchSpec& search, std::int32_t hitCount, std::int64_t ranAt) {
    // The history compares and keeps queries trimmed: blanks at the edges change nothing a search
    // finds, so "LOVE" and "LOVE " are one search.
    const std::string typed = store::ToUtf8(search.query);
    const std::string trimmed = store::ToUtf8(store::Trim(search.query));
    Transaction t(*db_);
    auto remember =
        db_->Prepare(Sql("INSERT OR REPLACE INTO remembered_search (id, ", kSearchColumns,
                         ", hit_count, current_row) VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6)"));
    BindSearch(remember, search, typed);
    remember.BindInt(5, hitCount);
    remember.BindInt(6, hitCount > 0 ? 1 : 0);
    remember.Run();

    auto drop = db_->Prepare(
        "DELETE FROM history WHERE query = ?1 AND mode = ?2 AND exact_word = ?3 AND volumes = ?4");
    BindSearch(drop, search, trimmed);
    drop.Run();
    auto add = db_->Prepare(Sql("INSERT INTO history (", kSearchColumns,
                                ", hit_count, ran_at) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"));
    BindSearch(add, search, trimmed);
    add.BindInt(5, hitCount);
    add.BindInt(6, ranAt);
    add.Run();
    db_->Exec(
        "DELETE FROM history WHERE id NOT IN (SELECT id FROM history ORDER BY id DESC LIMIT " +
        std::to_string(kHistoryLimit) + ")");
    t.Commit();
}

void StudyStore::SetCurrentRow(std::int32_t row) {
    Transaction t(*db_, Transaction::Sync::Relaxed);
    auto s = db_->Prepare("UPDATE remembered_search SET current_row = ?1 WHERE current_row <> ?1");
    s.BindInt(1, row);
    s.Run();
    t.Commit();
}

std::vector<HistoryEntry> StudyStore::History() {
    auto s = db_->Prepare(
        Sql("SELECT id, ", kSearchColumns, ", hit_count, ran_at FROM history ORDER BY id DESC"));
    std::vector<HistoryEntry> entries;
    while (s.Step()) {
        HistoryEntry& e = entries.emplace_back();
        e.id = s.ColumnInt(0);
        e.search = ReadSearch(s, 1);
        e.hitCount = std::int32_t(s.ColumnInt(5));
        e.ranAt = s.ColumnInt(6);
    }
    return entries;
}

void StudyStore::DeleteHistoryEntry(std::int64_t id) {
    Transaction t(*db_);
    auto s = db_->Prepare("DELETE FROM history WHERE id = ?1");
    s.BindInt(1, id);
    s.Run();
    t.Commit();
}

void StudyStore::ClearHistory() {
    Transaction t(*db_);
    db_->Exec("DELETE FROM history");
    t.Commit();
}

// ---- Bookmarks

namespace {

std::optional<Bookmark> BookmarkWhere(Database& db, std::string_view where,
                                      const std::function<void(Statement&)>& bind) {
    auto s =
        db.Prepare(Sql("SELECT ", kBookmarkColumns, " FROM bookmark WHERE ") + std::string(where));
    bind(s);
    return s.Step() ? std::optional(ReadBookmark(s)) : std::nullopt;
}

std::optional<Bookmark> BookmarkById(Database& db, std::int64_t id) {
    return BookmarkWhere(db, "id = ?1", [&](Statement& s) { s.BindInt(1, id); });
}

std::optional<Bookmark> BookmarkOn(Database& db, Sentence sentence) {
    return BookmarkWhere(db, "book = ?1 AND numero = ?2",
                         [&](Statement& s) { BindSentence(s, 1, sentence); });
}

// Binds sentence, reference, note, created and updated to ?2..?7 (?1 is the id).
void BindBookmark(Statement& s, const Bookmark& b, std::string_view referenceUtf8) {
    BindSentence(s, 2, b.sentence);
    s.BindText(4, referenceUtf8);
    s.BindTextStatic(5, b.note);  // a note may be megabytes: bound without a copy
    s.BindInt(6, b.created);
    s.BindInt(7, b.updated);
}

}  // namespace

Bookmark StudyStore::AddBookmark(Sentence sentence, std::string_view reference, std::int64_t now) {
    CheckSentence(sentence);
    Transaction t(*db_);
    auto s = db_->Prepare(
        "INSERT INTO bookmark (book, numero, reference, note, created, updated) "
        "VALUES (?1, ?2, ?3, '', ?4, ?4) ON CONFLICT (book, numero) DO UPDATE "
        "SET reference = excluded.reference WHERE reference <> excluded.reference");
    BindSentence(s, 1, sentence);
    s.BindText(3, store::ToUtf8(store::Trim(reference)));
    s.BindInt(4, now);
    s.Run();
    std::optional<Bookmark> added = BookmarkOn(*db_, sentence);
    if (!added)
        throw StoreError(File().string() + ": the bookmark just written cannot be read back");
    t.Commit();
    marked_.insert(sentence);
    return *added;
}

std::optional<Bookmark> StudyStore::SetNote(std::int64_t id, std::string_view note,
                                            std::int64_t now) {
    CheckNote(note);
    Transaction t(*db_);
    auto s = db_->Prepare("UPDATE bookmark SET note = ?2, updated = ?3 WHERE id = ?1");
    s.BindInt(1, id);
    s.BindTextStatic(2, note);
    s.BindInt(3, now);
    s.Run();
    if (db_->Changes() == 0)
        return std::nullopt;
    std::optional<Bookmark> changed = BookmarkById(*db_, id);
    t.Commit();
    return changed;
}

std::optional<Bookmark> StudyStore::DeleteBookmark(std::int64_t id) {
    Transaction t(*db_);
    std::optional<Bookmark> deleted = BookmarkById(*db_, id);
    if (!deleted)
        return std::nullopt;
    auto s = db_->Prepare("DELETE FROM bookmark WHERE id = ?1");
    s.BindInt(1, id);
    s.Run();
    t.Commit();
    marked_.erase(deleted->sentence);
    return deleted;
}

void StudyStore::RestoreBookmark(const Bookmark& bookmark) {
    CheckSentence(bookmark.sentence);
    CheckNote(bookmark.note);
    Transaction t(*db_);
    std::vector<Sentence> replaced;
    auto find = db_->Prepare(
        "SELECT book, numero FROM bookmark WHERE id = ?1 OR (book = ?2 AND numero = ?3)");
    find.BindInt(1, bookmark.id);
    BindSentence(find, 2, bookmark.sentence);
    while (find.Step())
        replaced.push_back({BookOf(find.ColumnText(0)), find.ColumnInt(1)});
    auto drop = db_->Prepare("DELETE FROM bookmark WHERE id = ?1 OR (book = ?2 AND numero = ?3)");
    drop.BindInt(1, bookmark.id);
    BindSentence(drop, 2, bookmark.sentence);
    drop.Run();
    auto insert = db_->Prepare(
        Sql("INSERT INTO bookmark (", kBookmarkColumns, ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)"));
    insert.BindInt(1, bookmark.id);
    BindBookmark(insert, bookmark, store::ToUtf8(store::Trim(bookmark.reference)));
    insert.Run();
    t.Commit();
    for (const Sentence& s : replaced)
        marked_.erase(s);
    marked_.insert(bookmark.sentence);
}

std::optional<Bookmark> StudyStore::FindBookmark(Sentence sentence) {
    return BookmarkOn(*db_, sentence);
}

std::vector<Bookmark> StudyStore::Bookmarks(std::string_view filter) {
    const std::string wanted = Folded(store::Trim(filter));
    auto s = db_->Prepare(
        Sql("SELECT ", kBookmarkColumns, " FROM bookmark ORDER BY created DESC, id DESC"));
    std::vector<Bookmark> bookmarks;
    while (s.Step()) {
        Bookmark b = ReadBookmark(s);
        if (wanted.empty() || Folded(b.note).find(wanted) != std::string::npos ||
            Folded(store::ToUtf8(b.reference)).find(wanted) != std::string::npos)
            bookmarks.push_back(std::move(b));
    }
    return bookmarks;
}

void StudyStore::ExportBookmarks(const fs::path& file) {
    WriteWholeFile(file, FormatBookmarkFile(Bookmarks()));
}

ImportResult StudyStore::ImportBookmarks(const fs::path& file) {
    std::vector<Bookmark> incoming;
    try {
        incoming = ParseBookmarkFile(ReadWholeFile(file));
    } catch (const BookmarkFileError& e) {
        throw StoreError(file.string() + ": " + e.what());
    }
    ImportResult result;
    Transaction t(*db_);
    auto find = db_->Prepare(
        Sql("SELECT ", kBookmarkColumns, " FROM bookmark WHERE book = ?1 AND numero = ?2"));
    auto insert = db_->Prepare(
        "INSERT INTO bookmark (book, numero, reference, note, created, updated) "
        "VALUES (?2, ?3, ?4, ?5, ?6, ?7)");
    auto replace = db_->Prepare(
        "UPDATE bookmark SET reference = ?4, note = ?5, created = min(created, ?6), updated = ?7 "
        "WHERE id = ?1");
    // Oldest first (the file has the newest first), so that the ids go as the creations went.
    for (auto it = incoming.rbegin(); it != incoming.rend(); ++it) {
        const Bookmark& b = *it;
        const std::string reference = store::ToUtf8(b.reference);
        BindSentence(find, 1, b.sentence);
        std::optional<Bookmark> existing;
        if (find.Step())
            existing = ReadBookmark(find);
        find.Reset();
        if (!existing) {
            BindBookmark(insert, b, reference);
            insert.Run();
            ++result.added;
        } else if (b.updated > existing->updated &&
                   (b.note != existing->note || b.reference != existing->reference)) {
            replace.BindInt(1, existing->id);
            BindBookmark(replace, b, reference);
            replace.Run();
            ++result.replaced;
        } else {
            ++result.kept;
        }
    }
    t.Commit();
    for (const Bookmark& b : incoming)
        marked_.insert(b.sentence);
    return result;
}

}  // namespace veloria::study
