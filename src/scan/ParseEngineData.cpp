#include "scan/ParseEngineData.h"

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

// A count longer than ten characters is still a count when it is a written number: digits grouped by the
// engine's thousands separators (commas; AllTheWeb also uses spaces), starting and ending with a digit, with
// at most ten digits ("123,456,789"). Leftovers of a page whose markers no longer match never look like that.
bool isSeparatedNumber(const QString &count, int engine)
{
    if (count.isEmpty() || !count.front().isDigit() || !count.back().isDigit())
        return false;
    int digits = 0;
    for (const QChar c : count) {
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if (c != u',' && !(engine == 6 && c == u' '))
            return false;
    }
    return digits <= MaxCountLength;
}

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

    if ((!count.isEmpty() && count.size() <= MaxCountLength) || isSeparatedNumber(count, intEngine)) {
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
