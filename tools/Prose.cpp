#include "tools/Prose.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string_view>

#include "store/Text.h"

// The grammar is written in UTF-8 for readability and turned into Windows-1252 once a text is
// complete. A pattern names other symbols in braces; the verb symbols pick a verb and inflect it.
namespace veloria::tools {
namespace {

using Words = std::vector<std::string_view>;

const Words kMass = {
    "peace",      "love",       "light",           "truth",       "joy",
    "stillness",  "patience",   "kindness",        "gratitude",   "hope",
    "grace",      "silence",    "wisdom",          "freedom",     "healing",
    "gentleness", "trust",      "faith",           "clarity",     "mercy",
    "rest",       "quiet",      "innocence",       "strength",    "calm",
    "courage",    "wonder",     "comfort",         "forgiveness", "understanding",
    "attention",  "humility",   "generosity",      "honesty",     "laughter",
    "love",       "well-being", "self-forgetting",
};
const Words kDark = {"fear", "doubt", "anger", "guilt", "worry", "self-doubt", "regret", "haste"};
const Words kCount = {
    "mind",    "heart",   "thought", "lesson",  "teacher", "student", "brother",  "sister",
    "friend",  "gift",    "moment",  "day",     "path",    "door",    "dream",    "question",
    "answer",  "prayer",  "song",    "word",    "step",    "world",   "window",   "garden",
    "morning", "river",   "lamp",    "home",    "journey", "choice",  "stranger", "child",
    "road",    "evening", "season",  "promise", "letter",  "table",   "field",    "bird",
    "tree",    "candle",  "voice",   "hand",    "meeting", "walk",    "silence",  "story",
};
const Words kAdjective = {
    "quiet",
    "gentle",
    "patient",
    "open",
    "still",
    "simple",
    "certain",
    "bright",
    "honest",
    "humble",
    "kind",
    "grateful",
    "calm",
    "clear",
    "whole",
    "tender",
    "steady",
    "joyful",
    "peaceful",
    "hopeful",
    "faithful",
    "free",
    "true",
    "warm",
    "small",
    "ancient",
    "lasting",
    "familiar",
    "silent",
    "careful",
    "generous",
    "forgotten",
    "long-forgotten",
    "well-loved",
    "ever-present",
    "open-hearted",
    "half-remembered",
    "wide-awake",
    "loving",
    "lovely",
    "naïve",
    "unhurried",
    "everyday",
    "early",
    "ordinary",
};
const Words kAdverb = {
    "gently", "quietly",  "patiently", "slowly", "freely", "always",   "again",   "today",
    "now",    "together", "gladly",    "simply", "softly", "lovingly", "at once", "once more",
};
const Words kPlace = {
    "in every moment",
    "without fear",
    "with gentle patience",
    "as the day begins",
    "beyond all doubt",
    "for everyone you meet",
    "in the quiet of the evening",
    "along the way",
    "at the end of the day",
    "through every trial",
    "before the sun goes down",
    "one step at a time",
    "day by day",
    "here and now",
    "in the heart of the city",
    "by the river",
    "in the little café by the station",
    "at the kitchen table",
    "in the garden at dawn",
    "on the long road home",
    "with an open hand",
    "in a world of noise",
    "for a little while",
    "without a word",
    "like an old canción",
    "with all your corazón",
    "on the way to Ávila",
    "as the seasons turn",
    "in the company of friends",
    "on the far side of the hill",
};
// Names; several carry the acute accents of the search's folding, small and capital.
const Words kName = {
    "María",  "José",  "Ángela", "Óscar",  "Úrsula", "Íñigo",  "Émile", "Inés",  "Raúl",
    "Martín", "Sofía", "Lucía",  "Andrés", "Clara",  "Tomás",  "Elena", "Rubén", "Noah",
    "Hannah", "Peter", "Ruth",   "Samuel", "Miriam", "Daniel", "Ágata", "Ramón", "Simón",
};

struct Verb {
    std::string_view base, s, ing, past;
};
const std::vector<Verb> kTransitive = {
    {"hold", "holds", "holding", "held"},
    {"offer", "offers", "offering", "offered"},
    {"receive", "receives", "receiving", "received"},
    {"give", "gives", "giving", "gave"},
    {"welcome", "welcomes", "welcoming", "welcomed"},
    {"remember", "remembers", "remembering", "remembered"},
    {"forget", "forgets", "forgetting", "forgot"},
    {"teach", "teaches", "teaching", "taught"},
    {"learn", "learns", "learning", "learned"},
    {"heal", "heals", "healing", "healed"},
    {"release", "releases", "releasing", "released"},
    {"shelter", "shelters", "sheltering", "sheltered"},
    {"reveal", "reveals", "revealing", "revealed"},
    {"carry", "carries", "carrying", "carried"},
    {"restore", "restores", "restoring", "restored"},
    {"share", "shares", "sharing", "shared"},
    {"find", "finds", "finding", "found"},
    {"seek", "seeks", "seeking", "sought"},
    {"bless", "blesses", "blessing", "blessed"},
    {"choose", "chooses", "choosing", "chose"},
    {"accept", "accepts", "accepting", "accepted"},
    {"embrace", "embraces", "embracing", "embraced"},
    {"guide", "guides", "guiding", "guided"},
    {"protect", "protects", "protecting", "protected"},
    {"love", "loves", "loving", "loved"},
    {"keep", "keeps", "keeping", "kept"},
    {"see", "sees", "seeing", "saw"},
    {"hear", "hears", "hearing", "heard"},
    {"follow", "follows", "following", "followed"},
    {"notice", "notices", "noticing", "noticed"},
    {"forgive", "forgives", "forgiving", "forgave"},
    {"bring", "brings", "bringing", "brought"},
    {"cherish", "cherishes", "cherishing", "cherished"},
    {"honour", "honours", "honouring", "honoured"},
};
const std::vector<Verb> kIntransitive = {
    {"rest", "rests", "resting", "rested"},         {"wait", "waits", "waiting", "waited"},
    {"listen", "listens", "listening", "listened"}, {"grow", "grows", "growing", "grew"},
    {"shine", "shines", "shining", "shone"},        {"return", "returns", "returning", "returned"},
    {"awaken", "awakens", "awakening", "awakened"}, {"sing", "sings", "singing", "sang"},
    {"endure", "endures", "enduring", "endured"},   {"remain", "remains", "remaining", "remained"},
};

// Symbols defined by their alternatives. The others are built in Expand.
const std::map<std::string_view, Words, std::less<>> kRules = {
    {"NPS",
     {"the {ADJ} {CN}", "{MN}", "every {CN}", "your {CN}", "this {CN}", "{a} {ADJ} {CN}",
      "the {CN} of {MN}", "the {CN} you {VED}", "{NAME}", "the world's {CN}", "{MN}",
      "{a} {CN} of {MN}", "the {CN} that {V3} {MN}", "your brother's {CN}"}},
    {"NPP",
     {"the {CNP}", "all your {CNP}", "{ADJ} {CNP}", "the {CNP} of {MN}", "your {CNP} and {CNP}",
      "the {CNP} you {VED}", "{NAME} and {NAME}", "those who {VB} {MN}"}},
    {"NPO", {"{NPS}", "{NPP}", "{MN}", "the {ADJ} {CN}", "what you {VED}", "{MN} and {MN}"}},
    {"ADVP", {"{PLACE}", "{ADV}", "{PLACE}", "{ADV} {PLACE}"}},
    {"CLAUSE",
     {"{NPS} {V3} {NPO}",
      "{NPP} {VB} {NPO}",
      "you {VB} {NPO}",
      "we {VB} {NPO} {ADVP}",
      "{NPS} {VI3} {ADVP}",
      "{MN} is {ADJ}",
      "{NPS} is the {CN} of {MN}",
      "{NPP} are {ADJ}",
      "nothing {V3} {MN} but {MN}",
      "there is no {MN} without {MN}",
      "it's {ADJ} to {VB} {NPO}",
      "you don't {VB} {NPO} alone",
      "{NAME} {VED} {NPO} {ADVP}",
      "{NPS} can't {VB} {NPO}",
      "{NPS} {V3} {NPO} {ADVP}",
      "{DARK} {V3} nothing",
      "{MN} {V3} {NPO}",
      "{NPS} is never {DARK}",
      "{NPP} don't need {DARK}",
      "I {VB} {NPO} {ADVP}",
      "the {CN} is {ADJ} and {ADJ}",
      "you are {VING} {NPO}",
      "{NPS} {VED} {NPO}",
      "{MN} {VI3} where {DARK} once {VIED}",
      "you will {VB} {NPO} {ADVP}"}},
    {"COND",
     {"you {VB} {NPO}", "{NPS} {VI3}", "{DARK} {V3} you", "the {CN} is {ADJ}", "{NPP} {VB} {NPO}",
      "you are {ADJ}"}},
    {"ASIDE",
     {"as {NAME} once said", "see lesson {NUM}", "and this is all of it", "{NPS} {V3} {NPO}",
      "not {DARK}", "or so it seems at first", "which is {MN}", "in {NUM} ways at least",
      "at {HOUR} o'clock", "for the {ORD} time", "the {ADJ} way"}},
    {"TITLE",
     {"the {MN} of {MN}", "{ADJ} {CNP}", "the {CN} to {MN}", "on {MN}", "{MN} and {MN}",
      "the {ADJ} {CN}", "learning to {VB} {MN}", "the {CN} of the {ADJ} {CN}", "beyond {DARK}",
      "from {DARK} to {MN}"}},
    {"QTITLE",
     {"what is {MN}?", "how does {MN} {VIB}?", "why {VB} {MN}?", "who {V3} the {CNP}?",
      "is {MN} possible?", "what is the {CN} of {MN}?", "how is {MN} learned?"}},
    {"LESSON",
     {"{MN} is with me now.", "I {VB} {NPO} today.", "I am {ADJ} in {MN}.",
      "there is nothing to {VB} but {MN}.", "I {VB} the {CN} of {MN}.",
      "my {CN} is {ADJ} and {ADJ}.", "let me {VB} {MN} today.", "{MN} and {MN} are mine."}},
};

std::string Plural(std::string_view noun) {
    if (noun == "child")
        return "children";
    std::string p(noun);
    const char last = p.back();
    const char before = p.size() > 1 ? p[p.size() - 2] : ' ';
    if (last == 'y' && std::string_view("aeiou").find(before) == std::string_view::npos) {
        p.back() = 'i';
        return p + "es";
    }
    if (last == 's' || last == 'x' || (last == 'h' && (before == 's' || before == 'c'))) {
        return p + "es";
    }
    return p + "s";
}

constexpr char kArticle = '\x01';  // "a" or "an", chosen once the next word is known

// Turns each article marker into "a" or "an".
std::string ResolveArticles(std::string text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != kArticle) {
            out += text[i];
            continue;
        }
        std::string_view next = std::string_view(text).substr(i + 1);
        while (!next.empty() && next.front() == ' ')
            next.remove_prefix(1);
        const bool vowel =
            !next.empty() && std::string_view("aeiou").find(next[0]) != std::string_view::npos;
        const bool silent = next.starts_with("hon") || next.starts_with("hour");
        const bool yoo =
            next.starts_with("use") || next.starts_with("uni") || next.starts_with("one");
        out += (vowel && !yoo) || silent ? "an" : "a";
    }
    return out;
}

