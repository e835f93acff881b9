#include "app/frmuMain.h"

#include "app/ComponentTreeView.h"
#include "lang/LanguageFile.h"
#include "app/TEditor.h"
#include "app/TreeModel.h"
#include "app/UiSeams.h"
#include "document/BinaryExtraction.h"
#include "document/FileIO.h"
#include "document/OutlineParser.h"
#include "document/PropertyCodec.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QSyntaxHighlighter>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include <exception>
#include <utility>
#include <new>

#if __has_include("app/DfmSyntaxHighlighter.h")
#include "app/DfmSyntaxHighlighter.h"
#define KORVEL_HAS_HIGHLIGHTER 1
#endif

static void initKorvelResources()
{
    Q_INIT_RESOURCE(korvel);
}

namespace korvel {

namespace {

const char* const kCategoryProperty = "category";
const QString kTranslate = QStringLiteral("Translate");
const QString kMisc = QStringLiteral("Misc");

// The private message that opens the command-line file, sent during the first showing.
class TCommandLineEvent : public QEvent {
public:
    TCommandLineEvent(quintptr wParam, qintptr lParam)
        : QEvent(static_cast<QEvent::Type>(TfrmMain::kCommandLineMessage)), FWParam(wParam),
          FLParam(lParam)
    {
    }
    quintptr wParam() const { return FWParam; }
    qintptr lParam() const { return FLParam; }

private:
    quintptr FWParam;
    qintptr FLParam;
};

// The busy pointer for the whole application while a load runs; pending window
// messages (but no user input) are processed as it is shown and as it goes.
class TBusyCursor {
public:
    TBusyCursor()
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    ~TBusyCursor()
    {
        QApplication::restoreOverrideCursor();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

QIcon makeIcon(const QString& name, bool withDisabled)
{
    QIcon icon;
    const QString base = QStringLiteral(":/korvel/icons/") + name;
    icon.addFile(base + QStringLiteral(".svg"), QSize(), QIcon::Normal);
    if (withDisabled)
        icon.addFile(base + QStringLiteral("-disabled.svg"), QSize(), QIcon::Disabled);
    return icon;
}

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
    return m;
}

// --- creation ----------------------------------------------------------------

TfrmMain::TfrmMain(TStartOptions options, QWidget* parent)
    : QMainWindow(parent), FOptions(std::move(options))
{
    initKorvelResources();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
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

    ilTreeView = {makeIcon(QStringLiteral("node-form"), false),
                  makeIcon(QStringLiteral("node-component"), false), QIcon()};
    ilMenu = {makeIcon(QStringLiteral("move-up"), true),
              makeIcon(QStringLiteral("move-down"), true),
              makeIcon(QStringLiteral("move-level-up"), true),
              makeIcon(QStringLiteral("open"), true),
              makeIcon(QStringLiteral("save"), true),
              makeIcon(QStringLiteral("save-as"), true),
              makeIcon(QStringLiteral("restore-backup"), true),
              makeIcon(QStringLiteral("auto-decode"), true),
              makeIcon(QStringLiteral("refresh"), true)};

    createActions();
    createLayout();
    createMenus();

    // Files dropped anywhere on the window are opened.
    setAcceptDrops(true);

    FOpenFilter = QStringLiteral(
        "RAD Studio Form File (*.dfm;*.fmx;*.xfm)|*.dfm;*.fmx;*.xfm|All Files (*.*)|*.*");
    FBinFilter = QStringLiteral("Binary file (*.*)|*.*");

    FMessages = TMessages::Defaults();
    FEditorFontName = QStringLiteral("ＭＳ ゴシック");
    FEditorFontSize = 10;
    ReadLanguageFile();
    FDocument.SetNoNameText(FMessages.StrNoName);

    resize(800, 600);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    updateActions();
}

void TfrmMain::createActions()
{
    auto* amMain = new QObject(this);
    amMain->setObjectName(QStringLiteral("amMain"));

    struct TActionDef {
        const char* name;
        bool translate;
        const char* caption;
        const char* hint;
        QKeySequence shortcut;
        int image;
        void (TfrmMain::*handler)();
    };
    const QKeySequence none;
    const TActionDef defs[] = {
        {"actOpenFile", true, "開く(&O)...", "フォームファイルを開きます", QKeySequence(Qt::CTRL | Qt::Key_O), 3,
         &TfrmMain::actOpenFileExecute},
        {"actUp", true, "上へ移動(&U)", "ノードを上へ移動します (作成順=前)", QKeySequence(Qt::CTRL | Qt::Key_Up), 0,
         &TfrmMain::actUpExecute},
        {"actDown", true, "下へ移動(&D)", "ノードを下へ移動します (作成順=後)", QKeySequence(Qt::CTRL | Qt::Key_Down), 1,
         &TfrmMain::actDownExecute},
        {"actUpToOneLevel", true, "一つ上のレベルへ移動(&P)", "ノードを一つ上のレベルへ移動します",
         QKeySequence(Qt::ALT | Qt::Key_Up), 2, &TfrmMain::actUpToOneLevelExecute},
        {"actDisposeAll", false, "", "", none, -1, &TfrmMain::actDisposeAllExecute},
        {"actParse", false, "", "", none, -1, &TfrmMain::actParseExecute},
        {"actSelectAll", true, "すべて選択(&A)", "すべて選択します", QKeySequence(Qt::CTRL | Qt::Key_A), -1,
         &TfrmMain::actSelectAllExecute},
        {"actOriginalProperties", true, "オリジナルの状態に戻す", "プロパティをオリジナルの状態に戻します",
         QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Z), -1, &TfrmMain::actOriginalPropertiesExecute},
        {"actSaveProperties", true, "変更を適用", "プロパティを保存します",
         QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_S), -1, &TfrmMain::actSavePropertiesExecute},
        {"actCollapse", true, "ノードを折り畳む(&I)", "ノードを折り畳みます",
         QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus)), -1, &TfrmMain::actCollapseExecute},
        {"actExpand", true, "ノードを展開する(&J)", "ノードを展開します",
         QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus)), -1, &TfrmMain::actExpandExecute},
        {"actsaveFile", true, "上書き保存(&S)", "フォームファイルを保存します", QKeySequence(Qt::CTRL | Qt::Key_S), 4,
         &TfrmMain::actsaveFileExecute},
        {"actSaveAs", true, "名前を付けて保存...", "フォームファイルに名前を付けて保存します", none, 5,
         &TfrmMain::actSaveAsExecute},
        {"actRestoreBackup", true, "バックアップを書き戻す",
         "現在のファイル名で、保存されているバックアップを書き戻します", none, 6,
         &TfrmMain::actRestoreBackupExecute},
        {"actAutoDecode", true, "自動デコードを行う",
         "フォームファイルに含まれるコントロール文字列の自動デコードを行います", none, 7,
         &TfrmMain::actAutoDecodeExecute},
        {"actRefresh", true, "最新の情報に更新(&R)", "フォームファイルを読み直します", QKeySequence(Qt::Key_F5), 8,
         &TfrmMain::actRefreshExecute},
        {"actCopyToClipboard", true, "クリップボードにコピー(&C)",
         "コントロールを子コントロールごとクリップボードへコピーします",
         QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_C), -1, &TfrmMain::actCopyToClipboardExecute},
        {"actSelTextToBin", true, "選択テキストをバイナリファイルとして保存(&B)...", "", none, -1,
         &TfrmMain::actSelTextToBinExecute},
        {"actEditorCopy", false, "", "", QKeySequence(Qt::CTRL | Qt::Key_C), -1, &TfrmMain::actEditorCopyExecute},
        {"actEditorCut", false, "", "", QKeySequence(Qt::CTRL | Qt::Key_X), -1, &TfrmMain::actEditorCutExecute},
        {"actEditorPaste", false, "", "", QKeySequence(Qt::CTRL | Qt::Key_V), -1,
         &TfrmMain::actEditorPasteExecute},
        {"actEditorUndo", false, "", "", QKeySequence(Qt::CTRL | Qt::Key_Z), -1, &TfrmMain::actEditorUndoExecute},
    };

    for (const TActionDef& d : defs) {
        auto* a = new QAction(amMain);
        a->setObjectName(QString::fromLatin1(d.name));
        a->setProperty(kCategoryProperty, d.translate ? kTranslate : kMisc);
        a->setText(QString::fromUtf8(d.caption));
        a->setToolTip(QString::fromUtf8(d.hint));
        a->setShortcut(d.shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
        if (d.image >= 0)
            a->setIcon(ilMenu[d.image]);
        const auto handler = d.handler;
        connect(a, &QAction::triggered, this, [this, handler] {
            guarded([this, handler] { (this->*handler)(); });
            updateActions();
        });
        addAction(a); // shortcuts work without a menu bar
        FActions.push_back(a);
    }
    QAction* autoDecode = action(QStringLiteral("actAutoDecode"));
    autoDecode->setCheckable(true);
    autoDecode->setChecked(true);
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
    const auto add = [&](const char* name) { atbMain->addAction(action(QString::fromLatin1(name))); };
    add("actOpenFile");
    add("actsaveFile");
    add("actSaveAs");
    add("actRestoreBackup");
    add("actRefresh");
    atbMain->addSeparator();
    add("actUpToOneLevel");
    atbMain->addSeparator();
    add("actUp");
    add("actDown");
    atbMain->addSeparator();
    add("actAutoDecode");
    addToolBar(Qt::TopToolBarArea, atbMain);

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    FStatusText = new QLabel(bar);
    FStatusText->setObjectName(QStringLiteral("StatusBarText"));
    FStatusText->setTextFormat(Qt::PlainText);
    bar->addWidget(FStatusText, 1);
    setStatusBar(bar);

    auto* pnlMain = new QWidget(this);
    pnlMain->setObjectName(QStringLiteral("pnlMain"));
    auto* layout = new QHBoxLayout(pnlMain);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    splitterMain = new QSplitter(Qt::Horizontal, pnlMain);
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
        [this](const QMimeData* data, const QModelIndex& target) {
            bool accepted = false;
            guarded([&] { accepted = tvMainDragOver(data, target); });
            return accepted;
        },
        [this](const QMimeData* data, const QModelIndex& target) {
            guarded([&] { tvMainDragDrop(data, target); });
            updateActions();
        });

    mmProperties = new TEditor(splitterMain);
    mmProperties->setObjectName(QStringLiteral("mmProperties"));
    mmProperties->setContextMenuPolicy(Qt::CustomContextMenu);

    splitterMain->addWidget(tvMain);
    splitterMain->addWidget(mmProperties);
    splitterMain->setStretchFactor(0, 0);
    splitterMain->setStretchFactor(1, 1);
    splitterMain->setSizes({301, 800 - 301 - 3});
    setCentralWidget(pnlMain);

    connect(tvMain->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { guarded([this] { tvMainChange(); }); updateActions(); });
    connect(FModel, &QAbstractItemModel::modelAboutToBeReset, this, [this] { FShownNode = nullptr; });
    connect(FModel, &QAbstractItemModel::modelReset, this, [this] { updateActions(); });
    connect(FModel, &QAbstractItemModel::rowsMoved, this, [this] { updateActions(); });
    connect(mmProperties, &TEditor::doubleClicked, this, [this] { guarded([this] { mmPropertiesDblClick(); }); });

    // The editor leaves the window's shortcuts to the window's actions.
    QList<QKeySequence> reserved;
    for (QAction* a : FActions)
        if (!a->shortcut().isEmpty())
            reserved << a->shortcut();
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

