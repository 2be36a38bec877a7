#include "export/Passages.h"

#include <algorithm>
#include <string_view>

#include "store/Schema.h"
#include "store/Text.h"
#include "study/BookmarkFile.h"

namespace veloria::exporting {

namespace {

void AppendHtml(std::string& out, std::string_view utf8) {
    for (char c : utf8) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\n':
                out += "<br>";
                break;
            default:
                out += c;
        }
    }
}

// Each passage's texts in UTF-8, one buffer kept for all.
struct Utf8Passage {
    std::string volume, heading, reference, sentence;
    void From(const Passage& p) {
        store::ToUtf8Into(p.volume, volume);
        store::ToUtf8Into(p.heading, heading);
        store::ToUtf8Into(p.reference, reference);
        store::ToUtf8Into(p.sentence, sentence);
    }
};

void RenderText(std::string& out, std::span<const std::string> title,
                std::span<const Passage> passages, bool withNotes) {
    for (const std::string& line : title)
        out.append(line).append("\n");
    Utf8Passage u;
    const Passage* previous = nullptr;
    for (const Passage& p : passages) {
        u.From(p);
        if (!previous || previous->volume != p.volume) {
            out.append("\n").append(u.volume).append("\n");
            previous = nullptr;
        }
        if (!previous || previous->heading != p.heading)
            out.append("\n").append(u.heading).append("\n");
        out.append(u.sentence).append(" (").append(u.reference).append(")\n");
        if (withNotes && !p.note.empty()) {
            std::size_t start = 0;
            while (start <= p.note.size()) {
                const std::size_t end = std::min(p.note.find('\n', start), p.note.size());
                out.append("    ").append(p.note, start, end - start).append("\n");
                start = end + 1;
            }
        }
        previous = &p;
    }
}

void RenderHtml(std::string& out, std::span<const std::string> title,
                std::span<const Passage> passages, bool withNotes) {
    out += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
    AppendHtml(out, title.empty() ? std::string_view("Veloria") : std::string_view(title[0]));
    out += "</title>\n</head>\n<body>\n<p>";
    for (std::size_t i = 0; i < title.size(); ++i) {
        if (i > 0)
            out += "<br>\n";
        AppendHtml(out, title[i]);
    }
    out += "</p>\n";
    Utf8Passage u;
    const Passage* previous = nullptr;
    for (const Passage& p : passages) {
        u.From(p);
        if (!previous || previous->volume != p.volume) {
            out += "<h2>";
            AppendHtml(out, u.volume);
            out += "</h2>\n";
            previous = nullptr;
        }
        if (!previous || previous->heading != p.heading) {
            out += "<h3>";
            AppendHtml(out, u.heading);
            out += "</h3>\n";
        }
        out += "<p>";
        AppendHtml(out, u.sentence);
        out += " (";
        AppendHtml(out, u.reference);
        out += ")</p>\n";
        if (withNotes && !p.note.empty()) {
            out += "<blockquote>";
            AppendHtml(out, p.note);
            out += "</blockquote>\n";
        }
        previous = &p;
    }
    out += "</body>\n</html>\n";
}

void RenderCsv(std::string& out, std::span<const std::string> title,
               std::span<const Passage> passages, bool withNotes) {
    // Every record has the same number of fields, the title's too.
    for (const std::string& line : title) {
        if (withNotes)
            study::AppendCsvRecord(out, {line, "", "", "", ""});
        else
            study::AppendCsvRecord(out, {line, "", "", ""});
    }
    if (withNotes)
        study::AppendCsvRecord(out, {"Volume", "Heading", "Reference", "Sentence", "Note"});
    else
        study::AppendCsvRecord(out, {"Volume", "Heading", "Reference", "Sentence"});
    Utf8Passage u;
    for (const Passage& p : passages) {
        u.From(p);
        if (withNotes)
            study::AppendCsvRecord(out, {u.volume, u.heading, u.reference, u.sentence, p.note});
        else
            study::AppendCsvRecord(out, {u.volume, u.heading, u.reference, u.sentence});
    }
}

}  // namespace

std::optional<Passage> FindPassage(store::VolumeTables& volumes, std::string_view libro,
                                   std::string_view numero) {
    store::VolumeTables::Entry* v = volumes.Find(libro);
    store::Table* book = volumes.FindSentence(libro, numero);
    if (!v || !book)
        return std::nullopt;
    Passage p;
    p.volume = std::string(v->volume.label);
    p.reference = store::Trim(book->FieldView("Referencia"));
    p.sentence = book->FieldAsString("Umemo");
    if (v->index && v->index->FindKey(book->FieldAsString("Num_I"))) {
        const std::string first = store::Trim(v->index->FieldView("Nom_1"));
        const std::string second = store::Trim(v->index->FieldView("Nom_2"));
        if (v->volume.code == 'M')
            p.volume = std::string(store::ManualPartOfHeading(first));
        else
            p.heading = first;
        if (!second.empty())
            p.heading += (p.heading.empty() ? "" : " - ") + second;
    }
    return p;
}

std::vector<Passage> ResultPassages(store::Table& results, int count, store::VolumeTables& volumes,
                                    std::span<const int> rows) {
    std::vector<Passage> passages;
    auto take = [&] {
        if (auto p = FindPassage(volumes, results.FieldView("Libro"), results.FieldView("Numero")))
            passages.push_back(std::move(*p));
    };
    if (!rows.empty()) {
        for (int row : rows) {
            if (row < 1 || row > count)
                continue;
            results.First();
            results.MoveBy(row - 1);
            take();
        }
        return passages;
    }
    passages.reserve(std::size_t(std::max(count, 0)));
    results.First();
    for (int i = 0; i < count && !results.Eof(); ++i) {
        take();
        results.Next();
    }
    return passages;
}

std::vector<std::string> SearchTitle(const study::SearchSpec& search, int hits) {
    std::string volumes;
    for (std::size_t i = 0; i < store::kVolumeCount; ++i) {
        if (!search.volumes[i])
            continue;
        if (!volumes.empty())
            volumes += ", ";
        volumes += store::Volumes()[i].label;
    }
    std::string mode = search.mode == study::SearchMode::ExactPhrase ? "Exact phrase" : "Any order";
    if (search.exactWord && search.mode == study::SearchMode::AnyOrder)
        mode += ", exact word";
    return {"Search: " + store::ToUtf8(store::Trim(search.query)), "Mode: " + mode,
            "Volumes: " + store::ToUtf8(volumes), "Hits: " + std::to_string(hits)};
}

void RenderInto(std::string& out, std::span<const std::string> title,
                std::span<const Passage> passages, Form form, bool withNotes) {
    out.clear();
    switch (form) {
        case Form::Text:
            RenderText(out, title, passages, withNotes);
            break;
        case Form::Html:
            RenderHtml(out, title, passages, withNotes);
            break;
        case Form::Csv:
            RenderCsv(out, title, passages, withNotes);
            break;
    }
}

std::string Render(std::span<const std::string> title, std::span<const Passage> passages, Form form,
                   bool withNotes) {
    std::string out;
    RenderInto(out, title, passages, form, withNotes);
    return out;
}

}  // namespace veloria::exporting
