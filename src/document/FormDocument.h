// TFormDocument: the one form file being worked on. It holds the file's bytes as
// loaded (the backup), its text lines, the stored format, the component tree
// with one TPROPREC per node, and the file names; it loads, regenerates and
// saves. Confirmations and dialogs are the caller's: each command here is the
// work done after the user said OK.
#pragma once

#include "convert/ByteStream.h"
#include "convert/StreamFormat.h"
#include "document/ComponentTree.h"
#include "document/FileIO.h"
#include "document/TextDecoding.h"
#include "document/TextLines.h"
#include "document/TreeMoves.h"
#include "document/UndoHistory.h"
#include "errors/Errors.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace korvel {

// A document operation that cannot be carried out, such as saving a text without components.
class EDocumentError : public EKorvelError {
public:
    using EKorvelError::EKorvelError;
    const char* kind() const noexcept override { return "EDocumentError"; }
};

// Default texts of the messages around the document commands (a language file may replace them).
QString DefaultStrFormFileNotFound(); // "指定されたフォームファイルがみつかりません"
QString DefaultStrSaveChanges();      // "変更を保存しますか？"
QString DefaultStrRestoreBackup();    // "バックアップを書き戻しますか？"
QString DefaultStrReload();           // "フォームファイルを最新の情報に更新しますか？"
// The message of the error raised when a document without components is saved.
QString NoComponentToSaveMessage();
// The message of the error raised when a load asks for a code page Korvel cannot use.
QString UnsupportedCodePageMessage(int codePage);
// The message of the error raised when regeneration would exceed 2^30 characters
// (the indentation of a text nested many thousands of levels deep grows quadratically).
QString TextTooLargeMessage();

// A line of the file that the load could not keep as it is in the file; while a
// document has one, a save is refused rather than write the file without it.
struct TLoadWarning {
    qsizetype Line;  // 1-based line number in the loaded text
    QString Text;    // the line as loaded
    QString Message; // says which line and why
};
// The message of the error raised when a document with a load warning is saved.
QString UnloadedLineMessage(const TLoadWarning& warning);

// What OpenRequestedFile did.
enum class TOpenOutcome {
    Loaded,   // the form file was loaded
    NotFound, // nothing changed; the caller shows the StrFormFileNotFound message
};

// The text of an error box about a file: "path: message" (the message alone when it
// already begins with the path), control characters shown as #nn.
QString FileErrorText(const QString& path, const QString& message);
// The text that tells the user about a load's warnings: one line each (the first
// naming the file, control characters escaped as FileErrorText does), at most
// ten, then how many more there are.
QString LoadWarningsText(const QString& path, const std::vector<TLoadWarning>& warnings);

// The form file a dropped or command-line path stands for, or an empty string when
// there is none: a .dfm/.fmx/.xfm path (any letter case) that names an existing file,
// or for a .pas/.cpp/.h path the first existing file beside it with the extension
// replaced by .dfm, .fmx or .xfm (in that order). Folders are not files.
QString ResolveRequestedFile(const QString& path);

// What a load builds before a document takes it over (TFormDocument::PrepareLoad):
// made without touching any document or view, so it may be built on a worker
// thread and handed to the document's thread.
struct TPreparedLoad {
    QString Path;
    TTextLines Lines;
    ByteStream Bin;
    TStreamOriginalFormat Format = sofUnknown;
    bool BetaText = false;
    bool ConvertedUtf8 = false;
    TTextEncoding Encoding = TTextEncoding::tenAnsi;
    std::vector<TLoadWarning> Warnings;
    qsizetype PreambleCount = 0;
    int CodePage = 0;    // the ANSI code page the text was decoded with
    TComponentTree Tree; // observed by nobody
};

class TFormDocument {
public:
    TFormDocument();
    ~TFormDocument();
    TFormDocument(const TFormDocument&) = delete;
    TFormDocument& operator=(const TFormDocument&) = delete;

