#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/VolumeTables.h"
#include "study/StudyData.h"

// Sentences of the work taken out of the program: the hits of a search, a section of the reading
// window, the bookmarks with their notes. Each export starts with the lines that say what it is
// (for a search: its words, mode, volumes and hit count), then the sentences in their order, with
// the volume and the section's headings wherever they change. Every form is UTF-8.
namespace veloria::exporting {

// One sentence as it is taken out. Text from the tables is Windows-1252; a note is UTF-8.
struct Passage {
    std::string volume;     // "Text", "Clarification Of Terms"
    std::string heading;    // the section's heading lines, one line
    std::string reference;  // trimmed
    std::string sentence;   // as stored
    std::string note;       // bookmarks only
};

enum class Form {
    // A line a sentence in the clipboard's form, "sentence (reference)", the headings on lines
    // of their own, each note on indented lines below its sentence.
    Text,
    // A page: the title lines in a paragraph, the volume as a second-level heading, the
    // section's as a third-level one, a paragraph a sentence, a note in a quotation below it.
    Html,
    // RFC 4180 (CR LF line ends), every record of as many fields: first the title lines, each in
    // the first field of a record; then the column names, Volume, Heading, Reference, Sentence
    // (and Note); then one record a sentence.
    Csv,
};

// `title`: UTF-8 lines. `withNotes` adds the notes (the Note column in CSV).
std::string Render(std::span<const std::string> title, std::span<const Passage> passages, Form form,
                   bool withNotes);

// The same rendering into `out`, replacing its content, for a caller that keeps the buffer.
void RenderInto(std::string& out, std::span<const std::string> title,
                std::span<const Passage> passages, Form form, bool withNotes);

// The sentence a row names by its `Libro` and `Numero`, with its volume and headings; nothing
// when the work has no such sentence. Moves the volume and index tables' cursors.
std::optional<Passage> FindPassage(store::VolumeTables& volumes, std::string_view libro,
                                   std::string_view numero);

// The sentences of the first `count` rows of a result table (`Libro`, `Numero`), or of the given
// rows alone (1-based, as RecNo counts), in their order; rows naming no sentence are left out.
// Moves the result table's cursor.
std::vector<Passage> ResultPassages(store::Table& results, int count, store::VolumeTables& volumes,
                                    std::span<const int> rows = {});

// The lines that say what a search was (UTF-8): its words, its mode, its volumes, its hits.
std::vector<std::string> SearchTitle(const study::SearchSpec& search, int hits);

// What is taken out: the title, the sentences, and whether the notes go with them.
struct Takeout {
    std::vector<std::string> title;
    std::vector<Passage> passages;
    bool withNotes = false;
    std::string fileName = "veloria";  // the name offered for a file, without its ending
};

}  // namespace veloria::exporting
