// Breaks one long 8-bit line into lines of a given width at break characters, never inside
// quotes and never splitting a word or a two-byte character.
#pragma once

#include <windows.h>

#include <bitset>
#include <string>

using BreakCharSet = std::bitset<256>;

// Fills the process-wide lead-byte set from the lead-byte ranges of codePage (GetCPInfo).
// The program calls it once at start-up with the thread's ANSI code page.
void LoadLeadBytes(UINT codePage);

// The break characters that both callers use: the space and the full stop.
BreakCharSet SpaceAndFullStop();

// line wrapped at width columns, breakText inserted after each chosen break character.
std::string WrapLines(const std::string& line, const std::string& breakText,
                      const BreakCharSet& breakChars, int width);
