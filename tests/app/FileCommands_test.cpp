// The file commands of the window: Save, Save As, Restore backup, Refresh, Copy
// to clipboard and Save selected text as binary file.
#include "app/support/WindowFixture.h"

#include "convert/TextToBinary.h"

#include <QClipboard>
#include <QProgressBar>

namespace korvel::test {
namespace {

const QString kSaveChanges = QStringLiteral("変更を保存しますか？");
const QString kRestoreBackup = QStringLiteral("バックアップを書き戻しますか？");
const QString kReload = QStringLiteral("フォームファイルを最新の情報に更新しますか？");

// The nested form after Panel2 was moved above Panel1.
const QByteArray kMovedText = "object Form1: TForm1\r\n"
                              "  Left = 0\r\n"
                              "  Caption = 'Main'\r\n"
                              "  object Panel2: TPanel\r\n"
                              "    Left = 16\r\n"
                              "    object Edit1: TEdit\r\n"
                              "      Text = 'abc'\r\n"
                              "      object Inner1: TLabel\r\n"
                              "        Tag = 1\r\n"
                              "      end\r\n"
                              "    end\r\n"
                              "  end\r\n"
                              "  object Panel1: TPanel\r\n"
                              "    Left = 8\r\n"
                              "    object Button1: TButton\r\n"
                              "      Caption = 'OK'\r\n"
                              "    end\r\n"
                              "    object Button2: TButton\r\n"
                              "      Caption = 'Cancel'\r\n"
                              "    end\r\n"
                              "  end\r\n"
                              "  object Memo1: TMemo\r\n"
                              "    Caption = #233't'#233\r\n"
                              "  end\r\n"
                              "end\r\n";

QByteArray toBinary(const QByteArray& text)
{
    ByteStream in(text);
    ByteStream out;
    TextToResource(in, out);
    return out.data();
}

using FileCommandsTest = WindowFixture;

TEST_F(FileCommandsTest, SaveAsksAndWritesTheRegeneratedText)
{
    const QString path = writeFile(QStringLiteral("F.dfm"), NestedTextForm());
    start({path});
    clickNode(QStringLiteral("Panel2"));
    trigger(acts().actUp);
    FAnswers = {false};
    trigger(acts().actsaveFile);
    EXPECT_EQ(readFile(path), NestedTextForm());
    FAnswers = {true};
    trigger(acts().actsaveFile);
    EXPECT_EQ(FConfirmations, QStringList({kSaveChanges, kSaveChanges}));
    EXPECT_EQ(readFile(path), kMovedText);
    EXPECT_EQ(caption(), QStringLiteral("Korvel [F.dfm]"));
    EXPECT_TRUE(FErrors.isEmpty());
}

TEST_F(FileCommandsTest, SaveOfABinaryDocumentAfterMoves)
{
    const QString path = writeFile(QStringLiteral("B.dfm"), toBinary(NestedTextForm()));
    start({path});
    EXPECT_EQ(caption(), QStringLiteral("Korvel [B.dfm (Binary)]"));
    clickNode(QStringLiteral("Panel2"));
    trigger(acts().actUp);
    FAnswers = {true};
    trigger(acts().actsaveFile);
    EXPECT_TRUE(FErrors.isEmpty()) << FErrors.join(u'\n').toStdString();
    const QByteArray written = readFile(path);
    EXPECT_EQ(written.toHex(' '), toBinary(kMovedText).toHex(' '));
    EXPECT_LT(written.indexOf("Panel2"), written.indexOf("Panel1"));
}

TEST_F(FileCommandsTest, SaveAsWritesTheNewFileAndBecomesTheCurrentName)
{
    const QString path = writeFile(QStringLiteral("F.dfm"), NestedTextForm());
    const QString copy = FDir.filePath(QStringLiteral("Copy.txt"));
    start({path});
    clickNode(QStringLiteral("Panel2"));
    trigger(acts().actUp);
    FFileNames = {QString()};
    trigger(acts().actSaveAs);
    EXPECT_FALSE(QFile::exists(copy));
    FFileNames = {copy};
    trigger(acts().actSaveAs);
    EXPECT_EQ(FDialogs, QStringList({"sdMain", "sdMain"}));
    EXPECT_EQ(FDialogSelections.first(), QStringLiteral("F.dfm"));
    EXPECT_EQ(FDialogSuffixes.first(), QString());
    EXPECT_EQ(FDialogFilters.first(), QStringLiteral("RAD Studio Form File (*.dfm *.fmx *.xfm)|All Files (*)"));
    EXPECT_TRUE(FConfirmations.isEmpty());
    EXPECT_EQ(readFile(copy), kMovedText);
    EXPECT_EQ(readFile(path), NestedTextForm());
    EXPECT_EQ(caption(), QStringLiteral("Korvel [Copy.txt]"));

    // Restore backup writes the loaded bytes under the Save As name.
    FAnswers = {true};
    trigger(acts().actRestoreBackup);
    EXPECT_EQ(FConfirmations.last(), kRestoreBackup);
    EXPECT_EQ(readFile(copy), NestedTextForm());
    EXPECT_EQ(treeDump()[1], QStringLiteral("  Panel2 +"));     // the tree keeps its moves
    EXPECT_EQ(caption(), QStringLiteral("Korvel [Copy.txt]*")); // which the file no longer holds

    // Refresh loads the Save As path, which becomes the loaded path.
    FAnswers = {true};
    FSaveAnswers = {TSaveAnswer::Discard};
    trigger(acts().actRefresh);
    EXPECT_EQ(FConfirmations.last(), kReload);
    EXPECT_EQ(w()->document().OrgFileName(), copy);
    EXPECT_EQ(w()->document().ModFileName(), QString());
    EXPECT_EQ(treeDump()[1], QStringLiteral("  Panel1 +"));
}

TEST_F(FileCommandsTest, RefreshDiscardsMovesAndAppliedEdits)
{
    const QString path = writeFile(QStringLiteral("F.dfm"), NestedTextForm());
    start({path});
    clickNode(QStringLiteral("Memo1"));
    pane()->setText(QStringLiteral("Tag = 5"));
    trigger(acts().actSaveProperties);
    trigger(acts().actUp);
    FAnswers = {false, true};
    trigger(acts().actRefresh);
    EXPECT_EQ(treeDump()[4], QStringLiteral("  Memo1"));
    FSaveAnswers = {TSaveAnswer::Discard}; // the changes are unsaved: asked after the reload question
    trigger(acts().actRefresh);
    EXPECT_EQ(treeDump().last(), QStringLiteral("  Memo1"));
    EXPECT_FALSE(node(QStringLiteral("Memo1"))->record().Modified);
    EXPECT_EQ(w()->selectedNode(), node(QStringLiteral("Form1")));
    EXPECT_EQ(w()->statusText(), QStringLiteral("Form1: TForm1 "));
}

TEST_F(FileCommandsTest, RefreshOfAVanishedFileDoesNothing)
{
    const QString path = writeFile(QStringLiteral("F.dfm"), NestedTextForm());
    start({path});
    clickNode(QStringLiteral("Panel2"));
    trigger(acts().actUp);
    QFile::remove(path);
    FAnswers = {true};
    trigger(acts().actRefresh);
    EXPECT_TRUE(FErrors.isEmpty());
    EXPECT_EQ(treeDump()[1], QStringLiteral("  Panel2 +"));
}

TEST_F(FileCommandsTest, CopyToClipboardOnlyFromTheTree)
{
    start({writeFile(QStringLiteral("F.dfm"), NestedTextForm())});
    clickNode(QStringLiteral("Panel1"));
    pane()->setText(QStringLiteral("Left = 99"));
    trigger(acts().actSaveProperties);
    clickNode(QStringLiteral("Button1"));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));

