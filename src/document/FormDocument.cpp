#include "document/FormDocument.h"

#include "convert/AnsiCodePage.h"
#include "convert/Ascii.h"
#include "convert/BinaryToText.h"
#include "convert/TextToBinary.h"
#include "document/FileIO.h"
#include "document/LineSplit.h"
#include "document/OutlineParser.h"
#include "document/PropertyCodec.h"
#include "document/TextDecoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace korvel {

namespace {

constexpr QByteArrayView kUtf8Mark("\xEF\xBB\xBF");

// The header line's text after the indentation: the keyword and its gap as
// loaded and the header's own text; a record made without header text gets the
// designer's form.
QString headerOf(const TPROPREC& r)
{
    const QString keyword = (r.Keyword.isEmpty() ? QStringLiteral("object") : r.Keyword)
        + (r.KeywordGap.isEmpty() ? QStringLiteral(" ") : r.KeywordGap);
    if (!r.HeaderText.isEmpty())
        return keyword + r.HeaderText;
    if (r.ObjectName.isEmpty())
        return keyword + r.ClassName;
    return keyword + r.ObjectName + QStringLiteral(": ") + r.ClassName;
}

// Calls sink(indent, text) for the lines first … first + count − 1 of orgFile with
// up to maxStrip columns of their indentation removed.
template <typename Sink>
void emitLoadedLines(
    const TTextLines& orgFile, qsizetype first, qsizetype count, qsizetype maxStrip, qsizetype indent, Sink& sink)
{
    const qsizetype end = std::min(first + count, orgFile.size());
    if constexpr (requires { sink.loadedLines(orgFile, first, end, indent); }) {
        sink.loadedLines(orgFile, first, end, indent);
        return;
    }
    for (qsizetype i = first; i < end; ++i)
        orgFile.visitLine(i, [&](auto line) { sink(indent, line.sliced(IndentToStrip(line, maxStrip))); });
}

// Emits the block of root and its subtree, line by line, to sink(indent, text).
// The property lines are the applied text when Modified, else the loaded lines
// with up to Indent + 2 columns of indentation removed (the same lines the
// property codec cuts out, without joining and splitting them again). After each
// end line come the block's trail lines, re-indented alike from its header's
// level; the root's own trail only when withRootTrail. Explicit stack, so any
// depth is safe.
template <typename Sink>
void emitBlock(const TTextLines& orgFile, const TTreeNode* root, int rootDepth, bool withRootTrail, Sink&& sink)
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
        const TPROPREC& r = item.node->record();
        if (item.closing) {
            sink(indent, QStringView(r.EndText.isEmpty() ? QStringLiteral("end") : r.EndText));
            if (r.TrailCount != 0 && (withRootTrail || item.node != root))
                emitLoadedLines(orgFile, r.TrailBegin, r.TrailCount, r.Indent, indent, sink);
            continue;
        }
        sink(indent, QStringView(headerOf(r)));
        const qsizetype propIndent = indent + 2;
        if (r.Modified) {
            const QStringView text(r.ModProperties);
            ForEachLine(text.utf16(), text.size(), TNulRule::Ordinary, [&](qsizetype b, qsizetype e) {
                sink(propIndent, text.sliced(b, e - b));
                return true;
            });
        } else if (!orgFile.isEmpty()) {
            const qsizetype first = qsizetype(r.BeginLine);
            qsizetype last = std::min<qsizetype>(qsizetype(r.EndLine), orgFile.size() - 1);
            const qsizetype maxStrip = qsizetype(r.Indent) + 2;
            // Joined by CR LF and split again, a final empty line would vanish.
            if (last >= first
                && orgFile.visitLine(last, [&](auto line) { return IndentToStrip(line, maxStrip) == line.size(); }))
                --last;
            emitLoadedLines(orgFile, first, last - first + 1, maxStrip, propIndent, sink);
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

// Counts the characters (CR LF included) of the lines emitted to it.
struct MeasureSink {
    int64_t total = 0;
    template <typename View> void operator()(qsizetype indent, View text) { total += indent + text.size() + 2; }
};

// At least as many characters as MeasureSink counts, found per block instead of
// per line: a range of loaded lines takes no more than its span in the buffer
// (breaks included) plus the indentation and CR LF of each line.
struct BoundSink : MeasureSink {
    using MeasureSink::operator();
    void loadedLines(const TTextLines& lines, qsizetype first, qsizetype end, qsizetype indent)
    {
        if (end > first)
            total += lines.span(first, end) + (end - first) * (indent + 2);
    }
};

// A bound on the characters produce(sink) emits, exact when that bound is over
// the limit; throws EDocumentError when the exact count is.
template <typename Produce> int64_t checkedRegeneratedSize(Produce&& produce)
{
    BoundSink bound;
    produce(bound);
    if (bound.total <= kMaxRegeneratedChars)
        return bound.total;
    MeasureSink measure;
    produce(measure);
    if (measure.total > kMaxRegeneratedChars)
        throw EDocumentError(TextTooLargeMessage());
    return measure.total;
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

void appendUtf16(QByteArray& out, QStringView s, bool bigEndian)
{
    const qsizetype old = out.size();
    out.resize(old + 2 * s.size());
    char* d = out.data() + old;
    const char16_t* p = s.utf16();
    const int hi = bigEndian ? 0 : 1;
    for (qsizetype i = 0; i < s.size(); ++i) {
        d[2 * i + hi] = static_cast<char>(p[i] >> 8);
        d[2 * i + 1 - hi] = static_cast<char>(p[i] & 0xFF);
    }
}

// Appends the regenerated text's bytes in the document's encoding: every line as
// indentation, text and CR LF.
struct ByteSink {
    QByteArray& out;
    TTextEncoding encoding;

    void operator()(qsizetype indent, QStringView text)
    {
        if (encoding == TTextEncoding::tenUtf16LE || encoding == TTextEncoding::tenUtf16BE) {
            const bool be = encoding == TTextEncoding::tenUtf16BE;
            appendUtf16(out, QString(indent, u' '), be);
            appendUtf16(out, text, be);
            appendUtf16(out, u"\r\n", be);
            return;
        }
        out.append(indent, ' ');
        if (IsAscii(text))
            appendAscii(out, text);
        else if (encoding == TTextEncoding::tenUtf8Bom)
            out.append(text.toUtf8());
        else
            out.append(ansi::encode(text));
        out.append("\r\n", 2);
        flushIfFull();
    }
    // An ASCII line of the loaded text: its bytes are the same in every 8-bit encoding.
    void operator()(qsizetype indent, QLatin1StringView text)
    {
        if (encoding == TTextEncoding::tenUtf16LE || encoding == TTextEncoding::tenUtf16BE) {
            (*this)(indent, QStringView(text.toString()));
            return;
        }
        const qsizetype old = out.size();
        out.resize(old + indent + text.size() + 2);
        char* d = out.data() + old;
        std::memset(d, ' ', size_t(indent));
        std::memcpy(d + indent, text.data(), size_t(text.size()));
        d[indent + text.size()] = '\r';
        d[indent + text.size() + 1] = '\n';
        flushIfFull();
    }
    // With a writer, the bytes go to it whenever a chunk is full, and the buffer is reused.
    void flushIfFull()
    {
        if (write && out.size() >= kChunk) {
            (*write)(out);
            out.resize(0);
        }
    }
    static constexpr qsizetype kChunk = qsizetype(1) << 20;
    const TChunkWriter* write = nullptr;
};

// Makes a code page the active one on this thread for the lifetime of the scope:
// the converters decode and encode ANSI bytes in the active code page, and a
// document may have been loaded in another one than the program's. Only this
// thread sees it, so a load running on a worker thread leaves the window's
// conversions alone.
class TCodePageScope {
public:
    explicit TCodePageScope(int codePage) : FPrevious(ansi::setThreadCodePage(codePage)) { }
    ~TCodePageScope() { ansi::setThreadCodePage(FPrevious); }
    TCodePageScope(const TCodePageScope&) = delete;
    TCodePageScope& operator=(const TCodePageScope&) = delete;

private:
    int FPrevious;
};

// Appends every line as a string of its own: indentation and text.
struct LineSink {
    QStringList& out;

    template <typename View> void operator()(qsizetype indent, View text)
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

QString UnsupportedCodePageMessage(int codePage)
{
    return QStringLiteral("コードページ %1 は使用できません").arg(codePage);
}

QString TextTooLargeMessage()
{
    return QStringLiteral("再生成したテキストが大きすぎます");
}

QString UnloadedLineMessage(const TLoadWarning& warning)
{
    return QStringLiteral("%1 行目が読み込まれていないため保存できません: %2").arg(warning.Line).arg(warning.Text);
}

namespace {

QString lossMessage(const TLineLoss& loss, const QString& text)
{
    switch (loss.Kind) {
    case TLineLossKind::llkNul:
        return QStringLiteral("%1 行目の NUL 文字から後は読み込まれていません: %2").arg(loss.Line).arg(text);
    case TLineLossKind::llkInvalidUtf8:
        return QStringLiteral("%1 行目の UTF-8 ではないバイトは U+FFFD に置き換えられました: %2")
            .arg(loss.Line)
            .arg(text);
    case TLineLossKind::llkOddByte:
        break;
    }
    return QStringLiteral("%1 行目の後の半端な 1 バイトは読み込まれていません: %2").arg(loss.Line).arg(text);
}

} // namespace

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

void TFormDocument::LoadFormFile(const QString& path, int codePage)
{
    LoadFormBytes(path, ReadWholeFile(path), codePage);
}

void TFormDocument::LoadFormBytes(const QString& path, QByteArray bytes, int codePage)
{
    InstallLoad(PrepareLoad(path, std::move(bytes), FNoNameText, codePage));
}

std::unique_ptr<TPreparedLoad> TFormDocument::PrepareLoadFile(
    const QString& path, const QString& noNameText, int codePage)
{
    return PrepareLoad(path, ReadWholeFile(path), noNameText, codePage);
}

std::unique_ptr<TPreparedLoad> TFormDocument::PrepareLoad(
    const QString& path, QByteArray bytes, const QString& noNameText, int codePage)
{
    if (codePage == 0)
        codePage = ansi::activeCodePage();
    else if (!ansi::isSupported(codePage))
        throw EDocumentError(UnsupportedCodePageMessage(codePage));
    const TCodePageScope scope(codePage);
    // Everything is built aside first; the document changes only once nothing
    // can fail any more, so a failed load leaves the previous document whole.
    auto load = std::make_unique<TPreparedLoad>();
    load->Path = path;
    load->CodePage = codePage;
    ByteStream& bin = load->Bin;
    bin.setData(std::move(bytes));
    TStreamOriginalFormat format = DetectStreamFormat(bin);
    TTextLines& lines = load->Lines;
    bool beta = false;
    bool convertedUtf8 = false;
    TTextEncoding encoding = TTextEncoding::tenAnsi;
    std::vector<TLineLoss> losses;
    // An ANSI text whose lines are the loaded bytes up to their end is ASCII
    // throughout: decoding has looked at every byte already.
    auto containsNonAscii = [&](const QByteArray& text) {
        if (encoding == TTextEncoding::tenAnsi && lines.isLatin1() && lines.textEnd() == text.size())
            return false;
        return ContainsNonAscii(QByteArrayView(text));
    };
    // A UTF-16 little-endian text begins with FF FE, which no binary form does.
    if (format == sofBinary && bin.data().startsWith("\xFF\xFE"))
        format = sofUnknown;
    switch (format) {
    case sofBinary: {
        bin.seek(0);
        ByteStream text;
        BinaryResourceToText(bin, text);
        convertedUtf8 = text.data().startsWith(kUtf8Mark);
        encoding = DetectTextEncoding(text.data());
        lines = DecodeTextLines(text.data(), encoding, losses);
        beta = containsNonAscii(text.data());
        break;
    }
    case sofUTF8Text:
        encoding = TTextEncoding::tenUtf8Bom;
        lines = DecodeTextLines(bin.data(), encoding, losses);
        beta = true;
        break;
    case sofText:
    case sofUnknown:
        encoding = DetectTextEncoding(bin.data());
        lines = DecodeTextLines(bin.data(), encoding, losses);
        beta = containsNonAscii(bin.data());
        break;
    }
    bin.seek(0);
    ParseOutline(lines, load->Tree, noNameText);
    for (const TLineLoss& loss : losses) {
        QString text = loss.Line <= lines.size() ? lines.at(loss.Line - 1) : QString();
        QString message = lossMessage(loss, text);
        load->Warnings.push_back({loss.Line, std::move(text), std::move(message)});
    }
    const TComponentTree& tree = load->Tree;
    load->PreambleCount = tree.isEmpty() ? 0 : qsizetype(tree.topLevel(0)->record().BeginLine) - 1;
    load->Format = format;
    load->BetaText = beta;
    load->ConvertedUtf8 = format == sofBinary && convertedUtf8;
    load->Encoding = encoding;
    return load;
}

void TFormDocument::InstallLoad(std::unique_ptr<TPreparedLoad> load)
{
    FOrgFile = std::move(load->Lines);
    FOrgBinFile = std::move(load->Bin);
    FFormat = load->Format;
    FBetaText = load->BetaText;
    FConvertedUtf8 = load->ConvertedUtf8;
    FEncoding = load->Encoding;
    FLoadWarnings = std::move(load->Warnings);
    FPreambleCount = load->PreambleCount;
    FAutoDecode = !load->BetaText;
    FOrgFileName = load->Path;
    FModFileName.clear();
    FLoaded = true;
    FCodePage = load->CodePage;
    FTree.replaceContents(std::move(load->Tree));
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
    checkedRegeneratedSize([&](auto& sink) { emitBlock(FOrgFile, node, depth, false, sink); });
    emitBlock(FOrgFile, node, depth, false, LineSink{out});
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

template <typename Sink> void TFormDocument::emitSaved(const std::vector<const TTreeNode*>& roots, Sink&& sink) const
{
    // The lines before the first header stay in front, exactly as loaded.
    emitLoadedLines(FOrgFile, 0, FPreambleCount, 0, 0, sink);
    for (const TTreeNode* root : roots)
        emitBlock(FOrgFile, root, 0, true, sink);
}

QStringList TFormDocument::RegenerateLines() const
{
    const std::vector<const TTreeNode*> roots = blocksToSave();
    checkedRegeneratedSize([&](auto& sink) { emitSaved(roots, sink); });
    QStringList lines;
    emitSaved(roots, LineSink{lines});
    return lines;
}

int64_t TFormDocument::checkSavable(const std::vector<const TTreeNode*>& roots) const
{
    return checkedRegeneratedSize([&](auto& sink) { emitSaved(roots, sink); });
}

void TFormDocument::emitSavedText(
    const std::vector<const TTreeNode*>& roots, int64_t chars, QByteArray& text, const TChunkWriter* write) const
{
    const TCodePageScope scope(FCodePage);
    // The text goes back in the encoding it was loaded in: a UTF-8 or UTF-16
    // document behind its byte-order mark, an ANSI one in the code page; for a
    // binary document, the encoding of its converted text (UTF-8 behind the mark
    // when names outside ASCII made the converter write it). Written in chunks,
    // the buffer needs only a chunk and a line.
    const int64_t unitBytes = FEncoding == TTextEncoding::tenUtf16LE || FEncoding == TTextEncoding::tenUtf16BE ? 2 : 1;
    const int64_t whole = unitBytes * chars + 3;
    text.reserve(write ? std::min<int64_t>(whole, 2 * ByteSink::kChunk) : whole); // enough for ASCII text
    switch (FEncoding) {
    case TTextEncoding::tenAnsi:
        break;
    case TTextEncoding::tenUtf8Bom:
        text.append(kUtf8Mark);
        break;
    case TTextEncoding::tenUtf16LE:
        text.append("\xFF\xFE", 2);
        break;
    case TTextEncoding::tenUtf16BE:
        text.append("\xFE\xFF", 2);
        break;
    }
    ByteSink sink{text, FEncoding};
    sink.write = write;
    emitSaved(roots, sink);
}

QByteArray TFormDocument::convertedToBinary(QByteArray text) const
{
    const TCodePageScope scope(FCodePage);
    ByteStream in(std::move(text));
    ByteStream out;
    TextToResourceByRule(in, out, FBetaText ? TStringRule::Ansi : TStringRule::Standard);
    return out.data();
}

QByteArray TFormDocument::SaveBytes() const
{
    if (!FLoadWarnings.empty())
        throw EDocumentError(UnloadedLineMessage(FLoadWarnings.front()));
    const std::vector<const TTreeNode*> roots = blocksToSave();
    const int64_t chars = checkSavable(roots);
    if (FFormat == sofBinary && FOrgFile.isLatin1() && FEncoding == TTextEncoding::tenAnsi) {
        // A binary form's text, regenerated without changes, is mostly its loaded
        // text byte for byte; it is then converted from there, and the text is
        // compared chunk by chunk instead of being held a second time.
        const QByteArray& loaded = FOrgFile.bytes();
        qsizetype at = 0;
        struct Differs { };
        const TChunkWriter compare = [&](QByteArrayView chunk) {
            if (chunk.size() > loaded.size() - at || chunk != QByteArrayView(loaded).sliced(at, chunk.size()))
                throw Differs{};
            at += chunk.size();
        };
        try {
            QByteArray buffer;
            emitSavedText(roots, chars, buffer, &compare);
            compare(buffer);
            if (at == loaded.size())
                return convertedToBinary(loaded);
        } catch (const Differs&) {
        }
    }
    QByteArray text;
    emitSavedText(roots, chars, text, nullptr);
    if (FFormat != sofBinary)
        return text;
    return convertedToBinary(std::move(text));
}

void TFormDocument::WriteSaveBytes(const TChunkWriter& write) const
{
    if (FFormat == sofBinary) {
        write(SaveBytes());
        return;
    }
    if (!FLoadWarnings.empty())
        throw EDocumentError(UnloadedLineMessage(FLoadWarnings.front()));
    const std::vector<const TTreeNode*> roots = blocksToSave();
    const int64_t chars = checkSavable(roots);
    QByteArray text;
    emitSavedText(roots, chars, text, &write);
    if (!text.isEmpty())
        write(text);
}

void TFormDocument::SaveFormFile(const QString& path) const
{
    if (FFormat == sofBinary) {
        WriteFileAtomic(path, SaveBytes());
        return;
    }
    // Everything that can refuse the save is checked before the file is opened;
    // the text is then written as it is produced.
    if (!FLoadWarnings.empty())
        throw EDocumentError(UnloadedLineMessage(FLoadWarnings.front()));
    const std::vector<const TTreeNode*> roots = blocksToSave();
    const int64_t chars = checkSavable(roots);
    WriteFileAtomic(path, [&](const TChunkWriter& write) {
        QByteArray text;
        emitSavedText(roots, chars, text, &write);
        if (!text.isEmpty())
            write(text);
    });
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
    LoadFormFile(path, FCodePage);
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
