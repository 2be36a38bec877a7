#pragma once

// The search's observable result worked out the slow way, straight from the rules and sharing no
// code with the engine: the tests compare the engine against it.

#include <array>
#include <string>
#include <vector>

namespace veloria::search::testing {

struct OracleRow {
    std::string numero, umemo, referencia;
    std::array<std::string, 4> pieces;  // A1..A4
};

struct OracleResult {
    std::string referencia, numero, pensamiento, libro;
    bool operator==(const OracleResult&) const = default;
};

inline bool OracleRemoved(unsigned char c) {
    static const std::string kRemoved = "\xA1!\"(),./:;\xBF?[]_";
    return kRemoved.find(char(c)) != std::string::npos;
}

// "" for a removed character.
inline std::string OracleFold(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    if (OracleRemoved(c))
        return "";
    switch (c) {
        case 0xE1:
        case 0xC1:
            return "A";
        case 0xE9:
        case 0xC9:
            return "E";
        case 0xED:
        case 0xCD:
            return "I";
        case 0xF3:
        case 0xD3:
            return "O";
        case 0xFA:
        case 0xDA:
            return "U";
        default:
            return std::string(1, ch);
    }
}

inline std::string OracleTrim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return s.substr(b, e - b);
}

struct OracleQuery {
    std::string queryText;
    std::vector<std::string> words;  // at most 20
    std::string phrase;
};

inline OracleQuery OracleNormalise(const std::string& box, bool exactWord) {
    OracleQuery q;
    q.queryText = OracleTrim(box) + " ";
    for (char& c : q.queryText) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    }
    std::string current;
    for (char c : q.queryText) {
        if (c == ' ') {
            if (!current.empty() && q.words.size() < 20) {
                q.words.push_back("#" + current + (exactWord ? "#" : ""));
            }
            current.clear();
        } else if (c != '\0') {
            current += OracleFold(c);
        }
    }
    q.phrase.assign(1, '#');
    for (char c : q.queryText) {
        if (c == ' ') {
            q.phrase += "#";
        } else if (c != '\0') {
            q.phrase += OracleFold(c);
        }
    }
    return q;
}

// volumes: the five tables' rows in scan order, or empty for an unticked volume.
inline std::vector<OracleResult> OracleSearch(
    const std::string& box, bool exactWord, bool exactPhrase,
    const std::array<const std::vector<OracleRow>*, 5>& volumes) {
    static const char* kCodes[] = {"T", "E", "M", "P", "S"};
    const OracleQuery q = OracleNormalise(box, exactWord);
    std::vector<OracleResult> out;
    for (int v = 0; v < 5; ++v) {
        if (!volumes[v])
            continue;
        for (const OracleRow& row : *volumes[v]) {
            const std::string text = row.pieces[0] + row.pieces[1] + row.pieces[2] + row.pieces[3];
            std::size_t found = 0;
            if (exactPhrase) {
                if (text.find(q.phrase) != std::string::npos)
                    found = q.words.size();
            } else {
                for (const std::string& w : q.words)
                    found += text.find(w) != std::string::npos;
            }
            if (found == q.words.size()) {
                out.push_back(
                    {row.referencia, row.numero, OracleTrim(row.umemo).substr(0, 80), kCodes[v]});
            }
        }
    }
    return out;
}

}  // namespace veloria::search::testing
