#include "tools/Echo.h"

#include <cstdio>

#include "store/Text.h"

namespace veloria::tools {
namespace {

// Characters that show nothing, move the cursor or turn the text's direction.
bool Invisible(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp == 0xAD || (cp >= 0x200B && cp <= 0x200F) ||
           (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x2069) || cp == 0xFEFF;
}

// One UTF-8 sequence at text[i]: its code point and length, or -1 and 1 for a byte that begins
// no valid sequence.
long Decode(std::string_view text, std::size_t i, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(text[i]);
    length = 1;
    if (lead < 0x80)
        return lead;
    std::size_t extra = 0;
    if (lead >= 0xC2 && lead < 0xE0)
        extra = 1;
    else if (lead >= 0xE0 && lead < 0xF0)
        extra = 2;
    else if (lead >= 0xF0 && lead < 0xF5)
        extra = 3;
    else
        return -1;
    if (i + extra >= text.size())
        return -1;
    char32_t cp = lead & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (c & 0x3F);
    }
    constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    length = extra + 1;
    return long(cp);
}

// Appends utf8 to out with its escapes, at most limit characters of it; returns the bytes taken.
std::size_t AppendEscaped(std::string& out, std::string_view utf8, std::size_t limit) {
    std::size_t shown = 0, i = 0;
    for (; i < utf8.size() && shown < limit; ++shown) {
        std::size_t length = 1;
        const long cp = Decode(utf8, i, length);
        char escape[24];
        if (cp < 0) {
            std::snprintf(escape, sizeof escape, "\\x%02X",
                          unsigned(static_cast<unsigned char>(utf8[i])));
            out += escape;
        } else if (cp == '\n') {
            out += "\\n";
        } else if (cp == '\r') {
            out += "\\r";
        } else if (cp == '\t') {
            out += "\\t";
        } else if (Invisible(char32_t(cp))) {
            std::snprintf(escape, sizeof escape, "\\u{%lX}", cp);
            out += escape;
        } else {
            out.append(utf8.substr(i, length));
        }
        i += length;
    }
    return i;
}

std::string Quoted(std::string_view utf8, std::size_t characters) {
    std::string out = "\"";
    const std::size_t taken = AppendEscaped(out, utf8, kShownCharacters);
    out += '"';
    if (taken < utf8.size()) {
        out.insert(out.size() - 1, "...");
        out += " (" + std::to_string(characters) + " characters)";
    }
    return out;
}

}  // namespace

std::string Shown(std::string_view utf8) {
    std::size_t characters = 0;
    for (char c : utf8)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return Quoted(utf8, characters);
}

std::string Escaped(std::string_view utf8) {
    std::string out;
    AppendEscaped(out, utf8, utf8.size());
    return out;
}

std::string ShownCp1252(std::string_view cp1252) {
    // Only the beginning is converted: the value may be megabytes long.
    return Quoted(store::ToUtf8(cp1252.substr(0, kShownCharacters + 1)), cp1252.size());
}

}  // namespace veloria::tools
