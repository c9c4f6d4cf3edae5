// Small numeric services shared by the value types: the range error, and the
// rounding every conversion uses.
//
// Round() rounds to the nearest integer with halves going to the even
// neighbour (42.5 -> 42, 43.5 -> 44, -2.5 -> -2); milliseconds, currency
// amounts and day numbers are rounded with it.
#pragma once

#include "platform/sysutils.h"

#include <cmath>
#include <cstdint>

// A value outside the range its target can hold (a day number beyond 32 bits,
// a negative time-out, an integer overflow in a conversion).
class ERangeError : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<ERangeError>(*this); }
};

// Nearest integer, halves to even. ERangeError for NaN, infinities and values
// beyond 64 bits.
int64_t Round(double value);

// Whole part towards zero and the remaining fraction (same sign as value).
inline double Trunc(double value) { return std::trunc(value); }
inline double Frac(double value) { return value - std::trunc(value); }

// The value as a signed 32-bit integer, ERangeError naming `what` otherwise.
int32_t CheckedInt32(int64_t value, const char* what);
