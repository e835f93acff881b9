// Outline parser on arbitrary text: builds the tree, checks the records'
// ranges, then moves nodes as the input's last bytes say and regenerates.
#include "document/OutlineParser.h"
#include "document/TextDecoding.h"
#include "document/TreeMoves.h"
#include "errors/Errors.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace korvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const QStringList lines =
            DecodeLinesWithBom(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
        TComponentTree tree;
        ParseOutline(lines, tree);
        std::vector<TTreeNode*> nodes;
        for (int64_t i = 0; i < tree.count(); ++i) {
            TTreeNode* n = tree.GetNodeFromIndex(i);
            const TPROPREC& r = n->record();
            // Every range starts after its header and ends inside the text.
            if (r.BeginLine < 1 || r.BeginLine > uint32_t(lines.size()) || int64_t(r.EndLine) + 1 < int64_t(r.BeginLine)
                || int64_t(r.EndLine) >= lines.size())
                std::abort();
            if (r.Indent != 2u * uint32_t(n->depth()))
                std::abort();
            // Trail lines come after the header and lie inside the text.
            if (r.TrailCount != 0
                && (r.TrailBegin <= r.BeginLine || int64_t(r.TrailBegin) + r.TrailCount > lines.size()))
                std::abort();
            nodes.push_back(n);
        }
        if (nodes.empty())
            return 0;
        const size_t moves = std::min<size_t>(size, 64);
        for (size_t m = 0; m < moves; ++m) {
            const uint8_t b = data[size - 1 - m];
            TTreeNode* s = nodes[(b * 31u + m) % nodes.size()];
            switch (b & 3) {
            case 0:
                MoveUp(tree, s);
                break;
            case 1:
                MoveDown(tree, s);
                break;
            case 2:
                MoveOneLevelUp(tree, s);
                break;
            default:
                Drop(tree, s, nodes[(b >> 2) % nodes.size()]);
                break;
            }
        }
        if (tree.count() != int64_t(nodes.size()))
            std::abort();
        (void)DumpTree(tree);
    } catch (const EKorvelError&) {
    }
    return 0;
}
