#include "glossary/Markup.h"

#include <array>
#include <cstddef>

namespace veloria::glossary {

using widgets::TRichEdit;
using widgets::TTextAttributes;

std::string HashToBlank(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        out += c == '#' ? ' ' : c;
    return out;
}

namespace {

constexpr std::array<int, 9> kSpanLengths = {21, 13, 19, 21, 9, 8, 11, 4, 5};

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

bool IsBlankText(std::string_view text) {
    for (char c : text) {
        if (!IsBlank(c))
            return false;
    }
    return true;
}

// The group's position, or 0 when the marker text has no such group or it is not three digits.
int GroupPosition(std::string_view markers, std::size_t group) {
    const std::size_t at = group * 3;
    if (markers.size() < at + 3)
        return 0;
    int n = 0;
    for (char c : markers.substr(at, 3)) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

// Marks each occurrence in turn. The working copy loses the second character of every occurrence
// marked, so that neither it nor an occurrence overlapping it is found again; searching on after
// its start keeps a phrase of one character (or one holding that very byte) from being found for
// ever.
template <class Mark>
void MarkEveryOccurrence(TRichEdit& box, std::string_view phrase, Mark mark) {
    if (phrase.empty())
        return;
    std::string work = box.Text();
    for (std::size_t at = work.find(phrase); at != std::string::npos;
         at = work.find(phrase, at + 1)) {
        box.SetSelStart(int(at));
        box.SetSelLength(int(phrase.size()));
        TTextAttributes attributes = box.SelAttributes();
        mark(attributes);
        if (phrase.size() > 1)
            work[at + 1] = '\xff';
    }
}

}  // namespace

void HighlightByPositions(TRichEdit& box, std::string_view markers) {
    if (IsBlankText(markers))
        return;
    const int length = int(box.Text().size());
    for (std::size_t group = 0; group < kSpanLengths.size(); ++group) {
        const int n = GroupPosition(markers, group);
        // A span starting past the end has nothing to mark; selecting there would only restyle
        // what gets typed next.
        if (n <= 0 || n > length)
            continue;
        box.SetSelStart(n - 1);
        box.SetSelLength(kSpanLengths[group]);
        TTextAttributes attributes = box.SelAttributes();
        attributes.SetStyle({widgets::fsBold});
        attributes.SetColor(widgets::clRed);
        box.SetSelStart(1);
    }
}

void BoldColourAll(TRichEdit& box, std::string_view phrase) {
    MarkEveryOccurrence(box, phrase, [](TTextAttributes& a) {
        a.SetStyle({widgets::fsBold});
        a.SetColor(widgets::RGB(0, 0, 255));
    });
}

void UnderlineAll(TRichEdit& box, std::string_view phrase) {
    MarkEveryOccurrence(box, phrase,
                        [](TTextAttributes& a) { a.SetStyle({widgets::fsUnderline}); });
}

std::string ZeroPad(std::string_view text, int width) {
    const int missing = width - int(text.size());
    std::string out(std::size_t(missing > 0 ? missing : 0), '0');
    out += text;
    return out;
}

}  // namespace veloria::glossary
