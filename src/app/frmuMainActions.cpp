// The window's action list: the table of actions with their captions, hints,
// shortcuts and icons, the tool bar's and context menus' entries, the enabling
// rules, and the captions and messages a language file replaces.
#include "app/frmuMain.h"

#include "app/ComponentTreeView.h"
#include "lang/LanguageFile.h"
#include "app/TEditor.h"
#include "document/FileIO.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

namespace korvel {

namespace {

const char* const kCategoryProperty = "category";
const QString kTranslate = QStringLiteral("Translate");
const QString kMisc = QStringLiteral("Misc");

// An action's icon: name.svg, with name-disabled.svg for the disabled state.
QIcon makeIcon(const QString& name)
{
    QIcon icon;
    const QString base = QStringLiteral(":/korvel/icons/") + name;
    icon.addFile(base + QStringLiteral(".svg"), QSize(), QIcon::Normal);
    icon.addFile(base + QStringLiteral("-disabled.svg"), QSize(), QIcon::Disabled);
    return icon;
}

} // namespace

void TfrmMain::createActions()
{
    auto* amMain = new QObject(this);
    amMain->setObjectName(QStringLiteral("amMain"));

    // One row per action, in the list's order. The icon is the base name of the
    // action's images (name.svg, and name-disabled.svg for the disabled state).
    struct TActionDef {
        QAction* TMainActions::*member;
        const char* name;
        bool translate;
        const char* caption;
        const char* hint;
        QKeySequence shortcut;
        const char* icon;
        void (TfrmMain::*handler)();
    };
    using A = TMainActions;
    using W = TfrmMain;
    const QKeySequence none;
    const QKeySequence numMinus(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus));
    const QKeySequence numPlus(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus));
    const TActionDef defs[] = {
        {&A::actOpenFile, "actOpenFile", true, "開く(&O)...", "フォームファイルを開きます",
            QKeySequence(Qt::CTRL | Qt::Key_O), "open", &W::actOpenFileExecute},
        {&A::actUp, "actUp", true, "上へ移動(&U)", "ノードを上へ移動します (作成順=前)",
            QKeySequence(Qt::CTRL | Qt::Key_Up), "move-up", &W::actUpExecute},
        {&A::actDown, "actDown", true, "下へ移動(&D)", "ノードを下へ移動します (作成順=後)",
            QKeySequence(Qt::CTRL | Qt::Key_Down), "move-down", &W::actDownExecute},
        {&A::actUpToOneLevel, "actUpToOneLevel", true, "一つ上のレベルへ移動(&P)", "ノードを一つ上のレベルへ移動します",
            QKeySequence(Qt::ALT | Qt::Key_Up), "move-level-up", &W::actUpToOneLevelExecute},
        {&A::actDisposeAll, "actDisposeAll", false, "", "", none, nullptr, &W::actDisposeAllExecute},
        {&A::actParse, "actParse", false, "", "", none, nullptr, &W::actParseExecute},
        {&A::actSelectAll, "actSelectAll", true, "すべて選択(&A)", "すべて選択します",
            QKeySequence(Qt::CTRL | Qt::Key_A), nullptr, &W::actSelectAllExecute},
        {&A::actOriginalProperties, "actOriginalProperties", true, "オリジナルの状態に戻す",
            "プロパティをオリジナルの状態に戻します", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Z), nullptr,
            &W::actOriginalPropertiesExecute},
        {&A::actSaveProperties, "actSaveProperties", true, "変更を適用", "プロパティを保存します",
            QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_S), nullptr, &W::actSavePropertiesExecute},
        {&A::actCollapse, "actCollapse", true, "ノードを折り畳む(&I)", "ノードを折り畳みます", numMinus, nullptr,
            &W::actCollapseExecute},
        {&A::actExpand, "actExpand", true, "ノードを展開する(&J)", "ノードを展開します", numPlus, nullptr,
            &W::actExpandExecute},
        {&A::actsaveFile, "actsaveFile", true, "上書き保存(&S)", "フォームファイルを保存します",
            QKeySequence(Qt::CTRL | Qt::Key_S), "save", &W::actsaveFileExecute},
        {&A::actSaveAs, "actSaveAs", true, "名前を付けて保存...", "フォームファイルに名前を付けて保存します", none,
            "save-as", &W::actSaveAsExecute},
        {&A::actRestoreBackup, "actRestoreBackup", true, "バックアップを書き戻す",
            "現在のファイル名で、保存されているバックアップを書き戻します", none, "restore-backup",
            &W::actRestoreBackupExecute},
        {&A::actAutoDecode, "actAutoDecode", true, "自動デコードを行う",
            "フォームファイルに含まれるコントロール文字列の自動デコードを行います", none, "auto-decode",
            &W::actAutoDecodeExecute},
        {&A::actRefresh, "actRefresh", true, "最新の情報に更新(&R)", "フォームファイルを読み直します",
            QKeySequence(Qt::Key_F5), "refresh", &W::actRefreshExecute},
        {&A::actCopyToClipboard, "actCopyToClipboard", true, "クリップボードにコピー(&C)",
            "コントロールを子コントロールごとクリップボードへコピーします",
            QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_C), nullptr, &W::actCopyToClipboardExecute},
        {&A::actSelTextToBin, "actSelTextToBin", true, "選択テキストをバイナリファイルとして保存(&B)...", "", none,
            nullptr, &W::actSelTextToBinExecute},
        {&A::actEditorCopy, "actEditorCopy", false, "", "", QKeySequence(Qt::CTRL | Qt::Key_C), nullptr,
            &W::actEditorCopyExecute},
        {&A::actEditorCut, "actEditorCut", false, "", "", QKeySequence(Qt::CTRL | Qt::Key_X), nullptr,
            &W::actEditorCutExecute},
        {&A::actEditorPaste, "actEditorPaste", false, "", "", QKeySequence(Qt::CTRL | Qt::Key_V), nullptr,
            &W::actEditorPasteExecute},
        {&A::actEditorUndo, "actEditorUndo", false, "", "", QKeySequence(Qt::CTRL | Qt::Key_Z), nullptr,
            &W::actEditorUndoExecute},
        {&A::actReopenWithCodePage, "actReopenWithCodePage", true, "コードページを指定して開き直す(&K)...",
            "フォームファイルを選んだコードページで読み直します", none, "codepage", &W::actReopenWithCodePageExecute},
    };

    for (const TActionDef& d : defs) {
        auto* a = new QAction(amMain);
        a->setObjectName(QString::fromLatin1(d.name));
        a->setProperty(kCategoryProperty, d.translate ? kTranslate : kMisc);
        a->setText(QString::fromUtf8(d.caption));
        a->setToolTip(QString::fromUtf8(d.hint));
        a->setShortcut(d.shortcut);
        a->setShortcutContext(Qt::WindowShortcut);
        if (d.icon)
            a->setIcon(makeIcon(QString::fromLatin1(d.icon)));
        const auto handler = d.handler;
        connect(a, &QAction::triggered, this, [this, handler] {
            guarded([this, handler] { (this->*handler)(); });
            updateActions();
        });
        addAction(a); // shortcuts work without a menu bar
        FActions.*d.member = a;
        FActions.all.push_back(a);
    }
    FActions.actAutoDecode->setCheckable(true);
    FActions.actAutoDecode->setChecked(true);
}

