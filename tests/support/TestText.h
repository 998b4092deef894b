#pragma once

#include <QString>

namespace testText {

// Test literals are plain ASCII (or Latin-1) text.
inline QString s(const char *text)
{
    return QString::fromLatin1(text);
}

} // namespace testText
