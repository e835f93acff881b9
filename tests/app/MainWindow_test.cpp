// The main window driven as a user drives it: actions by name, shortcuts,
// mouse clicks, synthetic drops, with dialogs answered through the seams.
#include "app/support/WindowFixture.h"

#include "errors/Errors.h"
#include "document/OutlineParser.h"

#include <functional>
#include <new>

#include <QClipboard>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

namespace korvel::test {
namespace {

const QString kNotFound = QStringLiteral("指定されたフォームファイルがみつかりません");

// --- start-up and layout ---------------------------------------------------------

using StartupTest = WindowFixture;

TEST_F(StartupTest, NoArgumentShowsAnEmptyWindowWithFileAndMoveActionsDisabled)
{
    start();
    EXPECT_EQ(caption(), QStringLiteral("Korvel"));
    EXPECT_EQ(w()->objectName(), QStringLiteral("frmMain"));
    EXPECT_EQ(w()->size(), QSize(800, 600));
    EXPECT_EQ(tree()->indentation(), 19);
    EXPECT_EQ(tree()->minimumWidth(), 32);
    EXPECT_EQ(pane()->minimumWidth(), 32);
    EXPECT_EQ(w()->findChild<QSplitter*>(QStringLiteral("splitterMain"))->sizes().first(), 301);
    EXPECT_TRUE(w()->findChild<QStatusBar*>(QStringLiteral("StatusBar")));
    EXPECT_EQ(w()->statusText(), QString());
    const TMainActions& a = acts();
    for (const QAction* action : {a.actsaveFile, a.actSaveAs, a.actRestoreBackup, a.actRefresh, a.actUp, a.actDown,
             a.actUpToOneLevel, a.actCopyToClipboard})
        EXPECT_FALSE(isEnabled(action)) << action->objectName().toStdString();
    for (const QAction* action : {a.actOpenFile, a.actSelectAll, a.actOriginalProperties, a.actSaveProperties,
             a.actCollapse, a.actExpand, a.actAutoDecode, a.actSelTextToBin, a.actEditorCopy})
        EXPECT_TRUE(isEnabled(action)) << action->objectName().toStdString();
    EXPECT_TRUE(acts().actAutoDecode->isChecked());
    EXPECT_TRUE(FErrors.isEmpty());
}

// Each command's shortcut, pressed with the focus in the tree, runs that command:
// what the user sees afterwards, not how the action table is written.
TEST_F(StartupTest, ShortcutsRunTheirCommandsFromTheTree)
{
    const QString path = writeFile(QStringLiteral("F.dfm"), NestedTextForm());
    const struct {
        const char* name;
        const char* select;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::function<void()> check;
    } rows[] = {
        {"Ctrl+Up moves up", "Panel2", Qt::Key_Up, Qt::ControlModifier,
            [this] { EXPECT_EQ(treeDump()[1], QStringLiteral("  Panel2 +")); }},
        {"Ctrl+Down moves down", "Panel1", Qt::Key_Down, Qt::ControlModifier,
            [this] { EXPECT_EQ(treeDump()[4], QStringLiteral("  Panel1 +")); }},
        {"Alt+Up moves one level up", "Button1", Qt::Key_Up, Qt::AltModifier,
            [this] { EXPECT_TRUE(treeDump().contains(QStringLiteral("  Button1"))); }},
        {"Ctrl+S asks before saving", "Panel1", Qt::Key_S, Qt::ControlModifier,
            [this] { EXPECT_EQ(FConfirmations, QStringList{QStringLiteral("変更を保存しますか？")}); }},
        {"F5 asks before reloading", "Panel1", Qt::Key_F5, Qt::NoModifier,
            [this] {
                EXPECT_EQ(FConfirmations, QStringList{QStringLiteral("フォームファイルを最新の情報に更新しますか？")});
            }},
        {"Ctrl+O shows the open dialog", "Panel1", Qt::Key_O, Qt::ControlModifier,
            [this] { EXPECT_EQ(FDialogs.size(), 1); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        start({path});
        clickNode(QString::fromLatin1(r.select));
        FAnswers = {false};
        FFileNames = {QString()};
        key(tree(), r.key, r.modifiers);
        r.check();
        FAnswers.clear();
        FFileNames.clear();
        FConfirmations.clear();
        FDialogs.clear();
    }
}

// The object names of a widget's actions, with "|" for a separator.
QStringList actionNames(const QWidget* widget)
{
    QStringList names;
    for (const QAction* a : widget->actions())
        names << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
    return names;
}

TEST_F(StartupTest, ToolBarAndContextMenusListTheirActions)
{
    start();
    auto* bar = w()->findChild<QToolBar*>(QStringLiteral("atbMain"));
    ASSERT_TRUE(bar);
    EXPECT_EQ(actionNames(bar).join(u' '),
        "actOpenFile actsaveFile actSaveAs actRestoreBackup actRefresh actReopenWithCodePage | actUpToOneLevel | actUp "
        "actDown | "
        "actAutoDecode | actFormPreview");
    EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    auto* up = qobject_cast<QToolButton*>(bar->widgetForAction(acts().actUp));
    ASSERT_TRUE(up);
    EXPECT_EQ(up->toolTip(), QStringLiteral("ノードを上へ移動します (作成順=前)"));
    EXPECT_EQ(actionNames(w()->findChild<QMenu*>(QStringLiteral("pabTreeView"))).join(u' '),
        "actUpToOneLevel | actUp actDown | actCollapse actExpand | actCopyToClipboard | actRefresh "
        "actReopenWithCodePage");
    EXPECT_EQ(actionNames(w()->findChild<QMenu*>(QStringLiteral("pabProperties"))).join(u' '),
        "actAutoDecode | actOriginalProperties actSaveProperties | actSelTextToBin | actSelectAll");
}

TEST(ProgramTest, WithoutADisplayTheProgramPointsToTheCommandLineTool)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KORVEL_APP_PATH), {QStringLiteral("Form1.dfm")});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_EQ(program.readAllStandardError(),
        QByteArray("korvel: no display available; use korvel-cli for headless conversion\n"));
    EXPECT_EQ(program.readAllStandardOutput(), QByteArray());
}

TEST_F(StartupTest, QuitAfterLoadEndsTheProgramOnceTheFileIsShown)
{
    struct Row {
        const char* argument;
        int exitCode;
        QByteArray error;
    };
    const QString missing = FDir.filePath(QStringLiteral("Missing.dfm"));
    const Row rows[] = {
        {"F.dfm", 0, QByteArray()},
        {"Missing.dfm", 1, "korvel: " + (missing + QStringLiteral(": ") + kNotFound).toLocal8Bit() + '\n'},
    };
    writeFile(QStringLiteral("F.dfm"), NestedTextForm());
    for (const Row& r : rows) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("KORVEL_QUIT_AFTER_LOAD"), QStringLiteral("1"));
        // The program records the file among the recent ones: not in the user's settings.
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), FDir.filePath(QStringLiteral("config")));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(KORVEL_APP_PATH), {FDir.filePath(QString::fromLatin1(r.argument))});
        ASSERT_TRUE(program.waitForFinished(30000)) << r.argument;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << r.argument;
        EXPECT_EQ(program.exitCode(), r.exitCode) << r.argument;
        const QByteArray errors = program.readAllStandardError();
        EXPECT_TRUE(errors.contains(r.error)) << errors.toStdString();
        if (r.error.isEmpty()) {
            EXPECT_FALSE(errors.contains("korvel: ")) << errors.toStdString();
        }
    }
}

