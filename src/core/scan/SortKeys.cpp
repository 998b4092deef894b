#include "core/scan/SortKeys.h"

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
    const QString t = text.trimmed();
    qsizetype i = 0;
    const qsizetype n = t.size();
    QString plain;
    if (i < n && (t.at(i) == u'+' || t.at(i) == u'-'))
        plain += t.at(i++);
    bool digits = false;
    while (i < n && (t.at(i).isDigit() || (t.at(i) == u',' && digits))) {
        if (t.at(i) != u',') {
            plain += t.at(i);
            digits = true;
        }
        ++i;
    }
    if (i < n && t.at(i) == u'.') {
        plain += t.at(i++);
        while (i < n && t.at(i).isDigit()) {
            plain += t.at(i++);
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (i < n && (t.at(i) == u'e' || t.at(i) == u'E')) {
        plain += t.at(i++);
        if (i < n && (t.at(i) == u'+' || t.at(i) == u'-'))
            plain += t.at(i++);
        bool exponent = false;
        while (i < n && t.at(i).isDigit()) {
            plain += t.at(i++);
            exponent = true;
        }
        if (!exponent)
            return false;
    }
    if (i != n)
        return false;
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
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
