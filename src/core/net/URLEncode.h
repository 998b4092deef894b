#pragma once

#include <QString>

namespace xurlEncode {

// Percent-encodes a target URL for a browser query: "%" first, then blank < > # { } | \ ^ ~ [ ] ` ; / ? : @
// = & $ LF CR. Every other character stays as it is.
QString URLEncode(const QString &text);

} // namespace xurlEncode
