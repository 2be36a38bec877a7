#include "tools/SampleCorpus.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/Schema.h"
#include "store/SearchForm.h"
#include "store/Text.h"
#include "tools/Csv.h"
#include "tools/Prose.h"
#include "tools/Random.h"

namespace veloria::tools {
namespace {

using Record = std::vector<std::string>;  // Windows-1252 fields

// How many sentences each volume has and how many of them cite the Bible.
struct VolumeShape {
    char code;
    int sentences;
    int citing;
};
constexpr VolumeShape kVolumeShapes[] = {
    {'T', 18200, 654}, {'E', 9700, 348}, {'M', 2100, 75}, {'P', 600, 22}, {'S', 600, 22}};
constexpr int kPassages = store::kBiblePassages;
using store::kTips;
constexpr std::size_t kGlossaryTerms = 160;
// The verse lists write a sentence's number in at most five characters.
constexpr int kLargestCitableNumero = 99999;

struct Sentence {
    int numero = 0;
    std::string text;
    std::string reference;
    int page = 0;
    int numI = 0;
    int paragraph = 0;
    std::vector<int> passages;  // NUMERO keys it cites
};

struct Heading {
    int numI = 0;
    std::string nom1, nom2;
};

struct VolumeData {
    char code = 0;
    std::vector<Sentence> sentences;
    std::vector<Heading> headings;
};

// A section as the volume's layout opens it: its two heading lines and the reference prefix of
// its sentences (the paragraph and sentence numbers follow it as "4:5").
struct SectionStart {
    std::string nom1, nom2, referencePrefix;
};
using SectionFactory = std::function<SectionStart(int sentencesSoFar, Random& rng)>;

std::string Format(const char* format, int a) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a);
    return buf;
}
std::string Format(const char* format, int a, int b) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a, b);
    return buf;
}

// Paragraph lengths of 1 to 12 sentences, mostly three to six.
int ParagraphLength(Random& rng) {
    const int r = int(rng.Between(0, 99));
    if (r < 5)
        return 1;
    if (r < 15)
        return 2;
    if (r < 70)
        return int(rng.Between(3, 6));
    if (r < 90)
        return int(rng.Between(7, 9));
    return int(rng.Between(10, 12));
}

// Lays out one volume: sections of paragraphs of sentences, numbered in reading order, with
// pages that turn every 1,500 characters or so. The first paragraph has several sentences, the
// last one a single sentence, so that both volume edges are met by a paragraph walk.
VolumeData LayOutVolume(char code, int count, int minParagraphs, int maxParagraphs,
                        const SectionFactory& sections, const Prose& prose, Random& rng) {
    VolumeData v;
    v.code = code;
    v.sentences.reserve(std::size_t(count));
    int paragraph = 0;
    std::size_t characters = 0;
    std::string prefix;
    int paragraphInSection = 0;
    auto addParagraph = [&](int length) {
        ++paragraph;
        ++paragraphInSection;
        for (int s = 1; s <= length; ++s) {
            Sentence sentence;
            sentence.numero = int(v.sentences.size()) + 1;
            sentence.text = prose.Sentence(rng);
            sentence.reference = prefix + Format("%d:%d", paragraphInSection, s);
            sentence.page = 1 + int(characters / 1500);
            sentence.numI = v.headings.back().numI;
            sentence.paragraph = paragraph;
            characters += sentence.text.size() + 1;
            v.sentences.push_back(std::move(sentence));
        }
    };
    while (int(v.sentences.size()) < count - 1) {
        SectionStart start = sections(int(v.sentences.size()), rng);
        v.headings.push_back({int(v.headings.size()) + 1, start.nom1, start.nom2});
        prefix = start.referencePrefix;
        paragraphInSection = 0;
        const int paragraphs = int(rng.Between(minParagraphs, maxParagraphs));
        for (int p = 0; p < paragraphs; ++p) {
            const int left = count - 1 - int(v.sentences.size());
            if (left <= 0)
                break;
            int length = ParagraphLength(rng);
            if (paragraph == 0)
                length = std::max(length, 3);
            addParagraph(std::min(length, left));
        }
    }
    addParagraph(1);
    return v;
}