TEST_F(StartupTest, DialogFilterConversion)
{
    struct Row {
        const char* filter;
        const char* expected;
    };
    const Row rows[] = {
        {"RAD Studio Form File (*.dfm;*.fmx;*.xfm)|*.dfm;*.fmx;*.xfm|All Files (*.*)|*.*",
            "RAD Studio Form File (*.dfm *.fmx *.xfm)|All Files (*)"},
        {"Binary file (*.*)|*.*", "Binary file (*)"},
        {"Text|*.txt", "Text (*.txt)"},
        {"dangling", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(DialogFilterToNameFilters(QString::fromUtf8(r.filter)).join(u'|'), QString::fromUtf8(r.expected))
            << r.filter;
}

// --- command line, file drop and open ----------------------------------------------

using OpenTest = WindowFixture;

TEST_F(OpenTest, CommandLinePasPathOpensTheFormBesideIt)
{
    writeFile(QStringLiteral("Unit1.dfm"), NestedTextForm());
    writeFile(QStringLiteral("Unit1.fmx"), "object Other: TForm\r\nend\r\n");
    const QString second = writeFile(QStringLiteral("Second.dfm"), "object Second: TForm\r\nend\r\n");
    start({FDir.filePath(QStringLiteral("Unit1.pas")), second});
    EXPECT_TRUE(FErrors.isEmpty()) << FErrors.join(u'\n').toStdString();
    EXPECT_EQ(caption(), QStringLiteral("Korvel [Unit1.dfm]"));
    EXPECT_EQ(w()->document().OrgFileName(), FDir.filePath(QStringLiteral("Unit1.dfm")));
    EXPECT_EQ(treeDump(),
        QStringList({"Form1 +", "  Panel1 +", "    Button1", "    Button2", "  Panel2 +", "    Edit1 +", "      Inner1",
            "  Memo1"}));
    EXPECT_EQ(w()->selectedNode(), node(QStringLiteral("Form1")));
    EXPECT_EQ(pane()->text(), QStringLiteral("Left = 0\r\nCaption = 'Main'\r\n"));
    EXPECT_EQ(w()->statusText(), QStringLiteral("Form1: TForm1 "));
    for (const QAction* action : {acts().actsaveFile, acts().actSaveAs, acts().actRestoreBackup, acts().actRefresh})
        EXPECT_TRUE(isEnabled(action)) << action->objectName().toStdString();
}

TEST_F(OpenTest, CommandLineMissingFileShowsNotFoundOverTheShownWindow)
{
    // The message appears once the window is on the screen.
    QList<bool> exposed;
    TUiSeams::error = [&](const QString& text) {
        FErrors << text;
        exposed << (FWindow && FWindow->windowHandle() && FWindow->windowHandle()->isExposed());
    };
    start({FDir.filePath(QStringLiteral("Missing.pas"))});
    EXPECT_EQ(exposed, QList<bool>{true});
    EXPECT_EQ(FErrors, QStringList{FDir.filePath(QStringLiteral("Missing.pas")) + QStringLiteral(": ") + kNotFound});
    EXPECT_EQ(caption(), QStringLiteral("Korvel"));
    EXPECT_TRUE(w()->isVisible());
    EXPECT_FALSE(isEnabled(acts().actsaveFile));
}

TEST_F(OpenTest, CommandLineFileIsOpenedOncePerRun)
{
    const QString path = writeFile(QStringLiteral("A.dfm"), NestedTextForm());
    start({path});
    ASSERT_EQ(caption(), QStringLiteral("Korvel [A.dfm]"));
    writeFile(QStringLiteral("A.dfm"), "object Changed: TForm\r\nend\r\n");
    // Showing the window again runs no show handler.
    w()->hide();
    w()->show();
    // A bare event with the command-line number but without its parameters does nothing.
    QEvent bare(static_cast<QEvent::Type>(TfrmMain::kCommandLineMessage));
    QApplication::sendEvent(w(), &bare);
    EXPECT_EQ(treeDump().first(), QStringLiteral("Form1 +"));
}

TEST_F(OpenTest, DroppingThreeFilesOpensOnlyTheFirst)
{
    const QString a = writeFile(QStringLiteral("First.DFM"), "object First: TForm\r\nend\r\n");
    const QString b = writeFile(QStringLiteral("Second.dfm"), "object Second: TForm\r\nend\r\n");
    const QString c = writeFile(QStringLiteral("Third.dfm"), "object Third: TForm\r\nend\r\n");
    start();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(c)});
    const QPoint pos = w()->rect().center();
    QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w(), &drop);
    EXPECT_EQ(treeDump(), QStringList{"First"});
    EXPECT_EQ(caption(), QStringLiteral("Korvel [First.DFM]"));
}

