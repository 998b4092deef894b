#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A small reader of Rich Text Format: groups, control words and symbols, \'hh and \u escapes, paragraphs and
// line breaks, bold, italic, underline, font sizes, alignment, the font and colour tables. Destinations it
// does not show (style sheets, document info, pictures, \* destinations, ...) are skipped. Any bytes give a
// document; nothing is ever refused.
namespace rtf {

// A colour table entry; the automatic colour (the text's default) has automatic set.
struct Color
{
    int red = 0;
    int green = 0;
    int blue = 0;
    bool automatic = true;
};

struct Run
{
    QString text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24; // \fs: font size in half points
    int font = -1;       // index into Document::fonts, -1 for the default
    int color = 0;       // index into Document::colors, 0 for the default (auto) colour
};

struct Paragraph
{
    enum Alignment
    {
        Left,
        Center,
        Right,
        Justify
    };
    Alignment alignment = Left;
    int leftIndentTwips = 0;
    QList<Run> runs;
};

struct Document
{
    QList<Paragraph> paragraphs;
    QStringList fonts;   // by font number (\fN), empty where a number is unused
    QList<Color> colors; // colors[0] is usually the automatic colour
    bool isRtf = false;  // the text started with "{\rtf"

    QString plainText() const; // paragraphs joined by "\n"
};

Document parse(const QByteArray &bytes);

} // namespace rtf
