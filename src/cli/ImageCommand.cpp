#include "cli/ImageCommand.h"

#include "cli/CliSupport.h"
#include "convert/Errors.h"
#include "document/FormDocument.h"
#include "document/Pictures.h"

#include <QFileInfo>

#include <charconv>

namespace korvel::cli {
namespace {

// The name a path segment matches: the component name, or the class name of a nameless one.
QString SegmentName(const TTreeNode* node)
{
    const TPROPREC& r = node->record();
    return r.ObjectName.isEmpty() ? r.ClassName : r.ObjectName;
}

// The node a path of names from a top-level node stands for, "Form1/Panel1/Image1";
// "NAME[k]" picks the k-th (0-based) of several siblings with that name.
const TTreeNode* FindNodeByPath(const TComponentTree& tree, const QString& path)
{
    const TTreeNode* parent = nullptr;
    const TTreeNode* found = nullptr;
    for (QString name : path.split(u'/')) {
        int wanted = 0;
        const qsizetype open = name.lastIndexOf(u'[');
        if (name.endsWith(u']') && open > 0) {
            const QByteArray digits = name.sliced(open + 1, name.size() - open - 2).toLatin1();
            const char* end = digits.constData() + digits.size();
            int k = 0;
            const auto r = std::from_chars(digits.constData(), end, k);
            if (!digits.isEmpty() && r.ec == std::errc() && r.ptr == end) {
                wanted = k;
                name.truncate(open);
            }
        }
        found = nullptr;
        const int n = parent ? parent->childCount() : tree.topLevelCount();
        for (int i = 0, seen = 0; i < n && !found; ++i) {
            const TTreeNode* c = parent ? parent->child(i) : tree.topLevel(i);
            if (SegmentName(c) == name && seen++ == wanted)
                found = c;
        }
        if (!found)
            throw EDocumentError(QStringLiteral("コンポーネントが見つかりません: ") + path);
        parent = found;
    }
    return found;
}

} // namespace

int CmdImage(QStringList args)
{
    QString out;
    if (!TakeOutputOption(args, out) || args.size() != 3)
        throw UsageError{QStringLiteral("image takes FILE NODE PROPERTY -o OUT")};
    TFormDocument doc;
    doc.LoadFormFile(args[0]);
    const TTreeNode* node = FindNodeByPath(doc.Tree(), args[1]);
    const QString& property = args[2];
    const auto hex = FindHexProperty(doc.NodeProperties(node), property);
    const auto picture = hex ? DecodePicture(hex->Data) : std::nullopt;
    if (!picture)
        throw EDocumentError(QStringLiteral("プロパティに画像がありません: ") + args[1] + u' ' + property);
    // OUT without an extension takes the image's own.
    if (out != QStringLiteral("-") && QFileInfo(out).suffix().isEmpty())
        out += picture->Extension();
    WriteOutput(out, picture->Image);
    return kExitOk;
}

} // namespace korvel::cli
