// tree, regen, props, move, decode and encode: the form document without a window.
#include "cli/CliSupport.h"

#include "convert/Errors.h"
#include "document/FormDocument.h"
#include "document/PropertyCodec.h"
#include "document/TreeMoves.h"

#include <charconv>
#include <vector>

namespace korvel::cli {
namespace {

// The name a path segment matches: the component name, or the class name of a nameless one.
QString NodeName(const TTreeNode* node)
{
    const TPROPREC& r = node->record();
    return r.ObjectName.isEmpty() ? r.ClassName : r.ObjectName;
}

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

void LoadDocument(TFormDocument& doc, const QString& file)
{
    doc.LoadFormFile(file);
    // Lines the load could not keep are told at once; a save refuses them later.
    for (const TLoadWarning& w : doc.LoadWarnings())
        PrintError(file + QStringLiteral(": warning: ") + w.Message);
}

QByteArray Utf8Lines(const QString& text) { return text.toUtf8(); }

// Writes OUT only after every step succeeded; OUT may be FILE only when named explicitly.
int WriteSaved(const TFormDocument& doc, const QString& out)
{
    WriteOutput(out, doc.SaveBytes());
    return kExitOk;
}

} // namespace

int CmdTree(QStringList args)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("tree takes one FILE")};
    TFormDocument doc;
    LoadDocument(doc, args[0]);
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
        for (int i = node->childCount() - 1; i >= 0; --i)
            stack.emplace_back(node->child(i), depth + 1);
    }
    WriteStdout(out);
    return kExitOk;
}

int CmdRegen(QStringList args)
{
    QString out;
    if (!TakeOutputOption(args, out) || args.size() != 1)
        throw UsageError{QStringLiteral("regen takes FILE -o OUT")};
    TFormDocument doc;
    LoadDocument(doc, args[0]);
    return WriteSaved(doc, out);
}

int CmdProps(QStringList args)
{
    const bool decode = TakeFlag(args, QStringLiteral("--decode"));
    if (args.size() != 2)
        throw UsageError{QStringLiteral("props takes FILE NODE [--decode]")};
    TFormDocument doc;
    LoadDocument(doc, args[0]);
    const TTreeNode* node = FindNode(doc.Tree(), args[1]);
    QString text = GetNodeProperties(doc.OrgFile(), &node->record());
    if (decode)
        text = DecodeText(text);
    WriteStdout(Utf8Lines(text));
    return kExitOk;
}

int CmdMove(QStringList args)
{
    QString out;
    if (!TakeOutputOption(args, out) || args.isEmpty())
        throw UsageError{QStringLiteral("move takes FILE -o OUT OP...")};
    const QString file = args.takeFirst();
    struct Op {
        QString kind, node, target;
    };
    std::vector<Op> ops;
    while (!args.isEmpty()) {
        const QString kind = args.takeFirst();
        const bool under = kind == QStringLiteral("--under");
        if (kind != QStringLiteral("--up") && kind != QStringLiteral("--down")
            && kind != QStringLiteral("--level-up") && !under)
            throw UsageError{QStringLiteral("unknown move: ") + kind};
        if (args.size() < (under ? 2 : 1))
            throw UsageError{kind + QStringLiteral(" needs ") + (under ? QStringLiteral("NODE TARGET") : QStringLiteral("NODE"))};
        Op op{kind, args.takeFirst(), {}};
        if (under)
            op.target = args.takeFirst();
        ops.push_back(op);
    }
    if (ops.empty())
        throw UsageError{QStringLiteral("no move given")};

    TFormDocument doc;
    LoadDocument(doc, file);
    TComponentTree& tree = doc.Tree();
    for (const Op& op : ops) {
        TTreeNode* s = FindNode(tree, op.node);
        TMoveResult result;
        if (op.kind == QStringLiteral("--up"))
            result = MoveUp(tree, s);
        else if (op.kind == QStringLiteral("--down"))
            result = MoveDown(tree, s);
        else if (op.kind == QStringLiteral("--level-up"))
            result = MoveOneLevelUp(tree, s);
        else
            result = Drop(tree, s, FindNode(tree, op.target));
        if (!result)
            throw EDocumentError(QStringLiteral("移動できません: ") + op.kind.mid(2) + u' ' + op.node
                                 + (op.target.isEmpty() ? QString() : u' ' + op.target));
    }
    return WriteSaved(doc, out);
}

int CmdDecode(QStringList args)
{
    if (!args.isEmpty())
        throw UsageError{QStringLiteral("decode reads standard input and takes no arguments")};
    WriteStdout(DecodeText(QString::fromUtf8(ReadInput(QStringLiteral("-")))).toUtf8());
    return kExitOk;
}

int CmdEncode(QStringList args)
{
    if (!args.isEmpty())
        throw UsageError{QStringLiteral("encode reads standard input and takes no arguments")};
    WriteStdout(EncodeText(QString::fromUtf8(ReadInput(QStringLiteral("-")))).toUtf8());
    return kExitOk;
}

} // namespace korvel::cli