// Upper-cases the first letter of a UTF-8 text, past any opening quotes, brackets or blanks.
std::string CapitaliseFirst(std::string text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 'a' && c <= 'z') {
            text[i] = char(c - 32);
            return text;
        }
        if (c == 0xC3 && i + 1 < text.size()) {  // a Latin-1 letter: upper-case it as the box does
            const std::string upper = store::UpperCaseLetters(store::FromUtf8(text.substr(i, 2)));
            return text.replace(i, 2, store::ToUtf8(upper));
        }
        if (c >= 0xC2) {  // other multi-byte characters here are punctuation ("“", "¡")
            i += c >= 0xE0 ? 3 : 2;
            continue;
        }
        if (c == '(' || c == '"' || c == '\'' || c == ' ' || c == '\t' || c == '[') {
            ++i;
            continue;
        }
        return text;
    }
    return text;
}

std::string TitleCase(std::string_view text) {
    static const std::set<std::string_view> kSmall = {"of", "the", "a",  "an",   "and",
                                                      "to", "in",  "on", "from", "but"};
    std::string out;
    std::size_t i = 0;
    bool first = true;
    while (i <= text.size()) {
        std::size_t j = text.find(' ', i);
        if (j == std::string_view::npos)
            j = text.size();
        std::string word(text.substr(i, j - i));
        if (!word.empty() && (first || !kSmall.contains(word)))
            word = CapitaliseFirst(word);
        if (!first)
            out += ' ';
        out += word;
        first = false;
        i = j + 1;
    }
    return out;
}

