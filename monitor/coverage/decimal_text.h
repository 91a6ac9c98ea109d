// Numbers with a fixed count of decimals, always with a '.' whatever locale the program set.
#pragma once

#include <string>

// value rounded to decimals (0..3) places: fixedDecimal(12.34, 1) == "12.3". Values that are not
// finite give "0" with the decimals; magnitudes are capped at 10^12.
std::string fixedDecimal(double value, int decimals);
