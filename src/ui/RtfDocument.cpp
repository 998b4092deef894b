#include "ui/RtfDocument.h"

#include <QTextCursor>
#include <QTextDocument>

void fillDocument(QTextDocument *document, const rtf::Document &rtf)
{
    document->clear();
    QTextCursor cursor(document);
    bool first = true;
    for (const rtf::Paragraph &paragraph : rtf.paragraphs) {
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
        for (const rtf::Run &run : paragraph.runs) {
            QTextCharFormat format;
            format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(run.italic);
            format.setFontUnderline(run.underline);
            format.setFontPointSize(run.halfPoints / 2.0);
            if (run.font >= 0 && run.font < rtf.fonts.size() && !rtf.fonts.at(run.font).isEmpty())
                format.setFontFamilies({rtf.fonts.at(run.font)});
            if (run.color > 0 && run.color < rtf.colors.size() && !rtf.colors.at(run.color).automatic) {
                const rtf::Color &c = rtf.colors.at(run.color);
                format.setForeground(QColor(c.red, c.green, c.blue));
            }
            cursor.insertText(run.text, format);
        }
    }
}
