// The window's creation, layout, showing, command line, file drops, status and
// caption, and the error reporting every command runs in. The commands themselves
// are in frmuMainActions.cpp (the action table), frmuMainFileCommands.cpp,
// frmuMainTreeCommands.cpp and frmuMainPaneCommands.cpp.
#include "app/frmuMain.h"

#include "app/Application.h"
#include "app/ComponentTreeView.h"
#include "app/LazyFormTextHighlighter.h"
#include "app/QtTranslations.h"
#include "app/TEditor.h"
#include "app/TreeModel.h"
#include "app/UiSeams.h"
#include "document/OutlineParser.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include <cstdio>
#include <exception>
#include <utility>

static void initKorvelResources()
{
    Q_INIT_RESOURCE(korvel);
}

namespace korvel {

namespace {

// The private message that opens the command-line file, sent during the first showing;
// it acts only when its parameter is the message number too.
class TCommandLineEvent : public QEvent {
public:
    explicit TCommandLineEvent(quintptr wParam)
        : QEvent(static_cast<QEvent::Type>(TfrmMain::kCommandLineMessage)), FWParam(wParam)
    {
    }
    quintptr wParam() const { return FWParam; }

private:
    quintptr FWParam;
};

} // namespace

TMessages TMessages::Defaults()
{
    TMessages m;
    m.StrRestoreBackup = DefaultStrRestoreBackup();
    m.StrSaveChanges = DefaultStrSaveChanges();
    m.StrFormFileNotFound = DefaultStrFormFileNotFound();
    m.StrModified = QStringLiteral(" [変更あり]");
    m.StrReload = DefaultStrReload();
    m.StrNoName = DefaultNoNameText();
    m.StrSaveModified = QStringLiteral("フォームファイルへの変更を保存しますか？");
    m.StrNoRecentFiles = QStringLiteral("(最近使ったファイルはありません)");
    return m;
}

// --- creation ----------------------------------------------------------------

TfrmMain::TfrmMain(TStartOptions options, QWidget* parent) : QMainWindow(parent), FOptions(std::move(options))
{
    FStartClock.start();
    initKorvelResources();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    TApplication::setErrorReporter(std::move(FOuterErrorReporter));
    // A load still running is let finish (it touches no document) and dropped.
    FLoading.reset();
    for (QThread* thread : std::exchange(FLoadThreads, {})) {
        thread->wait();
        delete thread;
    }
    // The model observes the document's tree: detach it before the tree goes.
    tvMain->setModel(nullptr);
    delete FModel;
    FModel = nullptr;
}

void TfrmMain::FormCreate()
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Korvel"));
    setWindowIcon(QIcon(QStringLiteral(":/korvel/icons/korvel.svg")));
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    // Image 0 marks a top-level node, image 1 any other; image 2 is not used.
    ilTreeView = {QIcon(QStringLiteral(":/korvel/icons/node-form.svg")),
        QIcon(QStringLiteral(":/korvel/icons/node-component.svg")), QIcon()};

    createActions();
    createLayout();
    createMenus();

    // Errors that escape outside any command (timer slots, paint hooks) are shown in
    // the error box a command's error is shown in; they concern no particular file.
    FOuterErrorReporter =
        TApplication::setErrorReporter([this](const QString& text) { ErrorBox(this, FileErrorText(QString(), text)); });

    // Files dropped anywhere on the window are opened.
    setAcceptDrops(true);

    FOpenFilter = QStringLiteral("RAD Studio Form File (*.dfm;*.fmx;*.xfm)|*.dfm;*.fmx;*.xfm|All Files (*.*)|*.*");
    FBinFilter = QStringLiteral("Binary file (*.*)|*.*");

    FMessages = TMessages::Defaults();
    FEditorFontName = QStringLiteral("ＭＳ ゴシック");
    FEditorFontSize = 10;
    ReadLanguageFile();
    InstallQtTranslations(FQtLanguage);
    FDocument.SetNoNameText(FMessages.StrNoName);

    resize(800, 600);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    updateActions();
}

