// Numbers read from and written to text as a host's dialogs type them: unsigned decimals
// with at most two places, plain integers, and the power-of-two test for sizes.
#ifndef ZV_TEXT_NUMERIC_TEXT_H
#define ZV_TEXT_NUMERIC_TEXT_H

#include "zvdll/string.h"

#include <cstdint>

namespace zv::text {

// Keeps the digits and the first dot of `text`, drops everything else, and cuts to two
// decimal places. integerOnly == 1 (exactly) also drops the dot and the decimals.
CString CleanDecimalText(const CString& text, int32_t integerOnly);

// The leading integer before the first dot plus the first two bytes after it read as
// hundredths (two digits) or tenths (anything else). The fraction is always added, so a
// negative integer part moves towards zero: "-3.5" reads as -2.5.
double ReadTwoPlaceDecimal(const CString& text);

int32_t ReadInteger(const CString& text);
CString WriteInteger(int32_t value);

// True for 2, 4, 8 … (one bit set, at least 2); false for 1, 0 and every negative value.
bool IsPowerOfTwoFromTwo(int32_t value);

} // namespace zv::text

#endif
