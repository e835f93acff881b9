// TfrmMain: Korvel's main window. It wires the form document to the user: the
// tool bar and context menus of actions, the component tree, the property pane,
// the status bar, the dialogs and message boxes, file drops and the command line.
// The document logic itself lives in TFormDocument and the tree operations.
// The methods are spread by subject over frmuMain.cpp (creation, showing, state,
// error reporting), frmuMainActions.cpp (the action table, menus, enabling rules,
// language file), frmuMainFileCommands.cpp, frmuMainFileMenus.cpp (recent files,
// code page menu), frmuMainTreeCommands.cpp and frmuMainPaneCommands.cpp; the find
// bar, the picture pane and the form preview are wired in frmuMainViews.cpp.
#pragma once

#include "document/CodePages.h"
#include "document/FormDocument.h"
#include "document/TreeMoves.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QMimeData;
class QProgressBar;
class QSplitter;
class QThread;
class QToolBar;

namespace korvel {

class TComponentTreeView;
class TEditor;
class TFindBar;
class TFormPreviewDock;
class TPicturePane;
class TreeModel;

// The window's actions, the action list amMain: one member per action, in the
// list's order.
struct TMainActions {
    QAction* actOpenFile = nullptr;
    QAction* actUp = nullptr;
    QAction* actDown = nullptr;
    QAction* actUpToOneLevel = nullptr;
    QAction* actDisposeAll = nullptr;
    QAction* actParse = nullptr;
    QAction* actSelectAll = nullptr;
    QAction* actOriginalProperties = nullptr;
    QAction* actSaveProperties = nullptr;
    QAction* actCollapse = nullptr;
    QAction* actExpand = nullptr;
    QAction* actsaveFile = nullptr;
    QAction* actSaveAs = nullptr;
    QAction* actRestoreBackup = nullptr;
    QAction* actAutoDecode = nullptr;
    QAction* actRefresh = nullptr;
    QAction* actCopyToClipboard = nullptr;
    QAction* actSelTextToBin = nullptr;
    QAction* actEditorCopy = nullptr;
    QAction* actEditorCut = nullptr;
    QAction* actEditorPaste = nullptr;
    QAction* actEditorUndo = nullptr;
    QAction* actReopenWithCodePage = nullptr; // its menu lists the code pages
    // Every action in the list's order, which is also the order the language file is read in.
    std::vector<QAction*> all;
};

// The program-wide messages; a language file may replace them.
struct TMessages {
    QString StrRestoreBackup;
    QString StrSaveChanges;
    QString StrFormFileNotFound;
    QString StrModified;
    QString StrReload;
    QString StrNoName;
    // Asked before unsaved changes would be thrown away (Save / Discard / Cancel).
    QString StrSaveModified;
    // The disabled entry of an empty recent files list.
    QString StrNoRecentFiles;
    // The built-in Japanese defaults.
    static TMessages Defaults();
};

// What the window is started with.
struct TWindowStartOptions {
    // The command-line arguments after the program's own name.
    QStringList arguments;
    // The language file; empty: the executable's path with the extension ".lng".
    QString languageFile;
    // Quit as soon as the command-line file's tree is shown (timing runs): exit code 0
    // when a document was loaded, 1 when not.
    bool quitAfterLoad = false;
    // Form files at least this large are read and outlined on a worker thread while
    // the window goes on responding; smaller ones load at once (0: every file on the worker).
    qint64 backgroundLoadBytes = 1 << 20;
    // Timing run: the milliseconds until a loaded tree and a selected node's text are
    // shown are written to the error output.
    bool timing = false;
};

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // The private event by which the first showing opens the command-line file.
    static constexpr int kCommandLineMessage = 35026;

    // What the window is started with.
    using TStartOptions = TWindowStartOptions;

