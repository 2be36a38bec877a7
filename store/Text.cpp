#include "store/Text.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "store/Error.h"

namespace veloria::store {
namespace {

// Code points of bytes 0x80..0x9F. The five bytes Windows-1252 leaves undefined map to the C1
// controls of the same value, as Windows itself converts them, so every byte survives a round trip.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePoint(unsigned char byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : char32_t(byte);
}

// The Windows-1252 byte of a code point, or -1.
int ByteOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return int(cp);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == cp)
            return int(0x80 + i);
    }
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i], advancing i; -1 for an invalid sequence.
long DecodeUtf8(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        ++i;
        return -1;
    }
    if (i + extra >= text.size()) {
        i = text.size();
        return -1;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80) {
            i += k;
            return -1;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += extra + 1;
    constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    return long(cp);
}

// Writes the Windows-1252 form of utf8 into out, which has room for utf8.size() bytes (a
// character never takes more bytes in Windows-1252 than in UTF-8); returns the bytes written.
// Runs of ASCII and the two-byte Latin-1 letters, nearly all of any text, take the fast paths.
std::size_t ConvertInto(std::string_view utf8, char* out, bool lossy) {
    const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    std::size_t i = 0, n = 0;
    while (i < size) {
        if (i + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, in + i, 8);
            const std::uint64_t high = word & 0x8080808080808080ull;
            // Copy the ASCII bytes before the first other one: the first byte in memory is the
            // lowest of the word on a little-endian machine, the highest on a big-endian one.
            const int ascii = high == 0 ? 8
                              : std::endian::native == std::endian::little
                                  ? std::countr_zero(high) / 8
                                  : std::countl_zero(high) / 8;
            std::memcpy(out + n, &word, 8);
            i += std::size_t(ascii);
            n += std::size_t(ascii);
            if (ascii == 8)
                continue;
        }
        const unsigned char lead = in[i];
        if (lead < 0x80) {
            out[n++] = char(lead);
            ++i;
            continue;
        }
        if ((lead == 0xC2 || lead == 0xC3) && i + 1 < size && (in[i + 1] & 0xC0) == 0x80) {
            const unsigned cp = ((lead & 0x1Fu) << 6) | (in[i + 1] & 0x3Fu);
            if (cp >= 0xA0) {
                out[n++] = char(cp);
                i += 2;
                continue;
            }
        }
        const std::size_t at = i;
        const long cp = DecodeUtf8(utf8, i);
        const int byte = cp < 0 ? -1 : ByteOf(char32_t(cp));
        if (byte >= 0) {
            out[n++] = char(byte);
        } else if (lossy) {
            out[n++] = '?';
        } else if (cp < 0) {
            throw StoreError("invalid UTF-8 at byte " + std::to_string(at + 1));
        } else {
            char hex[24];
            std::snprintf(hex, sizeof hex, "U+%04lX", cp);
            std::string shown;
            AppendUtf8(shown, char32_t(cp));
            throw StoreError("character \"" + shown + "\" (" + hex + ") at byte " +
                             std::to_string(at + 1) + " cannot be held in Windows-1252");
        }
    }
    return n;
}

std::string Convert(std::string_view utf8, bool lossy) {
    std::string out(utf8.size(), '\0');
    out.resize(ConvertInto(utf8, out.data(), lossy));
    return out;
}

}  // namespace

std::string_view TrimView(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32)
        --e;
    return text.substr(b, e - b);
}

std::string Trim(std::string_view text) {
    return std::string(TrimView(text));
}

std::string AsShown(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        if (c == '\xAD')
            continue;
        shown += c == '\xA0' ? ' ' : c;
    }
    return Trim(shown);
}