TEST_F(OpenTest, DroppedPathsThatAreNoFormFiles)
{
    struct Row {
        const char* name;
        bool create;
    };
    const Row rows[] = {{"Unit1.txt", true}, {"NoExtension", true}, {"Folder.dfm", false}, {"Gone.dfm", false}};
    start();
    QDir(FDir.path()).mkdir(QStringLiteral("Folder.dfm"));
    for (const Row& r : rows) {
        FErrors.clear();
        const QString path = r.create ? writeFile(QString::fromLatin1(r.name), NestedTextForm())
                                      : FDir.filePath(QString::fromLatin1(r.name));
        w()->OpenRequestedFile(path);
        EXPECT_EQ(FErrors, QStringList{path + QStringLiteral(": ") + kNotFound}) << r.name;
        EXPECT_EQ(caption(), QStringLiteral("Korvel")) << r.name;
    }
}

TEST_F(OpenTest, CaptionSuffixFollowsTheFormat)
{
    struct Row {
        const char* name;
        QByteArray bytes;
        const char* caption;
        bool autoDecode;
    };
    const Row rows[] = {
        {"Ascii.dfm", "object A: TForm\r\nend\r\n", "Korvel [Ascii.dfm]", true},
        {"Ansi.dfm", "object A: TForm\r\n  Caption = '\xE9'\r\nend\r\n", "Korvel [Ansi.dfm (ANSI)]", false},
        {"Utf8.dfm", "\xEF\xBB\xBFobject A: TForm\r\nend\r\n", "Korvel [Utf8.dfm (UTF-8)]", false},
    };
    start();
    for (const Row& r : rows) {
        w()->LoadFormFile(writeFile(QString::fromLatin1(r.name), r.bytes));
        EXPECT_EQ(caption(), QString::fromUtf8(r.caption));
        EXPECT_EQ(acts().actAutoDecode->isChecked(), r.autoDecode) << r.name;
    }
}

