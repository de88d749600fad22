// Line wrapping of error messages and binding values.
#include "util/WrapLines.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

const std::string Break = "\n    ";

std::string Wrap(const std::string& line, int width) {
    return WrapLines(line, Break, SpaceAndFullStop(), width);
}

// The thread's ANSI code page: what the lead-byte set holds when no test changed it.
UINT ThreadAnsiCodePage() {
    UINT codePage = 0;
    GetLocaleInfoW(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(wchar_t));
    return codePage;
}

// Fills the lead-byte set from a double-byte code page for one test and restores it afterwards.
struct DoubleByteCodePage : ::testing::Test {
    void SetUp() override {
        CPINFO info{};
        ASSERT_TRUE(GetCPInfo(932, &info)) << "code page 932 is not installed";
        ASSERT_EQ(info.MaxCharSize, 2u);
        LoadLeadBytes(932);
    }
    void TearDown() override { LoadLeadBytes(ThreadAnsiCodePage()); }
};

struct WrapCase {
    int Width;
    std::string Line;
    std::string Expected;
};

} // namespace

TEST(WrapLines, ExamplesAndEdgeCases) {
    const std::string ninety = std::string(85, 'a') + " bcde";
    const std::string ninetyOne = std::string(85, 'a') + " bcdef";
    ASSERT_EQ(ninety.size(), 90u);
    ASSERT_EQ(ninetyOne.size(), 91u);
    const std::vector<WrapCase> cases = {
        // The worked examples.
        {20, "The quick brown fox jumps over the lazy dog",
         "The quick brown fox \n    jumps over the lazy \n    dog"},
        {20, "Cannot load hook library C:\\Program Files\\KYE\\ErgoMedia\\kbhook.dll.",
         "Cannot load hook \n    library C:\\Program \n    Files\\KYE\\ErgoMedia\\kbhook.\n    "
         "dll."},
        {20, "open \"C:\\Program Files\\Tool\\tool.exe\" now please",
         "open \n    \"C:\\Program Files\\Tool\\tool.exe\" \n    now please"},
        {20, "Bob's files are in D:\\Data now and more text here",
         "Bob's files are in D:\\Data now and more text here"},
        {10, "one  two three four five six", "one  two \n    three \n    four five \n    six"},
        {10, "abcdefghijklmnopqrstuvwxyz end", "abcdefghijklmnopqrstuvwxyz \n    end"},
        {5, "aaa b  ", "aaa b  "},
        {5, "  leading spaces here", "  \n    leading \n    spaces \n    here"},
        {1, "x. y", "x.\n     y"},
        // Exactly the width stays; one more breaks at the last space within the width.
        {90, ninety, ninety},
        {90, ninetyOne, std::string(85, 'a') + " \n    bcdef"},
        // Two spaces at the break: the second begins the next line.
        {5, "aaaa  bbbb", "aaaa \n     bbbb"},
        // A full stop inside a word is a break point.
        {9, "version 1.2.3 of x", "version \n    1.2.3 of \n    x"},
        // A quoted section stays whole, however long; matched apostrophes protect as well.
        {5, "say \"a b c d e f g h\" ok", "say \n    \"a b c d e f g h\" \n    ok"},
        {10, "module 'Keyloft.exe' is here", "module \n    'Keyloft.exe' \n    is here"},
        // A quote of the other kind inside an open quote is an ordinary character.
        {5, "a \"b's c\" d", "a \n    \"b's c\" \n    d"},
        // Only break characters behind the decided break: nothing inserted.
        {3, "aaa .. ", "aaa .. "},
        // Carriage-return and line-feed pairs count among what may follow without a break.
        {3, "aaa \r\n", "aaa \r\n"},
        // The first character of a line is no usable break.
        {3, " abcdef", " abcdef"},
        // Nothing to wrap.
        {10, "", ""},
        {10, "short", "short"},
        {0, "a b", "a \n    b"},
        {-5, "a b c", "a \n    b \n    c"},
        // A break text that the line holds already ends a line there; the count starts again
        // and no second break text goes in behind it.
        {10, "abc\n    defgh ijklm nop", "abc\n    defgh \n    ijklm nop"},
        {5, "aaaaa \n    bb", "aaaaa \n    bb"},
        // A line feed alone is an ordinary character.
        {4, "ab\ncd ef", "ab\ncd \n    ef"},
    };
    for (const WrapCase& c : cases)
        EXPECT_EQ(Wrap(c.Line, c.Width), c.Expected) << "width " << c.Width << ": " << c.Line;
}

