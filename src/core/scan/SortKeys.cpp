#include "core/scan/SortKeys.h"

#include <charconv>
#include <cmath>

namespace scan {

QString InvertDigits(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c >= u'0' && c <= u'9')
            c = QChar(u'9' - (c.unicode() - u'0'));
        else if (c == u'-')
            c = u' ';
    }
    return out;
}

bool cellNumber(const QString &text, double *number)
{
    // The plain form of the number (sign, digits, point, exponent; commas dropped) in a small buffer of its
    // own: cells are short, and a sort reads every cell of a column.
    const QChar *c = text.constData();
    qsizetype n = text.size();
    while (n > 0 && c[n - 1].isSpace())
        --n;
    qsizetype i = 0;
    while (i < n && c[i].isSpace())
        ++i;
    char buffer[96];
    int length = 0;
    auto put = [&](char ch) {
        if (length >= int(sizeof(buffer)) - 1)
            return false;
        buffer[length++] = ch;
        return true;
    };
    if (i < n && (c[i] == u'+' || c[i] == u'-') && !put(char(c[i++].unicode())))
        return false;
    bool digits = false;
    while (i < n && (c[i].isDigit() || (c[i] == u',' && digits))) {
        if (c[i] != u',') {
            if (c[i] < u'0' || c[i] > u'9')
                return false; // a digit of another script: no number of an English locale
            if (!put(char(c[i].unicode())))
                return false;
            digits = true;
        }
        ++i;
    }
    if (i < n && c[i] == u'.') {
        if (!put('.'))
            return false;
        ++i;
        while (i < n && c[i] >= u'0' && c[i] <= u'9') {
            if (!put(char(c[i++].unicode())))
                return false;
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (i < n && (c[i] == u'e' || c[i] == u'E')) {
        if (!put('e'))
            return false;
        ++i;
        if (i < n && (c[i] == u'+' || c[i] == u'-') && !put(char(c[i++].unicode())))
            return false;
        bool exponent = false;
        while (i < n && c[i] >= u'0' && c[i] <= u'9') {
            if (!put(char(c[i++].unicode())))
                return false;
            exponent = true;
        }
        if (!exponent)
            return false;
    }
    if (i != n)
        return false;
    buffer[length] = 0;
    const char *begin = buffer[0] == '+' ? buffer + 1 : buffer;
    double value = 0;
    const auto [end, error] = std::from_chars(begin, buffer + length, value);
    if (error != std::errc() || end != buffer + length || !std::isfinite(value))
        return false;
    if (number)
        *number = value;
    return true;
}

QString numericKey(const QString &text)
{
    double x = 0;
    if (!cellNumber(text, &x))
        return QString();
    auto pattern = [](double magnitude) {
        QString key = QString::number(magnitude, 'f', 10);
        const qsizetype point = key.indexOf(u'.');
        if (point < 20)
            key.prepend(QString(20 - point, u'0'));
        return key;
    };
    if (x < 0)
        return u'&' + InvertDigits(pattern(-x));
    return pattern(x == 0 ? 0.0 : x); // no "-0"
}

} // namespace scan