TEST_F(OpenTest, OpenDialogLoadsTheChosenFileAndCancelChangesNothing)
{
    const QString path = writeFile(QStringLiteral("Chosen.xfm"), NestedTextForm());
    start();
    FFileNames = {QString(), path};
    trigger(acts().actOpenFile);
    EXPECT_EQ(caption(), QStringLiteral("Korvel"));
    trigger(acts().actOpenFile);
    EXPECT_EQ(caption(), QStringLiteral("Korvel [Chosen.xfm]"));
    EXPECT_EQ(FDialogs, QStringList({"odMain", "odMain"}));
    EXPECT_EQ(FDialogFilters.first(), QStringLiteral("RAD Studio Form File (*.dfm *.fmx *.xfm)|All Files (*)"));
}

// --- errors --------------------------------------------------------------------------

using ErrorTest = WindowFixture;

TEST_F(ErrorTest, FailedLoadShowsTheErrorAndKeepsTheDocumentAndWindowUsable)
{
    const QString good = writeFile(QStringLiteral("Good.dfm"), NestedTextForm());
    const QString bad = writeFile(QStringLiteral("Bad.dfm"), QByteArray("\xFF\x0B\x00", 3) + QByteArray(64, '\0'));
    start({good});
    clickNode(QStringLiteral("Button2"));
    FFileNames = {bad};
    trigger(acts().actOpenFile);
    ASSERT_EQ(FErrors.size(), 1);
    EXPECT_EQ(FErrors.first(), bad + QStringLiteral(": ストリーム形式が無効です"));
    EXPECT_EQ(caption(), QStringLiteral("Korvel [Good.dfm]"));
    EXPECT_EQ(w()->selectedNode(), node(QStringLiteral("Button2")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Still usable: a move works and the next load succeeds.
    trigger(acts().actUp);
    EXPECT_EQ(treeDump()[2], QStringLiteral("    Button2"));
    FFileNames = {FDir.filePath(QStringLiteral("NotThere.dfm"))};
    FSaveAnswers = {TSaveAnswer::Discard}; // the move is unsaved; the failed load keeps it
    trigger(acts().actOpenFile);
    ASSERT_EQ(FErrors.size(), 2);
    EXPECT_FALSE(FErrors[1].isEmpty());
    FFileNames = {good};
    FSaveAnswers = {TSaveAnswer::Discard};
    trigger(acts().actOpenFile);
    EXPECT_EQ(FErrors.size(), 2);
    EXPECT_EQ(treeDump()[2], QStringLiteral("    Button1"));
}

TEST_F(ErrorTest, SavingAnEmptyTreeReportsAndWritesNothing)
{
    const QString path = writeFile(QStringLiteral("Empty.dfm"), "no components here\r\n");
    start({path});
    EXPECT_EQ(treeDump(), QStringList());
    FAnswers = {true};
    trigger(acts().actsaveFile);
    ASSERT_EQ(FErrors.size(), 1);
    EXPECT_EQ(FErrors.first(), path + QStringLiteral(": ") + NoComponentToSaveMessage());
    EXPECT_EQ(readFile(path), QByteArray("no components here\r\n"));
}

TEST_F(ErrorTest, FailuresOutsideCommandsShowTheErrorBoxAndTheWindowGoesOn)
{
    start({writeFile(QStringLiteral("F.dfm"), NestedTextForm())});
    struct Row {
        const char* where;
        std::function<void()> inject;
        QString shown;
    };
    const Row rows[] = {
        {"timer slot",
            [this] { QTimer::singleShot(0, w(), [] { throw EFileError(QStringLiteral("timer \x01 failed")); }); },
            QStringLiteral("timer #1 failed")},
        {"paint hook",
            [this] {
                pane()->setBlockPreparer([](const QTextBlock&, const QTextBlock&) { throw std::bad_alloc(); });
                pane()->viewport()->repaint();
            },
            QStringLiteral("Out of memory")},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.where);
        FErrors.clear();
        r.inject();
        // Reported once control is back in the event loop, however often the hook failed.
        for (int i = 0; i < 50 && FErrors.isEmpty(); ++i)
            QTest::qWait(10);
        pane()->setBlockPreparer({});
        QCoreApplication::processEvents();
        EXPECT_EQ(FErrors, QStringList{r.shown});
    }
    // The window is still usable.
    clickNode(QStringLiteral("Button2"));
    trigger(acts().actUp);
    EXPECT_EQ(treeDump()[2], QStringLiteral("    Button2"));
}

// --- enabling rules --------------------------------------------------------------------

using EnablingTest = WindowFixture;

TEST_F(EnablingTest, MoveAndCopyActionsFollowTheSelectedNode)
{
    struct Row {
        const char* node;
        bool up, down, levelUp, copy;
    };
    const Row rows[] = {
        {"Form1", false, false, false, false},
        {"Panel1", false, true, false, true},
        {"Panel2", true, true, false, true},
        {"Memo1", true, false, false, true},
        {"Button1", false, true, true, true},
        {"Button2", true, false, true, true},
        {"Inner1", false, false, true, true},
    };
    start({writeFile(QStringLiteral("F.dfm"), NestedTextForm())});
    for (const Row& r : rows) {
        clickNode(QString::fromLatin1(r.node));
        EXPECT_EQ(isEnabled(acts().actUp), r.up) << r.node;
        EXPECT_EQ(isEnabled(acts().actDown), r.down) << r.node;
        EXPECT_EQ(isEnabled(acts().actUpToOneLevel), r.levelUp) << r.node;
        EXPECT_EQ(isEnabled(acts().actCopyToClipboard), r.copy) << r.node;
    }
}

TEST_F(EnablingTest, SeveralTopLevelNodesAreSiblings)
{
    start({writeFile(QStringLiteral("Two.dfm"), "object A: TForm\r\nend\r\nobject B: TForm\r\nend\r\n")});
    EXPECT_EQ(treeDump(), QStringList({"A", "B"}));
    EXPECT_FALSE(isEnabled(acts().actUp));
    EXPECT_TRUE(isEnabled(acts().actDown));
    trigger(acts().actDown);
    EXPECT_EQ(treeDump(), QStringList({"B", "A"}));
    EXPECT_TRUE(isEnabled(acts().actUp));
    EXPECT_FALSE(isEnabled(acts().actDown));
}

} // namespace
} // namespace korvel::test
