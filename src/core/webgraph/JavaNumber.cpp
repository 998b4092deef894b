#include "core/webgraph/JavaNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace webgraph {

namespace {

// Shortest digits and decimal exponent of a value, as to_chars gives them, then Java's layout: plain from
// 10^-3 up to 10^7, computerized scientific notation otherwise, always a digit after the point.
template <typename T> std::string javaText(T value)
{
    if (value == 0)
        return std::signbit(value) ? "-0.0" : "0.0";
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
    std::string text(buffer, end);
    std::string sign;
    if (text.front() == '-') {
        sign = "-";
        text.erase(0, 1);
    }
    const std::size_t e = text.find('e');
    const int exponent = std::stoi(text.substr(e + 1));
    std::string digits = text.substr(0, e);
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    const T magnitude = std::abs(value);
    if (magnitude >= T(1e-3) && magnitude < T(1e7)) {
        std::string plain;
        if (exponent < 0) {
            plain = "0." + std::string(std::size_t(-exponent - 1), '0') + digits;
        } else {
            if (digits.size() < std::size_t(exponent) + 1)
                digits.append(std::size_t(exponent) + 1 - digits.size(), '0');
            plain =
                digits.substr(0, std::size_t(exponent) + 1) + "." + digits.substr(std::size_t(exponent) + 1);
            if (plain.back() == '.')
                plain += '0';
        }
        return sign + plain;
    }
    return sign + digits.substr(0, 1) + "." + (digits.size() > 1 ? digits.substr(1) : "0") + "E" +
           std::to_string(exponent);
}

template <typename T> std::optional<T> parseJava(std::string_view text)
{
    // Digits, a point with a digit on each side, then an exponent: the only shapes Java prints.
    const std::size_t point = text.find('.');
    if (text.empty() || point == std::string_view::npos || point == 0 || point + 1 >= text.size())
        return std::nullopt;
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::string javaFloat(float value)
{
    return javaText(value);
}

std::string javaDouble(double value)
{
    return javaText(value);
}

std::optional<float> parseJavaFloat(std::string_view text)
{
    return parseJava<float>(text);
}

std::optional<double> parseJavaDouble(std::string_view text)
{
    return parseJava<double>(text);
}

} // namespace webgraph
