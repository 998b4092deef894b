#include "core/net/URLEncode.h"

#include <array>
#include <utility>

namespace xurlEncode {

QString URLEncode(const QString &text)
{
    static constexpr std::array<std::pair<char16_t, const char *>, 23> Table{{
        {u' ', "%20"}, {u'<', "%3C"},  {u'>', "%3E"}, {u'#', "%23"},  {u'{', "%7B"},  {u'}', "%7D"},
        {u'|', "%7C"}, {u'\\', "%5C"}, {u'^', "%5E"}, {u'~', "%7E"},  {u'[', "%5B"},  {u']', "%5D"},
        {u'`', "%60"}, {u';', "%3B"},  {u'/', "%2F"}, {u'?', "%3F"},  {u':', "%3A"},  {u'@', "%40"},
        {u'=', "%3D"}, {u'&', "%26"},  {u'$', "%24"}, {u'\n', "%0A"}, {u'\r', "%0D"},
    }};
    QString out = text;
    out.replace(u'%', QStringLiteral("%25"));
    for (const auto &[c, code] : Table)
        out.replace(QChar(c), QString::fromLatin1(code));
    return out;
}

} // namespace xurlEncode
