// The 250 countries the add-in knows, and the 32-bit key of a two-letter country code (its two UTF-16 code
// units read as one little-endian integer), which the settings store for watched countries.
#pragma once

#include <cstddef>

#include <windows.h>

struct CountryEntry {
    const WCHAR* code;
    const WCHAR* name;
};

constexpr size_t g_countryCount = 250;
extern const CountryEntry g_countryTable[g_countryCount];

int CountryKey(const WCHAR* code);