TEST(WrapLines, KeyReportValueBreaksAfterSecondQuotedPath) {
    const std::string value =
        "\"C:\\Program Files\\Media Player\\player.exe\" /play "
        "\"D:\\Music\\Playlists\\Evening.m3u\" /shuffle /volume=40 /minimized";
    ASSERT_EQ(value.size(), 112u);
    EXPECT_EQ(Wrap(value, 90),
              "\"C:\\Program Files\\Media Player\\player.exe\" /play "
              "\"D:\\Music\\Playlists\\Evening.m3u\" \n    /shuffle /volume=40 /minimized");
}

TEST(WrapLines, OtherBreakTextAndCharacters) {
    BreakCharSet commas;
    commas.set(',');
    EXPECT_EQ(WrapLines("one,two,three four", "|", commas, 6), "one,|two,|three four");
    EXPECT_EQ(WrapLines("aa bb cc", "<br>", SpaceAndFullStop(), 3), "aa <br>bb <br>cc");
}

TEST_F(DoubleByteCodePage, TwoByteCharacterCountsTwoColumnsAndStaysWhole) {
    const std::string a = "\x82\xA0"; // HIRAGANA LETTER A
    // The pair fills columns 4 and 5 of width 4: the break decided behind it finds nothing
    // left, so none goes in (decided after its first byte, the break would split it).
    EXPECT_EQ(Wrap("ab " + a, 4), "ab " + a);
    // Eight characters but twelve columns: too long for width 10.
    EXPECT_EQ(Wrap("ab " + a + a + a + " " + a, 10), "ab " + a + a + a + " \n    " + a);
    EXPECT_EQ(Wrap("ab " + a + a + a + a + " x", 9), "ab \n    " + a + a + a + a + " \n    x");
    // A trail byte that equals a break character is no break: 0x955C is one character.
    const std::string table = "\x95\x5C";
    BreakCharSet withBackslash = SpaceAndFullStop();
    withBackslash.set('\\');
    EXPECT_EQ(WrapLines("x" + table + table + table + "y\\z", Break, withBackslash, 3),
              "x" + table + table + table + "y\\\n    z");
    // A trail byte that equals a quote character opens no quote.
    const std::string quoteTrail = "\x81\x22";
    EXPECT_EQ(Wrap("a" + quoteTrail + " bb cc", 4), "a" + quoteTrail + " \n    bb \n    cc");
    // A lead byte at the very end of the line has no partner to read.
    EXPECT_EQ(Wrap("abc d\x82", 4), "abc \n    d\x82");
}

