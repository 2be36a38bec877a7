#pragma once

#include <string>
#include <vector>

#include "tools/Random.h"

// Readable English prose for the sample corpus, from a small grammar over a curated vocabulary.
// Every text is Windows-1252. None of it is taken from any published work.
namespace veloria::tools {

class Prose {
  public:
    Prose();

    // One sentence of 20 to 400 characters (not counting the few leading or trailing blanks some
    // sentences get). Now and then it carries the punctuation and characters a real corpus has:
    // every character the search leaves out, accented words, apostrophes, hyphens, digits,
    // typographic quotes, dashes and ellipses, and rarely a line break.
    std::string Sentence(Random& rng) const;
    // A short tip: one or two sentences, sometimes on two lines.
    std::string Tip(Random& rng) const;
    // A heading line in title case ("The Gift of Stillness").
    std::string Title(Random& rng) const;
    // A heading phrased as a question ("What Is Patience?").
    std::string QuestionTitle(Random& rng) const;
    // A short statement for a lesson heading ("Peace is with me now.").
    std::string LessonTitle(Random& rng) const;

    // About count distinct glossary terms, shown form (a few with accents).
    std::vector<std::string> GlossaryTerms(std::size_t count, Random& rng) const;
    // Sentences explaining a term, blanks as blanks, without line breaks.
    std::string Explanation(const std::string& term, Random& rng, std::size_t minLength) const;

  private:
    std::string Expand(const std::string& pattern, Random& rng) const;
    std::string Clause(Random& rng) const;
    std::string Opener(Random& rng, char& endMark) const;
};

}  // namespace veloria::tools