    key(tree(), Qt::Key_C, Qt::ControlModifier); // the editor's copy: nothing with the tree focused
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    key(pane(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier); // the pane focused: nothing
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    key(tree(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
        QStringLiteral("    object Button1: TButton\r\n      Caption = 'OK'\r\n    end\r\n"));

    clickNode(QStringLiteral("Panel1"));
    key(tree(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
        QStringLiteral("  object Panel1: TPanel\r\n    Left = 99\r\n    object Button1: TButton\r\n"
                       "      Caption = 'OK'\r\n    end\r\n    object Button2: TButton\r\n"
                       "      Caption = 'Cancel'\r\n    end\r\n  end\r\n"));
}

TEST_F(FileCommandsTest, SelectedTextToBinaryFile)
{
    struct Row {
        const char* text;
        QByteArray bytes;
    };
    const Row rows[] = {
        {"0A 0b\r\n    FF", QByteArray("\x0A\x0B\xFF", 3)},
        {"ABC", QByteArray("\xAB", 1)},
        {"Picture.Data = {", QByteArray("\xDA", 1)},
        {"no digits here!", QByteArray()},
    };
    start({writeFile(QStringLiteral("F.dfm"), NestedTextForm())});
    int n = 0;
    for (const Row& r : rows) {
        pane()->setText(QString::fromLatin1(r.text));
        pane()->selectAll();
        const QString out = FDir.filePath(QStringLiteral("out%1.bin").arg(++n));
        FFileNames = {out};
        trigger(acts().actSelTextToBin);
        EXPECT_EQ(readFile(out).toHex(' '), r.bytes.toHex(' ')) << r.text;
        EXPECT_TRUE(QFile::exists(out)) << r.text;
    }
    EXPECT_EQ(FDialogs.first(), QStringLiteral("sdBin"));
    EXPECT_EQ(FDialogFilters.first(), QStringLiteral("Binary file (*)"));
    EXPECT_EQ(FDialogSuffixes.first(), QStringLiteral("bin"));
    EXPECT_EQ(FDialogSelections.first(), QString());
    FFileNames = {QString()};
    trigger(acts().actSelTextToBin); // cancelled: nothing written, nothing reported
    EXPECT_TRUE(FErrors.isEmpty());
}

TEST_F(FileCommandsTest, LinesThatCouldNotBeLoadedAreShownAndSaveRefuses)
{
    const char raw[] = "object Form1: TForm1\r\n  Caption = 'a\0b'\r\nend\r\n";
    const QByteArray damaged(raw, sizeof raw - 1);
    const QString path = writeFile(QStringLiteral("F.dfm"), damaged);
    start({path});
    ASSERT_EQ(FWarnings.size(), 1);
    EXPECT_EQ(
        FWarnings.first(), path + QStringLiteral(": 2 行目の NUL 文字から後は読み込まれていません:   Caption = 'a"));
    FAnswers = {true};
    trigger(acts().actsaveFile);
    ASSERT_EQ(FErrors.size(), 1);
    EXPECT_TRUE(FErrors.first().contains(QStringLiteral("2 行目が読み込まれていないため保存できません")))
        << FErrors.first().toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), damaged);
}

TEST_F(FileCommandsTest, WriteFailureIsReportedAndTheWindowStaysUsable)
{
    const QString path = writeFile(QStringLiteral("F.dfm"), NestedTextForm());
    start({path});
    FFileNames = {FDir.filePath(QStringLiteral("no/such/folder/x.dfm"))};
    trigger(acts().actSaveAs);
    ASSERT_EQ(FErrors.size(), 1);
    EXPECT_FALSE(FErrors.first().isEmpty());
    EXPECT_EQ(caption(), QStringLiteral("Korvel [F.dfm]")); // the caption is not updated
    clickNode(QStringLiteral("Panel2"));
    trigger(acts().actUp);
    EXPECT_EQ(treeDump()[1], QStringLiteral("  Panel2 +"));
}

// Every file loads on the worker thread: the window goes on while it runs, with the
// document commands off, and shows the load (or its error) when it is done.
class BackgroundLoadTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        FBackgroundLoadBytes = 0;
    }
    // The state the window shows while a load runs (true) or after it.
    void expectLoading(bool loading)
    {
        EXPECT_EQ(w()->isLoading(), loading);
        EXPECT_EQ(tree()->isEnabled(), !loading);
        EXPECT_EQ(isEnabled(acts().actSaveAs), !loading);
        EXPECT_EQ(isEnabled(acts().actRefresh), !loading);
        EXPECT_EQ(isEnabled(acts().actSaveProperties), !loading);
        EXPECT_TRUE(isEnabled(acts().actOpenFile));
        const auto* progress = w()->findChild<QProgressBar*>(QStringLiteral("pbLoading"));
        ASSERT_NE(progress, nullptr);
        EXPECT_EQ(progress->isVisible(), loading);
    }
};

