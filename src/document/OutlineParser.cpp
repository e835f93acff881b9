#include "document/OutlineParser.h"

#include <cstring>
#include <vector>

namespace korvel {

namespace {

// The code point at s[i] (a surrogate pair counts as one) and its length in code units.
char32_t codePointAt(QStringView s, qsizetype i, qsizetype* len)
{
    const char16_t u = s[i].unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
        *len = 2;
        return QChar::surrogateToUcs4(u, s[i + 1].unicode());
    }
    *len = 1;
    return u;
}

inline bool isAsciiLetterOrUnderscore(char32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// \w: letters and decimal digits of any script, and the underscore.
inline bool isWordChar(char32_t c)
{
    if (c < 0x80)
        return isAsciiLetterOrUnderscore(c) || (c >= '0' && c <= '9');
    return QChar::isLetter(c) || QChar::isDigit(c);
}

// The first character of a component or class name: a letter of any script or '_'.
bool isNameStart(char32_t c)
{
    if (c < 0x80)
        return isAsciiLetterOrUnderscore(c);
    return QChar::isLetter(c);
}

// Matches a name (name start, then word characters) at pos; returns its end, or -1.
qsizetype matchName(QStringView s, qsizetype pos)
{
    if (pos >= s.size())
        return -1;
    qsizetype len;
    if (!isNameStart(codePointAt(s, pos, &len)))
        return -1;
    pos += len;
    while (pos < s.size() && isWordChar(codePointAt(s, pos, &len)))
        pos += len;
    return pos;
}

bool isControlOrBlank(QChar c)
{
    return c.unicode() <= 32;
}

// The first position at or after pos that is not a blank, tab or other code up to 32.
qsizetype skipBlanks(QStringView s, qsizetype pos)
{
    while (pos < s.size() && isControlOrBlank(s[pos]))
        ++pos;
    return pos;
}

// Matches an index suffix "[digits]" after optional blanks at pos (blanks inside
// the brackets too, as the converter reads it); returns its end, or -1.
qsizetype matchIndexSuffix(QStringView s, qsizetype pos)
{
    qsizetype q = skipBlanks(s, pos);
    if (q >= s.size() || s[q] != u'[')
        return -1;
    q = skipBlanks(s, q + 1);
    const qsizetype digitsStart = q;
    qsizetype len;
    while (q < s.size() && QChar::isDigit(codePointAt(s, q, &len)))
        q += len;
    if (q == digitsStart)
        return -1;
    q = skipBlanks(s, q);
    if (q >= s.size() || s[q] != u']')
        return -1;
    return q + 1;
}

// False only for a line that can be neither a header, an end, a collection's
// start nor (inside one) its end: the first character after blanks and control
// codes begins none of the keywords, there is no '<', and no '>' closes it.
bool mayOpenOrClose(QLatin1StringView line, bool inCollection)
{
    const char* p = line.data();
    qsizetype b = 0;
    qsizetype e = line.size();
    while (b < e && uchar(p[b]) <= 32)
        ++b;
    if (b == e)
        return false;
    switch (p[b]) {
    case 'o':
    case 'O':
    case 'i':
    case 'I':
    case 'e':
    case 'E':
        return true;
    default:
        break;
    }
    while (e > b && uchar(p[e - 1]) <= 32)
        --e;
    if (inCollection && p[e - 1] == '>')
        return true;
    return std::memchr(p + b, '<', size_t(e - b)) != nullptr;
}

} // namespace

QString DefaultNoNameText()
{
    return QStringLiteral("(名前なし)");
}

QString NodeCaption(const QString& name, const QString& noNameText)
{
    return TrimControl(name).isEmpty() ? noNameText : name;
}

QString NodeCaption(const QString& name)
{
    return NodeCaption(name, DefaultNoNameText());
}

QStringView TrimControl(QStringView line)
{
    qsizetype b = 0;
    qsizetype e = line.size();
    while (b < e && isControlOrBlank(line[b]))
        ++b;
    while (e > b && isControlOrBlank(line[e - 1]))
        --e;
    return line.sliced(b, e - b);
}

// The header keywords, matched in any letter case as the converter does.
QStringView matchKeyword(QStringView s, qsizetype p)
{
    for (QStringView k : {QStringView(u"object"), QStringView(u"inherited"), QStringView(u"inline")}) {
        if (s.sliced(p).startsWith(k, Qt::CaseInsensitive))
            return s.sliced(p, k.size());
    }
    return {};
}

bool MatchHeader(QStringView s, THeaderMatch* match)
{
    qsizetype p = skipBlanks(s, 0);
    const QStringView keyword = matchKeyword(s, p);
    if (keyword.isEmpty())
        return false;
    const qsizetype gapStart = p + keyword.size();
    const qsizetype textStart = skipBlanks(s, gapStart);
    if (textStart == gapStart)
        return false;
    const qsizetype nameEnd = matchName(s, textStart);
    if (nameEnd < 0)
        return false;
    if (!match)
        return true;

    match->Keyword = keyword.toString();
    match->KeywordGap = s.sliced(gapStart, textStart - gapStart).toString();
    match->ObjectName.clear();
    match->ClassName = s.sliced(textStart, nameEnd - textStart).toString();
    // "Name: Class [i] [j]…" (blanks around the colon as the converter allows): the
    // named form, which keeps the index suffixes.
    const qsizetype colon = skipBlanks(s, nameEnd);
    if (colon < s.size() && s[colon] == u':') {
        const qsizetype classStart = skipBlanks(s, colon + 1);
        qsizetype classEnd = matchName(s, classStart);
        if (classEnd >= 0) {
            for (qsizetype next; (next = matchIndexSuffix(s, classEnd)) >= 0;)
                classEnd = next;
            match->ObjectName = match->ClassName;
            match->ClassName = s.sliced(classStart, classEnd - classStart).toString();
        }
    }
    qsizetype textEnd = s.size();
    while (textEnd > textStart && isControlOrBlank(s[textEnd - 1]))
        --textEnd;
    match->HeaderText = s.sliced(textStart, textEnd - textStart).toString();
    return true;
}

bool IsEndLine(QStringView trimmed)
{
    return trimmed.compare(u"end", Qt::CaseInsensitive) == 0;
}

bool IsCollectionStart(QStringView t)
{
    // A dotted property path ("Items", "View.Brackets"): an ASCII letter or '_',
    // then word characters and dots, where a run of dots is followed by an ASCII
    // letter, '_' or what follows the path; then "=" and "<", with any blanks
    // around the "=".
    if (t.isEmpty() || !isAsciiLetterOrUnderscore(t[0].unicode()) || !t.contains(u'<'))
        return false;
    qsizetype p = 1;
    while (p < t.size()) {
        const char16_t c = t[p].unicode();
        if (c == u'.') {
            while (p < t.size() && t[p] == u'.')
                ++p;
            if (p < t.size() && !isAsciiLetterOrUnderscore(t[p].unicode()) && !isControlOrBlank(t[p]) && t[p] != u'=')
                return false;
            continue;
        }
        qsizetype len = 1;
        if (!isWordChar(c < 0x80 ? c : codePointAt(t, p, &len)))
            break;
        p += len;
    }
    p = skipBlanks(t, p);
    if (p >= t.size() || t[p] != u'=')
        return false;
    p = skipBlanks(t, p + 1);
    return p < t.size() && t[p] == u'<';
}

bool IsCollectionEnd(QStringView t)
{
    // "> *$" on a line whose trailing blanks are already gone.
    qsizetype e = t.size();
    while (e > 0 && t[e - 1] == u' ')
        --e;
    return e > 0 && t[e - 1] == u'>';
}

void ParseOutline(const QStringList& OrgFile, TComponentTree& out, const QString& noNameText)
{
    ParseOutline(TTextLines(OrgFile), out, noNameText);
}

void ParseOutline(const TTextLines& OrgFile, TComponentTree& out, const QString& noNameText)
{
    TComponentTree tree;
    int64_t level = 0;
    TTreeNode* current = nullptr;
    TTreeNode* last = nullptr;
    // The block whose end was the last header or end line: it takes the lines
    // that follow as its trail until the next header or end.
    TTreeNode* closed = nullptr;
    bool pending = false;
    bool inCollection = false;
    int64_t depth = 0;
    THeaderMatch header;
    std::u16string scratch;

    // A line outside every property part: after a block's end, or before the
    // first header (an end with no open block is such a line too).
    auto outsideLine = [&](qsizetype i) {
        if (!pending && closed) {
            TPROPREC& r = closed->record();
            if (r.TrailCount == 0)
                r.TrailBegin = static_cast<uint32_t>(i);
            ++r.TrailCount;
        }
    };

    const qsizetype count = OrgFile.size();
    const bool latin1 = OrgFile.isLatin1();
    for (qsizetype i = 0; i < count; ++i) {
        // Most lines are plain property lines; in a text kept as bytes they are
        // told apart without converting them.
        if (latin1 && !mayOpenOrClose(OrgFile.latin1Line(i), inCollection)) {
            outsideLine(i);
            continue;
        }
        const QStringView s = OrgFile.line(i, scratch);
        if (MatchHeader(s, &header)) {
            TPROPREC rec;
            rec.ObjectName = TrimControl(header.ObjectName).toString();
            rec.ClassName = TrimControl(header.ClassName).toString();
            rec.BeginLine = static_cast<uint32_t>(i + 1);
            rec.Indent = static_cast<uint32_t>(2 * level);
            rec.Modified = false;
            rec.Keyword = std::move(header.Keyword);
            rec.KeywordGap = std::move(header.KeywordGap);
            rec.HeaderText = std::move(header.HeaderText);
            QString caption = NodeCaption(rec.ObjectName, noNameText);
            TTreeNode* node = level != 0 ? tree.addChild(current, std::move(rec), std::move(caption), 1)
                                         : tree.addTopLevel(std::move(rec), std::move(caption), 0);
            current = node;
            if (pending)
                last->record().EndLine = static_cast<uint32_t>(i - 1);
            last = node;
            closed = nullptr;
            pending = true;
            ++level;
            continue;
        }
        const QStringView t = TrimControl(s);
        if (!inCollection && level != 0 && IsEndLine(t)) {
            if (pending)
                last->record().EndLine = static_cast<uint32_t>(i - 1);
            current->record().EndText = t.toString();
            closed = current;
            --level;
            pending = false;
            current = current->parent();
            continue;
        }
        outsideLine(i);
        if (IsCollectionStart(t)) {
            inCollection = true;
            ++depth;
        }
        if (inCollection && IsCollectionEnd(t)) {
            --depth;
            if (depth <= 0) {
                inCollection = false;
                depth = 0;
            }
        }
    }
    if (pending)
        last->record().EndLine = static_cast<uint32_t>(count - 1);
    out.replaceContents(std::move(tree));
}

QStringList DumpTree(const TComponentTree& tree)
{
    QStringList lines;
    std::vector<std::pair<const TTreeNode*, int>> stack;
    for (int i = tree.topLevelCount() - 1; i >= 0; --i)
        stack.emplace_back(tree.topLevel(i), 0);
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        const TPROPREC& r = node->record();
        lines.append(QStringLiteral("%1%2: %3 [%4..%5] Indent=%6")
                         .arg(QString(2 * depth, u' '), node->caption(), r.ClassName)
                         .arg(r.BeginLine)
                         .arg(r.EndLine)
                         .arg(r.Indent));
        for (int c = node->childCount() - 1; c >= 0; --c)
            stack.emplace_back(node->child(c), depth + 1);
    }
    return lines;
}

} // namespace korvel
