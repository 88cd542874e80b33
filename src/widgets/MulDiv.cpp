#include "widgets/MulDiv.h"

#include <cmath>
#include <cstdint>
#include <limits>

int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t divisor = c;
    // Round the magnitude, then give it the sign of the exact quotient.
    const bool negative = (product < 0) != (divisor < 0);
    const std::uint64_t p =
        product < 0 ? 0 - static_cast<std::uint64_t>(product) : static_cast<std::uint64_t>(product);
    const std::uint64_t d =
        divisor < 0 ? 0 - static_cast<std::uint64_t>(divisor) : static_cast<std::uint64_t>(divisor);
    const std::uint64_t magnitude = (p + d / 2) / d;
    const std::int64_t result =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min()) {
        return -1;
    }
    return static_cast<int>(result);
}

int RoundHalfEven(double x) {
    // std::nearbyint follows the current rounding mode, which is to-nearest-even by default;
    // do it by hand so that no caller's mode can change the result.
    const double floor = std::floor(x);
    const double diff = x - floor;
    double r = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0)) {
        r = floor + 1.0;
    }
    return static_cast<int>(r);
}
