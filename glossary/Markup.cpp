#include "glossary/Markup.h"

#include "glossary/MarkupSpans.h"

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

// The attributes of the span, selected in the box.
TTextAttributes Select(TRichEdit& box, const TextSpan& span) {
    box.SetSelStart(int(span.start));
    box.SetSelLength(int(span.length));
    return box.SelAttributes();
}

}  // namespace

void HighlightByPositions(TRichEdit& box, std::string_view markers) {
    for (const TextSpan& span : MarkerSpans(markers, box.Text().size())) {
        TTextAttributes attributes = Select(box, span);
        attributes.SetStyle({widgets::fsBold});
        attributes.SetColor(widgets::clRed);
        box.SetSelStart(1);
    }
}

void BoldColourAll(TRichEdit& box, std::string_view phrase) {
    for (const TextSpan& span : PhraseOccurrences(box.Text(), phrase)) {
        TTextAttributes attributes = Select(box, span);
        attributes.SetStyle({widgets::fsBold});
        attributes.SetColor(widgets::RGB(0, 0, 255));
    }
}

void UnderlineAll(TRichEdit& box, std::string_view phrase) {
    for (const TextSpan& span : PhraseOccurrences(box.Text(), phrase))
        Select(box, span).SetStyle({widgets::fsUnderline});
}

std::string ZeroPad(std::string_view text, int width) {
    const int missing = width - int(text.size());
    std::string out(std::size_t(missing > 0 ? missing : 0), '0');
    out += text;
    return out;
}

}  // namespace veloria::glossary
