#include "ui/RtfReader.h"

#include <QSet>

namespace rtf {

namespace {

constexpr int MaxDepth = 512;
constexpr int MaxTableIndex = 4096;

struct CharState
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    int font = -1;
    int color = 0;
    int unicodeSkip = 1; // \ucN
};

enum class Destination
{
    Text,
    Skip,
    FontTable,
    ColorTable
};

struct GroupState
{
    CharState chars;
    Destination destination = Destination::Text;
};

const QSet<QByteArray> &skippedDestinations()
{
    static const QSet<QByteArray> words{"stylesheet",
                                        "info",
                                        "pict",
                                        "object",
                                        "header",
                                        "headerl",
                                        "headerr",
                                        "headerf",
                                        "footer",
                                        "footerl",
                                        "footerr",
                                        "footerf",
                                        "footnote",
                                        "fldinst",
                                        "xmlnstbl",
                                        "themedata",
                                        "colorschememapping",
                                        "latentstyles",
                                        "datastore",
                                        "listtable",
                                        "listoverridetable",
                                        "rsidtbl",
                                        "generator",
                                        "filetbl",
                                        "revtbl",
                                        "pgdsctbl",
                                        "author",
                                        "operator",
                                        "title",
                                        "subject",
                                        "keywords",
                                        "comment",
                                        "doccomm",
                                        "company",
                                        "creatim",
                                        "revtim",
                                        "printim",
                                        "buptim",
                                        "userprops",
                                        "nonshppict",
                                        "shppict",
                                        "bkmkstart",
                                        "bkmkend",
                                        "annotation",
                                        "atnid",
                                        "atnauthor",
                                        "listtext",
                                        "pntext",
                                        "pntxta",
                                        "pntxtb",
                                        "mmathPr",
                                        "wgrffmtfilter",
                                        "xe",
                                        "tc",
                                        "private",
                                        "template",
                                        "docvar",
                                        "blipuid",
                                        "objdata",
                                        "objclass",
                                        "result"};
    return words;
}

class Parser
{
public:
    explicit Parser(const QByteArray &bytes) : m_in(bytes) {}

    Document run()
    {
        m_doc.isRtf = m_in.startsWith("{\\rtf");
        m_doc.colors.append(Color());
        m_doc.paragraphs.append(Paragraph());
        m_stack.append(GroupState());
        while (m_pos < m_in.size()) {
            const char c = m_in.at(m_pos);
            if (c == '{') {
                ++m_pos;
                flushColor();
                if (m_stack.size() < MaxDepth)
                    m_stack.append(m_stack.last());
                else
                    ++m_overflow;
            } else if (c == '}') {
                ++m_pos;
                closeGroup();
            } else if (c == '\\') {
                ++m_pos;
                controlWord();
            } else if (c == '\r' || c == '\n') {
                ++m_pos; // line ends in RTF source are not text
            } else {
                ++m_pos;
                text(QChar::fromLatin1(c));
            }
        }
        // Drop a trailing empty paragraph (the usual final \par).
        if (m_doc.paragraphs.size() > 1 && m_doc.paragraphs.last().runs.isEmpty())
            m_doc.paragraphs.removeLast();
        return m_doc;
    }

private:
    GroupState &state() { return m_stack.last(); }

    void closeGroup()
    {
        if (m_overflow > 0) {
            --m_overflow;
            return;
        }
        if (state().destination == Destination::FontTable)
            flushFont();
        if (m_stack.size() > 1)
            m_stack.removeLast();
    }

    // A control word or symbol, the backslash already read.
    void controlWord()
    {
        if (m_pos >= m_in.size())
            return;
        const char c = m_in.at(m_pos);
        if (!isLetter(c)) {
            ++m_pos;
            symbol(c);
            return;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_in.size() && isLetter(m_in.at(m_pos)) && m_pos - start < 32)
            ++m_pos;
        const QByteArray word = m_in.mid(start, m_pos - start);
        bool hasParam = false;
        int param = 0;
        bool negative = false;
        if (m_pos < m_in.size() && m_in.at(m_pos) == '-' && m_pos + 1 < m_in.size() &&
            isDigit(m_in.at(m_pos + 1))) {
            negative = true;
            ++m_pos;
        }
        qint64 value = 0;
        while (m_pos < m_in.size() && isDigit(m_in.at(m_pos))) {
            hasParam = true;
            if (value < 100000000)
                value = value * 10 + (m_in.at(m_pos) - '0');
            ++m_pos;
        }
        param = int(negative ? -value : value);
        if (m_pos < m_in.size() && m_in.at(m_pos) == ' ')
            ++m_pos; // the delimiting blank belongs to the word
        apply(word, hasParam, param);
    }

