// Integers as decimal text, both ways. Template expansion and the numeric exports read and
// write integers by these two rules only, so that a counter, a field width and a host's
// typed-in number always agree.
#ifndef ZV_TEXT_DECIMAL_H
#define ZV_TEXT_DECIMAL_H

#include <cstdint>
#include <string>
#include <string_view>

namespace zv::text {

// The leading integer of `text`: white space at the start (space, \t, \n, \v, \f, \r) is
// skipped, then an optional "+" or "-", then decimal digits up to the first other byte.
// Whatever follows is ignored; no digits gives 0. A value outside the 32-bit range
// saturates at INT32_MIN or INT32_MAX instead of wrapping, so an absurdly long number can
// never come out small.
int32_t LeadingInteger(std::string_view text);

// Base 10, a leading "-" for negative values, no "+", no leading zeros, zero as "0".
std::string DecimalText(int32_t value);

} // namespace zv::text

#endif