    // --- state ---------------------------------------------------------------
    // The text lines as loaded (text form even for a binary file): one buffer
    // with a line index; a node's lines are views into it.
    const TTextLines& OrgFile() const { return FOrgFile; }
    // The file's bytes exactly as read by the last load (the backup); position 0.
    const ByteStream& OrgBinFile() const { return FOrgBinFile; }
    // The path of the last load, exactly as given; empty before the first load.
    const QString& OrgFileName() const { return FOrgFileName; }
    // The path chosen by Save As since the last load; empty otherwise.
    const QString& ModFileName() const { return FModFileName; }
    // The stored format detected at the last load.
    TStreamOriginalFormat Format() const { return FFormat; }
    // The loaded text holds raw characters outside ASCII.
    bool BetaText() const { return FBetaText; }
    // A binary document whose converted text carried the UTF-8 mark (non-ASCII names).
    bool ConvertedUtf8() const { return FConvertedUtf8; }
    // The encoding of the loaded text (of the converted text for a binary document);
    // a save encodes the regenerated text in it.
    TTextEncoding Encoding() const { return FEncoding; }
    // The lines the last load could not keep (text after a NUL, bytes that are not
    // UTF-8); empty for a file read whole. While there is one, SaveBytes refuses.
    const std::vector<TLoadWarning>& LoadWarnings() const { return FLoadWarnings; }
    // True once a load has completed.
    bool IsLoaded() const { return FLoaded; }
    // The ANSI code page the document was loaded in: its ANSI text (or the ANSI
    // strings of a binary form) was decoded with it, and a save encodes with it.
    int CodePage() const { return FCodePage; }
    // ModFileName when set, else OrgFileName.
    QString CurrentFileName() const;

    // Whether property text is shown decoded; every load sets it to !BetaText().
    bool AutoDecode() const { return FAutoDecode; }
    void SetAutoDecode(bool value) { FAutoDecode = value; }

    // The text a nameless component shows in the tree (applies from the next load).
    const QString& NoNameText() const { return FNoNameText; }
    void SetNoNameText(QString text) { FNoNameText = std::move(text); }

    // The component tree of the loaded text.
    TComponentTree& Tree() { return FTree; }
    const TComponentTree& Tree() const { return FTree; }

    // --- loading -------------------------------------------------------------
    // Loads the form file a dropped or command-line path stands for (ResolveRequestedFile).
    TOpenOutcome OpenRequestedFile(const QString& path);
    // Reads the file at path and loads it. Throws EFileError, EReadError,
    // EInvalidImage, …; on failure nothing of the document changes.
    // codePage: the ANSI code page to decode with; 0 for the active one.
    void LoadFormFile(const QString& path, int codePage = 0);
    // Loads bytes as if they had been read from path (same rules and guarantees).
    void LoadFormBytes(const QString& path, QByteArray bytes, int codePage = 0);
    // The two halves of a load. PrepareLoad reads nothing of a document and may
    // run on any thread; it throws as LoadFormBytes does. InstallLoad cannot fail:
    // it makes the prepared load the document's state and tells the tree's
    // observers, so it runs on the document's thread.
    static std::unique_ptr<TPreparedLoad> PrepareLoad(
        const QString& path, QByteArray bytes, const QString& noNameText, int codePage = 0);
    static std::unique_ptr<TPreparedLoad> PrepareLoadFile(
        const QString& path, const QString& noNameText, int codePage = 0);
    void InstallLoad(std::unique_ptr<TPreparedLoad> load);

    // --- regeneration and saving --------------------------------------------
    // The node's property text: the applied text when Modified, else its loaded lines.
    QString NodeProperties(const TTreeNode* node) const;
    // Appends the block of node and its whole subtree to out, indented from the
    // node's current depth (2 spaces a level). Iterative. Throws EDocumentError
    // when the text would be too large.
    void BuildNodeText(const TTreeNode* node, QStringList& out) const;
    // The lines a save writes: the lines before the first header, then every
    // top-level block in tree order for a text document, the first top-level block
    // for a binary one; each block followed by its trail lines. Throws
    // EDocumentError when the tree is empty or the text would be too large.
    QStringList RegenerateLines() const;
    // The bytes a save writes, encoded in Encoding() or converted for the loaded
    // format. Throws EDocumentError (also for a load warning) or the conversion's error.
    QByteArray SaveBytes() const;
    // Hands the bytes SaveBytes returns to write, in chunks as they are produced
    // (the converted whole at once for a binary document); throws as SaveBytes
    // does, before anything is written.
    void WriteSaveBytes(const TChunkWriter& write) const;
    // Writes SaveBytes() to path atomically, as it is produced; on failure the file stays as it was.
    void SaveFormFile(const QString& path) const;
    // Save: SaveFormFile(CurrentFileName()); the document then counts as saved. A
    // conversion error about a line of the text names the component and the line.
    void Save();
    // Save As: saves to path, and only when that succeeded makes path the ModFileName.
    void SaveAs(const QString& path);
    // Restore backup: writes OrgBinFile to CurrentFileName() atomically; the file then
    // holds the document as loaded, so moves and applied text count as unsaved.
    void RestoreBackup();
    // Refresh: reloads CurrentFileName() in the document's code page when a file
    // exists there; returns whether it did.
    bool Refresh();

