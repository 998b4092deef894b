#include "core/help/RtfReader.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <map>

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
    int vertical = 0;
    bool hidden = false; // \v
    int unicodeSkip = 1; // \ucN
};

enum class Destination
{
    Text,
    Skip,
    FontTable,
    ColorTable,
    Footnote
};

struct GroupState
{
    CharState chars;
    Destination destination = Destination::Text;
};

const QSet<QByteArray> &skippedDestinations()
{
    static const QSet<QByteArray> words{"stylesheet",    "info",      "pict",       "object",
                                        "header",        "headerl",   "headerr",    "headerf",
                                        "footer",        "footerl",   "footerr",    "footerf",
                                        "fldinst",       "xmlnstbl",  "themedata",  "colorschememapping",
                                        "latentstyles",  "datastore", "listtable",  "listoverridetable",
                                        "rsidtbl",       "generator", "filetbl",    "revtbl",
                                        "pgdsctbl",      "author",    "operator",   "title",
                                        "subject",       "keywords",  "comment",    "doccomm",
                                        "company",       "creatim",   "revtim",     "printim",
                                        "buptim",        "userprops", "nonshppict", "shppict",
                                        "bkmkstart",     "bkmkend",   "annotation", "atnid",
                                        "atnauthor",     "pntxta",    "pntxtb",     "mmathPr",
                                        "wgrffmtfilter", "xe",        "tc",         "private",
                                        "template",      "docvar",    "blipuid",    "objdata",
                                        "objclass",      "result"};
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
            const bool escapedByte = c == '\\' && m_pos + 1 < m_in.size() && m_in.at(m_pos + 1) == '\'';
            if (!escapedByte && leadBytePending() && uchar(c) >= 0x40 && c != '{' && c != '}' && c != '\\') {
                m_bytes += c; // some writers give a double-byte character's second byte as it is
                ++m_pos;
                continue;
            }
            if (!escapedByte)
                flushBytes();
            if (c == '{') {
                ++m_pos;
                flushColor();
                if (m_stack.size() < MaxDepth)
                    m_stack.append(m_stack.last());
                else
                    ++m_overflow;
                m_groupStart = true;
                continue;
            }
            m_afterBrace = m_groupStart;
            m_groupStart = false;
            if (c == '}') {
                ++m_pos;
                closeGroup();
                if (m_doc.isRtf && m_stack.size() == 1 && m_overflow == 0)
                    break; // the document's closing brace: what follows (WordPad writes a NUL) is not text
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
        flushBytes();
        // Drop a trailing empty paragraph (the usual final \par).
        if (m_doc.paragraphs.size() > 1 && m_doc.paragraphs.last().runs.isEmpty())
            m_doc.paragraphs.removeLast();
        if (m_notes.size() > 1 || !m_notes.value(0).runs.isEmpty()) {
            // Footnotes follow the text, under a short rule.
            Paragraph rule;
            Run line;
            line.text = QString(12, QChar(0x2015));
            rule.runs.append(line);
            m_doc.paragraphs.append(rule);
            for (const Paragraph &note : std::as_const(m_notes)) {
                if (!note.runs.isEmpty())
                    m_doc.paragraphs.append(note);
            }
        }
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
        m_star = false;
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
        if (word == "bin") {
            // Binary data follows: its bytes (braces and backslashes too) are not RTF.
            m_pos = std::min<qint64>(m_in.size(), m_pos + std::max<qint64>(0, value));
            return;
        }
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
                    m_bytes += char(high * 16 + low); // decoded together: a code page may use two bytes
            }
            break;
        }
        case '*':
            // Marks the group as a destination to skip when this reader does not know it; only right after
            // the group's opening brace.
            if (m_afterBrace)
                m_star = true;
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
        if (m_star) {
            m_star = false;
            if (word == "footnote") {
                startFootnote();
                return;
            }
            state().destination = Destination::Skip; // in the font table too (\panose, \falt)
            return;
        }
        if (word == "footnote") {
            startFootnote();
        } else if (word == "ansicpg" && hasParam) {
            m_codePage = param;
        } else if (word == "fonttbl") {
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
            } else if (word == "fcharset" && hasParam && m_fontNumber >= 0) {
                m_fontCodePage.insert(m_fontNumber, charsetCodePage(param));
            } else if (word == "cpg" && hasParam && m_fontNumber >= 0) {
                m_fontCodePage.insert(m_fontNumber, param);
            }
        } else if (word == "par") {
            paragraph();
        } else if (word == "cell" || word == "nestcell") {
            text(u'\t');
            m_cellEnded = true;
        } else if (word == "row" || word == "nestrow") {
            endRow();
        } else if (word == "chftn") {
            // The automatic footnote number: the next one in the text, the current one in the note.
            if (state().destination == Destination::Text)
                ++m_noteNumber;
            for (const QChar c : QString::number(std::max(1, m_noteNumber)))
                text(c);
        } else if (word == "v") {
            ch.hidden = !hasParam || param != 0;
        } else if (word == "super" || word == "sub") {
            ch.vertical = word == "super" ? 1 : -1;
        } else if (word == "nosupersub") {
            ch.vertical = 0;
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
        if (c != u'\t')
            m_cellEnded = false;
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
        case Destination::Footnote:
            break;
        }
        const CharState &ch = state().chars;
        if (ch.hidden)
            return;
        Paragraph &p = current().last();
        if (p.runs.isEmpty() || !sameFormat(p.runs.last(), ch)) {
            Run run;
            run.bold = ch.bold;
            run.italic = ch.italic;
            run.underline = ch.underline;
            run.halfPoints = ch.halfPoints;
            run.font = ch.font;
            run.color = ch.color;
            run.vertical = ch.vertical;
            p.runs.append(run);
        }
        p.runs.last().text += c;
    }

    static bool sameFormat(const Run &run, const CharState &ch)
    {
        return run.bold == ch.bold && run.italic == ch.italic && run.underline == ch.underline &&
               run.halfPoints == ch.halfPoints && run.font == ch.font && run.color == ch.color &&
               run.vertical == ch.vertical;
    }

    // The paragraphs text goes to: the document's, or the footnotes' inside a footnote.
    QList<Paragraph> &current()
    {
        return state().destination == Destination::Footnote ? m_notes : m_doc.paragraphs;
    }

    void paragraph()
    {
        if (state().destination != Destination::Text && state().destination != Destination::Footnote)
            return;
        Paragraph next;
        next.alignment = m_alignment;
        next.leftIndentTwips = m_indent;
        current().append(next);
    }

    // A row ends: its last cell's tab goes, the next row starts a paragraph.
    void endRow()
    {
        if (state().destination != Destination::Text && state().destination != Destination::Footnote)
            return;
        QList<Run> &runs = current().last().runs;
        if (m_cellEnded && !runs.isEmpty() && runs.last().text.endsWith(u'\t')) {
            runs.last().text.chop(1);
            if (runs.last().text.isEmpty())
                runs.removeLast();
        }
        m_cellEnded = false;
        paragraph();
    }

    void startFootnote()
    {
        if (state().destination != Destination::Text)
            return; // a note inside a skipped group (or a note) stays out of sight
        state().destination = Destination::Footnote;
        if (!m_notes.last().runs.isEmpty())
            m_notes.append(Paragraph());
    }

    // Bytes from \'hh escapes, decoded in the code page of the current font, else the document's.
    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        const QByteArray bytes = m_bytes;
        m_bytes.clear();
        const int codePage = currentCodePage();
        QString decoded;
        if (codePage == 42) {
            // The Symbol font: its bullet, else the byte as it is.
            for (const char byte : bytes)
                decoded += uchar(byte) == 0xb7 ? QChar(0x2022) : QChar::fromLatin1(byte);
        } else {
            QStringDecoder &decoder = decoderFor(codePage);
            decoded = decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
            decoder.resetState();
        }
        for (const QChar c : std::as_const(decoded))
            text(c, false);
    }

    int currentCodePage() const
    {
        const GroupState &group = m_stack.last();
        int codePage = m_fontCodePage.value(
            group.destination == Destination::FontTable ? m_fontNumber : group.chars.font, 0);
        return codePage == 0 ? m_codePage : codePage;
    }

    // True when the collected bytes end in the first byte of a double-byte character.
    bool leadBytePending() const
    {
        if (m_bytes.isEmpty())
            return false;
        const int codePage = currentCodePage();
        if (codePage != 932 && codePage != 936 && codePage != 949 && codePage != 950)
            return false;
        qsizetype i = 0;
        while (i < m_bytes.size()) {
            const uchar b = uchar(m_bytes.at(i));
            const bool lead = codePage == 932 ? (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc)
                                              : b >= 0x81 && b <= 0xfe;
            i += lead ? 2 : 1;
        }
        return i > m_bytes.size();
    }

    QStringDecoder &decoderFor(int codePage)
    {
        auto it = m_decoders.find(codePage);
        if (it == m_decoders.end()) {
            QByteArray name = codePageName(codePage);
            if (name.isEmpty())
                name = "windows-1252";
            it = m_decoders.try_emplace(codePage, name.constData()).first;
            if (!it->second.isValid())
                it->second = QStringDecoder(QStringDecoder::Latin1);
        }
        return it->second;
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
    bool m_groupStart = false; // the last thing read was a group's opening brace
    bool m_afterBrace = false; // the token being read follows a group's opening brace
    bool m_star = false;       // \* at a group's start: the next word names a destination to skip if unknown
    bool m_cellEnded = false;  // the last text was a cell's tab
    QByteArray m_bytes;        // \'hh bytes not yet decoded
    int m_codePage = 1252;     // \ansicpg
    QHash<int, int> m_fontCodePage;
    std::map<int, QStringDecoder> m_decoders;
    QList<Paragraph> m_notes{Paragraph()};
    int m_noteNumber = 0;
};

} // namespace

int charsetCodePage(int charset)
{
    switch (charset) {
    case 2:
        return 42; // Symbol
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0; // ANSI (0), default (1) and the rest: the document's code page
    }
}

QByteArray codePageName(int codePage)
{
    if (codePage >= 1250 && codePage <= 1258)
        return "windows-" + QByteArray::number(codePage);
    switch (codePage) {
    case 874:
        return "windows-874";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 10000:
        return "macintosh";
    case 65001:
        return "UTF-8";
    default:
        return QByteArray();
    }
}

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