TEST_F(BackgroundLoadTest, LoadsOffTheWindowsThreadAndShowsTheResultOrTheError)
{
    const char raw[] = "object Form1: TForm1\r\n  Caption = 'a\0b'\r\nend\r\n";
    const QString damaged = writeFile(QStringLiteral("D.dfm"), QByteArray(raw, sizeof raw - 1));
    const QString broken = writeFile(QStringLiteral("B.dfm"), QByteArrayLiteral("TPF0\x07TForm1\x05"));
    const QString path = writeFile(QStringLiteral("F.dfm"), NestedTextForm());

    start({path}); // the command-line file too
    ASSERT_TRUE(waitForLoad());
    expectLoading(false);
    EXPECT_EQ(treeDump().first(), QStringLiteral("Form1 +"));
    EXPECT_EQ(w()->selectedNode(), node(QStringLiteral("Form1")));
    EXPECT_EQ(caption(), QStringLiteral("Korvel [F.dfm]"));

    // A second open while one runs: the newer one is shown, the older one dropped with its error.
    tree()->setFocus();
    w()->LoadFormFile(broken);
    expectLoading(true);
    w()->LoadFormFile(damaged);
    ASSERT_TRUE(waitForLoad());
    QTest::qWait(50); // the superseded worker's end, too
    expectLoading(false);
    EXPECT_TRUE(FErrors.isEmpty()) << FErrors.join(u'\n').toStdString();
    EXPECT_EQ(w()->document().OrgFileName(), damaged);
    EXPECT_EQ(FWarnings.size(), 1); // the warnings box after the load
    EXPECT_TRUE(tree()->hasFocus());

    // An error of the worker comes back in the usual box; the document stays.
    w()->LoadFormFile(broken);
    ASSERT_TRUE(waitForLoad());
    ASSERT_EQ(FErrors.size(), 1);
    EXPECT_TRUE(FErrors.first().startsWith(broken + u':')) << FErrors.first().toStdString();
    EXPECT_EQ(w()->document().OrgFileName(), damaged);
    expectLoading(false);

    // Refresh reloads on the worker as well.
    clickNode(QStringLiteral("Form1"));
    FAnswers = {true};
    trigger(acts().actRefresh);
    expectLoading(true);
    ASSERT_TRUE(waitForLoad());
    EXPECT_EQ(FWarnings.size(), 2);
    EXPECT_EQ(caption(), QStringLiteral("Korvel [D.dfm]"));
}

} // namespace
} // namespace korvel::test
