#include "util/WrapLines.h"

namespace {

// Bytes that begin a two-byte character in the code page loaded by LoadLeadBytes. Written once
// at start-up, read by every wrap afterwards.
BreakCharSet LeadBytes;

bool IsQuote(unsigned char c) {
    return c == '"' || c == '\'';
}

bool StartsAt(const std::string& line, size_t index, const std::string& part) {
    return !part.empty() && line.compare(index, part.size(), part) == 0;
}

} // namespace

void LoadLeadBytes(UINT codePage) {
    LeadBytes.reset();
    CPINFO info{};
    if (!GetCPInfo(codePage, &info))
        return;
    // The ranges come as pairs of bytes, ended by a pair of zeros.
    for (int i = 0; i + 1 < MAX_LEADBYTES; i += 2) {
        const unsigned first = info.LeadByte[i];
        const unsigned last = info.LeadByte[i + 1];
        if (first == 0 && last == 0)
            break;
        for (unsigned b = first; b <= last && b < 256; ++b)
            LeadBytes.set(b);
    }
}

BreakCharSet SpaceAndFullStop() {
    BreakCharSet set;
    set.set(' ');
    set.set('.');
    return set;
}

// Indices are 0-based here; `mark` holds the break position plus one, so 0 means none, and a
// mark of `start + 1` or less (a break at the line's first character) is no usable break either.
std::string WrapLines(const std::string& line, const std::string& breakText,
                      const BreakCharSet& breakChars, int width) {
    const size_t length = line.size();
    std::string result;
    result.reserve(length + length / 8 + 16);

    size_t pos = 0;    // next byte to scan
    long long col = 1; // column of that byte in the current output line
    size_t start = 0;  // first byte of the current output line
    size_t mark = 0;   // one past the last usable break character, 0 for none
    unsigned char quote = 0;

    while (pos < length) {
        const unsigned char ch = static_cast<unsigned char>(line[pos]);
        bool quoteChar = false;
        if (LeadBytes.test(ch)) {
            // A two-byte character: two columns, never a quote or a break, never split.
            pos += 2;
            col += 2;
        } else {
            // A break text that the line already holds ends the output line as it stands.
            if (quote == 0 && StartsAt(line, pos, breakText)) {
                pos += breakText.size();
                result.append(line, start, pos - start);
                start = pos;
                mark = pos;
                col = 1;
                continue;
            }
            quoteChar = IsQuote(ch);
            if (quoteChar) {
                if (quote == 0)
                    quote = ch;
                else if (quote == ch)
                    quote = 0;
            }
            if (quote == 0 && breakChars.test(ch))
                mark = pos + 1;
            ++pos;
            ++col;
        }
        if (quote != 0)
            continue;
        if (col > width && mark > start + 1) {
            col = 1;
            result.append(line, start, mark - start);
            size_t rest = pos;
            if (!quoteChar) {
                while (rest < length) {
                    const unsigned char c = static_cast<unsigned char>(line[rest]);
                    if (breakChars.test(c))
                        ++rest;
                    else if (c == '\r' && rest + 1 < length && line[rest + 1] == '\n')
                        rest += 2;
                    else
                        break;
                }
            }
            // Behind the break text that the line holds already, no second one goes in.
            if (rest < length && !StartsAt(line, rest, breakText))
                result += breakText;
            start = mark;
            pos = start;
        }
    }
    if (start < length)
        result.append(line, start, length - start);
    return result;
}
