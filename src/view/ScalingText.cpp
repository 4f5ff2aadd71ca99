#include "view/ScalingText.h"

#include <cctype>
#include <charconv>

namespace hfp {

std::string FormatScalingText(double factor) {
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, factor, std::chars_format::fixed, 1);
    if (result.ec != std::errc()) return "0.0";
    return std::string(text, result.ptr);
}

bool ParseScalingText(const std::string& text, double* factor) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    if (p < end && *p == '+') ++p;
    double value = 0;
    auto result = std::from_chars(p, end, value);
    if (result.ec != std::errc()) return false;
    *factor = value;
    return true;
}

}  // namespace hfp
