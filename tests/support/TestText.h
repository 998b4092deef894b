#pragma once

#include <QString>

namespace testText {

// Test literals are plain ASCII (or Latin-1) text.
inline QString s(const char *text)
{
    return QString::fromLatin1(text);
}

// A menu entry's text as shown: without its mnemonic mark ("E&xit" is "Exit", "&&" is "&").
inline QString shown(const QString &text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size())
            ++i;
        plain += text.at(i);
    }
    return plain;
}

} // namespace testText