// Chapters of sections, as the Text, Psychotherapy and the Song of Prayer have them.
SectionFactory ChapteredSections(char code, int minSections, int maxSections, const Prose& prose) {
    struct State {
        int chapter = 0, section = 0, sectionsInChapter = 0;
        std::string chapterTitle;
    };
    auto state = std::make_shared<State>();
    return [=, &prose](int, Random& rng) {
        State& s = *state;
        if (s.section == s.sectionsInChapter) {
            ++s.chapter;
            s.section = 0;
            s.sectionsInChapter = int(rng.Between(minSections, maxSections));
            s.chapterTitle = Format("Chapter %d: ", s.chapter) + prose.Title(rng);
        }
        ++s.section;
        const std::string nom2 = s.section == 1 ? std::string("Introduction")
                                                : Format("%d. ", s.section - 1) + prose.Title(rng);
        return SectionStart{s.chapterTitle, nom2,
                            std::string(1, code) + Format("-%d.%d.", s.chapter, s.section - 1)};
    };
}

std::vector<VolumeData> LayOutVolumes(int scale, const Prose& prose, Random& master) {
    std::vector<VolumeData> volumes;
    for (const VolumeShape& shape : kVolumeShapes) {
        Random rng = master.Fork(std::uint64_t(shape.code));
        const int count = shape.sentences * scale;
        switch (shape.code) {
            case 'T':
                volumes.push_back(LayOutVolume('T', count, 3, 14,
                                               ChapteredSections('T', 4, 10, prose), prose, rng));
                break;
            case 'E': {
                // One section per lesson, in two parts.
                int lesson = 0;
                auto lessons = [&](int used, Random& r) {
                    ++lesson;
                    return SectionStart{used < count * 7 / 10 ? "PART I" : "PART II",
                                        Format("Lesson %d: ", lesson) + prose.LessonTitle(r),
                                        Format("E-%d.", lesson)};
                };
                volumes.push_back(LayOutVolume('E', count, 2, 8, lessons, prose, rng));
                break;
            }
            case 'M': {
                // The Manual for Teachers, then the Clarification Of Terms; references begin
                // with "M" in the first and "C" in the second.
                int section = 0;
                bool clarification = false;
                auto parts = [&](int used, Random& r) {
                    if (!clarification && used >= count * 6 / 7) {
                        clarification = true;
                        section = 0;
                    }
                    const char letter = clarification ? 'C' : 'M';
                    const std::string nom1 = clarification ? "CLARIFICATION OF TERMS"
                                                           : std::string(store::kManualHeading);
                    const int n = section++;
                    if (n == 0)
                        return SectionStart{nom1, "Introduction", std::string(1, letter) + "-In."};
                    const std::string title =
                        clarification ? prose.Title(r) : prose.QuestionTitle(r);
                    return SectionStart{nom1, Format("%d. ", n) + title,
                                        std::string(1, letter) + Format("-%d.", n)};
                };
                volumes.push_back(LayOutVolume('M', count, 3, 10, parts, prose, rng));
                break;
            }
            default:
                volumes.push_back(LayOutVolume(shape.code, count, 3, 10,
                                               ChapteredSections(shape.code, 3, 6, prose), prose,
                                               rng));
        }
    }
    return volumes;
}

struct Passage {
    std::string reference;
    std::string text;  // verses separated by CR LF
    std::vector<std::pair<char, int>> citedBy;
};

std::vector<Passage> ReadPassages(const std::filesystem::path& sources) {
    const std::filesystem::path file = sources / "kjv-passages.csv";
    std::vector<CsvRecord> records;
    try {
        records = ParseCsv(ReadFileText(file));
    } catch (const CsvError& e) {
        throw std::runtime_error(file.string() + ":" + std::to_string(e.line()) + ": " + e.what());
    }
    std::vector<Passage> passages;
    for (std::size_t r = 1; r < records.size(); ++r) {
        if (records[r].fields.size() != 2) {
            throw std::runtime_error(file.string() + ": line " + std::to_string(records[r].line) +
                                     ": expected a reference and a text");
        }
        std::string text;
        for (char c : store::FromUtf8(records[r].fields[1])) {
            if (c == '\n')
                text += '\r';
            if (c != '\r')
                text += c;
        }
        passages.push_back({store::FromUtf8(records[r].fields[0]), text, {}});
    }
    if (passages.size() < std::size_t(kPassages)) {
        throw std::runtime_error(file.string() + ": " + std::to_string(kPassages) +
                                 " passages needed, " + std::to_string(passages.size()) + " found");
    }
    passages.resize(kPassages);
    return passages;
}