void TfrmMain::createLayout()
{
    auto* atbMain = new QToolBar(this);
    atbMain->setObjectName(QStringLiteral("atbMain"));
    atbMain->setMovable(false);
    atbMain->setFloatable(false);
    atbMain->setToolButtonStyle(Qt::ToolButtonIconOnly);
    atbMain->setIconSize(QSize(24, 24));
    atbMain->setFixedHeight(34);
    atbMain->setContextMenuPolicy(Qt::PreventContextMenu);
    if (atbMain->layout())
        atbMain->layout()->setSpacing(0);
    const TMainActions& a = FActions;
    atbMain->addActions(
        {a.actOpenFile, a.actsaveFile, a.actSaveAs, a.actRestoreBackup, a.actRefresh, a.actReopenWithCodePage});
    atbMain->addSeparator();
    atbMain->addAction(a.actUpToOneLevel);
    atbMain->addSeparator();
    atbMain->addActions({a.actUp, a.actDown});
    atbMain->addSeparator();
    atbMain->addAction(a.actAutoDecode);
    addToolBar(Qt::TopToolBarArea, atbMain);

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    FStatusText = new QLabel(bar);
    FStatusText->setObjectName(QStringLiteral("StatusBarText"));
    FStatusText->setTextFormat(Qt::PlainText);
    bar->addWidget(FStatusText, 1);
    setStatusBar(bar);
    createFileMenus(atbMain);

    auto* pnlMain = new QWidget(this);
    pnlMain->setObjectName(QStringLiteral("pnlMain"));
    auto* layout = new QHBoxLayout(pnlMain);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* splitterMain = new QSplitter(Qt::Horizontal, pnlMain);
    splitterMain->setObjectName(QStringLiteral("splitterMain"));
    splitterMain->setHandleWidth(3);
    splitterMain->setChildrenCollapsible(false);
    layout->addWidget(splitterMain);

    tvMain = new TComponentTreeView(splitterMain);
    tvMain->setObjectName(QStringLiteral("tvMain"));
    tvMain->setMinimumWidth(32);
    tvMain->setIndentation(19);
    tvMain->setIconSize(QSize(16, 16));
    tvMain->setFont(QFont(QStringLiteral("Tahoma"), 10));
    tvMain->setContextMenuPolicy(Qt::CustomContextMenu);
    FModel = new TreeModel(FDocument.Tree(), this);
    FModel->setImages(ilTreeView);
    tvMain->setModel(FModel);
    tvMain->setDragHandlers(
        [this](const QMimeData* mime, const QModelIndex& target) {
            bool accepted = false;
            guarded([&] { accepted = tvMainDragOver(mime, target); });
            return accepted;
        },
        [this](const QMimeData* mime, const QModelIndex& target) {
            guarded([&] { tvMainDragDrop(mime, target); });
            updateActions();
        });

    mmProperties = new TEditor(splitterMain);
    mmProperties->setObjectName(QStringLiteral("mmProperties"));
    mmProperties->setContextMenuPolicy(Qt::CustomContextMenu);

    createViews(splitterMain);
    splitterMain->setStretchFactor(0, 0);
    splitterMain->setStretchFactor(1, 1);
    splitterMain->setSizes({301, 800 - 301 - 3});
    setCentralWidget(pnlMain);

    connect(tvMain->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        QElapsedTimer clock;
        clock.start();
        guarded([this] { tvMainChange(); });
        updateActions();
        if (FOptions.timing) {
            repaint(); // what the user waits for includes the painting
            reportTiming(
                QStringLiteral("node shown in %1 ms (%2 characters)").arg(clock.elapsed()).arg(FShownText.size()));
        }
    });
    connect(FModel, &QAbstractItemModel::modelAboutToBeReset, this, [this] { FShownNode = nullptr; });
    connect(FModel, &QAbstractItemModel::modelReset, this, [this] { updateActions(); });
    connect(FModel, &QAbstractItemModel::rowsMoved, this, [this] { updateActions(); });
    connect(mmProperties, &TEditor::doubleClicked, this, [this] { guarded([this] { mmPropertiesDblClick(); }); });

    // The editor leaves the window's shortcuts to the window's actions.
    QList<QKeySequence> reserved;
    for (QAction* action : FActions.all)
        if (!action->shortcut().isEmpty())
            reserved << action->shortcut();
    // Ctrl+Y redoes a document change while the tree has the focus (Ctrl+Z, the
    // undo, is actEditorUndo's, which serves the pane and the tree alike).
    auto* redo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), tvMain);
    redo->setObjectName(QStringLiteral("scTreeRedo"));
    redo->setContext(Qt::WidgetShortcut);
    connect(redo, &QShortcut::activated, this, [this] {
        guarded([this] { redoDocumentChange(); });
        updateActions();
    });
    mmProperties->setReservedShortcuts(reserved);
}

// --- showing and the command line ----------------------------------------------

void TfrmMain::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!FShown) {
        FShown = true;
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    const TMainActions& a = FActions;
    for (QAction* action :
        {a.actsaveFile, a.actSaveAs, a.actRestoreBackup, a.actRefresh, a.actUp, a.actDown, a.actUpToOneLevel})
        action->setEnabled(false);

    guarded([this] {
        // Owned by the pane's document; double clicks select the scanner's tokens.
        auto* highlighter = new TLazyFormTextHighlighter(mmProperties->document());
        highlighter->InstallTokenFinder(mmProperties);
    });
    mmProperties->setEditorFont(FEditorFontName, FEditorFontSize);

    // The file is opened once the window is on the screen (exposed), through a posted
    // message, so that any message about it appears over the window.
    if (!FOptions.arguments.isEmpty()) {
        FCommandLinePending = true;
        if (windowHandle() && !windowHandle()->isExposed()) {
            windowHandle()->installEventFilter(this);
            // A platform that never reports the window exposed still gets the file opened.
            QTimer::singleShot(1000, this, [this] { postCommandLine(); });
        } else {
            postCommandLine();
        }
    }
    updateActions();
}