namespace {

// What one Windows-1252 character weighs in the collation: its base letters (a capital, or two
// for a ligature; any other character itself), its accent (0 for none) and its case (1 for a
// capital).
struct Weight {
    char base[2];
    unsigned char accent;
    unsigned char upper;
};

constexpr std::array<Weight, 256> MakeWeights() {
    std::array<Weight, 256> w{};
    for (int c = 0; c < 256; ++c)
        w[c] = {{char(c), 0}, 0, 0};
    for (int c = 'a'; c <= 'z'; ++c)
        w[c] = {{char(c - 32), 0}, 0, 0};
    for (int c = 'A'; c <= 'Z'; ++c)
        w[c].upper = 1;
    enum : unsigned char {
        kAcute = 1,
        kGrave,
        kCircumflex,
        kCaron,
        kRing,
        kDiaeresis,
        kTilde,
        kCedilla,
        kStroke,
        kOther
    };
    // Each accented capital of Windows-1252, with its base letter; its small letter is the same
    // byte plus 0x20 (plus 0x10 for the three below 0xA0).
    struct Letter {
        unsigned char capital, small;
        char base;
        unsigned char accent;
    };
    const Letter letters[] = {
        {0xC0, 0xE0, 'A', kGrave},      {0xC1, 0xE1, 'A', kAcute},
        {0xC2, 0xE2, 'A', kCircumflex}, {0xC3, 0xE3, 'A', kTilde},
        {0xC4, 0xE4, 'A', kDiaeresis},  {0xC5, 0xE5, 'A', kRing},
        {0xC7, 0xE7, 'C', kCedilla},    {0xC8, 0xE8, 'E', kGrave},
        {0xC9, 0xE9, 'E', kAcute},      {0xCA, 0xEA, 'E', kCircumflex},
        {0xCB, 0xEB, 'E', kDiaeresis},  {0xCC, 0xEC, 'I', kGrave},
        {0xCD, 0xED, 'I', kAcute},      {0xCE, 0xEE, 'I', kCircumflex},
        {0xCF, 0xEF, 'I', kDiaeresis},  {0xD0, 0xF0, 'D', kStroke},
        {0xD1, 0xF1, 'N', kTilde},      {0xD2, 0xF2, 'O', kGrave},
        {0xD3, 0xF3, 'O', kAcute},      {0xD4, 0xF4, 'O', kCircumflex},
        {0xD5, 0xF5, 'O', kTilde},      {0xD6, 0xF6, 'O', kDiaeresis},
        {0xD8, 0xF8, 'O', kStroke},     {0xD9, 0xF9, 'U', kGrave},
        {0xDA, 0xFA, 'U', kAcute},      {0xDB, 0xFB, 'U', kCircumflex},
        {0xDC, 0xFC, 'U', kDiaeresis},  {0xDD, 0xFD, 'Y', kAcute},
        {0x8A, 0x9A, 'S', kCaron},      {0x8E, 0x9E, 'Z', kCaron},
        {0x9F, 0xFF, 'Y', kDiaeresis},
    };
    for (const Letter& l : letters) {
        w[l.capital] = {{l.base, 0}, l.accent, 1};
        w[l.small] = {{l.base, 0}, l.accent, 0};
    }
    w[0xC6] = {{'A', 'E'}, kOther, 1};  // Æ
    w[0xE6] = {{'A', 'E'}, kOther, 0};
    w[0x8C] = {{'O', 'E'}, kOther, 1};  // Œ
    w[0x9C] = {{'O', 'E'}, kOther, 0};
    w[0xDF] = {{'S', 'S'}, kOther, 0};  // ß
    return w;
}

constexpr std::array<Weight, 256> kWeights = MakeWeights();

const Weight& WeightOf(char c) {
    return kWeights[static_cast<unsigned char>(c)];
}

// The base letters of a text one at a time, a ligature's two in turn.
class Bases {
  public:
    explicit Bases(std::string_view text) : text_(text) {}
    bool Next(char& base) {
        while (i_ < text_.size()) {
            const Weight& w = WeightOf(text_[i_]);
            if (half_ == 0) {
                base = w.base[0];
                if (w.base[1])
                    half_ = 1;
                else
                    ++i_;
                return true;
            }
            base = w.base[1];
            half_ = 0;
            ++i_;
            return true;
        }
        return false;
    }

