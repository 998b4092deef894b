#pragma once

#include <optional>
#include <string>
#include <string_view>

// Numbers as Java prints them (Float.toString, Double.toString): the shortest digits that read back as the
// same value, plain from 10^-3 up to 10^7 ("8621008.0", "0.012750407517909759"), computerized scientific
// notation otherwise ("2.4993276E7", "4.481314067744052E-9"), always a digit after the point.
namespace webgraph {

std::string javaFloat(float value);
std::string javaDouble(double value);

// True when text is how Java prints value (without making a string).
bool isJavaText(std::string_view text, float value);
bool isJavaText(std::string_view text, double value);

// The value of such a text; none for text that is no finite number in that form.
std::optional<float> parseJavaFloat(std::string_view text);
std::optional<double> parseJavaDouble(std::string_view text);

} // namespace webgraph