void TfrmMain::createMenus()
{
    pabTreeView = new QMenu(this);
    pabTreeView->setObjectName(QStringLiteral("pabTreeView"));
    const auto addTo = [this](QMenu* menu, const char* name) { menu->addAction(action(QString::fromLatin1(name))); };
    addTo(pabTreeView, "actUpToOneLevel");
    pabTreeView->addSeparator();
    addTo(pabTreeView, "actUp");
    addTo(pabTreeView, "actDown");
    pabTreeView->addSeparator();
    addTo(pabTreeView, "actCollapse");
    addTo(pabTreeView, "actExpand");
    pabTreeView->addSeparator();
    addTo(pabTreeView, "actCopyToClipboard");
    pabTreeView->addSeparator();
    addTo(pabTreeView, "actRefresh");

    pabProperties = new QMenu(this);
    pabProperties->setObjectName(QStringLiteral("pabProperties"));
    addTo(pabProperties, "actAutoDecode");
    pabProperties->addSeparator();
    addTo(pabProperties, "actOriginalProperties");
    addTo(pabProperties, "actSaveProperties");
    pabProperties->addSeparator();
    addTo(pabProperties, "actSelTextToBin");
    pabProperties->addSeparator();
    addTo(pabProperties, "actSelectAll");

    // The context menus list the actions without their images, as text items.
    for (QMenu* menu : {pabTreeView, pabProperties}) {
        connect(menu, &QMenu::aboutToShow, this, [this] { updateActions(); });
        for (QAction* a : menu->actions())
            a->setIconVisibleInMenu(false);
    }

    connect(tvMain, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pabTreeView->popup(tvMain->viewport()->mapToGlobal(pos)); });
    connect(mmProperties, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pabProperties->popup(mmProperties->viewport()->mapToGlobal(pos)); });
}

