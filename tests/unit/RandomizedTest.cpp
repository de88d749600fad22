// Many generated inputs with a fixed seed: the text helpers and the integer syntax never fail
// on odd input, and their defining properties hold.
#include "mapping/Config.h"
#include "util/Utils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int Rounds = 5000;

// Characters that matter to the helpers, ordinary ones, and a few outside ASCII.
const std::wstring Alphabet = L"  \"\\:.0123456789abcdefxX$+-ABCF\t/\u00E9\u0416\u65E5\uFF10";

std::wstring RandomText(std::mt19937& random, size_t maxLength) {
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<size_t> pick(0, Alphabet.size() - 1);
    std::wstring text(length(random), L' ');
    for (auto& c : text)
        c = Alphabet[pick(random)];
    return text;
}

std::wstring Format(const wchar_t* format, unsigned value) {
    wchar_t text[32];
    std::swprintf(text, 32, format, value);
    return text;
}

} // namespace

TEST(Randomized, ParseIntegerGivesEveryNumberBack) {
    std::mt19937 random(20150123);
    std::uniform_int_distribution<std::uint32_t> bits;
    std::uniform_int_distribution<int> blanks(0, 3);
    for (int round = 0; round < Rounds; ++round) {
        const std::uint32_t u = round < 4 ? std::uint32_t(0x7FFFFFFF + round) : bits(random);
        const std::int32_t n = static_cast<std::int32_t>(u);
        const std::wstring lead(blanks(random), L' ');
        const std::wstring forms[] = {
            lead + std::to_wstring(n),
            lead + (n >= 0 ? L"+" : L"") + std::to_wstring(n),
            lead + Format(L"$%X", u),
            lead + Format(L"0x%x", u),
            lead + Format(L"X%08X", u),
            lead + Format(L"-0X%X", 0u - u), // hexadecimal negation is modulo 2^32
        };
        for (const auto& text : forms) {
            std::int32_t value = n ^ 1;
            ASSERT_TRUE(ParseInteger(text, value)) << text;
            ASSERT_EQ(value, n) << text;
            // The digits must run to the end of the text.
            ASSERT_FALSE(ParseInteger(text + L" ", value)) << text;
            ASSERT_FALSE(ParseInteger(text + L"g", value)) << text;
        }
    }
}

TEST(Randomized, ParseIntegerOfAnyText) {
    std::mt19937 random(4711);
    for (int round = 0; round < Rounds * 4; ++round) {
        const std::wstring text = RandomText(random, 14);
        std::int32_t value = 0;
        if (!ParseInteger(text, value))
            continue;
        // Only blanks, a sign, a base prefix and digits make up integer text.
        ASSERT_EQ(text.find_first_not_of(L" +-$xX0123456789abcdefABCDEF"), std::wstring::npos)
            << text;
        ASSERT_NE(text.back(), L' ') << text;
    }
}

TEST(Randomized, DirectoryAndFileNameMakeThePath) {
    std::mt19937 random(1);
    for (int round = 0; round < Rounds; ++round) {
        const std::wstring path = RandomText(random, 30);
        const std::wstring directory = DirectoryOf(path);
        const std::wstring name = FileNameOf(path);
        ASSERT_EQ(directory + name, path) << path;
        ASSERT_EQ(name.find_first_of(L"\\:"), std::wstring::npos) << path;
        ASSERT_TRUE(directory.empty() || directory.back() == L'\\' || directory.back() == L':')
            << path;
    }
}

TEST(Randomized, FindFromFindsTheFirstOccurrenceFromTheStart) {
    std::mt19937 random(2);
    std::uniform_int_distribution<int> start(0, 40);
    std::uniform_int_distribution<unsigned> anyStart(0, 65535);
    const std::wstring small = L"ab ";
    std::uniform_int_distribution<size_t> pick(0, small.size() - 1);
    for (int round = 0; round < Rounds * 2; ++round) {
        // A small alphabet makes partial matches frequent.
        std::wstring text(round % 40, L' '), part(round % 5, L' ');
        for (auto& c : text)
            c = small[pick(random)];
        for (auto& c : part)
            c = small[pick(random)];
        const std::uint16_t from =
            static_cast<std::uint16_t>(round % 10 == 0 ? anyStart(random) : start(random));
        const size_t found = text.find(part, from == 0 ? 0 : from - 1);
        const int expected = part.empty() || found == std::wstring::npos ? 0 : int(found) + 1;
        ASSERT_EQ(FindFrom(part, text, from), expected)
            << part << L" in " << text << L" from " << from;
    }
    for (int round = 0; round < Rounds; ++round)
        FindFrom(RandomText(random, 4), RandomText(random, 50), anyStart(random));
}

TEST(Randomized, TrimCharsRemovesOnlyTheEnds) {
    std::mt19937 random(3);
    for (int round = 0; round < Rounds * 2; ++round) {
        const std::wstring text = RandomText(random, 20);
        const std::wstring set = RandomText(random, 3);
        const std::wstring trimmed = TrimChars(text, set);
        if (set.empty()) {
            ASSERT_EQ(trimmed, text);
            continue;
        }
        const size_t first = text.find_first_not_of(set);
        const std::wstring expected =
            first == std::wstring::npos
                ? std::wstring()
                : text.substr(first, text.find_last_not_of(set) - first + 1);
        ASSERT_EQ(trimmed, expected) << L"[" << text << L"] without [" << set << L"]";
    }
}

TEST(Randomized, CommandTokensOfAnyLineHaveNoQuotes) {
    std::mt19937 random(4);
    std::uniform_int_distribution<int> index(-2, 8);
    for (int round = 0; round < Rounds; ++round) {
        const std::wstring line = RandomText(random, 40);
        for (int i = index(random), n = 0; n < 4; ++n, ++i)
            ASSERT_EQ(CommandToken(line, i).find(L'"'), std::wstring::npos) << line;
    }
}

TEST(Randomized, CommandTokensComeBackFromTheLineTheyMake) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> count(1, 6), pieces(1, 3), gap(1, 4), coin(0, 3);
    const std::wstring plain = L"ab:\\.-\t\u00E9x";
    std::uniform_int_distribution<size_t> pick(0, plain.size() - 1);
    for (int round = 0; round < Rounds; ++round) {
        // Tokens made of plain pieces and quoted pieces (which may hold blanks), joined by runs
        // of blanks.
        std::vector<std::wstring> tokens(count(random));
        std::wstring line;
        for (size_t t = 0; t < tokens.size(); ++t) {
            if (t > 0)
                line += std::wstring(gap(random), L' ');
            for (int p = pieces(random); p > 0; --p) {
                const bool quoted = coin(random) == 0;
                std::wstring piece(1 + coin(random), L' ');
                for (auto& c : piece)
                    c = quoted && coin(random) == 0 ? L' ' : plain[pick(random)];
                tokens[t] += piece;
                line += quoted ? L"\"" + piece + L"\"" : piece;
            }
        }
        if (coin(random) == 0)
            line += std::wstring(gap(random), L' ');
        for (size_t t = 0; t < tokens.size(); ++t)
            ASSERT_EQ(CommandToken(line, static_cast<int>(t)), tokens[t]) << line << L" #" << t;
        ASSERT_EQ(CommandToken(line, static_cast<int>(tokens.size())), L"") << line;
        ASSERT_EQ(CommandToken(line, -1), L"") << line;
        ASSERT_EQ(CommandToken(L" " + line, 0), L"") << line;
        ASSERT_EQ(CommandToken(L" " + line, 1), tokens[0]) << line;
    }
}
