// Numbers as the offline renderer's options and score files write them: plain decimal forms only.
#pragma once

#include <string_view>

namespace kornmill {

// An optional sign and decimal digits ("12", "-3", "+7"); nothing else (no
// blanks, no "0x10"). False when the text is not one or the value does not fit.
bool ParseWholeNumber(std::string_view text, long long& value);

// An optional sign, decimal digits with an optional fraction, and an optional
// decimal exponent ("2", "0.5", ".25", "1e3", "-1.5E-2"); no hexadecimal forms,
// "inf" or "nan". False when the text is not one or its value is not finite.
bool ParseDecimalNumber(std::string_view text, double& value);

}  // namespace kornmill