QFileDialog* TfrmMain::createDialog(const QString& name)
{
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(name);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setOption(QFileDialog::ReadOnly, false);
    if (name == u"odMain") {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::AnyFile); // the chosen file need not exist
        dialog->setNameFilters(DialogFilterToNameFilters(FOpenFilter));
    } else if (name == u"sdMain") {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setNameFilters(DialogFilterToNameFilters(FOpenFilter));
        dialog->setDefaultSuffix(QString());
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setNameFilters(DialogFilterToNameFilters(FBinFilter));
        dialog->setDefaultSuffix(QStringLiteral("bin"));
    }
    return dialog;
}

void TfrmMain::ReadLanguageFile()
{
    const QString path = FOptions.languageFile.isEmpty()
                             ? LanguageFilePathFor(QCoreApplication::applicationFilePath())
                             : FOptions.languageFile;
    if (!FileExists(path))
        return;
    TLanguageFile lng;
    bool read = false;
    guarded([&] {
        FErrorFile = path;
        lng = TLanguageFile::Load(path);
        read = true;
    });
    if (!read)
        return; // reported; the defaults stay
    const QString table = QStringLiteral("StringTable");
    FMessages.StrRestoreBackup = lng.readString(table, u"StrRestoreBackup", FMessages.StrRestoreBackup);
    FMessages.StrSaveChanges = lng.readString(table, u"StrSaveChanges", FMessages.StrSaveChanges);
    FMessages.StrFormFileNotFound = lng.readString(table, u"StrFormFileNotFound", FMessages.StrFormFileNotFound);
    FMessages.StrModified = lng.readString(table, u"StrModified", FMessages.StrModified);
    FMessages.StrReload = lng.readString(table, u"StrReload", FMessages.StrReload);
    FMessages.StrNoName = lng.readString(table, u"StrNoName", FMessages.StrNoName);
    FMessages.StrSaveModified = lng.readString(table, u"StrSaveModified", FMessages.StrSaveModified);
    for (QAction* a : FActions) {
        if (a->property(kCategoryProperty).toString() != kTranslate)
            continue;
        const QString section = a->objectName();
        a->setText(lng.readString(section, u"Caption", a->text()));
        a->setToolTip(lng.readString(section, u"Hint", a->toolTip()));
    }
    FEditorFontName = lng.readString(u"Editor", u"FontName", FEditorFontName);
    FEditorFontSize = lng.readInteger(u"Editor", u"FontSize", FEditorFontSize);
}

