// json: the component tree of a form file as JSON, written as it is produced.
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"

#include "document/FormDocument.h"

#include <utility>
#include <vector>

namespace korvel::cli {
namespace {

void AppendJsonString(QByteArray& out, const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out.append('"');
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out.append("\\u00");
                out.append(hex[c >> 4]);
                out.append(hex[c & 15]);
            } else {
                out.append(ch);
            }
        }
    }
    out.append('"');
}

// The node's properties as "name": "raw value text"; the lines that continue a
// value (lists, binary data, collections) are joined to it with line feeds.
void AppendProperties(QByteArray& out, const QString& text)
{
    out.append('{');
    bool first = true;
    bool open = false;
    QString pendingName, pendingValue;
    auto flush = [&] {
        if (!open)
            return;
        if (!first)
            out.append(',');
        first = false;
        AppendJsonString(out, pendingName);
        out.append(':');
        AppendJsonString(out, pendingValue);
        open = false;
    };
    if (!text.isEmpty()) {
        for (const QString& line : text.split(QStringLiteral("\r\n"))) {
            QString name, value;
            if (SplitPropertyLine(line, name, value)) {
                flush();
                pendingName = name;
                pendingValue = value;
                open = true;
            } else if (open) {
                pendingValue += u'\n' + line;
            } else {
                // A line before any property keeps its place under an empty name.
                pendingName.clear();
                pendingValue = line;
                open = true;
            }
        }
    }
    flush();
    out.append('}');
}

void AppendComponentHead(QByteArray& out, const TFormDocument& doc, const TTreeNode* node, int position)
{
    const TPROPREC& r = node->record();
    out.append("{\"name\":");
    AppendJsonString(out, r.ObjectName);
    out.append(",\"class\":");
    AppendJsonString(out, r.ClassName);
    out.append(",\"keyword\":");
    AppendJsonString(out, r.Keyword.toLower());
    out.append(",\"position\":").append(QByteArray::number(position));
    out.append(",\"line\":").append(QByteArray::number(qint64(r.BeginLine)));
    out.append(",\"properties\":");
    AppendProperties(out, doc.NodeProperties(node));
    out.append(",\"children\":[");
}

} // namespace

int CmdJson(const QStringList& args)
{
    const TCommandLine line(args, {});
    if (line.Operands().size() != 1)
        throw UsageError{QStringLiteral("json takes one FILE")};
    const QString file = line.Operands()[0];
    return RunForFile(file, [&] {
        TFormDocument doc;
        LoadFormDocument(doc, file);
        QByteArray out;
        out.append("{\"file\":");
        AppendJsonString(out, file);
        out.append(",\"format\":\"").append(FormatName(doc.Format())).append("\",\"components\":[");
        const TComponentTree& tree = doc.Tree();
        // Depth-first with an explicit stack: (node, index of the next child to write).
        std::vector<std::pair<const TTreeNode*, int>> stack;
        for (int top = 0; top < tree.topLevelCount(); ++top) {
            if (top > 0)
                out.append(',');
            AppendComponentHead(out, doc, tree.topLevel(top), top);
            stack.emplace_back(tree.topLevel(top), 0);
            while (!stack.empty()) {
                auto& [node, next] = stack.back();
                if (next < node->childCount()) {
                    if (next > 0)
                        out.append(',');
                    const TTreeNode* child = node->child(next);
                    AppendComponentHead(out, doc, child, next);
                    ++next;
                    stack.emplace_back(child, 0);
                } else {
                    out.append("]}");
                    stack.pop_back();
                }
                if (out.size() >= 1 << 16) {
                    WriteStdout(out);
                    out.clear();
                }
            }
        }
        out.append("]}\n");
        WriteStdout(out);
    });
}

} // namespace korvel::cli