    void symbol(char c)
    {
        switch (c) {
        case '\\':
        case '{':
        case '}':
            text(QChar::fromLatin1(c));
            break;
        case '~':
            text(QChar(0x00a0));
            break;
        case '_':
            text(QChar(0x2011));
            break;
        case '\'': {
            const int high = m_pos < m_in.size() ? hexValue(m_in.at(m_pos)) : -1;
            const int low = m_pos + 1 < m_in.size() ? hexValue(m_in.at(m_pos + 1)) : -1;
            if (high >= 0 && low >= 0) {
                m_pos += 2;
                if (m_skipFallback > 0)
                    --m_skipFallback;
                else
                    text(QChar::fromLatin1(char(high * 16 + low)), false);
            }
            break;
        }
        case '*':
            if (state().destination == Destination::Text)
                state().destination = Destination::Skip;
            break;
        case '\r':
        case '\n':
            paragraph();
            break;
        default:
            break; // \- (optional hyphen), \| and the rest show nothing
        }
    }

    void apply(const QByteArray &word, bool hasParam, int param)
    {
        CharState &ch = state().chars;
        if (word == "fonttbl") {
            state().destination = Destination::FontTable;
            m_fontName.clear();
            m_fontNumber = -1;
        } else if (word == "colortbl") {
            state().destination = Destination::ColorTable;
            m_doc.colors = {Color()};
            m_colorStarted = false;
            m_colorSeen = false;
        } else if (skippedDestinations().contains(word)) {
            state().destination = Destination::Skip;
        } else if (state().destination == Destination::ColorTable) {
            if (word == "red" || word == "green" || word == "blue") {
                const int v = qBound(0, param, 255);
                if (!m_colorStarted) {
                    m_pending = Color{0, 0, 0, false};
                    m_colorStarted = true;
                }
                (word == "red" ? m_pending.red : word == "green" ? m_pending.green : m_pending.blue) = v;
            }
        } else if (state().destination == Destination::FontTable) {
            if (word == "f" && hasParam) {
                flushFont();
                m_fontNumber = param;
            }
        } else if (word == "par") {
            paragraph();
        } else if (word == "line") {
            text(QChar(QChar::LineSeparator));
        } else if (word == "tab") {
            text(u'\t');
        } else if (word == "emdash") {
            text(QChar(0x2014));
        } else if (word == "endash") {
            text(QChar(0x2013));
        } else if (word == "bullet") {
            text(QChar(0x2022));
        } else if (word == "lquote" || word == "rquote") {
            text(QChar(word == "lquote" ? 0x2018 : 0x2019));
        } else if (word == "ldblquote" || word == "rdblquote") {
            text(QChar(word == "ldblquote" ? 0x201c : 0x201d));
        } else if (word == "b") {
            ch.bold = !hasParam || param != 0;
        } else if (word == "i") {
            ch.italic = !hasParam || param != 0;
        } else if (word == "ul") {
            ch.underline = !hasParam || param != 0;
        } else if (word == "ulnone") {
            ch.underline = false;
        } else if (word == "fs" && hasParam) {
            ch.halfPoints = qBound(2, param, 3276);
        } else if (word == "f" && hasParam) {
            ch.font = qBound(-1, param, MaxTableIndex);
        } else if (word == "cf" && hasParam) {
            ch.color = qBound(0, param, MaxTableIndex);
        } else if (word == "plain") {
            const int skip = ch.unicodeSkip;
            ch = CharState();
            ch.unicodeSkip = skip;
        } else if (word == "pard") {
            m_doc.paragraphs.last().alignment = Paragraph::Left;
            m_doc.paragraphs.last().leftIndentTwips = 0;
            m_alignment = Paragraph::Left;
            m_indent = 0;
        } else if (word == "qc" || word == "qr" || word == "qj" || word == "ql") {
            m_alignment = word == "qc"   ? Paragraph::Center
                          : word == "qr" ? Paragraph::Right
                          : word == "qj" ? Paragraph::Justify
                                         : Paragraph::Left;
            m_doc.paragraphs.last().alignment = m_alignment;
        } else if (word == "li" && hasParam) {
            m_indent = qBound(0, param, 20000);
            m_doc.paragraphs.last().leftIndentTwips = m_indent;
        } else if (word == "uc" && hasParam) {
            ch.unicodeSkip = qBound(0, param, 16);
        } else if (word == "u" && hasParam) {
            const ushort code = ushort(param < 0 ? param + 65536 : param);
            text(QChar(code), false);
            m_skipFallback = ch.unicodeSkip;
        }
    }

