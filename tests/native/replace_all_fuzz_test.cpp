// ReplaceAll against a second, deliberately plain model of the same rule, over many random byte
// strings. The table tests pin the known cases; this one hunts for the combinations nobody wrote
// down: lead bytes next to matches, a 0x5C second byte, a lone lead byte at the very end, a
// search text that straddles a two-byte character. Fixed seed, so a failure repeats exactly.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "script/registry_script.h"

namespace {

// The model: walks the source with an index and a flag for "inside a two-byte character", and
// looks for a match only where a character starts. Written from the rule, not from the code.
std::string ModelReplaceAll(const std::string& source, const std::string& search,
                            const std::string& replacement) {
    if (source.empty() || search.empty()) return source;
    const size_t n = search.size();
    std::string out;
    size_t i = 0;
    while (i + n <= source.size()) {
        bool match = true;
        for (size_t k = 0; k < n; ++k) {
            if (source[i + k] != search[k]) {
                match = false;
                break;
            }
        }
        if (match) {
            out += replacement;
            i += n;
            continue;
        }
        const unsigned char byte = static_cast<unsigned char>(source[i]);
        if (byte & 0x80) {
            if (i == source.size() - 1) return out;  // a lead byte with nothing after it
            out.push_back(source[i]);
            out.push_back(source[i + 1]);
            i += 2;
        } else {
            out.push_back(source[i]);
            i += 1;
        }
    }
    for (; i < source.size(); ++i) out.push_back(source[i]);
    return out;
}

// xorshift64*: small, fixed and the same on every compiler, unlike the standard distributions.
struct Random {
    uint64_t state;
    uint64_t Next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1DULL;
    }
    size_t Below(size_t bound) { return static_cast<size_t>(Next() % bound); }
};

const std::string kBackslash = "\\";
// 游戏路径 in code page 936.
const std::string kPlaceholder = "\xD3\xCE\xCF\xB7\xC2\xB7\xBE\xB6";

// One random byte, weighted toward what matters: lead bytes, 0x5C, the bytes of the search
// text, the edges 0x80 and 0xFF, and plain ASCII.
char PickByte(Random* random, const std::string& search) {
    switch (random->Below(8)) {
        case 0:
        case 1:
            return static_cast<char>(0x81 + random->Below(0x7E));  // a lead byte of code page 936
        case 2:
            return '\\';
        case 3:
            return search[random->Below(search.size())];
        case 4:
            return random->Below(2) ? '\x80' : '\xFF';
        case 5:
            return static_cast<char>(0x20 + random->Below(0x5F));
        default:
            return static_cast<char>(random->Below(256));
    }
}

// A source built from pieces: single bytes, two-byte characters with a 0x5C second byte (誠 is
// D5 5C), whole or cut copies of the search text, and sometimes a lone lead byte at the end.
std::string MakeSource(Random* random, const std::string& search) {
    std::string source;
    const size_t pieces = random->Below(24);
    for (size_t p = 0; p < pieces; ++p) {
        switch (random->Below(6)) {
            case 0:
                source += search;
                break;
            case 1:
                source += search.substr(0, random->Below(search.size() + 1));
                break;
            case 2:
                source += static_cast<char>(0x81 + random->Below(0x7E));
                source += '\\';
                break;
            case 3:
                source += search.substr(random->Below(search.size()));
                break;
            default:
                source += PickByte(random, search);
                break;
        }
    }
    if (random->Below(4) == 0) source += static_cast<char>(0x80 + random->Below(0x80));
    // The type holds no zero byte; a text with one never reaches ReplaceAll.
    for (char& c : source) {
        if (c == '\0') c = 'z';
    }
    return source;
}

std::string MakeReplacement(Random* random, const std::string& search) {
    switch (random->Below(5)) {
        case 0:
            return std::string();
        case 1:
            return "\\\\";
        case 2:
            return search;  // a replacement that matches again must not be scanned again
        default: {
            std::string text;
            const size_t length = random->Below(10);
            for (size_t i = 0; i < length; ++i) text += PickByte(random, search);
            for (char& c : text) {
                if (c == '\0') c = 'z';
            }
            return text;
        }
    }
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof(buffer), "%02X ", c);
        out += buffer;
    }
    return out.empty() ? "(empty)" : out;
}

void CheckAgainstModel(const std::string& search, uint64_t seed, int iterations) {
    Random random = {seed};
    int mismatches = 0;
    for (int i = 0; i < iterations && mismatches < 5; ++i) {
        const std::string source = MakeSource(&random, search);
        const std::string replacement = MakeReplacement(&random, search);
        const std::string expected = ModelReplaceAll(source, search, replacement);
        const std::string actual = ReplaceAll(source, search, replacement);
        if (actual != expected) {
            ++mismatches;
            ADD_FAILURE() << "seed 0x" << std::hex << seed << std::dec << ", case " << i
                          << "\n  source:      " << Hex(source)
                          << "\n  search:      " << Hex(search)
                          << "\n  replacement: " << Hex(replacement)
                          << "\n  expected:    " << Hex(expected)
                          << "\n  actual:      " << Hex(actual);
        }
    }
}

const int kIterations = 20000;

TEST(ReplaceAllFuzz, OneByteSearchMatchesTheModel) {
    CheckAgainstModel(kBackslash, 0x5C5C5C5C0D0A0D0AULL, kIterations);
}

TEST(ReplaceAllFuzz, EightBytePlaceholderMatchesTheModel) {
    CheckAgainstModel(kPlaceholder, 0xD3CECFB7C2B7BEB6ULL, kIterations);
}

// Random search texts of every length from one to eight, not only the two the program uses.
TEST(ReplaceAllFuzz, RandomSearchTextsMatchTheModel) {
    Random random = {0x9E3779B97F4A7C15ULL};
    for (int round = 0; round < 200; ++round) {
        std::string search;
        const size_t length = 1 + random.Below(8);
        for (size_t i = 0; i < length; ++i) search += PickByte(&random, kPlaceholder);
        for (char& c : search) {
            if (c == '\0') c = 'z';
        }
        SCOPED_TRACE("search " + Hex(search));
        CheckAgainstModel(search, random.Next(), 200);
        if (HasFailure()) return;
    }
}

// The model itself must hold the cases the rule spells out, or agreeing with it proves nothing.
TEST(ReplaceAllFuzz, ModelHoldsTheKnownCases) {
    EXPECT_EQ(ModelReplaceAll("ab\xB0", kBackslash, "\\\\"), "ab");
    EXPECT_EQ(ModelReplaceAll("ab\xB0", kPlaceholder, "x"), "ab\xB0");
    EXPECT_EQ(ModelReplaceAll("\x80\\", kBackslash, "\\\\"), "\x80\\");
    EXPECT_EQ(ModelReplaceAll("D:\\\xD5\\\\G", kBackslash, "\\\\"), "D:\\\\\xD5\\\\\\G");
    EXPECT_EQ(ModelReplaceAll("a" + kPlaceholder + "b", kPlaceholder, kPlaceholder),
              "a" + kPlaceholder + "b");
    EXPECT_EQ(ModelReplaceAll("", kBackslash, "x"), "");
    EXPECT_EQ(ModelReplaceAll("a\\b", "", "x"), "a\\b");
    // A match inside a two-byte character is skipped: 0xD5 takes the 0xD3 after it.
    EXPECT_EQ(ModelReplaceAll("\xD5" + kPlaceholder, kPlaceholder, "x"), "\xD5" + kPlaceholder);
}

}  // namespace
