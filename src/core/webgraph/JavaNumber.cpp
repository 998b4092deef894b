#include "core/webgraph/JavaNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace webgraph {

namespace {

// Shortest digits and decimal exponent of a value, as to_chars gives them, then Java's layout: plain from
// 10^-3 up to 10^7, computerized scientific notation otherwise, always a digit after the point. Written into
// out (48 bytes at least); the length.
template <typename T> std::size_t javaChars(T value, char *out)
{
    char *o = out;
    if (std::signbit(value))
        *o++ = '-';
    if (value == 0) {
        std::memcpy(o, "0.0", 3);
        return std::size_t(o + 3 - out);
    }
    char buffer[48];
    const char *const end =
        std::to_chars(buffer, buffer + sizeof buffer, std::abs(value), std::chars_format::scientific).ptr;
    char digits[32];
    int count = 0;
    const char *p = buffer;
    digits[count++] = *p++;
    if (*p == '.') {
        for (++p; *p != 'e'; ++p)
            digits[count++] = *p;
    }
    int exponent = 0;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
    const T magnitude = std::abs(value);
    if (magnitude >= T(1e-3) && magnitude < T(1e7)) {
        if (exponent < 0) {
            *o++ = '0';
            *o++ = '.';
            for (int i = 0; i < -exponent - 1; ++i)
                *o++ = '0';
            std::memcpy(o, digits, std::size_t(count));
            o += count;
        } else {
            for (int i = 0; i <= exponent; ++i)
                *o++ = i < count ? digits[i] : '0';
            *o++ = '.';
            if (count > exponent + 1) {
                std::memcpy(o, digits + exponent + 1, std::size_t(count - exponent - 1));
                o += count - exponent - 1;
            } else {
                *o++ = '0';
            }
        }
        return std::size_t(o - out);
    }
    *o++ = digits[0];
    *o++ = '.';
    if (count > 1) {
        std::memcpy(o, digits + 1, std::size_t(count - 1));
        o += count - 1;
    } else {
        *o++ = '0';
    }
    *o++ = 'E';
    o = std::to_chars(o, out + 48, exponent).ptr;
    return std::size_t(o - out);
}

template <typename T> std::string javaText(T value)
{
    char out[48];
    return std::string(out, javaChars(value, out));
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

bool isJavaText(std::string_view text, float value)
{
    char out[48];
    return text == std::string_view(out, javaChars(value, out));
}

bool isJavaText(std::string_view text, double value)
{
    char out[48];
    return text == std::string_view(out, javaChars(value, out));
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
