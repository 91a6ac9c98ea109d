#include "monitor/coverage/decimal_text.h"

#include <cmath>
#include <string>

std::string fixedDecimal(double value, int decimals) {
    if (decimals < 0) {
        decimals = 0;
    }
    if (decimals > 3) {
        decimals = 3;
    }
    long long scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    constexpr double kLimit = 1e12;
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    value = std::fmax(-kLimit, std::fmin(kLimit, value));
    const long long scaled = std::llround(value * static_cast<double>(scale));
    const bool negative = scaled < 0;
    const long long magnitude = negative ? -scaled : scaled;
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / scale);
    if (decimals > 0) {
        std::string fraction = std::to_string(magnitude % scale);
        fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
        text += '.' + fraction;
    }
    return text;
}
