#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Windows-1252 single-byte text, as every table holds it. Positions elsewhere count from 1; these
// helpers work on whole strings.
namespace veloria::store {

// Leading and trailing characters of code 0 to 32 removed; the view without a copy.
std::string Trim(std::string_view text);
std::string_view TrimView(std::string_view text);

// The text as a reader sees it, for telling two texts apart: the soft hyphen, which shows
// nothing, left out, the no-break space taken for a blank, and the result trimmed.
std::string AsShown(std::string_view text);

// The order a reader expects of words: accented letters with their base letter and capitals with
// small letters ("ANIMAL" < "Ánimo" < "ÉLAN" < "EVENING" < "Íntimo"), "Æ", "Œ" and "ß" as the two
// letters they stand for; only where texts are otherwise the same does an accent come after none,
// then a capital after a small letter, then the bytes decide. Negative, zero (equal bytes) or
// positive.
int Collate(std::string_view a, std::string_view b);

// Conversion between the tables' Windows-1252 text and UTF-8 (how the SQLite files store it and
// how Qt and the CSV sources hand it over). FromUtf8 throws StoreError naming the first character
// that Windows-1252 cannot hold, or invalid UTF-8.
std::string ToUtf8(std::string_view cp1252);
// ToUtf8 into out, replacing its contents and keeping its capacity, for writes of many rows.
void ToUtf8Into(std::string_view cp1252, std::string& out);
// True when every byte is below 0x80: such text is the same in Windows-1252 and UTF-8.
bool IsAscii(std::string_view text);
std::string FromUtf8(std::string_view utf8);
// The offset of the first byte that does not begin a valid UTF-8 sequence (overlong forms,
// surrogates and code points past U+10FFFF included); npos when the whole text is valid.
std::size_t FindInvalidUtf8(std::string_view utf8);
// The same, but a character that cannot be held becomes '?'; for text typed by the user.
std::string FromUtf8Lossy(std::string_view utf8);
// FromUtf8 into a buffer of at least utf8.size() bytes (never too small, since no character takes
// more bytes in Windows-1252 than in UTF-8); returns the number of bytes written.
std::size_t FromUtf8Into(std::string_view utf8, char* out);

// The word box's upper-casing as the user types: every letter that has a capital in Windows-1252
// ("ñ" -> "Ñ", "é" -> "É", "š" -> "Š", "ÿ" -> "Ÿ"); everything else unchanged.
char UpperCaseLetter(char c);
std::string UpperCaseLetters(std::string_view text);

// The search's normalisation of one character: the removed characters give nothing (returns
// '\0'), the acute vowels fold to their plain capital, ASCII a-z turn upper case, anything else
// stays.
char NormaliseSearchChar(char c);
bool IsRemovedSearchChar(char c);
// NormaliseSearchChar applied to every character, the removed ones left out.
std::string NormaliseSearchText(std::string_view text);

}  // namespace veloria::store
