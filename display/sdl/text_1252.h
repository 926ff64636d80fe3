// text_1252.h - Windows-1252 text to UTF-8, for the backends that show UTF-8.
//
// The program's own strings are Windows-1252 bytes (the Windows build hands
// them to the ANSI calls as they are). windows1252ToUtf8 converts a
// NUL-terminated string into out (capacity outSize bytes, NUL included),
// taking the five bytes that code page leaves undefined as the C1 controls of
// the same number, as Windows' own conversion does. Returns false, with an
// empty string in out when outSize > 0, if the converted text does not fit.
// Portable: no platform header.
#pragma once

#include <cstddef>

bool windows1252ToUtf8(const char* text, char* out, size_t outSize);
