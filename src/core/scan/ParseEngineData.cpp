#include "core/scan/ParseEngineData.h"

#include <array>

namespace scan {

namespace {

struct Markers
{
    bool replaceQuotes; // every double quote of the page becomes a single quote before the search
    const char *countBefore;
    const char *countAfter;
    const char *checkBefore;
    const char *checkAfter;
    const char *zeroPhrase;
};

constexpr std::array<Markers, 6> EngineMarkers{{
    {false, "</b> of ", "</b> linking to ", "</b> - ", ".  <br><br>", "did not match any documents"},
    {false, "AltaVista found ", " results</A>", "<span class=m><span class=y>", ". ", "We found 0 results"},
    {true, "of about <strong>", "</strong>", "<big>", ":<ul><li>",
     "We didn't find any Web pages matching the following criteria"},
    {true, " of about ", ":</span>", "<div class='noResultsLine'>",
     " <span class=", "We found no matches for your search"},
    {true, " of about ", " containing ", "</td><td><span class='h1'>", " <span class='h1 blue'>",
     "Sorry, no results were found containing"},
    {true, "<span class='ofSoMany'>", "</span>", "<div class='noResults'>", ".</p>",
     "<p>No Web pagesfound that match your query"},
}};

constexpr qsizetype MaxCountLength = 10;

QString latin1(const char *text)
{
    return QString::fromLatin1(text);
}

} // namespace

bool isGroupedNumber(const QString &count, int engine)
{
    // Digits in groups of three after a first group of one to three, each group after one thousands
    // separator: a comma, or for AllTheWeb also a blank ("123,456,789", "1 234 567"); at most ten digits.
    const qsizetype n = count.size();
    qsizetype i = 0;
    int digits = 0;
    int group = 0;
    while (i < n && count.at(i) >= u'0' && count.at(i) <= u'9' && group < 4) {
        ++i;
        ++group;
    }
    if (group < 1 || group > 3)
        return false;
    digits += group;
    QChar first;
    while (i < n) {
        const QChar separator = count.at(i);
        if (separator != u',' && !(engine == 6 && separator == u' '))
            return false;
        // One kind of separator throughout: "1 300,612,300" is no written number.
        if (first.isNull())
            first = separator;
        else if (separator != first)
            return false;
        ++i;
        group = 0;
        while (i < n && count.at(i) >= u'0' && count.at(i) <= u'9' && group < 4) {
            ++i;
            ++group;
        }
        if (group != 3)
            return false;
        digits += 3;
    }
    return digits <= MaxCountLength;
}

namespace {
} // namespace

QString GetBetween(const QString &IStringStr, const QString &IBefore, const QString &IPast)
{
    QString s = IStringStr;
    if (!IBefore.isEmpty()) {
        const qsizetype index = s.indexOf(IBefore); // 0-based; the 1-based position is index + 1
        const qsizetype position = index < 0 ? 0 : index + 1;
        const qsizetype n = s.size() - position - IBefore.size() + 1;
        if (n >= 0)
            s = s.right(n);
    }
    // An empty IPast is found at the first character of a non-empty text.
    const qsizetype past = IPast.isEmpty() ? (s.isEmpty() ? -1 : 0) : s.indexOf(IPast);
    if (past >= 0)
        s.truncate(past);
    return s;
}

QString ParseEngineData(QString strData, int intEngine)
{
    if (intEngine < 1 || intEngine > int(EngineMarkers.size()))
        return QString();
    const Markers &m = EngineMarkers[std::size_t(intEngine - 1)];
    if (m.replaceQuotes)
        strData.replace(u'"', u'\'');

    QString check = GetBetween(strData, latin1(m.checkBefore), latin1(m.checkAfter));
    QString count = GetBetween(strData, latin1(m.countBefore), latin1(m.countAfter));
    if (intEngine == 1) {
        count.remove(QLatin1String("about <b>"));
        count.remove(QLatin1String("<b>"));
    } else if (intEngine == 6) {
        check.remove(u'\n');
    }

    // A count longer than ten characters is still a count when it is a written number; the limit is there to
    // reject leftovers of a page whose markers no longer match, and those never look like one.
    if ((!count.isEmpty() && count.size() <= MaxCountLength) || isGroupedNumber(count, intEngine)) {
        // AllTheWeb separates thousands with spaces ("1 234"): dropping them keeps the number's value.
        if (intEngine == 6)
            count.remove(u' ');
        return count;
    }
    if (check == latin1(m.zeroPhrase))
        return QStringLiteral("0");
    return QString();
}

} // namespace scan
