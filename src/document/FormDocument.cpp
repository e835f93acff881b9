#include "document/FormDocument.h"

#include "convert/AnsiCodePage.h"
#include "convert/BinaryToText.h"
#include "convert/TextToBinary.h"
#include "document/FileIO.h"
#include "document/OutlineParser.h"
#include "document/PropertyCodec.h"
#include "document/TextDecoding.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace korvel {

namespace {

constexpr QByteArrayView kUtf8Mark("\xEF\xBB\xBF");

// Calls fn(line) for every line of text, split at CR LF, CR or LF; a break at
// the very end adds no empty line and an empty text has no lines.
template <typename Fn>
void forEachTextLine(QStringView text, Fn&& fn)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype j = i;
        while (j < n && text[j] != u'\r' && text[j] != u'\n')
            ++j;
        fn(text.sliced(i, j - i));
        if (j == n)
            break;
        i = j + 1;
        if (text[j] == u'\r' && i < n && text[i] == u'\n')
            ++i;
    }
}

// The header line's text after the indentation: the keyword as loaded and the
// header's own text; a record made without header text gets the designer's form.
QString headerOf(const TPROPREC& r)
{
    const QString keyword = r.Keyword.isEmpty() ? QStringLiteral("object") : r.Keyword;
    if (!r.HeaderText.isEmpty())
        return keyword + u' ' + r.HeaderText;
    if (r.ObjectName.isEmpty())
        return keyword + u' ' + r.ClassName;
    return keyword + u' ' + r.ObjectName + QStringLiteral(": ") + r.ClassName;
}

// Emits the block of root and its subtree, line by line, to sink(indent, text).
// The property lines are the applied text when Modified, else the loaded lines
// with up to Indent + 2 leading spaces removed (the same lines the property
// codec cuts out, without joining and splitting them again). Explicit stack, so
// any depth is safe.
template <typename Sink>
void emitBlock(const QStringList& orgFile, const TTreeNode* root, int rootDepth, Sink&& sink)
{
    struct Item {
        const TTreeNode* node;
        int depth;
        bool closing;
    };
    std::vector<Item> stack{{root, rootDepth, false}};
    while (!stack.empty()) {
        const Item item = stack.back();
        stack.pop_back();
        const qsizetype indent = 2 * qsizetype(item.depth);
        if (item.closing) {
            sink(indent, QStringView(u"end"));
            continue;
        }
        const TPROPREC& r = item.node->record();
        sink(indent, QStringView(headerOf(r)));
        const qsizetype propIndent = indent + 2;
        if (r.Modified) {
            forEachTextLine(r.ModProperties, [&](QStringView line) { sink(propIndent, line); });
        } else if (!orgFile.isEmpty()) {
            const qsizetype first = qsizetype(r.BeginLine);
            const qsizetype last = std::min<qsizetype>(qsizetype(r.EndLine), orgFile.size() - 1);
            const qsizetype maxStrip = qsizetype(r.Indent) + 2;
            for (qsizetype i = first; i <= last; ++i) {
                QStringView line(orgFile[i]);
                qsizetype spaces = 0;
                while (spaces < line.size() && spaces < maxStrip && line[spaces] == u' ')
                    ++spaces;
                line = line.sliced(spaces);
                // Joined by CR LF and split again, a final empty line would vanish.
                if (i == last && line.isEmpty())
                    break;
                sink(propIndent, line);
            }
        }
        stack.push_back({item.node, item.depth, true});
        for (int c = item.node->childCount() - 1; c >= 0; --c)
            stack.push_back({item.node->child(c), item.depth + 1, false});
    }
}

// Regeneration writes every line at 2 spaces a level, so a text nested very
// deeply grows with the square of its depth (100,000 levels of headers would
// make some 20 billion characters). Beyond this many characters the text is
// refused before anything is allocated.
constexpr int64_t kMaxRegeneratedChars = int64_t(1) << 30;

// The number of characters (CR LF included) the blocks would regenerate to.
int64_t measureBlocks(const QStringList& orgFile, const TTreeNode* const* roots, int count,
                      int rootDepth)
{
    int64_t total = 0;
    for (int i = 0; i < count; ++i)
        emitBlock(orgFile, roots[i], rootDepth, [&](qsizetype indent, QStringView text) {
            total += indent + text.size() + 2;
        });
    return total;
}

