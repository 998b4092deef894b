#include "core/engines/Variables.h"

#include "core/engines/Placeholders.h"

#include <QUrl>

namespace engines {

namespace {

const QLatin1String Opening("${env:");

bool hasControlCharacter(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f)
            return true;
    }
    return false;
}

// The next "${env:NAME}" of text at or after from: where it starts and ends (at its "}"), and the name.
bool nextVariable(const QString &text, qsizetype from, qsizetype *start, qsizetype *end, QString *name)
{
    *start = text.indexOf(Opening, from);
    if (*start < 0)
        return false;
    *end = text.indexOf(u'}', *start);
    if (*end < 0)
        return false;
    *name = text.mid(*start + Opening.size(), *end - *start - Opening.size());
    return true;
}

} // namespace

bool mayReadVariable(const QString &name)
{
    return name.startsWith(QLatin1String("VANTORY_")) && name.size() > 8;
}

QString refusedVariable(const QString &text)
{
    qsizetype start = 0, end = -1;
    QString name;
    while (nextVariable(text, end + 1, &start, &end, &name)) {
        if (!mayReadVariable(name))
            return name;
    }
    return QString();
}

Substitution substituteVariables(const QString &text, Placement placement)
{
    Substitution s;
    s.text = text;
    qsizetype at = 0, end = 0;
    QString name;
    while (nextVariable(s.text, at, &at, &end, &name)) {
        s.usesVariables = true;
        if (!mayReadVariable(name)) {
            s.problem =
                QStringLiteral("the environment variable %1 may not be read (only names beginning with "
                               "VANTORY_ are)")
                    .arg(name);
            return s;
        }
        const QByteArray content = qgetenv(name.toLocal8Bit().constData());
        if (content.isNull()) {
            s.problem =
                QStringLiteral("the environment variable %1 that its request needs is not set").arg(name);
            return s;
        }
        QString value = QString::fromUtf8(content);
        if (placement == Placement::Header && hasControlCharacter(value)) {
            // A line end in a header's value would add headers of its own.
            s.problem = QStringLiteral("the environment variable %1 holds a control character").arg(name);
            return s;
        }
        const QString raw = value;
        if (placement == Placement::Url)
            value = QString::fromLatin1(QUrl::toPercentEncoding(value));
        else if (placement == Placement::Json)
            value = jsonEscaped(value);
        s.text.replace(at, end - at + 1, value);
        // Masked as placed and as read (an address may be shown decoded).
        for (const QString &form : {value, raw}) {
            if (!form.isEmpty() && !s.values.contains(form)) {
                s.values.append(form);
                s.names.append(name);
            }
        }
        at += value.size();
    }
    return s;
}

QString maskVariables(QString text, const Substitution &substitution)
{
    for (qsizetype i = 0; i < substitution.values.size(); ++i)
        text.replace(substitution.values.at(i), Opening + substitution.names.at(i) + u'}');
    return text;
}

} // namespace engines
