#include "util/IntegerText.h"

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

bool ParseIntegerText(const wchar_t* text, std::size_t length, std::int32_t& value) {
    std::size_t i = 0;
    if (length == 0)
        return false;
    // Only ASCII takes part: a fullwidth digit or a no-break space is no digit or blank here.
    for (std::size_t k = 0; k < length; ++k)
        if (text[k] > 0x7F)
            return false;
    while (i < length && text[i] == L' ')
        ++i;
    bool negative = false;
    if (i < length && (text[i] == L'-' || text[i] == L'+'))
        negative = text[i++] == L'-';
    bool hex = false;
    if (i < length && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
        hex = true;
        i += 1;
    } else if (i + 1 < length && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        hex = true;
        i += 2;
    }
    if (i == length)
        return false;
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    for (; i < length; ++i) {
        const int digit = hex ? HexDigitValue(text[i])
                              : (text[i] >= L'0' && text[i] <= L'9' ? text[i] - L'0' : -1);
        if (digit < 0)
            return false;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<unsigned>(digit);
        if (magnitude > limit)
            return false;
    }
    std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    value = static_cast<std::int32_t>(bits);
    return true;
}
