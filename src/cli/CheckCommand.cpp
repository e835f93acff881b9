// check: whether each form survives conversion to the other stored kind and
// back byte for byte, and when not, which values change and why.
#include "cli/Batch.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"

#include "convert/BinaryToText.h"
#include "convert/ByteStream.h"
#include "convert/StreamFormat.h"
#include "convert/TextToBinary.h"
#include "document/FormDocument.h"

#include <QRegularExpression>

#include <algorithm>
#include <cctype>
#include <vector>

namespace korvel::cli {
namespace {

constexpr int kMaxFindings = 20;

QByteArray ToText(const QByteArray& binary)
{
    ByteStream in(binary), out;
    BinaryResourceToText(in, out);
    return out.data();
}

QByteArray ToBinary(const QByteArray& text, bool ansi)
{
    ByteStream in(text), out;
    if (ansi)
        TextToResourceAnsi(in, out);
    else
        TextToResource(in, out);
    return out.data();
}

// The value a string expression stands for: quoted strings ('' inside is one
// apostrophe), #nnn / #$hh character codes, joined by '+' over blanks and line
// breaks. False when the text is anything else.
bool StringValue(const QString& text, QString& value)
{
    value.clear();
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool any = false;
    while (i < n) {
        const QChar c = text[i];
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'+') {
            ++i;
        } else if (c == u'\'') {
            ++i;
            for (;;) {
                if (i >= n)
                    return false;
                if (text[i] == u'\'') {
                    if (i + 1 < n && text[i + 1] == u'\'') {
                        value += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            any = true;
        } else if (c == u'#') {
            ++i;
            const bool hex = i < n && text[i] == u'$';
            if (hex)
                ++i;
            const qsizetype start = i;
            while (
                i < n && (text[i].isDigit() || (hex && isxdigit(text[i].unicode() & 0xFF) && text[i].unicode() < 128)))
                ++i;
            bool ok = false;
            const uint code = text.mid(start, i - start).toUInt(&ok, hex ? 16 : 10);
            if (!ok || code > 0x10FFFF)
                return false;
            value += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
            any = true;
        } else {
            return false;
        }
    }
    return any;
}

// A decimal number reduced to its significant digits and the power of ten of
// the first, so that "1.50", "1.5" and "15E-1" compare equal. False for other text.
bool NormalNumber(QStringView v, QString& normal)
{
    bool negative = false;
    if (v.startsWith(u'-') || v.startsWith(u'+')) {
        negative = v.startsWith(u'-');
        v = v.mid(1);
    }
    QString digits;
    qint64 pointAt = -1;
    qsizetype i = 0;
    for (; i < v.size() && (v[i].isDigit() || v[i] == u'.'); ++i) {
        if (v[i] == u'.') {
            if (pointAt >= 0)
                return false;
            pointAt = digits.size();
        } else {
            digits += v[i];
        }
    }
    if (digits.isEmpty())
        return false;
    if (pointAt < 0)
        pointAt = digits.size();
    qint64 exponent = 0;
    if (i < v.size()) {
        if (v[i] != u'e' && v[i] != u'E')
            return false;
        bool ok = false;
        exponent = v.mid(i + 1).toLongLong(&ok);
        if (!ok)
            return false;
    }
    qsizetype lead = 0;
    while (lead < digits.size() && digits[lead] == u'0')
        ++lead;
    if (lead == digits.size()) {
        normal = QStringLiteral("0");
        return true;
    }
    qsizetype end = digits.size();
    while (digits[end - 1] == u'0')
        --end;
    normal = (negative ? QStringLiteral("-") : QString()) + digits.mid(lead, end - lead) + u'e'
        + QString::number(pointAt - lead + exponent);
    return true;
}

bool IntegerValue(QStringView v, qint64& value)
{
    bool ok = false;
    const bool negative = v.startsWith(u'-');
    if (v.startsWith(u'-') || v.startsWith(u'+'))
        v = v.mid(1);
    if (v.startsWith(u'$'))
        value = v.mid(1).toULongLong(&ok, 16);
    else
        value = v.toLongLong(&ok, 10);
    if (negative)
        value = -value;
    return ok;
}

QString WithoutBlanks(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

struct TReason {
    QString why;
    bool valueChanges = true;
};

// One item of a value: a string (its characters), a number (normalised), or any other word or sign.
struct TAtom {
    char kind; // 's' string, 'n' number, 'c' currency, 'f' float, 'w' other
    QString text;
    bool operator==(const TAtom& o) const { return kind == o.kind && text == o.text; }
};

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'$' || c == u'-' || c == u'+';
}

// Splits value text into atoms, so that two writings of the same value give equal lists.
std::vector<TAtom> Atoms(const QString& text)
{
    std::vector<TAtom> atoms;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'\'' || c == u'#') {
            // The longest run of strings, codes, '+' and blanks that reads as one string.
            qsizetype end = i;
            qsizetype good = i;
            QString value;
            while (end < n) {
                if (text[end] == u'\'') {
                    ++end;
                    while (end < n && !(text[end] == u'\'' && (end + 1 >= n || text[end + 1] != u'\'')))
                        end += text[end] == u'\'' ? 2 : 1;
                    if (end >= n)
                        break;
                    good = ++end;
                } else if (text[end] == u'#') {
                    ++end;
                    while (end < n && (text[end].isLetterOrNumber() || text[end] == u'$'))
                        ++end;
                    good = end;
                } else if (text[end].isSpace() || text[end] == u'+') {
                    ++end;
                } else {
                    break;
                }
            }
            if (good > i && StringValue(text.mid(i, good - i), value)) {
                atoms.push_back({'s', value});
                i = good;
                continue;
            }
            atoms.push_back({'w', text.mid(i)});
            return atoms;
        }
        if (IsWordChar(c)) {
            qsizetype end = i;
            while (end < n && IsWordChar(text[end]))
                ++end;
            const QString word = text.mid(i, end - i);
            i = end;
            qint64 integer = 0;
            QString normal;
            const QStringView w(word);
            if (IntegerValue(w, integer))
                atoms.push_back({'n', QString::number(integer)});
            else if ((w.endsWith(u'c') || w.endsWith(u'C')) && NormalNumber(w.chopped(1), normal))
                atoms.push_back({'c', normal});
            else if (NormalNumber(w, normal))
                atoms.push_back({'f', normal});
            else
                atoms.push_back({'w', word});
            continue;
        }
        atoms.push_back({'w', QString(c)});
        ++i;
    }
    return atoms;
}

// Why a property's value text changes in the round trip, and whether the value itself does.
TReason Reason(const QString& a, const QString& b)
{
    const std::vector<TAtom> aa = Atoms(a);
    const std::vector<TAtom> ab = Atoms(b);
    if (aa == ab) {
        if (WithoutBlanks(a) == WithoutBlanks(b))
            return {QStringLiteral("blanks or line breaks"), false};
        for (const TAtom& atom : aa)
            if (atom.kind == 's')
                return {QStringLiteral("strings written with other character codes or joins"), false};
        return {QStringLiteral("numbers written in another form"), false};
    }
    if (aa.size() == ab.size()) {
        for (size_t k = 0; k < aa.size(); ++k) {
            if (aa[k] == ab[k])
                continue;
            if (aa[k].kind == 'c' || ab[k].kind == 'c')
                return {QStringLiteral("currency precision: four decimal places are stored")};
            if (aa[k].kind == 'f' || ab[k].kind == 'f')
                return {QStringLiteral("extended precision: the number has more digits than an extended value holds")};
            if (aa[k].kind == 's' && ab[k].kind == 's')
                return {QStringLiteral("string changes")};
            if (aa[k].kind == 'n' && ab[k].kind == 'n')
                return {QStringLiteral("integer changes")};
            break;
        }
    }
    return {QStringLiteral("value changes")};
}

QString Shorten(const QString& text)
{
    QString t = text.simplified();
    return EscapeControls(t.size() > 80 ? t.left(77) + QStringLiteral("...") : t);
}

struct TProperty {
    QString name;
    QString value;
    qint64 line = 0; // index in OrgFile
};

std::vector<TProperty> Properties(const TFormDocument& doc, const TTreeNode* node)
{
    std::vector<TProperty> props;
    const QString text = doc.NodeProperties(node);
    if (text.isEmpty())
        return props;
    qint64 line = node->record().BeginLine;
    for (const QString& l : text.split(QStringLiteral("\r\n"))) {
        QString name, value;
        if (l.trimmed().isEmpty())
            ; // a blank line (such as from CR CR LF line ends) carries no value
        else if (SplitPropertyLine(l, name, value))
            props.push_back({name, value, line});
        else if (!props.empty())
            props.back().value += u'\n' + l;
        else
            props.push_back({QString(), l, line});
        ++line;
    }
    return props;
}

struct TFindings {
    QByteArray out;
    int count = 0;
    bool valueChanges = false;
    QStringList writingOnly;
};

// Compares the components and properties of the document before and after the round trip.
TFindings CompareDocuments(const QString& file, const TFormDocument& before, const TFormDocument& after)
{
    TFindings f;
    auto report = [&](qint64 line, const QString& text) {
        if (f.count++ < kMaxFindings)
            f.out += (file + u':' + QString::number(line + 1) + QStringLiteral(": ") + text + u'\n').toUtf8();
    };
    struct Pair {
        const TTreeNode* a;
        const TTreeNode* b;
        QString path;
    };
    std::vector<Pair> stack;
    const TComponentTree& ta = before.Tree();
    const TComponentTree& tb = after.Tree();
    if (ta.topLevelCount() != tb.topLevelCount()) {
        f.valueChanges = true;
        report(0, QStringLiteral("the number of components changes"));
        return f;
    }
    for (int i = ta.topLevelCount() - 1; i >= 0; --i)
        stack.push_back({ta.topLevel(i), tb.topLevel(i), QString()});
    while (!stack.empty()) {
        const Pair p = stack.back();
        stack.pop_back();
        const TPROPREC& ra = p.a->record();
        const QString path = p.path + (ra.ObjectName.isEmpty() ? ra.ClassName : ra.ObjectName);
        if (ra.ObjectName != p.b->record().ObjectName || ra.ClassName != p.b->record().ClassName
            || p.a->childCount() != p.b->childCount()) {
            f.valueChanges = true;
            report(qint64(ra.BeginLine) - 1, path + QStringLiteral(": the component or its children change"));
            continue;
        }
        const std::vector<TProperty> pa = Properties(before, p.a);
        const std::vector<TProperty> pb = Properties(after, p.b);
        if (pa.size() != pb.size()) {
            f.valueChanges = true;
            report(qint64(ra.BeginLine), path + QStringLiteral(": the properties change"));
        } else {
            for (size_t k = 0; k < pa.size(); ++k) {
                if (pa[k].name == pb[k].name && pa[k].value == pb[k].value)
                    continue;
                const TReason why = pa[k].name == pb[k].name ? Reason(pa[k].value, pb[k].value)
                                                             : TReason{QStringLiteral("the property changes")};
                if (!why.valueChanges) {
                    if (!f.writingOnly.contains(why.why))
                        f.writingOnly << why.why;
                    continue;
                }
                f.valueChanges = true;
                report(pa[k].line,
                    path + u'.' + pa[k].name + QStringLiteral(": ") + Shorten(pa[k].value) + QStringLiteral(" -> ")
                        + Shorten(pb[k].value) + QStringLiteral(" (") + why.why + u')');
            }
        }
        for (int i = p.a->childCount() - 1; i >= 0; --i)
            stack.push_back({p.a->child(i), p.b->child(i), path + u'.'});
    }
    if (f.count > kMaxFindings)
        f.out += (file + QStringLiteral(": %1 more changes\n").arg(f.count - kMaxFindings)).toUtf8();
    return f;
}

TFileResult CheckFile(const QString& file, bool requireText)
{
    const QByteArray bytes = ReadInput(file);
    ByteStream probe(bytes);
    const bool binary = DetectStreamFormat(probe) == sofBinary;
    TFileResult r;
    if (binary && requireText) {
        r.outcome = TOutcome::Failed;
        r.out += (file + QStringLiteral(": binary form; text is required (korvel-cli to-text converts it)\n")).toUtf8();
    }
    QByteArray back;
    if (binary) {
        const QByteArray text = ToText(bytes);
        back = ToBinary(text, false);
        if (back != bytes) {
            // Older forms store strings in the ANSI code page; that writing may be the exact one.
            const QByteArray ansiBack = ToBinary(text, true);
            if (ansiBack == bytes)
                back = ansiBack;
        }
    } else {
        back = ToText(ToBinary(bytes, false));
    }
    if (back == bytes)
        return r;

    TFormDocument before, after;
    before.LoadFormBytes(file, bytes);
    after.LoadFormBytes(file, back);
    TFindings f = CompareDocuments(file, before, after);
    if (binary) {
        // The bytes are the values: any difference is a change.
        r.outcome = TOutcome::Failed;
        if (f.out.isEmpty()) {
            const auto mismatch = std::mismatch(bytes.begin(), bytes.end(), back.begin(), back.end());
            r.out += (file
                + QStringLiteral(": byte %1 changes (a value is stored with another type or size%2)\n")
                      .arg(mismatch.first - bytes.begin())
                      .arg(f.writingOnly.isEmpty() ? QString()
                                                   : QStringLiteral("; ") + f.writingOnly.join(QStringLiteral("; "))))
                         .toUtf8();
        }
        r.out += f.out;
        return r;
    }
    if (f.valueChanges) {
        r.outcome = TOutcome::Failed;
        r.out += f.out;
        return r;
    }
    // The same values, written another way: a note, not a failure.
    if (bytes.count("\r\n") != bytes.count('\n') || bytes.count("\r\n") != bytes.count('\r'))
        f.writingOnly << QStringLiteral("line ends become CR LF");
    if (f.writingOnly.isEmpty())
        f.writingOnly << QStringLiteral("encoding or layout");
    r.out += (file + QStringLiteral(": same values, written differently: ") + f.writingOnly.join(QStringLiteral("; "))
        + u'\n')
                 .toUtf8();
    return r;
}

} // namespace

int CmdCheck(const QStringList& args)
{
    const TCommandLine line(args,
        {{QStringLiteral("--require-text")}, {QStringLiteral("--codepage"), 1}, {QStringLiteral("-r")},
            {QStringLiteral("-j"), 1}});
    ApplyCodePage(line);
    const int jobs = line.PositiveNumber(QStringLiteral("-j"), DefaultJobs());
    const bool requireText = line.Has(QStringLiteral("--require-text"));
    const std::optional<QStringList> inputs = InputFiles(line);
    if (!inputs)
        return kExitFailure;
    const QStringList& files = *inputs;
    if (files.isEmpty()) {
        PrintError(QStringLiteral("korvel-cli: no form files found"));
        return kExitFailure;
    }
    const TBatchCounts counts =
        RunBatch(files, jobs, [requireText](const QString& file) { return CheckFile(file, requireText); });
    if (files.size() > 1)
        PrintError(QStringLiteral("korvel-cli: %1 passed, %2 failed").arg(counts.done).arg(counts.failed));
    return counts.failed ? kExitFailure : kExitOk;
}

} // namespace korvel::cli
