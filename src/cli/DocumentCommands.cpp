// tree, regen, props, move, decode and encode: the form document without a window.
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"

#include "document/FormDocument.h"
#include "document/PropertyCodec.h"
#include "document/TreeMoves.h"
#include "errors/Errors.h"

#include <charconv>
#include <functional>
#include <vector>

namespace korvel::cli {
namespace {

// The name a path segment matches: the component name, or the class name of a nameless one.
QString NodeName(const TTreeNode* node)
{
    const TPROPREC& r = node->record();
    return r.ObjectName.isEmpty() ? r.ClassName : r.ObjectName;
}

void LoadDocument(TFormDocument& doc, const QString& file)
{
    doc.LoadFormFile(file);
    // Lines the load could not keep are told at once; a save refuses them later.
    for (const TLoadWarning& w : doc.LoadWarnings())
        PrintError(file + QStringLiteral(": warning: ") + w.Message);
}

QByteArray Utf8Lines(const QString& text)
{
    return text.toUtf8();
}

// Writes OUT only after every step succeeded; OUT may be FILE only when named explicitly.
void WriteSaved(const TFormDocument& doc, const QString& out)
{
    // Both write the text as it is produced; every check comes before the first byte.
    if (out == QStringLiteral("-"))
        doc.WriteSaveBytes([](QByteArrayView bytes) { WriteStdout(bytes); });
    else
        doc.SaveFormFile(out);
}

} // namespace

// Finds a node by a path of names from a top-level node, "Form1/Panel1/Button1";
// "NAME[k]" picks the k-th (0-based) of several siblings with that name.
TTreeNode* FindNode(const TComponentTree& tree, const QString& path)
{
    TTreeNode* parent = nullptr;
    TTreeNode* found = nullptr;
    for (const QString& rawSegment : path.split(u'/')) {
        QString name = rawSegment;
        int wanted = 0;
        if (name.endsWith(u']')) {
            const qsizetype open = name.lastIndexOf(u'[');
            if (open > 0) {
                const QByteArray digits = name.mid(open + 1, name.size() - open - 2).toLatin1();
                int k = 0;
                const auto r = std::from_chars(digits.constData(), digits.constData() + digits.size(), k);
                if (r.ec == std::errc() && r.ptr == digits.constData() + digits.size() && !digits.isEmpty()) {
                    wanted = k;
                    name.truncate(open);
                }
            }
        }
        found = nullptr;
        const int n = parent ? parent->childCount() : tree.topLevelCount();
        for (int i = 0, seen = 0; i < n; ++i) {
            TTreeNode* c = parent ? parent->child(i) : tree.topLevel(i);
            if (NodeName(c) == name && seen++ == wanted) {
                found = c;
                break;
            }
        }
        if (!found)
            throw EDocumentError(QStringLiteral("コンポーネントが見つかりません: ") + path);
        parent = found;
    }
    return found;
}

void LoadFormDocument(TFormDocument& doc, const QString& file)
{
    LoadDocument(doc, file);
}

int RunForFile(const QString& file, const std::function<void()>& body)
{
    try {
        body();
        return kExitOk;
    } catch (const std::exception& e) {
        ReportError(file, e);
        return kExitFailure;
    }
}

int CmdTree(const QStringList& args)
{
    const TCommandLine line(args, {});
    if (line.Operands().size() != 1)
        throw UsageError{QStringLiteral("tree takes one FILE")};
    const QString file = line.Operands()[0];
    return RunForFile(file, [&] {
        TFormDocument doc;
        LoadDocument(doc, file);
        QByteArray out;
        // Depth-first with an explicit stack, so any nesting depth is safe.
        std::vector<std::pair<TTreeNode*, int>> stack;
        for (int i = doc.Tree().topLevelCount() - 1; i >= 0; --i)
            stack.emplace_back(doc.Tree().topLevel(i), 0);
        while (!stack.empty()) {
            auto [node, depth] = stack.back();
            stack.pop_back();
            const TPROPREC& r = node->record();
            out.append(QByteArray(qsizetype(depth) * 2, ' '));
            out.append(node->caption().toUtf8());
            out.append(": ");
            out.append(r.ClassName.toUtf8());
            out.append('\t');
            out.append(QByteArray::number(r.BeginLine)).append('-').append(QByteArray::number(r.EndLine));
            out.append('\n');
            if (out.size() >= 1 << 16) {
                WriteStdout(out);
                out.clear();
            }
            for (int i = node->childCount() - 1; i >= 0; --i)
                stack.emplace_back(node->child(i), depth + 1);
        }
        WriteStdout(out);
    });
}

int CmdRegen(const QStringList& args)
{
    const TCommandLine line(args, {{QStringLiteral("-o"), 1}});
    if (!line.Has(QStringLiteral("-o")) || line.Operands().size() != 1)
        throw UsageError{QStringLiteral("regen takes FILE -o OUT")};
    const QString file = line.Operands()[0];
    return RunForFile(file, [&] {
        TFormDocument doc;
        LoadDocument(doc, file);
        WriteSaved(doc, line.Value(QStringLiteral("-o")));
    });
}

int CmdProps(const QStringList& args)
{
    const TCommandLine line(args, {{QStringLiteral("--decode")}});
    if (line.Operands().size() != 2)
        throw UsageError{QStringLiteral("props takes FILE NODE [--decode]")};
    const QString file = line.Operands()[0];
    return RunForFile(file, [&] {
        TFormDocument doc;
        LoadDocument(doc, file);
        const TTreeNode* node = FindNode(doc.Tree(), line.Operands()[1]);
        QString text = GetNodeProperties(doc.OrgFile(), &node->record());
        if (line.Has(QStringLiteral("--decode")))
            text = DecodeText(text);
        WriteStdout(Utf8Lines(text));
    });
}

int CmdMove(const QStringList& args)
{
    const TCommandLine line(args,
        {{QStringLiteral("-o"), 1}, {QStringLiteral("--up"), 1}, {QStringLiteral("--down"), 1},
            {QStringLiteral("--level-up"), 1}, {QStringLiteral("--under"), 2}});
    if (!line.Has(QStringLiteral("-o")) || line.Operands().size() != 1)
        throw UsageError{QStringLiteral("move takes FILE -o OUT OP...")};
    std::vector<TOptionUse> ops;
    for (const TOptionUse& use : line.Uses())
        if (use.name != QStringLiteral("-o"))
            ops.push_back(use);
    if (ops.empty())
        throw UsageError{QStringLiteral("no move given")};

    const QString file = line.Operands()[0];
    return RunForFile(file, [&] {
        TFormDocument doc;
        LoadDocument(doc, file);
        TComponentTree& tree = doc.Tree();
        for (const TOptionUse& op : ops) {
            TTreeNode* s = FindNode(tree, op.values[0]);
            TMoveResult result;
            if (op.name == QStringLiteral("--up"))
                result = MoveUp(tree, s);
            else if (op.name == QStringLiteral("--down"))
                result = MoveDown(tree, s);
            else if (op.name == QStringLiteral("--level-up"))
                result = MoveOneLevelUp(tree, s);
            else
                result = Drop(tree, s, FindNode(tree, op.values[1]));
            if (!result)
                throw EDocumentError(QStringLiteral("移動できません: ") + op.name.mid(2) + u' ' + op.values.join(u' '));
        }
        WriteSaved(doc, line.Value(QStringLiteral("-o")));
    });
}

int CmdDecode(const QStringList& args)
{
    if (!TCommandLine(args, {}).Operands().isEmpty() || !args.isEmpty())
        throw UsageError{QStringLiteral("decode reads standard input and takes no arguments")};
    return RunForFile(QStringLiteral("-"),
        [] { WriteStdout(DecodeText(QString::fromUtf8(ReadInput(QStringLiteral("-")))).toUtf8()); });
}

int CmdEncode(const QStringList& args)
{
    if (!TCommandLine(args, {}).Operands().isEmpty() || !args.isEmpty())
        throw UsageError{QStringLiteral("encode reads standard input and takes no arguments")};
    return RunForFile(QStringLiteral("-"),
        [] { WriteStdout(EncodeText(QString::fromUtf8(ReadInput(QStringLiteral("-")))).toUtf8()); });
}

} // namespace korvel::cli
