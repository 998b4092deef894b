#pragma once

#include <QString>

// Sort keys that make text order equal numeric order, for tables that hold numbers as text.
namespace scan {

// Every digit d becomes 9 - d and "-" becomes a blank; other characters stay. The length never changes.
QString InvertDigits(const QString &text);

// The number a cell text stands for, read as an English-locale number: optional sign, digits with commas as
// thousands separators, optional decimals and exponent, blanks around it. False for anything else, empty
// text included.
bool cellNumber(const QString &text, double *number);

// The numeric key of a cell: twenty integer digits (more when needed) and ten decimals, "&" + the inverted
// digits of the magnitude for negative numbers, the empty string for text that is not a number. Compared as
// plain character codes, keys order as their numbers, with non-numbers first.
QString numericKey(const QString &text);

} // namespace scan