// --- showing -----------------------------------------------------------------

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
    for (const char* name : {"actsaveFile", "actSaveAs", "actRestoreBackup", "actRefresh", "actUp", "actDown",
                             "actUpToOneLevel"})
        action(QString::fromLatin1(name))->setEnabled(false);

#ifdef KORVEL_HAS_HIGHLIGHTER
    guarded([this] {
        auto* highlighter = new DfmSyntaxHighlighter(mmProperties->document());
        highlighter->InstallTokenFinder(mmProperties); // double clicks select the scanner's tokens
        FDFMFountain = highlighter;
    });
#endif
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
    QCoreApplication::postEvent(this, new TCommandLineEvent(kCommandLineMessage, 0));
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
        }
        return true;
    }
    return QMainWindow::event(e);
}

// --- error reporting -----------------------------------------------------------

template <class F>
void TfrmMain::guarded(F&& command)
{
    // A command names the file it works on in FErrorFile before it touches it.
    const QString outer = std::exchange(FErrorFile, QString());
    try {
        command();
    } catch (const EKorvelError& e) {
        reportError(e.message());
    } catch (const std::bad_alloc&) {
        reportError(QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        reportError(QString::fromUtf8(e.what()));
    } catch (...) {
        reportError(QStringLiteral("Unknown error"));
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

QAction* TfrmMain::action(const QString& name) const
{
    for (QAction* a : FActions)
        if (a->objectName() == name)
            return a;
    return nullptr;
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

void TfrmMain::updateActions()
{
    const bool loaded = !FDocument.OrgFileName().isEmpty();
    const TTreeNode* s = selectedNode();
    const auto enable = [this](const char* name, bool on) { action(QString::fromLatin1(name))->setEnabled(on); };
    enable("actsaveFile", loaded);
    enable("actSaveAs", loaded);
    enable("actRestoreBackup", loaded);
    enable("actRefresh", loaded);
    enable("actUp", s && CanMoveUp(s));
    enable("actDown", s && CanMoveDown(s));
    enable("actUpToOneLevel", s && CanMoveOneLevelUp(s));
    enable("actCopyToClipboard", s && s->parent());
    setWindowModified(FDocument.IsModified());
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
    QString caption = QStringLiteral("Korvel [") + QFileInfo(FDocument.CurrentFileName()).fileName() + suffix
                      + u']';
    // "[*]" would be taken for the modified placeholder: keep it literal. The
    // placeholder at the end shows "*" while the document has unsaved changes.
    caption.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(caption + QStringLiteral("[*]"));
    setWindowModified(FDocument.IsModified());
}

void TfrmMain::UpdateStatusBar()
{
    FStatusText->clear();
    const TTreeNode* s = selectedNode();
    if (!s)
        return;
    const TPROPREC& rec = s->record();
    const QString mark = rec.Modified ? FMessages.StrModified : QString();
    FStatusText->setText(NodeCaption(rec.ObjectName, FMessages.StrNoName) + QStringLiteral(": ") + rec.ClassName
                         + u' ' + mark);
}

// --- loading -----------------------------------------------------------------

void TfrmMain::OpenRequestedFile(const QString& path)
{
    FErrorFile = path;
    const QString target = ResolveRequestedFile(path);
    if (target.isEmpty()) {
        reportError(FMessages.StrFormFileNotFound);
        return;
    }
    if (ConfirmDiscardChanges())
        LoadFormFile(target);
}

void TfrmMain::LoadFormFile(const QString& path)
{
    FErrorFile = path;
    {
        TBusyCursor busy;
        FDocument.LoadFormFile(path); // on failure nothing of the document has changed
    }
    afterLoad();
}

void TfrmMain::afterLoad()
{
    QAction* autoDecode = action(QStringLiteral("actAutoDecode"));
    autoDecode->setChecked(FDocument.AutoDecode());
    UpdateCaption();
    showText(QString());
    showLoadedDocument();
    // Lines that could not be loaded as they are: the user learns it now, not at the save
    // that refuses them.
    if (!FDocument.LoadWarnings().empty())
        WarningBox(this, LoadWarningsText(FDocument.CurrentFileName(), FDocument.LoadWarnings()));
}

bool TfrmMain::paneHasUnappliedText() const
{
    if (!FShownNode)
        return false;
    // Compared with the breaks made alike: the pane gives every break back as CR LF.
    const auto normalized = [](QString text) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
        return text;
    };
    return normalized(mmProperties->text()) != normalized(FShownText);
}

bool TfrmMain::ConfirmDiscardChanges()
{
    const bool paneChanged = paneHasUnappliedText();
    if (!paneChanged && !FDocument.IsModified())
        return true;
    switch (AskSaveChanges(this, FMessages.StrSaveModified)) {
    case TSaveAnswer::Cancel:
        return false;
    case TSaveAnswer::Discard:
        return true;
    case TSaveAnswer::Save:
        break;
    }
    // Save keeps the typed text too: it is applied to its node first.
    if (paneChanged)
        actSavePropertiesExecute();
    const QString target = FDocument.CurrentFileName();
    FErrorFile = target;
    FDocument.Save(); // a failure ends the command that asked: nothing is thrown away
    UpdateCaption();
    return true;
}

void TfrmMain::showLoadedDocument()
{
    const TTreeNode* first = FDocument.Tree().firstNode();
    if (!first) {
        // An empty tree: nothing is selected, and the status bar no longer names
        // a component of the previous document.
        FStatusText->clear();
        updateActions();
        return;
    }
    expandSubtree(first);
    selectNode(first); // tvMainChange shows the node's text and the status bar
    if (FShownNode != first)
        tvMainClick();
    tvMain->scrollTo(FModel->indexOf(first));
    updateActions();
}

// --- property pane -------------------------------------------------------------

void TfrmMain::tvMainChange()
{
    if (selectedNode() == FShownNode && FShownNode)
        return; // the same node: not a change of selection
    tvMainClick();
}

void TfrmMain::tvMainClick()
{
    FStatusText->clear();
    TTreeNode* s = selectedNode();
    FShownNode = s;
    if (!s)
        return;
    UpdateStatusBar();
    showText(FDocument.ShownProperties(s));
}

void TfrmMain::showText(const QString& paneText)
{
    // The highlighter colours only the rows being painted, so texts of any length show at once.
    FShownText = paneText;
    mmProperties->setText(paneText);
    mmProperties->scrollToTopLeft();
}

void TfrmMain::actAutoDecodeExecute()
{
    FDocument.SetAutoDecode(action(QStringLiteral("actAutoDecode"))->isChecked());
    tvMainClick();
}

void TfrmMain::actSavePropertiesExecute()
{
    TTreeNode* s = selectedNode();
    if (!s)
        return;
    FShownText = mmProperties->text(); // the pane goes on showing the text as typed
    FDocument.ApplyProperties(s, FShownText);
    UpdateStatusBar();
}

void TfrmMain::actOriginalPropertiesExecute()
{
    TTreeNode* s = selectedNode();
    if (!s)
        return;
    FDocument.RevertProperties(s);
    showText(FDocument.ShownProperties(s));
    UpdateStatusBar();
}

void TfrmMain::mmPropertiesDblClick()
{
    mmProperties->SelectTokenFromCaret();
}

// --- tree reordering -----------------------------------------------------------

void TfrmMain::collapseSubtree(const TTreeNode* node)
{
    if (!node)
        return;
    // Collapsing while a relayout is pending only forgets the expanded marks, so
    // a large subtree costs one pass over its nodes and a single relayout.
    tvMain->scheduleRelayout();
    std::vector<const TTreeNode*> stack{node};
    while (!stack.empty()) {
        const TTreeNode* n = stack.back();
        stack.pop_back();
        if (!n->hasChildren())
            continue;
        const QModelIndex index = FModel->indexOf(n);
        if (tvMain->isExpanded(index))
            tvMain->collapse(index);
        for (int i = 0; i < n->childCount(); ++i)
            stack.push_back(n->child(i));
    }
}

void TfrmMain::expandSubtree(const TTreeNode* node)
{
    if (node)
        tvMain->expandRecursively(FModel->indexOf(node));
}

void TfrmMain::scrollToTop(const TTreeNode* node)
{
    tvMain->scrollTo(FModel->indexOf(node), QAbstractItemView::PositionAtTop);
}

void TfrmMain::applyMoveDisplayEffects(const TMoveResult& result, TTreeNode* formerParent)
{
    // What a move does to the display: the moved node comes out collapsed with its
    // whole subtree, its new parent is expanded, and a former parent left without
    // children is collapsed.
    collapseSubtree(result.moved);
    if (result.newParent)
        tvMain->expand(FModel->indexOf(result.newParent));
    if (formerParent && formerParent != result.newParent && !formerParent->hasChildren())
        tvMain->collapse(FModel->indexOf(formerParent));
}

void TfrmMain::actUpExecute()
{
    TTreeNode* s = selectedNode();
    if (!s || !CanMoveUp(s))
        return;
    const bool wasExpanded = tvMain->isExpanded(FModel->indexOf(s));
    const TMoveResult r = FDocument.MoveUp(s);
    if (!r)
        return;
    applyMoveDisplayEffects(r, s->parent());
    if (wasExpanded)
        expandSubtree(s);
    if (s->hasChildren())
        scrollToTop(s);
}

void TfrmMain::actDownExecute()
{
    TTreeNode* s = selectedNode();
    if (!s || !CanMoveDown(s))
        return;
    TTreeNode* n = s->nextSibling();
    const bool nextWasExpanded = tvMain->isExpanded(FModel->indexOf(n));
    const TMoveResult r = FDocument.MoveDown(s);
    if (!r)
        return;
    applyMoveDisplayEffects(r, s->parent());
    if (nextWasExpanded)
        expandSubtree(r.moved);
    if (s->hasChildren())
        scrollToTop(s);
}

void TfrmMain::actUpToOneLevelExecute()
{
    TTreeNode* s = selectedNode();
    if (!s || !CanMoveOneLevelUp(s))
        return;
    TTreeNode* formerParent = s->parent();
    const bool wasExpanded = tvMain->isExpanded(FModel->indexOf(s));
    const TMoveResult r = FDocument.MoveOneLevelUp(s);
    if (!r)
        return;
    applyMoveDisplayEffects(r, formerParent);
    if (s->hasChildren()) {
        if (wasExpanded)
            expandSubtree(s);
        scrollToTop(s);
    }
}

bool TfrmMain::tvMainDragOver(const QMimeData* data, const QModelIndex& target)
{
    // Only a node dragged out of this very tree qualifies.
    const TTreeNode* dragged = FModel->nodeFromMimeData(data);
    const TTreeNode* s = selectedNode();
    const TTreeNode* t = TreeModel::nodeOf(target);
    if (!dragged || !s || dragged != s || !t)
        return false;
    return CanDrop(s, t);
}

void TfrmMain::tvMainDragDrop(const QMimeData* data, const QModelIndex& target)
{
    if (!tvMainDragOver(data, target))
        return;
    TTreeNode* s = selectedNode();
    TTreeNode* formerParent = s->parent();
    const TMoveResult r = FDocument.Drop(s, TreeModel::nodeOf(target));
    if (r)
        applyMoveDisplayEffects(r, formerParent);
}

void TfrmMain::actCollapseExecute()
{
    if (const TTreeNode* s = selectedNode())
        collapseSubtree(s);
}

void TfrmMain::actExpandExecute()
{
    if (const TTreeNode* s = selectedNode())
        expandSubtree(s);
}

// --- outline -------------------------------------------------------------------

void TfrmMain::actDisposeAllExecute()
{
    // The records live inside the tree's nodes and are released with them when
    // the tree is rebuilt or destroyed; there is nothing to release separately.
}

void TfrmMain::actParseExecute()
{
    {
        TBusyCursor busy;
        FDocument.Reparse();
    }
    showLoadedDocument();
}

// --- file commands ---------------------------------------------------------------

void TfrmMain::actOpenFileExecute()
{
    std::unique_ptr<QFileDialog> odMain(createDialog(QStringLiteral("odMain")));
    const QString path = ExecFileDialog(*odMain);
    if (!path.isEmpty() && ConfirmDiscardChanges())
        LoadFormFile(path);
}

void TfrmMain::actsaveFileExecute()
{
    if (FDocument.OrgFileName().isEmpty() || !ConfirmBox(this, FMessages.StrSaveChanges))
        return;
    FErrorFile = FDocument.CurrentFileName();
    FDocument.Save();
    UpdateCaption();
}

void TfrmMain::actSaveAsExecute()
{
    if (FDocument.OrgFileName().isEmpty())
        return;
    std::unique_ptr<QFileDialog> sdMain(createDialog(QStringLiteral("sdMain")));
    sdMain->selectFile(QFileInfo(FDocument.CurrentFileName()).fileName());
    const QString path = ExecFileDialog(*sdMain);
    if (path.isEmpty())
        return;
    FErrorFile = path;
    FDocument.SaveAs(path); // takes the new name only once the file is written
    UpdateCaption();
}

void TfrmMain::actRestoreBackupExecute()
{
    if (FDocument.OrgFileName().isEmpty() || !ConfirmBox(this, FMessages.StrRestoreBackup))
        return;
    FErrorFile = FDocument.CurrentFileName();
    FDocument.RestoreBackup();
}

void TfrmMain::actRefreshExecute()
{
    if (FDocument.OrgFileName().isEmpty() || !ConfirmBox(this, FMessages.StrReload))
        return;
    // Asked after the reload question: only a reload that will happen throws changes away.
    const QString path = FDocument.CurrentFileName();
    if (!FileExists(path) || !ConfirmDiscardChanges())
        return;
    FErrorFile = FDocument.CurrentFileName(); // a save may have been asked for
    bool reloaded = false;
    {
        TBusyCursor busy;
        reloaded = FDocument.Refresh();
    }
    if (reloaded)
        afterLoad();
}

void TfrmMain::actCopyToClipboardExecute()
{
    const TTreeNode* s = selectedNode();
    if (!tvMain->hasFocus() || !s)
        return;
    QGuiApplication::clipboard()->setText(FDocument.ClipboardText(s));
}

void TfrmMain::actSelTextToBinExecute()
{
    std::unique_ptr<QFileDialog> sdBin(createDialog(QStringLiteral("sdBin")));
    sdBin->selectFile(QString());
    const QString path = ExecFileDialog(*sdBin);
    if (path.isEmpty())
        return;
    FErrorFile = path;
    SaveSelectionAsBinary(mmProperties->selectedText(), path);
}

// --- editor commands -------------------------------------------------------------

void TfrmMain::actSelectAllExecute()
{
    if (mmProperties->hasFocus())
        mmProperties->selectAll();
}

void TfrmMain::actEditorCopyExecute()
{
    if (mmProperties->hasFocus())
        mmProperties->copy();
}

void TfrmMain::actEditorCutExecute()
{
    if (mmProperties->hasFocus())
        mmProperties->cut();
}

void TfrmMain::actEditorPasteExecute()
{
    if (mmProperties->hasFocus())
        mmProperties->paste();
}

void TfrmMain::actEditorUndoExecute()
{
    // The pane keeps its own undo; in the tree the key takes back a document change.
    if (mmProperties->hasFocus())
        mmProperties->undo();
    else if (tvMain->hasFocus())
        undoDocumentChange();
}

// --- undo and redo of document changes -------------------------------------------

void TfrmMain::undoDocumentChange()
{
    showDocumentChange(FDocument.Undo());
}

void TfrmMain::redoDocumentChange()
{
    showDocumentChange(FDocument.Redo());
}

void TfrmMain::showDocumentChange(TTreeNode* node)
{
    if (!node)
        return;
    for (const TTreeNode* p = node->parent(); p; p = p->parent())
        tvMain->expand(FModel->indexOf(p));
    selectNode(node);
    tvMainClick(); // also when node was selected already: its text may have changed
    tvMain->scrollTo(FModel->indexOf(node));
    updateActions();
}

void TfrmMain::closeEvent(QCloseEvent* e)
{
    bool close = false;
    guarded([&] { close = ConfirmDiscardChanges(); });
    if (close)
        e->accept();
    else
        e->ignore();
}

// --- file drop -------------------------------------------------------------------

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

void TfrmMain::openDroppedUrls(const QMimeData* data)
{
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty())
        return;
    const QString path = urls.first().toLocalFile(); // only the first dropped file counts
    guarded([&] { OpenRequestedFile(path); });
    updateActions();
}

} // namespace korvel