void checkRegeneratedSize(int64_t chars)
{
    if (chars > kMaxRegeneratedChars)
        throw EDocumentError(TextTooLargeMessage());
}

// Four code units at a time: any bit from 0x80 up in any of them.
bool isAsciiText(QStringView s)
{
    const char16_t* p = s.utf16();
    const qsizetype n = s.size();
    uint64_t acc = 0;
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        acc |= w;
    }
    for (; i < n; ++i)
        acc |= p[i];
    return (acc & 0xFF80FF80FF80FF80ull) == 0;
}

void appendAscii(QByteArray& out, QStringView s)
{
    const qsizetype old = out.size();
    out.resize(old + s.size());
    char* d = out.data() + old;
    const char16_t* p = s.utf16();
    for (qsizetype i = 0; i < s.size(); ++i)
        d[i] = static_cast<char>(p[i]);
}

// Appends the regenerated text's bytes: every line as indentation, text and CR LF.
struct ByteSink {
    QByteArray& out;
    bool utf8;

    void operator()(qsizetype indent, QStringView text)
    {
        out.append(indent, ' ');
        if (isAsciiText(text))
            appendAscii(out, text);
        else if (utf8)
            out.append(text.toUtf8());
        else
            out.append(ansi::encode(text));
        out.append("\r\n", 2);
    }
};

// Appends every line as a string of its own: indentation and text.
struct LineSink {
    QStringList& out;

    void operator()(qsizetype indent, QStringView text)
    {
        QString line;
        line.reserve(indent + text.size());
        line.fill(u' ', indent);
        line.append(text);
        out.append(std::move(line));
    }
};

} // namespace

QString DefaultStrFormFileNotFound()
{
    return QStringLiteral("指定されたフォームファイルがみつかりません");
}

QString DefaultStrSaveChanges()
{
    return QStringLiteral("変更を保存しますか？");
}

QString DefaultStrRestoreBackup()
{
    return QStringLiteral("バックアップを書き戻しますか？");
}

QString DefaultStrReload()
{
    return QStringLiteral("フォームファイルを最新の情報に更新しますか？");
}

QString NoComponentToSaveMessage()
{
    return QStringLiteral("保存するコンポーネントがありません");
}

QString TextTooLargeMessage()
{
    return QStringLiteral("再生成したテキストが大きすぎます");
}

QString ResolveRequestedFile(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || dot < slash)
        return {};
    const QString ext = path.sliced(dot).toLower();
    if (ext == u".dfm" || ext == u".fmx" || ext == u".xfm")
        return FileExists(path) ? path : QString();
    if (ext == u".pas" || ext == u".cpp" || ext == u".h") {
        const QString stem = path.left(dot);
        for (const char16_t* formExt : {u".dfm", u".fmx", u".xfm"}) {
            const QString candidate = stem + QString::fromUtf16(formExt);
            if (FileExists(candidate))
                return candidate;
        }
    }
    return {};
}

TFormDocument::TFormDocument() : FNoNameText(DefaultNoNameText())
{
    FTree.addObserver(&FHistory);
}

TFormDocument::~TFormDocument()
{
    FTree.removeObserver(&FHistory);
}

QString TFormDocument::CurrentFileName() const
{
    return FModFileName.isEmpty() ? FOrgFileName : FModFileName;
}

TOpenOutcome TFormDocument::OpenRequestedFile(const QString& path)
{
    const QString target = ResolveRequestedFile(path);
    if (target.isEmpty())
        return TOpenOutcome::NotFound;
    LoadFormFile(target);
    return TOpenOutcome::Loaded;
}

void TFormDocument::LoadFormFile(const QString& path)
{
    LoadFormBytes(path, ReadWholeFile(path));
}

