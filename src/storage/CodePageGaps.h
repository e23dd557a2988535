#pragma once

#include <cstdint>
#include <span>

// Where Windows converts a code page differently from ICU's windows-NNNN
// converter: the characters Windows writes by "best fit" (a close character,
// "ā" as "a" in 1252) or writes although ICU cannot, and the bytes Windows
// reads although ICU does not (the private-use characters of 932, 1253, 1255
// and 1257, for example). Generated from Windows' own tables into
// CodePageGaps.cpp (tools/codepages/).

// A character and the bytes Windows writes for it: one byte, or lead << 8 | trail.
struct TWideGap {
    char16_t Char;
    uint16_t Bytes;
};
// A byte, or lead << 8 | trail, and the character Windows reads.
struct TByteGap {
    uint16_t Bytes;
    char16_t Char;
};

struct TCodePageGaps {
    int CodePage;
    std::span<const TWideGap> Encode; // sorted by Char
    std::span<const TByteGap> Decode; // sorted by Bytes
    std::span<const uint8_t> Leads;   // ranges of lead bytes, first and last, of a double-byte code page
};

// The gaps of a code page of the catalogue; null for the others.
const TCodePageGaps* CodePageGaps(int CodePage);