  private:
    std::string_view text_;
    std::size_t i_ = 0;
    int half_ = 0;
};

}  // namespace

int Collate(std::string_view a, std::string_view b) {
    Bases x(a), y(b);
    char p = 0, q = 0;
    while (true) {
        const bool more = x.Next(p), others = y.Next(q);
        if (!more || !others) {
            if (more != others)
                return more ? 1 : -1;
            break;
        }
        if (p != q)
            return static_cast<unsigned char>(p) < static_cast<unsigned char>(q) ? -1 : 1;
    }
    // The same letters: the first accent that differs, then the first case, then the bytes.
    for (const auto level : {&Weight::accent, &Weight::upper}) {
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
            const unsigned char s = WeightOf(a[i]).*level, t = WeightOf(b[i]).*level;
            if (s != t)
                return s < t ? -1 : 1;
        }
        // Only a ligature makes one longer: shorter first, so that each level is an order.
        if (a.size() != b.size())
            return a.size() < b.size() ? -1 : 1;
    }
    const int c = a.compare(b);
    return (c > 0) - (c < 0);
}

std::string ToUtf8(std::string_view cp1252) {
    std::string out;
    ToUtf8Into(cp1252, out);
    return out;
}

void ToUtf8Into(std::string_view cp1252, std::string& out) {
    out.clear();
    out.reserve(cp1252.size() + cp1252.size() / 8);
    for (char c : cp1252)
        AppendUtf8(out, CodePoint(static_cast<unsigned char>(c)));
}

bool IsAscii(std::string_view text) {
    const char* p = text.data();
    std::size_t n = text.size();
    // Eight bytes at a time: most cells are a few dozen bytes of plain ASCII.
    std::uint64_t high = 0;
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        high |= word;
    }
    for (; n > 0; ++p, --n)
        high |= static_cast<unsigned char>(*p);
    return (high & 0x8080808080808080ull) == 0;
}

std::size_t FindInvalidUtf8(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t at = i;
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            ++i;  // the common case, without the decoder's call
        } else if (DecodeUtf8(utf8, i) < 0) {
            return at;
        }
    }
    return std::string_view::npos;
}

std::string FromUtf8(std::string_view utf8) {
    return Convert(utf8, false);
}
std::string FromUtf8Lossy(std::string_view utf8) {
    return Convert(utf8, true);
}
std::size_t FromUtf8Into(std::string_view utf8, char* out) {
    return ConvertInto(utf8, out, false);
}

char UpperCaseLetter(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z')
        return char(b - 32);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7)
        return char(b - 32);  // à..þ but not ÷
    switch (b) {
        case 0x9A:
            return char(0x8A);  // š
        case 0x9C:
            return char(0x8C);  // œ
        case 0x9E:
            return char(0x8E);  // ž
        case 0xFF:
            return char(0x9F);  // ÿ
        default:
            return c;
    }
}

std::string UpperCaseLetters(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = UpperCaseLetter(c);
    return out;
}

bool IsRemovedSearchChar(char c) {
    switch (static_cast<unsigned char>(c)) {
        case 161:
        case '!':
        case '"':
        case '(':
        case ')':
        case ',':
        case '.':
        case '/':
        case ':':
        case ';':
        case 191:
        case '?':
        case '[':
        case ']':
        case '_':
            return true;
        default:
            return false;
    }
}

char NormaliseSearchChar(char c) {
    if (IsRemovedSearchChar(c))
        return '\0';
    switch (static_cast<unsigned char>(c)) {
        case 225:
        case 193:
            return 'A';
        case 233:
        case 201:
            return 'E';
        case 237:
        case 205:
            return 'I';
        case 243:
        case 211:
            return 'O';
        case 250:
        case 218:
            return 'U';
        default:
            break;
    }
    if (c >= 'a' && c <= 'z')
        return char(c - 32);
    return c;
}

std::string NormaliseSearchText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (const char n = NormaliseSearchChar(c))
            out += n;
    }
    return out;
}

}  // namespace veloria::store