    explicit TfrmMain(TStartOptions options = {}, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // --- state the window shows -------------------------------------------
    TFormDocument& document() { return FDocument; }
    TComponentTreeView* treeView() const { return tvMain; }
    TEditor* editor() const { return mmProperties; }
    TreeModel* model() const { return FModel; }
    TFindBar* findBar() const { return FFindBar; }
    TPicturePane* picturePane() const { return FPicturePane; }
    TFormPreviewDock* formPreviewDock() const { return FFormPreview; }
    // The one text of the status bar.
    QString statusText() const;
    // The window's actions.
    const TMainActions& actionList() const { return FActions; }
    const TMessages& messages() const { return FMessages; }
    const QString& editorFontName() const { return FEditorFontName; }
    int editorFontSize() const { return FEditorFontSize; }
    // The node selected in the tree, or nullptr.
    TTreeNode* selectedNode() const;
    // Selects node in the tree (nullptr clears the selection).
    void selectNode(const TTreeNode* node);

    // --- document operations -----------------------------------------------
    // Opens the form file a dropped or command-line path stands for, or says it is not found.
    void OpenRequestedFile(const QString& path);
    // Loads a form file and shows its tree with the first node selected. A large file
    // is loaded on a worker thread: the call returns at once, the document commands
    // are disabled until the load ends, and loadFinished says when it has (its error
    // is shown then). Otherwise throws.
    void LoadFormFile(const QString& path);
    // A load runs on the worker thread.
    bool isLoading() const { return FLoading != nullptr; }
    // Sets the window caption from the current file name and the format.
    void UpdateCaption();
    // Names the selected component (and the modified mark) in the status bar.
    void UpdateStatusBar();
    // Derives every action's enabled state from the document and the selection,
    // and the caption's modified mark from the document.
    void updateActions();
    // Property text typed in the pane and not applied.
    bool paneHasUnappliedText() const;
    // Before unsaved changes (the document's, or unapplied pane text) would be
    // thrown away: asks Save / Discard / Cancel. True when the caller may go on.
    bool ConfirmDiscardChanges();
    // Reloads the current file in codePage (after the unsaved-changes question) and
    // remembers that code page for the file during this session.
    void ReopenWithCodePage(int codePage);
    // Opens a file of the recent files list; a file that is gone is reported and dropped.
    void OpenRecentFile(const QString& path);
    // The Open button's drop-down of recent files and the code page menu.
    QMenu* recentFilesMenu() const { return FRecentMenu; }
    QMenu* codePageMenu() const { return FCodePageMenu; }
    // The status bar's text on the document's code page ("CP932") or encoding.
    QString codePageStatusText() const;
    // The language of Qt's own texts: "ja" without a language file, else the file's
    // [Language] Code, English when it names none.
    const QString& qtLanguage() const { return FQtLanguage; }
    // Takes back / redoes one document change; the tree and the pane follow.
    void undoDocumentChange();
    void redoDocumentChange();

    // --- action handlers (each runs inside the general error reporting) ------
    void actOpenFileExecute();
    void actUpExecute();
    void actDownExecute();
    void actUpToOneLevelExecute();
    void actDisposeAllExecute();
    void actParseExecute();
    void actSelectAllExecute();
    void actOriginalPropertiesExecute();
    void actSavePropertiesExecute();
    void actCollapseExecute();
    void actExpandExecute();
    void actsaveFileExecute();
    void actSaveAsExecute();
    void actRestoreBackupExecute();
    void actAutoDecodeExecute();
    void actRefreshExecute();
    void actCopyToClipboardExecute();
    void actSelTextToBinExecute();
    void actEditorCopyExecute();
    void actEditorCutExecute();
    void actEditorPasteExecute();
    void actEditorUndoExecute();
    void actReopenWithCodePageExecute();

    // Shows the selected node's property text in the pane (selection change, auto-decode toggle).
    void tvMainClick();
    // Selects the token under the caret after a double click in the pane.
    void mmPropertiesDblClick();

signals:
    // A load on the worker thread has ended: the document shows it, or its error was shown.
    void loadFinished();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void FormCreate();
    void FormShow();
    void ReadLanguageFile();
    void createActions();
    void createLayout();
    void createMenus();
    // The recent files drop-down, the code page menu and its status bar field.
    void createFileMenus(QToolBar* toolBar);
    void fillRecentFilesMenu();
    QFileDialog* createDialog(const QString& name);
    // Puts the find bar over the tree and the picture pane under the property pane
    // in splitter, and docks the form preview.
    void createViews(QSplitter* splitter);
    // The picture pane and the form preview follow the selection and the document.
    void refreshViews();

    // Runs a command; an error it raises is shown in a message box and ends it.
    void guarded(const std::function<void()>& command);
    void reportError(const QString& text);

    void tvMainChange();
    bool tvMainDragOver(const QMimeData* mime, const QModelIndex& target);
    void tvMainDragDrop(const QMimeData* mime, const QModelIndex& target);
    void handleCommandLine();
    void postCommandLine();
    void showLoadedDocument();
    void afterLoad();
    // Loads path in codePage on the worker thread; afterwards runs installed (on the
    // window's thread, after the document took the load over) or failed.
    struct TLoadJob;
    void startBackgroundLoad(
        const QString& path, int codePage, std::function<void()> installed, std::function<void()> failed = {});
    void finishBackgroundLoad(const std::shared_ptr<TLoadJob>& job);
    // Shows or hides the busy indication of a running load.
    void showLoading(bool loading);
    // Loads path; a load on the worker thread that fails runs failed first.
    void loadFile(const QString& path, std::function<void()> failed);
    // Timing runs: a line on the error output; reportShown: the tree is shown (once
    // painted) clock's milliseconds after the open, the worker's part preparedMs of them.
    void reportTiming(const QString& text) const;
    void reportShown(const QElapsedTimer& clock, qint64 preparedMs = -1);
    // Quits once the tree's pending paint is done: exit code 0 when a document was loaded.
    void quitAfterLoad();
    void showDocumentChange(TTreeNode* node);
    void showText(const QString& paneText);
    void applyMoveDisplayEffects(const TMoveResult& result, TTreeNode* formerParent);
    void collapseSubtree(const TTreeNode* node);
    void expandSubtree(const TTreeNode* node);
    void scrollToTop(const TTreeNode* node);
    void openDroppedUrls(const QMimeData* mime);

    TStartOptions FOptions;
    // The reporter of errors outside commands that this window replaced.
    std::function<void(const QString&)> FOuterErrorReporter;
    TFormDocument FDocument;
    TMessages FMessages;
    QString FEditorFontName;
    int FEditorFontSize = 10;
    bool FShown = false;
    bool FCommandLinePending = false;
    // The load running on the worker thread (a newer one supersedes it), and the
    // workers not finished yet (waited for when the window goes).
    std::shared_ptr<TLoadJob> FLoading;
    std::vector<QThread*> FLoadThreads;
    QProgressBar* FLoadProgress = nullptr;
    QPointer<QWidget> FFocusBeforeLoad;
    // What the picture pane, the find bar and the form preview were last built for.
    struct TViewsKey {
        const TTreeNode* Node = nullptr;
        std::uint64_t Changes = ~std::uint64_t(0);
        bool AutoDecode = false;
        bool operator==(const TViewsKey&) const = default;
    };
    TViewsKey FViewsKey;
    // Started with the window (timing runs).
    QElapsedTimer FStartClock;
    // The command-line file is loading and the window quits after it (timing runs).
    bool FQuitWhenLoaded = false;
    const TTreeNode* FShownNode = nullptr;
    // The text the pane was last given (or applied from it): the pane holds unapplied
    // text when its text differs.
    QString FShownText;
    // The file an error of the running command is about (named in the error box).
    QString FErrorFile;

    TreeModel* FModel = nullptr;
    TComponentTreeView* tvMain = nullptr;
    TEditor* mmProperties = nullptr;
    TFindBar* FFindBar = nullptr;
    TPicturePane* FPicturePane = nullptr;
    TFormPreviewDock* FFormPreview = nullptr;
    QLabel* FStatusText = nullptr;
    QMenu* pabTreeView = nullptr;
    QMenu* pabProperties = nullptr;
    QVector<QIcon> ilTreeView;
    TMainActions FActions;
    QString FOpenFilter;
    QString FBinFilter;
    TCodePageMemory FCodePages;
    QString FQtLanguage = QStringLiteral("ja");
    QMenu* FRecentMenu = nullptr;
    QMenu* FCodePageMenu = nullptr;
    QLabel* FCodePageStatus = nullptr;
};

} // namespace korvel
