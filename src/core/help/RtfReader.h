#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A small reader of Rich Text Format: groups, control words and symbols, \'hh escapes decoded in the code
// page of their font's character set (else the document's \ansicpg), \u escapes, paragraphs and line breaks,
// bold, italic, underline, super- and subscript, hidden text, font sizes, alignment, the font and colour
// tables; table cells apart by a tab and rows as paragraphs; list numbers and bullets; footnotes gathered
// after the text. Destinations it does not show (style sheets, document info, pictures, \* destinations, ...)
// and \bin data are skipped, and so is whatever follows the document's closing brace. Any bytes give a
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
    int vertical = 0;    // 1 superscript, -1 subscript
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

// The text codec name of a Windows code page (1252, 1251, 932, ...); empty for one this reader does not know.
QByteArray codePageName(int codePage);
// The Windows code page of an RTF font character set (\fcharset); 0 for "the document's code page".
int charsetCodePage(int charset);

} // namespace rtf