template <class T>
void Shuffle(std::vector<T>& items, Random& rng) {
    for (std::size_t i = items.size(); i > 1; --i)
        std::swap(items[i - 1], items[rng.Index(i)]);
}

// Chooses the sentences that cite the Bible and what they cite: every passage is cited at least
// once, a few are cited so often that their list of citing sentences fills several C fields, and
// some sentences cite two or three passages.
void Cite(std::vector<VolumeData>& volumes, std::vector<Passage>& passages, Random& rng) {
    struct Citer {
        std::size_t volume, row;
    };
    std::vector<Citer> citers;
    for (std::size_t v = 0; v < volumes.size(); ++v) {
        const std::size_t citable =
            std::min(volumes[v].sentences.size(), std::size_t(kLargestCitableNumero));
        std::vector<std::size_t> rows(citable);
        for (std::size_t i = 0; i < citable; ++i)
            rows[i] = i;
        Shuffle(rows, rng);
        rows.resize(std::size_t(kVolumeShapes[v].citing));
        for (std::size_t row : rows)
            citers.push_back({v, row});
    }
    Shuffle(citers, rng);

    std::vector<int> weight(passages.size(), 1);
    weight[0] = 60;
    for (std::size_t p = 1; p < 8; ++p)
        weight[p] = 20;
    int total = 0;
    for (int w : weight)
        total += w;
    auto weightedPick = [&]() {
        int r = int(rng.Between(0, total - 1));
        std::size_t p = 0;
        while (r >= weight[p])
            r -= weight[p++];
        return p;
    };
    std::vector<std::size_t> firsts(passages.size());
    for (std::size_t i = 0; i < firsts.size(); ++i)
        firsts[i] = i;
    Shuffle(firsts, rng);

    // Four fields of whole entries of up to seven characters hold at least 144 entries.
    constexpr std::size_t kMostCiters = 140;
    for (std::size_t i = 0; i < citers.size(); ++i) {
        Sentence& s = volumes[citers[i].volume].sentences[citers[i].row];
        const int r = int(rng.Between(0, 99));
        const int count = r < 75 ? 1 : r < 95 ? 2 : 3;
        for (int k = 0; k < count; ++k) {
            std::size_t p = (k == 0 && i < firsts.size()) ? firsts[i] : weightedPick();
            const int key = int(p) + 1;
            if (std::find(s.passages.begin(), s.passages.end(), key) != s.passages.end())
                continue;
            if (passages[p].citedBy.size() >= kMostCiters)
                continue;
            s.passages.push_back(key);
            passages[p].citedBy.push_back({volumes[citers[i].volume].code, s.numero});
        }
    }
}

// Splits text over at most fields fields of at most 255 characters, at points that fall where
// they fall (often inside a word), using at least two fields.
std::vector<std::string> SplitOver(const std::string& text, std::size_t fields, Random& rng) {
    constexpr std::size_t kMax = 255;
    if (text.size() > fields * kMax)
        throw std::logic_error("text too long for its fields");
    std::size_t n = std::clamp<std::size_t>(text.size() / 150 + 2, 2, fields);
    n = std::min(n, std::max<std::size_t>(1, text.size()));
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t k = n; k > 0; --k) {
        const std::size_t left = text.size() - at;
        if (k == 1) {
            parts.push_back(text.substr(at));
            break;
        }
        const std::size_t lo = left > (k - 1) * kMax ? left - (k - 1) * kMax : 1;
        const std::size_t hi = std::min(kMax, left - (k - 1));
        const std::size_t even = left / k;
        const std::size_t jitter = even / 4;
        std::size_t size =
            std::size_t(rng.Between(std::int64_t(even - jitter), std::int64_t(even + jitter)));
        size = std::clamp(size, lo, hi);
        parts.push_back(text.substr(at, size));
        at += size;
    }
    return parts;
}