void TfrmMain::postCommandLine()
{
    if (!FCommandLinePending)
        return;
    FCommandLinePending = false;
    if (windowHandle())
        windowHandle()->removeEventFilter(this);
    QCoreApplication::postEvent(this, new TCommandLineEvent(kCommandLineMessage));
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed())
        postCommandLine();
    return QMainWindow::eventFilter(watched, e);
}

bool TfrmMain::event(QEvent* e)
{
    if (e->type() == static_cast<QEvent::Type>(kCommandLineMessage)) {
        if (const auto* message = dynamic_cast<TCommandLineEvent*>(e);
            message && message->wParam() == static_cast<quintptr>(kCommandLineMessage)) {
            guarded([this] { OpenRequestedFile(FOptions.arguments.first()); });
            updateActions();
            if (FOptions.quitAfterLoad) {
                if (FLoading)
                    FQuitWhenLoaded = true; // once the worker's load is shown
                else
                    quitAfterLoad();
            }
        }
        return true;
    }
    return QMainWindow::event(e);
}

void TfrmMain::quitAfterLoad()
{
    // Queued behind the tree's pending paint, so the tree is on the screen first.
    const int code = FDocument.OrgFileName().isEmpty() ? 1 : 0;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

void TfrmMain::reportTiming(const QString& text) const
{
    std::fprintf(stderr, "korvel: timing: %s\n", text.toLocal8Bit().constData());
}

// --- error reporting -----------------------------------------------------------

void TfrmMain::guarded(const std::function<void()>& command)
{
    // A command names the file it works on in FErrorFile before it touches it.
    const QString outer = std::exchange(FErrorFile, QString());
    try {
        command();
    } catch (...) {
        reportError(ExceptionText(std::current_exception()));
    }
    FErrorFile = outer;
}

void TfrmMain::reportError(const QString& text)
{
    ErrorBox(this, FileErrorText(FErrorFile, text));
}

// --- state -------------------------------------------------------------------

QString TfrmMain::statusText() const
{
    return FStatusText->text();
}

TTreeNode* TfrmMain::selectedNode() const
{
    const QItemSelection selection = tvMain->selectionModel()->selection();
    if (selection.isEmpty())
        return nullptr;
    return TreeModel::nodeOf(selection.first().topLeft());
}

void TfrmMain::selectNode(const TTreeNode* node)
{
    const QModelIndex index = FModel->indexOf(node);
    if (index.isValid())
        tvMain->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        tvMain->selectionModel()->clear();
}

void TfrmMain::UpdateCaption()
{
    QString suffix;
    switch (FDocument.Format()) {
    case sofBinary:
        suffix = QStringLiteral(" (Binary)");
        break;
    case sofUTF8Text:
        suffix = QStringLiteral(" (UTF-8)");
        break;
    default:
        if (FDocument.BetaText())
            suffix = QStringLiteral(" (ANSI)");
        break;
    }
    QString caption = QStringLiteral("Korvel [") + QFileInfo(FDocument.CurrentFileName()).fileName() + suffix + u']';
    // "[*]" would be taken for the modified placeholder: keep it literal. The
    // placeholder at the end shows "*" while the document has unsaved changes.
    caption.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(caption + QStringLiteral("[*]"));
    setWindowModified(FDocument.IsModified());
    FCodePageStatus->setText(EncodingStatusText(FDocument));
}

void TfrmMain::UpdateStatusBar()
{
    FStatusText->clear();
    const TTreeNode* s = selectedNode();
    if (!s)
        return;
    const TPROPREC& rec = s->record();
    const QString mark = rec.Modified ? FMessages.StrModified : QString();
    FStatusText->setText(
        NodeCaption(rec.ObjectName, FMessages.StrNoName) + QStringLiteral(": ") + rec.ClassName + u' ' + mark);
}

// --- closing and file drop -----------------------------------------------------

void TfrmMain::closeEvent(QCloseEvent* e)
{
    bool close = false;
    guarded([&] { close = ConfirmDiscardChanges(); });
    if (close)
        e->accept();
    else
        e->ignore();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
    else
        e->ignore();
}

void TfrmMain::dragMoveEvent(QDragMoveEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
    else
        e->ignore();
}

void TfrmMain::dropEvent(QDropEvent* e)
{
    if (!e->mimeData()->hasUrls()) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    openDroppedUrls(e->mimeData());
}

void TfrmMain::openDroppedUrls(const QMimeData* mime)
{
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty())
        return;
    const QString path = urls.first().toLocalFile(); // only the first dropped file counts
    guarded([&] { OpenRequestedFile(path); });
    updateActions();
}

} // namespace korvel
