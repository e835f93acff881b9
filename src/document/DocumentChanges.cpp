// TFormDocument: the changes the user makes to a loaded document (moves, applied
// and reverted property text), their undo history, and saving with error texts
// that lead the user to the failing place.
#include "document/FormDocument.h"

#include "document/OutlineParser.h"
#include "document/PropertyCodec.h"
#include "document/LineSplit.h"
#include "document/TextLines.h"

#include <vector>

namespace korvel {

namespace {

// The number of lines of a property text, split the way regeneration splits it
// (CR LF, CR or LF; a final break adds no empty line).
int countTextLines(QStringView text)
{
    int lines = 0;
    ForEachLine(text.utf16(), text.size(), TNulRule::Ordinary, [&](qsizetype, qsizetype) {
        ++lines;
        return true;
    });
    return lines;
}

// Line number (from 1) of text, or an empty view when it has fewer lines.
QStringView textLine(QStringView text, int number)
{
    QStringView found;
    int at = 0;
    ForEachLine(text.utf16(), text.size(), TNulRule::Ordinary, [&](qsizetype b, qsizetype e) {
        if (++at < number)
            return true;
        found = text.sliced(b, e - b);
        return false;
    });
    return found;
}

} // namespace

QString FileErrorText(const QString& path, const QString& message)
{
    const QString text = message.startsWith(path + QStringLiteral(": ")) || path.isEmpty()
        ? message
        : path + QStringLiteral(": ") + message;
    // Control characters of a damaged file would garble the box: show them as #nn.
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F)
            shown += u'#' + QString::number(u);
        else
            shown += c;
    }
    return shown;
}

QString LoadWarningsText(const QString& path, const std::vector<TLoadWarning>& warnings)
{
    constexpr std::size_t kShown = 10;
    QStringList lines;
    for (std::size_t i = 0; i < warnings.size() && i < kShown; ++i)
        lines << FileErrorText(i == 0 ? path : QString(), warnings[i].Message);
    if (warnings.size() > kShown)
        lines << QStringLiteral("…ほか %1 件").arg(warnings.size() - kShown);
    return lines.join(u'\n');
}

QString TFormDocument::ShownProperties(const TTreeNode* node) const
{
    const QString text = NodeProperties(node);
    return FAutoDecode ? DecodeText(text) : text;
}

void TFormDocument::ApplyProperties(TTreeNode* node, const QString& paneText)
{
    if (!node)
        return;
    TPROPREC& r = node->record();
    const bool oldModified = r.Modified;
    QString oldText = r.ModProperties;
    r.Modified = true;
    r.ModProperties = FAutoDecode ? EncodeText(paneText) : paneText;
    FHistory.recordProperties(node, oldModified, std::move(oldText));
}

void TFormDocument::RevertProperties(TTreeNode* node)
{
    if (!node)
        return;
    TPROPREC& r = node->record();
    const bool oldModified = r.Modified;
    r.Modified = false; // ModProperties keeps its text; a later apply overwrites it
    FHistory.recordProperties(node, oldModified, r.ModProperties);
}

TMoveResult TFormDocument::recordMove(TMoveResult result, TTreeNode* fromParent, int fromRow, TTreeNode* focus)
{
    if (result)
        FHistory.recordMove(result.moved, fromParent, fromRow, focus);
    return result;
}

TMoveResult TFormDocument::MoveUp(TTreeNode* s)
{
    if (!CanMoveUp(s))
        return {};
    TTreeNode* parent = s->parent();
    const int row = s->row();
    return recordMove(korvel::MoveUp(FTree, s), parent, row, s);
}

TMoveResult TFormDocument::MoveDown(TTreeNode* s)
{
    if (!CanMoveDown(s))
        return {};
    // What moves is the next sibling, which goes above s.
    TTreeNode* next = s->nextSibling();
    TTreeNode* parent = next->parent();
    const int row = next->row();
    return recordMove(korvel::MoveDown(FTree, s), parent, row, s);
}

TMoveResult TFormDocument::MoveOneLevelUp(TTreeNode* s)
{
    if (!CanMoveOneLevelUp(s))
        return {};
    TTreeNode* parent = s->parent();
    const int row = s->row();
    return recordMove(korvel::MoveOneLevelUp(FTree, s), parent, row, s);
}

TMoveResult TFormDocument::Drop(TTreeNode* s, TTreeNode* target)
{
    if (!CanDrop(s, target))
        return {};
    TTreeNode* parent = s->parent();
    const int row = s->row();
    return recordMove(korvel::Drop(FTree, s, target), parent, row, s);
}

void TFormDocument::Reparse()
{
    TComponentTree fresh;
    ParseOutline(FOrgFile, fresh, FNoNameText);
    FTree.replaceContents(std::move(fresh));
}

QString TFormDocument::RegeneratedLineLocation(int line) const
{
    if (line <= 0 || FTree.isEmpty())
        return {};
    // Walk the blocks in the order regeneration writes them: header, property
    // lines, children, end.
    const int roots = FFormat == sofBinary ? 1 : FTree.topLevelCount();
    struct Item {
        const TTreeNode* node;
        bool closing;
    };
    std::vector<Item> stack;
    for (int i = roots - 1; i >= 0; --i)
        stack.push_back({FTree.topLevel(i), false});
    int64_t at = 0; // lines written so far
    while (!stack.empty()) {
        const Item item = stack.back();
        stack.pop_back();
        if (++at == line)
            return {}; // a header or an end line
        if (item.closing)
            continue;
        const QString text = NodeProperties(item.node);
        const int count = countTextLines(text);
        if (line <= at + count) {
            const int within = int(line - at);
            // Confirm against the text itself, so a layout this walk does not know never misleads.
            const QStringList lines = RegenerateLines();
            const QStringView expected = textLine(text, within);
            if (line > lines.size() || !lines[line - 1].endsWith(expected))
                return {};
            const TPROPREC& r = item.node->record();
            return u'(' + NodeCaption(r.ObjectName, FNoNameText) + QStringLiteral(": ") + r.ClassName
                + QStringLiteral(" のプロパティ ") + QString::number(within) + QStringLiteral(" 行目)");
        }
        at += count;
        stack.push_back({item.node, true});
        for (int c = item.node->childCount() - 1; c >= 0; --c)
            stack.push_back({item.node->child(c), false});
    }
    return {};
}

void TFormDocument::saveTo(const QString& path)
{
    try {
        SaveFormFile(path);
    } catch (const EParserError& e) {
        const QString where = RegeneratedLineLocation(e.line());
        if (where.isEmpty())
            throw;
        throw EParserError(e.message() + u' ' + where, e.position());
    }
    FHistory.markSaved();
}

} // namespace korvel
