#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "study/StudyData.h"
#include "study/StudyFile.h"

namespace veloria::study {

// What an import did: bookmarks added, bookmarks whose note (or reference) the file replaced,
// and bookmarks of the file that changed nothing.
struct ImportResult {
    int added = 0;
    int replaced = 0;
    int kept = 0;
    bool operator==(const ImportResult&) const = default;
};

// The user's own store: settings, the remembered search, the search history and the bookmarks,
// in the study file of the data directory (StudyFile.h). Every change is one transaction, whole
// or not at all, even when the process is killed in the middle. No Qt; a failure of the file
// throws StoreError with a message for the user. One store object at a time holds the file.
class StudyStore {
  public:
    // Opens the study file of dataDir, making it when there is none. A damaged, foreign or newer
    // file is set aside and a new one made (SetAsideAtOpen says so). Throws StoreError when the
    // file cannot be opened or written.
    explicit StudyStore(const std::filesystem::path& dataDir, Check check = Check::AtOpening);
    ~StudyStore();
    StudyStore(const StudyStore&) = delete;
    StudyStore& operator=(const StudyStore&) = delete;

    const std::filesystem::path& File() const;
    // Set when a study file was set aside at the opening: its message is for the user, once.
    const std::optional<SetAside>& SetAsideAtOpen() const { return setAside_; }
    // The check left for later at the opening (Check::Later), made once: false when the file is
    // damaged. True without a check when it was made at the opening.
    bool PassesLaterCheck();

    // ---- Settings. A value never stored, or stored unreadably, reads as its default; a zoom is
    // kept within kMinZoomPercent..kMaxZoomPercent.
    Settings LoadSettings();
    void SetZoomPercent(int percent);
    void SetLook(Look look);
    void SetTipAtStart(bool show);

    // ---- The remembered search and the hit the user was on.
    std::optional<RememberedSearch> LastSearch();
    // A completed search: remembered as typed, on its first hit, and put at the top of the
    // history (a search already there, the same once trimmed, moves up with its new count and
    // time; beyond kHistoryLimit the oldest goes). One transaction.
    void RecordSearch(const SearchSpec& search, std::int32_t hitCount,
                      std::int64_t ranAt = NowUtc());
    // The hit the user is on (1-based). Cheap: one small write, committed without waiting for
    // the disk (a power failure may bring back an earlier row; a kill cannot). Nothing is written
    // when it is the stored row, or when no search is remembered.
    void SetCurrentRow(std::int32_t row);

    // ---- Search history, newest first.
    std::vector<HistoryEntry> History();
    void DeleteHistoryEntry(std::int64_t id);
    void ClearHistory();

    // ---- Bookmarks. A sentence has at most one. Notes must be UTF-8 without NUL characters
    // (StoreError otherwise); they are kept byte for byte, of any length.

    // The sentence's bookmark, made when it has none (created and updated `now`, no note). An
    // existing one is returned as it is, with its reference brought up to date.
    Bookmark AddBookmark(Sentence sentence, std::string_view reference,
                         std::int64_t now = NowUtc());
    // Replaces the note (updated `now`); the bookmark as it is then, nothing when there is none.
    std::optional<Bookmark> SetNote(std::int64_t id, std::string_view note,
                                    std::int64_t now = NowUtc());
    // The deleted bookmark, to hand to RestoreBookmark for an undo; nothing when there was none.
    std::optional<Bookmark> DeleteBookmark(std::int64_t id);
    // Puts a deleted bookmark back exactly: its id, note and times. A bookmark made on the same
    // sentence since is replaced by it, as the undo brings back the state before the delete.
    void RestoreBookmark(const Bookmark& bookmark);

    // Whether the sentence has a bookmark, from memory: for a display step, at no cost.
    bool IsBookmarked(Sentence sentence) const { return marked_.count(sentence) > 0; }
    std::optional<Bookmark> FindBookmark(Sentence sentence);
    // Newest first (by creation). A filter keeps the bookmarks whose note or reference holds it
    // (UTF-8, its outer blanks ignored), without regard to case for ASCII letters and for the
    // accented letters of Windows-1252 ("é" finds "É").
    std::vector<Bookmark> Bookmarks(std::string_view filter = {});
    std::int64_t BookmarkCount() const { return std::int64_t(marked_.size()); }

    // Writes every bookmark to a bookmarks file (BookmarkFile.h), replacing it whole.
    void ExportBookmarks(const std::filesystem::path& file);
    // Reads a bookmarks file whole, then merges it in one transaction: a sentence without a
    // bookmark gets the file's; one with a bookmark takes the file's note and reference when the
    // file's was updated later (and keeps the earlier creation time), and stays as it is
    // otherwise. A file that cannot be read or is not a good bookmarks file changes nothing and
    // throws StoreError naming the file and, where it applies, the line.
    ImportResult ImportBookmarks(const std::filesystem::path& file);

  private:
    std::unique_ptr<store::sqlite::Database> db_;
    std::optional<SetAside> setAside_;
    bool checkDue_;
    // The bookmarked sentences, kept in step with every committed change.
    std::unordered_set<Sentence, SentenceHash> marked_;
};

}  // namespace veloria::study
