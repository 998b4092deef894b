#include "gui/help/RtfDocument.h"

#include <QTextCursor>
#include <QTextDocument>

namespace {

// Text as it may be laid out: NUL and the other control characters (but tabs and line breaks) are dropped.
QString showable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 || u == u'\t' || u == QChar::LineSeparator || u == u'\n')
            out += (u == u'\n' ? QChar(QChar::LineSeparator) : c);
    }
    return out;
}

} // namespace

void fillDocument(QTextDocument *document, const rtf::Document &rtf)
{
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    bool first = true;
    qsizetype shown = 0;
    qsizetype left = 0; // characters not shown beyond the limit
    for (const rtf::Paragraph &paragraph : rtf.paragraphs) {
        if (shown >= MaxShownCharacters) {
            for (const rtf::Run &run : paragraph.runs)
                left += run.text.size();
            continue;
        }
        QTextBlockFormat block;
        switch (paragraph.alignment) {
        case rtf::Paragraph::Center:
            block.setAlignment(Qt::AlignHCenter);
            break;
        case rtf::Paragraph::Right:
            block.setAlignment(Qt::AlignRight);
            break;
        case rtf::Paragraph::Justify:
            block.setAlignment(Qt::AlignJustify);
            break;
        case rtf::Paragraph::Left:
            block.setAlignment(Qt::AlignLeft);
            break;
        }
        block.setLeftMargin(paragraph.leftIndentTwips / 15.0);
        block.setBottomMargin(4);
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block);
        first = false;
        // A very long paragraph is laid out in pieces of at most MaxBlockCharacters, broken at a blank where
        // there is one: laying out one huge block costs time that grows faster than its length.
        QTextBlockFormat continued = block;
        continued.setTopMargin(0);
        continued.setBottomMargin(0);
        qsizetype inBlock = 0;
        for (const rtf::Run &run : paragraph.runs) {
            QTextCharFormat format;
            format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(run.italic);
            format.setFontUnderline(run.underline);
            format.setFontPointSize(run.halfPoints / 2.0);
            if (run.vertical != 0)
                format.setVerticalAlignment(run.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                             : QTextCharFormat::AlignSubScript);
            if (run.font >= 0 && run.font < rtf.fonts.size() && !rtf.fonts.at(run.font).isEmpty())
                format.setFontFamilies({rtf.fonts.at(run.font)});
            if (run.color > 0 && run.color < rtf.colors.size() && !rtf.colors.at(run.color).automatic) {
                const rtf::Color &c = rtf.colors.at(run.color);
                format.setForeground(QColor(c.red, c.green, c.blue));
            }
            QString text = showable(run.text);
            if (shown + text.size() > MaxShownCharacters) {
                left += shown + text.size() - MaxShownCharacters;
                text.truncate(MaxShownCharacters - shown);
            }
            shown += text.size();
            while (inBlock + text.size() > MaxBlockCharacters) {
                qsizetype cut = MaxBlockCharacters - inBlock;
                const qsizetype blank = text.lastIndexOf(u' ', cut - 1);
                if (blank > cut / 2)
                    cut = blank + 1;
                cursor.insertText(text.left(cut), format);
                text.remove(0, cut);
                cursor.insertBlock(continued);
                inBlock = 0;
            }
            cursor.insertText(text, format);
            inBlock += text.size();
        }
    }
    if (left > 0) {
        cursor.insertBlock(QTextBlockFormat());
        QTextCharFormat note;
        note.setFontItalic(true);
        cursor.insertText(
            QStringLiteral("(The rest of the file, %1 more characters, is not shown.)").arg(left), note);
    }
    cursor.endEditBlock();
}
