#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "store/Table.h"
#include "study/StudyData.h"

// The bookmark steps every window with a current sentence shares: its mark, and the command that
// bookmarks it and edits its note. They work on the run's store (study::Study()) and do nothing
// when the program has none.
namespace veloria::reader {
class ReadingWindow;
}

namespace veloria::notes {

class NoteDialog;

// The mark a current sentence shows (Windows-1252): "" without a bookmark, "Bookmarked" for one
// without a note, and "Note: " with the note's first line otherwise.
std::string MarkOf(std::optional<study::Sentence> sentence);

// The bookmark command: the note dialog for the sentence, whose reference (Windows-1252) and text
// it shows. A store failure is said in a message box.
void EditBookmark(study::Sentence sentence, std::string_view reference, std::string_view text);

// The same for the sentence a row names by its `Libro` and `Numero`, found at the current row of
// its volume table (nullptr: the work has no such sentence, and the command does nothing).
std::string MarkOf(std::string_view libro, std::string_view numero);
void EditBookmark(std::string_view libro, std::string_view numero, const store::Table* book);
// The note dialog of that sentence, for a window that shows it with its own opener steps; nullptr
// when there is no such sentence, or no store (which is said).
std::unique_ptr<NoteDialog> MakeNoteDialog(std::string_view libro, std::string_view numero,
                                           const store::Table* book);

// The reading window's bookmark command and its marks, in step with every change; and its export
// of the section.
void ConnectReader(reader::ReadingWindow& reader);

// Runs every action given to WhenChanged: a bookmark was made, changed, deleted or restored, so
// the windows that show marks show them again.
void BookmarksChanged();
void WhenChanged(std::function<void()> action);
// Forgets the actions (the windows that gave them are gone).
void ForgetChangeActions();

// Runs a store step; a StoreError is said in a message box and gives false.
bool Try(const std::function<void()>& step);

}  // namespace veloria::notes
