#pragma once

#include <QIcon>

// The three popularity icons of the results table (16 x 16): red (low), yellow (medium) and green (high)
// horizontal bars with rounded corners on a transparent ground. profile 1..3; any other gives a null icon.
namespace profileIcons {

QIcon icon(int profile);
// A grey bar: a row for which no engine answered with a count (its profile is not known).
QIcon unknownIcon();
// The small warning mark of a cell without a count.
QIcon warningIcon();

} // namespace profileIcons