    // The clipboard text of node with its subtree: BuildNodeText's lines, each
    // followed by CR LF. Empty for nullptr.
    QString ClipboardText(const TTreeNode* node) const;

    // --- the user's changes (each undoable) -------------------------------------
    // The text the property pane shows for node: its property text, decoded when AutoDecode().
    QString ShownProperties(const TTreeNode* node) const;
    // Apply: node's applied text becomes the pane text (encoded when AutoDecode()).
    void ApplyProperties(TTreeNode* node, const QString& paneText);
    // Revert: node goes back to its loaded lines.
    void RevertProperties(TTreeNode* node);
    // The reordering commands of TreeMoves on this document's tree.
    TMoveResult MoveUp(TTreeNode* s);
    TMoveResult MoveDown(TTreeNode* s);
    TMoveResult MoveOneLevelUp(TTreeNode* s);
    TMoveResult Drop(TTreeNode* s, TTreeNode* target);
    // Rebuilds the tree from the loaded lines; moves and applied text are gone.
    void Reparse();
    // There are moves or applied/reverted properties that no save has written.
    bool IsModified() const { return FHistory.isModified(); }
    // Grows with every change of the tree or a node's text (loads, reparses, moves,
    // applied and reverted text, undo, redo): views built from an equal stamp are current.
    std::uint64_t ChangeStamp() const { return FHistory.changeCount(); }
    bool CanUndo() const { return FHistory.canUndo(); }
    bool CanRedo() const { return FHistory.canRedo(); }
    // Takes back / redoes one change; the node it concerned, nullptr when there was none.
    TTreeNode* Undo() { return FHistory.undo(FTree); }
    TTreeNode* Redo() { return FHistory.redo(FTree); }
    // "(Button1: TButton のプロパティ 1 行目)" for a property line of the regenerated
    // text (1-based line number); empty for any other line.
    QString RegeneratedLineLocation(int line) const;

private:
    TMoveResult recordMove(TMoveResult result, TTreeNode* fromParent, int fromRow, TTreeNode* focus);
    // Writes the document to path, naming the component of a failing line.
    void saveTo(const QString& path);

    // The top-level blocks a save writes; throws EDocumentError when there is none.
    std::vector<const TTreeNode*> blocksToSave() const;
    // Emits the text a save writes to sink(indent, text).
    template <typename Sink> void emitSaved(const std::vector<const TTreeNode*>& roots, Sink&& sink) const;
    // The number of characters of the saved text; throws EDocumentError when it is too large.
    int64_t checkSavable(const std::vector<const TTreeNode*>& roots) const;
    // Appends the saved text, encoded, to text; with write, hands it over in chunks.
    void emitSavedText(
        const std::vector<const TTreeNode*>& roots, int64_t chars, QByteArray& text, const TChunkWriter* write) const;
    // The binary form of the regenerated text.
    QByteArray convertedToBinary(QByteArray text) const;

    TTextLines FOrgFile;
    ByteStream FOrgBinFile;
    QString FOrgFileName;
    QString FModFileName;
    TStreamOriginalFormat FFormat = sofUnknown;
    bool FBetaText = false;
    bool FConvertedUtf8 = false;
    TTextEncoding FEncoding = TTextEncoding::tenAnsi;
    std::vector<TLoadWarning> FLoadWarnings;
    // How many lines before the first header the loaded text has.
    qsizetype FPreambleCount = 0;
    bool FAutoDecode = true;
    bool FLoaded = false;
    int FCodePage = 0;
    QString FNoNameText;
    TComponentTree FTree;
    TUndoHistory FHistory; // observes FTree: loads and reparses end every step
};

} // namespace korvel