// The stored form of a text shown with "#" for blanks: every blank that begins or ends a field
// (where a blank would be easy to lose) and some others besides.
std::vector<std::string> SplitWithHashes(std::string text, std::size_t fields, double percent,
                                         Random& rng) {
    for (char& c : text) {
        if (c == ' ' && rng.Percent(percent))
            c = '#';
    }
    std::vector<std::string> parts = SplitOver(text, fields, rng);
    for (std::string& part : parts) {
        if (part.front() == ' ')
            part.front() = '#';
        if (part.back() == ' ')
            part.back() = '#';
    }
    parts.resize(fields);
    return parts;
}

std::string ShortText(const std::string& text) {
    std::string first = text.substr(0, text.find('\r'));
    if (first.size() <= 60)
        return first;
    std::size_t cut = first.rfind(' ', 57);
    if (cut == std::string::npos)
        cut = 57;
    return first.substr(0, cut) + "...";
}

// Whole entries ("T123/") spread over the C fields, none longer than 255 characters.
std::array<std::string, 4> EntryFields(std::vector<std::pair<char, int>> citedBy) {
    static const std::string kOrder = "TEMPS";
    std::sort(citedBy.begin(), citedBy.end(), [](const auto& a, const auto& b) {
        const auto ia = kOrder.find(a.first), ib = kOrder.find(b.first);
        return ia != ib ? ia < ib : a.second < b.second;
    });
    std::array<std::string, 4> fields;
    std::size_t f = 0;
    for (const auto& [code, numero] : citedBy) {
        const std::string entry = std::string(1, code) + std::to_string(numero) + "/";
        if (fields[f].size() + entry.size() > 255)
            ++f;
        if (f == fields.size())
            throw std::logic_error("too many citing sentences");
        fields[f] += entry;
    }
    return fields;
}

// The sub-headings of a glossary explanation, by marker group: each exactly the length the
// group marks.
constexpr std::size_t kSpanLengths[9] = {21, 13, 19, 21, 9, 8, 11, 4, 5};
const std::vector<std::vector<std::string_view>> kSubHeadings = {
    {"The word in daily use", "How the term is heard"},
    {"Common errors", "In a sentence", "In the lesson"},
    {"How it is practised", "Seen in the lessons"},
    {"A reading for the day", "The shape of the idea"},
    {"In prayer", "Its roots", "First use"},
    {"See also", "Contrast", "Examples", "In short"},
    {"In practice", "Related use"},
    {"Note", "Also", "Tone"},
    {"Usage", "Aside", "Later"},
};

Record GlossaryRow(const std::string& term, const Prose& prose, Random& rng) {
    std::string text = prose.Explanation(term, rng, std::size_t(rng.Between(80, 300)));
    std::string marker;
    int groups = 0;
    for (std::size_t g = 0; g < 9; ++g) {
        // Positions have three digits; the last sub-heading starts well before 999.
        const bool room = text.size() < 900;
        if (!room || !(rng.Percent(55) || (g == 8 && groups < 2))) {
            marker += "000";
            continue;
        }
        const std::string_view heading = rng.Pick(kSubHeadings[g]);
        if (heading.size() != kSpanLengths[g])
            throw std::logic_error("sub-heading length");
        text += ' ';
        marker += Format("%03d", int(text.size()) + 1);
        text += heading;
        text += ": ";
        std::string body;
        do {
            body = store::Trim(prose.Sentence(rng));
        } while (body.size() > 200 || body.find('\n') != std::string::npos);
        text += body;
        ++groups;
    }
    std::vector<std::string> u = SplitWithHashes(text, 7, 100, rng);
    Record row = {term, store::UpperCaseLetters(term)};
    row.insert(row.end(), u.begin(), u.end());
    row.push_back(marker);
    return row;
}

std::string Number(int n) {
    return std::to_string(n);
}