    void text(QChar c, bool countsAsFallback = true)
    {
        if (countsAsFallback && m_skipFallback > 0) {
            --m_skipFallback;
            return;
        }
        switch (state().destination) {
        case Destination::Skip:
            return;
        case Destination::FontTable:
            if (c == u';')
                flushFont();
            else
                m_fontName += c;
            return;
        case Destination::ColorTable:
            if (c == u';')
                flushColor(true);
            return;
        case Destination::Text:
            break;
        }
        const CharState &ch = state().chars;
        Paragraph &p = m_doc.paragraphs.last();
        if (p.runs.isEmpty() || !sameFormat(p.runs.last(), ch)) {
            Run run;
            run.bold = ch.bold;
            run.italic = ch.italic;
            run.underline = ch.underline;
            run.halfPoints = ch.halfPoints;
            run.font = ch.font;
            run.color = ch.color;
            p.runs.append(run);
        }
        p.runs.last().text += c;
    }

    static bool sameFormat(const Run &run, const CharState &ch)
    {
        return run.bold == ch.bold && run.italic == ch.italic && run.underline == ch.underline &&
               run.halfPoints == ch.halfPoints && run.font == ch.font && run.color == ch.color;
    }

    void paragraph()
    {
        if (state().destination != Destination::Text)
            return;
        Paragraph next;
        next.alignment = m_alignment;
        next.leftIndentTwips = m_indent;
        m_doc.paragraphs.append(next);
    }

    void flushFont()
    {
        const QString name = m_fontName.trimmed();
        if (m_fontNumber >= 0 && m_fontNumber <= MaxTableIndex && !name.isEmpty()) {
            while (m_doc.fonts.size() <= m_fontNumber)
                m_doc.fonts.append(QString());
            m_doc.fonts[m_fontNumber] = name;
        }
        m_fontName.clear();
        m_fontNumber = -1;
    }

    // A ";" ends a colour entry; the first entry, usually empty, is the automatic colour.
    void flushColor(bool entryEnd = false)
    {
        if (!entryEnd)
            return;
        if (!m_colorSeen) {
            m_colorSeen = true;
            if (!m_colorStarted)
                return; // the automatic colour, already in place
            m_doc.colors.clear();
        }
        if (m_doc.colors.size() <= MaxTableIndex)
            m_doc.colors.append(m_colorStarted ? m_pending : Color());
        m_colorStarted = false;
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    const QByteArray m_in;
    qsizetype m_pos = 0;
    Document m_doc;
    QList<GroupState> m_stack;
    int m_overflow = 0;
    int m_skipFallback = 0;
    Paragraph::Alignment m_alignment = Paragraph::Left;
    int m_indent = 0;
    QString m_fontName;
    int m_fontNumber = -1;
    Color m_pending;
    bool m_colorStarted = false;
    bool m_colorSeen = false;
};

} // namespace

QString Document::plainText() const
{
    QStringList lines;
    for (const Paragraph &p : paragraphs) {
        QString line;
        for (const Run &run : p.runs)
            line += run.text;
        lines.append(line);
    }
    return lines.join(u'\n');
}

Document parse(const QByteArray &bytes)
{
    return Parser(bytes).run();
}

} // namespace rtf