void TfrmMain::createMenus()
{
    pabTreeView = new QMenu(this);
    pabTreeView->setObjectName(QStringLiteral("pabTreeView"));
    const TMainActions& a = FActions;
    pabTreeView->addAction(a.actUpToOneLevel);
    pabTreeView->addSeparator();
    pabTreeView->addActions({a.actUp, a.actDown});
    pabTreeView->addSeparator();
    pabTreeView->addActions({a.actCollapse, a.actExpand});
    pabTreeView->addSeparator();
    pabTreeView->addAction(a.actCopyToClipboard);
    pabTreeView->addSeparator();
    pabTreeView->addActions({a.actRefresh, a.actReopenWithCodePage});

    pabProperties = new QMenu(this);
    pabProperties->setObjectName(QStringLiteral("pabProperties"));
    pabProperties->addAction(a.actAutoDecode);
    pabProperties->addSeparator();
    pabProperties->addActions({a.actOriginalProperties, a.actSaveProperties});
    pabProperties->addSeparator();
    pabProperties->addAction(a.actSelTextToBin);
    pabProperties->addSeparator();
    pabProperties->addAction(a.actSelectAll);

    // The context menus list the actions without their images, as text items.
    for (QMenu* menu : {pabTreeView, pabProperties}) {
        connect(menu, &QMenu::aboutToShow, this, [this] { updateActions(); });
        for (QAction* item : menu->actions())
            item->setIconVisibleInMenu(false);
    }

    connect(tvMain, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { pabTreeView->popup(tvMain->viewport()->mapToGlobal(pos)); });
    connect(mmProperties, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { pabProperties->popup(mmProperties->viewport()->mapToGlobal(pos)); });
}

void TfrmMain::updateActions()
{
    const bool loaded = !FDocument.OrgFileName().isEmpty();
    const TTreeNode* s = selectedNode();
    const TMainActions& a = FActions;
    // While a load runs on the worker thread, nothing may change or reload the
    // document it is about to replace.
    const bool idle = !FLoading;
    for (QAction* action : {a.actsaveFile, a.actSaveAs, a.actRestoreBackup, a.actRefresh})
        action->setEnabled(loaded && idle);
    a.actUp->setEnabled(idle && s && CanMoveUp(s));
    a.actDown->setEnabled(idle && s && CanMoveDown(s));
    a.actUpToOneLevel->setEnabled(idle && s && CanMoveOneLevelUp(s));
    a.actCopyToClipboard->setEnabled(idle && s && s->parent());
    a.actReopenWithCodePage->setEnabled(idle && UsesAnsiCodePage(FDocument));
    for (QAction* action : {a.actParse, a.actOriginalProperties, a.actSaveProperties, a.actAutoDecode, a.actCollapse,
             a.actExpand, a.actSelTextToBin})
        action->setEnabled(idle);
    setWindowModified(FDocument.IsModified());
    refreshViews();
}

void TfrmMain::ReadLanguageFile()
{
    const QString path = FOptions.languageFile.isEmpty() ? LanguageFilePathFor(QCoreApplication::applicationFilePath())
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
    FMessages.StrNoRecentFiles = lng.readString(table, u"StrNoRecentFiles", FMessages.StrNoRecentFiles);
    // A language file replaces the Japanese interface: Qt's texts follow the language it
    // names, and stay Qt's own English when it names none.
    FQtLanguage = lng.readString(u"Language", u"Code", QStringLiteral("en"));
    for (QAction* a : FActions.all) {
        if (a->property(kCategoryProperty).toString() != kTranslate)
            continue;
        const QString section = a->objectName();
        a->setText(lng.readString(section, u"Caption", a->text()));
        a->setToolTip(lng.readString(section, u"Hint", a->toolTip()));
    }
    FEditorFontName = lng.readString(u"Editor", u"FontName", FEditorFontName);
    FEditorFontSize = lng.readInteger(u"Editor", u"FontSize", FEditorFontSize);
}

} // namespace korvel