class CsvFile {
  public:
    CsvFile(const std::filesystem::path& dir, const store::TableDef& def,
            std::vector<std::string_view> fields = {})
        : path_(dir / (std::filesystem::path(def.fileName).stem().string() + ".csv")) {
        Record header;
        if (fields.empty()) {
            for (const store::FieldDef& f : def.fields)
                header.emplace_back(f.name);
        } else {
            header.assign(fields.begin(), fields.end());
        }
        AppendCsvRecord(text_, header);
    }
    void Add(const Record& cp1252) {
        Record utf8;
        utf8.reserve(cp1252.size());
        for (const std::string& f : cp1252)
            utf8.push_back(store::ToUtf8(f));
        AppendCsvRecord(text_, utf8);
    }
    void Write() const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << text_;
        out.close();
        if (!out)
            throw std::runtime_error(path_.string() + ": cannot be written");
    }

  private:
    std::filesystem::path path_;
    std::string text_;
};

const store::TableDef& Def(std::string_view fileName) {
    const store::TableDef* def = store::FindTableDef(fileName);
    if (!def)
        throw std::logic_error("no table " + std::string(fileName));
    return *def;
}

}  // namespace

void WriteSampleCorpus(const std::filesystem::path& outDir, const SampleCorpusOptions& options) {
    if (options.scale < 1)
        throw std::runtime_error("the scale must be at least 1");
    const std::filesystem::path sources =
        options.sourcesDir.empty() ? DefaultDataDir() / "corpus-sources" : options.sourcesDir;
    std::filesystem::create_directories(outDir);

    Random master(options.seed);
    const Prose prose;
    std::vector<VolumeData> volumes = LayOutVolumes(options.scale, prose, master);
    std::vector<Passage> passages = ReadPassages(sources);
    Random citeRng = master.Fork(1);
    Cite(volumes, passages, citeRng);

    // Volumes and their headings. A1..A4 are left to the builder.
    std::vector<std::string_view> volumeFields;
    for (const store::FieldDef& f : Def("LTexto.DB").fields) {
        if (!f.name.starts_with("A"))
            volumeFields.push_back(f.name);
    }
    CsvFile vl(outDir, Def("VLBiblia.DB"));
    CsvFile seed(outDir, Def("Texto_B.DB"));
    for (std::size_t v = 0; v < volumes.size(); ++v) {
        const store::Volume& volume = store::Volumes()[v];
        const std::string code(1, volume.code);
        CsvFile book(outDir, Def(volume.volumeTable), volumeFields);
        for (const Sentence& s : volumes[v].sentences) {
            std::string biblia;
            for (int key : s.passages)
                biblia += (biblia.empty() ? "" : "/") + Number(key);
            book.Add({Number(s.numero), s.text, s.reference, Number(s.page), biblia, Number(s.numI),
                      Number(s.paragraph)});
            if (!s.passages.empty())
                vl.Add({code, Number(s.numero), s.reference, s.text});
            // The hits of an earlier search for words beginning with LOVE, so that a first
            // start has something to read.
            if (store::SearchForm(s.text).find("#LOVE") != std::string::npos) {
                seed.Add({s.reference, Number(s.numero), store::Trim(s.text).substr(0, 80), code});
            }
        }
        book.Write();
        CsvFile index(outDir, Def(volume.indexTable));
        for (const Heading& h : volumes[v].headings)
            index.Add({Number(h.numI), h.nom1, h.nom2});
        index.Write();
    }
    vl.Write();
    seed.Write();

    Random bibleRng = master.Fork(2);
    CsvFile bible(outDir, Def("Biblia.DB"));
    for (std::size_t p = 0; p < passages.size(); ++p) {
        Record row = {Number(int(p) + 1), passages[p].reference, ShortText(passages[p].text)};
        for (std::string& u : SplitWithHashes(passages[p].text, 13, 12, bibleRng)) {
            row.push_back(std::move(u));
        }
        for (std::string& c : EntryFields(passages[p].citedBy))
            row.push_back(std::move(c));
        bible.Add(row);
    }
    bible.Write();

    Random glossaryRng = master.Fork(3);
    CsvFile glossary(outDir, Def("Glosario.DB"));
    for (const std::string& term : prose.GlossaryTerms(kGlossaryTerms, glossaryRng)) {
        glossary.Add(GlossaryRow(term, prose, glossaryRng));
    }
    glossary.Write();

    Random tipRng = master.Fork(4);
    CsvFile tips(outDir, Def("Frases.DB"));
    for (int n = 1; n <= kTips; ++n)
        tips.Add({Number(n), prose.Tip(tipRng)});
    tips.Write();
}

}  // namespace veloria::tools