namespace {

std::vector<std::string> SplitAtBreaks(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (;;) {
        const size_t at = text.find(Break, from);
        if (at == std::string::npos) {
            lines.push_back(text.substr(from));
            return lines;
        }
        lines.push_back(text.substr(from, at - from));
        from = at + Break.size();
    }
}

std::string WithoutBreaks(const std::string& text) {
    std::string result;
    for (const std::string& line : SplitAtBreaks(text))
        result += line;
    return result;
}

bool IsBreakChar(char c) {
    return c == ' ' || c == '.';
}

bool IsLead(unsigned char c, bool doubleByte) {
    return doubleByte && c >= 0x81 && c <= 0x9F; // the part of 932's lead bytes the test uses
}

// Checks one output line of a line without line feeds against the promise on its length: at
// most width bytes, unless it has no usable break character (outside quotes, after its first
// character) among its first width bytes; the last line may also run on when a quote stays
// open or nothing but break characters follows the column at which the break was decided.
void CheckLineLength(const std::string& line, int width, bool last, bool doubleByte,
                     const std::string& input) {
    if (static_cast<int>(line.size()) <= width)
        return;
    char quote = 0;
    bool usableBreak = false;
    size_t decided = std::string::npos; // end of the character at which a break is decided
    for (size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (IsLead(c, doubleByte)) {
            ++i;
        } else {
            if (c == '"' || c == '\'') {
                if (quote == 0)
                    quote = static_cast<char>(c);
                else if (quote == static_cast<char>(c))
                    quote = 0;
            }
            if (quote == 0 && IsBreakChar(static_cast<char>(c)) && i >= 1 &&
                static_cast<int>(i) < width)
                usableBreak = true;
        }
        if (quote == 0 && decided == std::string::npos && static_cast<int>(i + 1) >= width)
            decided = i + 1;
    }
    if (!usableBreak)
        return;
    ASSERT_TRUE(last) << "long inner line \"" << line << "\" of \"" << input << "\" width "
                      << width;
    if (decided == std::string::npos)
        return; // a quote stays open to the end
    for (size_t i = decided; i < line.size(); ++i) {
        ASSERT_TRUE(IsBreakChar(line[i]))
            << "long last line \"" << line << "\" of \"" << input << "\" width " << width;
    }
}

void CheckRandomLines(std::mt19937& random, bool doubleByte, int count) {
    const std::string alphabet = doubleByte ? "ab c.\"'xy  .\x82\x95" : "ab c.\"'xy  .\xE9\r";
    std::uniform_int_distribution<int> length(0, 60);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    std::uniform_int_distribution<int> widthOf(-1, 25);
    for (int n = 0; n < count; ++n) {
        std::string line;
        const int size = length(random);
        for (int i = 0; i < size; ++i) {
            const char c = alphabet[pick(random)];
            line += c;
            if (IsLead(static_cast<unsigned char>(c), doubleByte))
                line += i % 2 ? '\xA0' : '\x5C';
        }
        const int width = widthOf(random);
        const std::string output = Wrap(line, width);

        ASSERT_EQ(WithoutBreaks(output), line) << "width " << width;
        if (static_cast<int>(line.size()) <= width) {
            ASSERT_EQ(output, line);
        }
        const std::vector<std::string> lines = SplitAtBreaks(output);
        for (size_t k = 0; k < lines.size(); ++k) {
            const bool last = k + 1 == lines.size();
            if (!last) {
                // Broken only right after a break character, never inside a two-byte one.
                ASSERT_FALSE(lines[k].empty());
                ASSERT_TRUE(IsBreakChar(lines[k].back())) << line << " width " << width;
            }
            CheckLineLength(lines[k], width, last, doubleByte, line);
        }
    }
}

} // namespace

TEST(WrapLines, RandomLinesKeepEverythingAndStayWithinWidth) {
    std::mt19937 random(20150123);
    CheckRandomLines(random, false, 5000);
}

TEST_F(DoubleByteCodePage, RandomLinesKeepEverythingAndStayWithinWidth) {
    std::mt19937 random(932);
    CheckRandomLines(random, true, 5000);
}

TEST(WrapLines, RandomLinesWithLineBreaksNeverFail) {
    const std::string alphabet = "ab .\"'\n\r    \n";
    std::mt19937 random(1465);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    std::uniform_int_distribution<int> length(0, 50);
    for (int n = 0; n < 3000; ++n) {
        std::string line;
        const int size = length(random);
        for (int i = 0; i < size; ++i)
            line += alphabet[pick(random)];
        const int width = n % 12;
        const std::string output = Wrap(line, width);
        // Only whole break texts are ever added.
        ASSERT_EQ(WithoutBreaks(output), WithoutBreaks(line)) << "width " << width;
    }
}