// The number of Windows-1252 characters of a UTF-8 text.
std::size_t Length(std::string_view utf8) {
    std::size_t n = 0;
    for (char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

}  // namespace

Prose::Prose() {
    // Every piece of vocabulary must be representable; FromUtf8 throws otherwise.
    for (const Words* list : {&kMass, &kDark, &kCount, &kAdjective, &kAdverb, &kPlace, &kName}) {
        for (std::string_view w : *list)
            store::FromUtf8(w);
    }
}

std::string Prose::Expand(const std::string& pattern, Random& rng) const {
    std::string out;
    std::size_t i = 0;
    while (i < pattern.size()) {
        if (pattern[i] != '{') {
            out += pattern[i++];
            continue;
        }
        const std::size_t close = pattern.find('}', i);
        const std::string_view sym = std::string_view(pattern).substr(i + 1, close - i - 1);
        i = close + 1;
        if (sym == "a") {
            out += kArticle;
        } else if (sym == "MN") {
            out += rng.Pick(kMass);
        } else if (sym == "DARK") {
            out += rng.Pick(kDark);
        } else if (sym == "CN") {
            out += rng.Pick(kCount);
        } else if (sym == "CNP") {
            out += Plural(rng.Pick(kCount));
        } else if (sym == "ADJ") {
            out += rng.Pick(kAdjective);
        } else if (sym == "ADV") {
            out += rng.Pick(kAdverb);
        } else if (sym == "PLACE") {
            out += rng.Pick(kPlace);
        } else if (sym == "NAME") {
            out += rng.Pick(kName);
        } else if (sym == "NUM") {
            out += std::to_string(rng.Between(2, 365));
        } else if (sym == "HOUR") {
            out += std::to_string(rng.Between(1, 12));
        } else if (sym == "ORD") {
            static const Words kOrd = {"1st", "2nd", "3rd", "4th", "10th", "100th"};
            out += rng.Pick(kOrd);
        } else if (sym == "VB" || sym == "V3" || sym == "VING" || sym == "VED") {
            const Verb& v = rng.Pick(kTransitive);
            out += sym == "VB" ? v.base : sym == "V3" ? v.s : sym == "VING" ? v.ing : v.past;
        } else if (sym == "VIB" || sym == "VI3" || sym == "VIED") {
            const Verb& v = rng.Pick(kIntransitive);
            out += sym == "VIB" ? v.base : sym == "VI3" ? v.s : v.past;
        } else {
            const auto rule = kRules.find(sym);
            if (rule == kRules.end())
                throw std::logic_error("no grammar symbol " + std::string(sym));
            out += Expand(std::string(rng.Pick(rule->second)), rng);
        }
    }
    return out;
}

std::string Prose::Clause(Random& rng) const {
    return Expand("{CLAUSE}", rng);
}

// The beginning of a sentence, and the mark it ends with.
std::string Prose::Opener(Random& rng, char& endMark) const {
    endMark = '.';
    const int kind = int(rng.Between(0, 99));
    if (kind < 40)
        return Clause(rng);
    if (kind < 48)
        return Expand("if {COND}, ", rng) + Clause(rng);
    if (kind < 55)
        return Expand("when {COND}, ", rng) + Clause(rng);
    if (kind < 60)
        return "remember that " + Clause(rng);
    if (kind < 65)
        return Expand("let {NPO} {VB} {NPO} {ADVP}", rng);
    if (kind < 70)
        return Expand("{VB} {NPO} {ADVP}", rng);
    if (kind < 76) {
        endMark = '?';
        static const Words kQuestions = {"why would you {VB} {NPO} when {CLAUSE}",
                                         "is it not {ADJ} to {VB} {NPO}",
                                         "what {V3} {NPO} but {MN}",
                                         "who could {VB} {NPO} {ADVP}",
                                         "can {MN} {VB} {NPO}",
                                         "do you {VB} {NPO} {ADVP}"};
        return Expand(std::string(rng.Pick(kQuestions)), rng);
    }
    if (kind < 79) {
        endMark = '!';
        static const Words kExclaim = {"how {ADJ} it is to {VB} {NPO}",
                                       "what {a} {ADJ} {CN} {MN} is", "{VB} {NPO} {ADVP}"};
        return Expand(std::string(rng.Pick(kExclaim)), rng);
    }
    if (kind < 83) {  // the end mark goes inside the closing quote
        return Expand("{NAME} said, \"", rng) + CapitaliseFirst(Clause(rng)) + "\"";
    }
    if (kind < 86) {
        // Typographic quotes around a sentence of its own.
        std::string inner = CapitaliseFirst(Clause(rng));
        return Expand("{NAME} wrote: ", rng) + "\u201C" + inner + ".\u201D";
    }
    if (kind < 88)
        return Expand("the word \u2018{MN}\u2019 {V3} {NPO}", rng);
    if (kind < 89)
        return Expand("not {MN} but {MN} {V3} {NPO}", rng);
    if (kind < 90)
        return Expand("{a} {ADJ} {CN}, {a} {ADJ} {CN} and {a} {ADJ} {CN}", rng);
    if (kind < 92)
        return Expand("in {NUM} days {CLAUSE}", rng);
    if (kind < 94)
        return Expand("{CLAUSE} because {CLAUSE}", rng);
    if (kind < 96)
        return Expand("{CLAUSE}, but {CLAUSE}", rng);
    return Expand("{NPS} {V3} {NPO}, and {NPP} {VB} {NPO}", rng);
}

std::string Prose::Sentence(Random& rng) const {
    // Lengths spread from short sayings to long periods.
    const int band = int(rng.Between(0, 99));
    const std::size_t target = band < 15   ? std::size_t(rng.Between(20, 60))
                               : band < 75 ? std::size_t(rng.Between(60, 160))
                               : band < 95 ? std::size_t(rng.Between(160, 280))
                                           : std::size_t(rng.Between(280, 400));
    static const Words kJoin = {", and ",    "; ",         ", but ",   ", for ",     ": ",
                                " because ", ", so that ", " \u2013 ", "\u2014",     "\u2026 ",
                                "... ",      " - ",        "--",       ", and then "};
    while (true) {
        char endMark = '.';
        std::string s = Opener(rng, endMark);
        // Questions and exclamations stay short; statements grow towards the target length.
        while (endMark == '.' && Length(s) + 40 < target) {
            std::string_view join = kJoin[rng.Index(rng.Percent(85) ? 7 : kJoin.size())];
            if (join == "; " && rng.Percent(2))
                join = ";\r\n";  // a line break inside
            s += join;
            s += Clause(rng);
        }
        if (rng.Percent(3))
            s += Expand(" ({ASIDE})", rng);
        if (rng.Percent(1.5))
            s += Expand(" [that is, {NPO}]", rng);
        if (rng.Percent(1))
            s += Expand(" and/or {NPO}", rng);
        if (rng.Percent(0.6))
            s += Expand(", _{ADV}_", rng);
        if (rng.Percent(0.6))
            s += Expand(" \u00AB{MN}\u00BB", rng);
        if (rng.Percent(0.4))
            s += Expand(", \u201E{MN}\u201C as {NAME} says", rng);
        if (rng.Percent(1))
            s += Expand(" at {HOUR}:{NUM} or {NUM},000 times", rng);
        s = ResolveArticles(s);
        // A statement that quotes speech keeps its closing quote after the end mark.
        if (s.ends_with("\"")) {
            s.insert(s.size() - 1, 1, endMark);
        } else if (!s.ends_with("\u201D")) {
            s += endMark;
        }
        if (rng.Percent(0.5))
            s += " \u00A1\u00C1nimo!";
        if (rng.Percent(0.5))
            s += Expand(" \u00BFPor qu\u00E9 no, {NAME}?", rng);
        s = CapitaliseFirst(std::move(s));
        const std::size_t length = Length(s);
        if (length < 20 || length > 400)
            continue;
        if (rng.Percent(0.4))
            s = " " + s;
        if (rng.Percent(0.4))
            s += rng.Percent(50) ? " " : "  ";
        if (rng.Percent(0.2))
            s = "\t" + s;
        return store::FromUtf8(s);
    }
}

std::string Prose::Tip(Random& rng) const {
    std::string tip = Sentence(rng);
    if (rng.Percent(40)) {
        tip = store::Trim(tip);
        tip += rng.Percent(30) ? "\r\n" : " ";
        tip += store::Trim(Sentence(rng));
    }
    return tip;
}

std::string Prose::Title(Random& rng) const {
    return store::FromUtf8(TitleCase(ResolveArticles(Expand("{TITLE}", rng))));
}

std::string Prose::QuestionTitle(Random& rng) const {
    return store::FromUtf8(TitleCase(Expand("{QTITLE}", rng)));
}

std::string Prose::LessonTitle(Random& rng) const {
    return store::FromUtf8(CapitaliseFirst(ResolveArticles(Expand("{LESSON}", rng))));
}

std::vector<std::string> Prose::GlossaryTerms(std::size_t count, Random& rng) const {
    // A few curated terms with accents first, then single words and pairs of the vocabulary.
    static const Words kCurated = {"Ánimo",   "Armonía", "Corazón", "Élan",   "Sabiduría",
                                   "Canción", "Óptimo",  "Única",   "Íntimo", "Déjà vu"};
    std::vector<std::string> terms;
    std::set<std::string> keys;
    auto add = [&](std::string utf8) {
        std::string term = store::FromUtf8(utf8);
        if (keys.insert(store::UpperCaseLetters(term)).second)
            terms.push_back(term);
    };
    for (std::string_view t : kCurated)
        add(std::string(t));
    for (std::string_view m : kMass)
        add(CapitaliseFirst(std::string(m)));
    for (std::string_view m : kDark)
        add(CapitaliseFirst(std::string(m)));
    while (terms.size() < count) {
        add(TitleCase(Expand(rng.Percent(50) ? "{ADJ} {CN}" : "{CN} of {MN}", rng)));
    }
    terms.resize(count);
    std::sort(terms.begin(), terms.end(), [](const std::string& a, const std::string& b) {
        return store::UpperCaseLetters(a) < store::UpperCaseLetters(b);
    });
    return terms;
}

std::string Prose::Explanation(const std::string& term, Random& rng, std::size_t minLength) const {
    std::string text =
        term + " is " + store::FromUtf8(ResolveArticles(Expand("{a} {ADJ} {CN} of {MN}", rng)));
    text += ".";
    while (text.size() < minLength) {
        std::string sentence = store::Trim(Sentence(rng));
        std::replace(sentence.begin(), sentence.end(), '\r', ' ');
        std::erase(sentence, '\n');
        text += ' ';
        text += sentence;
    }
    return text;
}

}  // namespace veloria::tools