void TFormDocument::LoadFormBytes(const QString& path, QByteArray bytes)
{
    // Everything is built aside first; the document changes only once nothing
    // can fail any more, so a failed load leaves the previous document whole.
    ByteStream bin(std::move(bytes));
    const TStreamOriginalFormat format = DetectStreamFormat(bin);
    QStringList lines;
    bool beta = false;
    bool convertedUtf8 = false;
    switch (format) {
    case sofBinary: {
        bin.seek(0);
        ByteStream text;
        BinaryResourceToText(bin, text);
        beta = ContainsNonAscii(text);
        convertedUtf8 = text.data().startsWith(kUtf8Mark);
        lines = DecodeLinesWithBom(text.data());
        break;
    }
    case sofUTF8Text:
        lines = DecodeLinesUtf8(bin.data());
        beta = true;
        break;
    case sofText:
    case sofUnknown:
        lines = DecodeLinesWithBom(bin.data());
        beta = ContainsNonAscii(QByteArrayView(bin.data()));
        break;
    }
    bin.seek(0);
    TComponentTree tree;
    ParseOutline(lines, tree, FNoNameText);

    FOrgFile.swap(lines);
    FOrgBinFile = std::move(bin);
    FFormat = format;
    FBetaText = beta;
    FConvertedUtf8 = format == sofBinary && convertedUtf8;
    FAutoDecode = !beta;
    FOrgFileName = path;
    FModFileName.clear();
    FLoaded = true;
    FTree.replaceContents(std::move(tree));
}

QString TFormDocument::NodeProperties(const TTreeNode* node) const
{
    if (!node)
        return {};
    const TPROPREC& r = node->record();
    return r.Modified ? r.ModProperties : GetNodeProperties(FOrgFile, &r);
}

void TFormDocument::BuildNodeText(const TTreeNode* node, QStringList& out) const
{
    if (!node)
        return;
    const int depth = node->depth();
    checkRegeneratedSize(measureBlocks(FOrgFile, &node, 1, depth));
    emitBlock(FOrgFile, node, depth, LineSink{out});
}

std::vector<const TTreeNode*> TFormDocument::blocksToSave() const
{
    if (FTree.isEmpty())
        throw EDocumentError(NoComponentToSaveMessage());
    // A binary form holds exactly one root object.
    const int count = FFormat == sofBinary ? 1 : FTree.topLevelCount();
    std::vector<const TTreeNode*> roots;
    for (int i = 0; i < count; ++i)
        roots.push_back(FTree.topLevel(i));
    return roots;
}

QStringList TFormDocument::RegenerateLines() const
{
    const std::vector<const TTreeNode*> roots = blocksToSave();
    checkRegeneratedSize(measureBlocks(FOrgFile, roots.data(), int(roots.size()), 0));
    QStringList lines;
    for (const TTreeNode* root : roots)
        emitBlock(FOrgFile, root, 0, LineSink{lines});
    return lines;
}

QByteArray TFormDocument::SaveBytes() const
{
    // A UTF-8 document, and a binary one whose converted text carried the UTF-8
    // mark (names outside ASCII), are written as UTF-8 behind the mark; the others
    // in the ANSI code page.
    const bool utf8 = FFormat == sofUTF8Text || (FFormat == sofBinary && FConvertedUtf8);
    const std::vector<const TTreeNode*> roots = blocksToSave();
    const int64_t chars = measureBlocks(FOrgFile, roots.data(), int(roots.size()), 0);
    checkRegeneratedSize(chars);
    QByteArray text;
    text.reserve(chars + 3); // exact for ASCII text
    if (utf8)
        text.append(kUtf8Mark);
    ByteSink sink{text, utf8};
    for (const TTreeNode* root : roots)
        emitBlock(FOrgFile, root, 0, sink);
    if (FFormat != sofBinary)
        return text;

    ByteStream in(std::move(text));
    ByteStream out;
    if (FBetaText)
        TextToResourceAnsi(in, out);
    else
        TextToResource(in, out);
    return out.data();
}

void TFormDocument::SaveFormFile(const QString& path) const
{
    WriteFileAtomic(path, SaveBytes());
}

void TFormDocument::Save()
{
    saveTo(CurrentFileName());
}

void TFormDocument::SaveAs(const QString& path)
{
    saveTo(path); // the name is taken only once the file is written
    FModFileName = path;
}

void TFormDocument::RestoreBackup()
{
    WriteFileAtomic(CurrentFileName(), FOrgBinFile.data());
    FHistory.markLoadedSaved();
}

bool TFormDocument::Refresh()
{
    const QString path = CurrentFileName();
    if (path.isEmpty() || !FileExists(path))
        return false;
    LoadFormFile(path);
    return true;
}

QString TFormDocument::ClipboardText(const TTreeNode* node) const
{
    QStringList lines;
    BuildNodeText(node, lines);
    QString text;
    for (const QString& line : lines) {
        text.append(line);
        text.append(u"\r\n");
    }
    return text;
}

} // namespace korvel
