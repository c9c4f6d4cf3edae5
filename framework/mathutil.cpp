// Rounding and range checks shared by the value types.
#include "framework/mathutil.h"


int64_t Round(double value) {
    // 2^63 is exactly representable; anything at or beyond it overflows.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || value >= limit || value < -limit) {
        throw ERangeError(QStringLiteral("Range check error: %1 cannot be rounded to a 64-bit integer").arg(value));
    }
    double whole = std::floor(value);
    double diff = value - whole;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (whole >= limit) throw ERangeError(QStringLiteral("Range check error: %1 cannot be rounded to a 64-bit integer").arg(value));
    return int64_t(whole);
}

int32_t CheckedInt32(int64_t value, const char* what) {
    if (value < INT32_MIN || value > INT32_MAX) {
        throw ERangeError(QStringLiteral("Range check error: %1 %2 does not fit in 32 bits")
                              .arg(QString::fromLatin1(what)).arg(value));
    }
    return int32_t(value);
}
