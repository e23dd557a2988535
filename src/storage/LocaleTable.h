#pragma once

#include <cstdint>
#include <span>

// One Windows locale of the compiled-in catalogue (generated from
// data/locales.txt). Texts are UTF-8; the records ascend by identifier.
struct TLocaleRecord {
    std::uint16_t Id;
    bool Enumerated;  // listed among the supported locales
    int AnsiCodePage; // 0 when the locale has none (Unicode-only)
    const char* Name; // "de-DE"
    const char* EnglishLanguage;
    const char* EnglishCountry;
    const char* DisplayName; // the localized name of an English system
    const char* NativeLanguage;
    const char* Abbreviation; // "DEU"
    const char* Iso639;
    const char* Iso3166;
    const char* FixedEnglishName; // empty when the name is made from the language name
};

std::span<const TLocaleRecord> LocaleTable();
