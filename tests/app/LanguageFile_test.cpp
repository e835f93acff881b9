// What the language file changes in the window.
#include "lang/LanguageFile.h"
#include "app/support/WindowFixture.h"

#include "convert/AnsiCodePage.h"

#include <QToolBar>
#include <QToolButton>

namespace korvel::test {
namespace {

using LanguageWindowTest = WindowFixture;

TEST_F(LanguageWindowTest, TranslatesMessagesActionsAndFont)
{
    const QString lng = writeFile(QStringLiteral("korvel.lng"),
        "\xEF\xBB\xBF; translation\r\n"
        "[StringTable]\r\n"
        "StrSaveChanges=Save the changes?\r\n"
        "StrModified= [modified]\r\n"
        "StrNoName=(no name)\r\n"
        "StrFormFileNotFound=Not found\r\n"
        "[actUp]\r\n"
        "Caption=Move &up\r\n"
        "Hint=Moves the node up\r\n"
        "[actSelTextToBin]\r\n"
        "Hint=\xE4\xBF\x9D\xE5\xAD\x98\r\n"
        "[actEditorCopy]\r\n"
        "Caption=Copy\r\n"
        "[Editor]\r\n"
        "FontName=DejaVu Sans Mono\r\n"
        "FontSize=0x0C\r\n");
    const QString form =
        writeFile(QStringLiteral("F.dfm"), "object Form1: TForm1\r\n  object TMenuItem\r\n  end\r\nend\r\n");
    start({form}, lng);
    EXPECT_EQ(acts().actUp->text(), QStringLiteral("Move &up"));
    EXPECT_EQ(acts().actUp->toolTip(), QStringLiteral("Moves the node up"));
    auto* bar = w()->findChild<QToolBar*>(QStringLiteral("atbMain"));
    EXPECT_EQ(bar->widgetForAction(acts().actUp)->toolTip(), QStringLiteral("Moves the node up"));
    EXPECT_EQ(acts().actSelTextToBin->toolTip(), QStringLiteral("保存"));
    EXPECT_EQ(acts().actDown->text(), QStringLiteral("下へ移動(&D)"));
    EXPECT_EQ(acts().actEditorCopy->text(), QString()); // a Misc action
    EXPECT_EQ(w()->editorFontName(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(w()->editorFontSize(), 12);
    EXPECT_EQ(pane()->font().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(pane()->font().pointSize(), 12);

    clickNode(QStringLiteral("(no name)"));
    EXPECT_EQ(w()->statusText(), QStringLiteral("(no name): TMenuItem "));
    pane()->setText(QStringLiteral("Tag = 1"));
    trigger(acts().actSaveProperties);
    EXPECT_EQ(w()->statusText(), QStringLiteral("(no name): TMenuItem [modified]"));
    FAnswers = {false};
    trigger(acts().actsaveFile);
    EXPECT_EQ(FConfirmations, QStringList{"Save the changes?"});
    w()->OpenRequestedFile(FDir.filePath(QStringLiteral("none.pas")));
    EXPECT_EQ(FErrors, QStringList{FDir.filePath(QStringLiteral("none.pas")) + QStringLiteral(": Not found")});
}

TEST_F(LanguageWindowTest, EditorSectionAloneAndBadSizeKeepDefaults)
{
    const QString lng = writeFile(QStringLiteral("k.lng"), "[editor]\r\nfontsize=12pt\r\nFontName=\r\n");
    start({}, lng);
    EXPECT_EQ(w()->editorFontSize(), 10);
    EXPECT_EQ(w()->editorFontName(), QString());
    EXPECT_EQ(w()->messages().StrNoName, QStringLiteral("(名前なし)"));
    EXPECT_EQ(acts().actOpenFile->text(), QStringLiteral("開く(&O)..."));
}

TEST_F(LanguageWindowTest, WithoutByteOrderMarkTheAnsiCodePageDecodes)
{
    const QString lng = writeFile(QStringLiteral("k.lng"), "[StringTable]\r\nStrNoName=\xC3\xA9\r\n");
    start({}, lng);
    EXPECT_EQ(w()->messages().StrNoName, QStringLiteral("Ã©")); // UTF-8 bytes read as code page 1252
}

TEST_F(LanguageWindowTest, UnreadableFileIsReportedAndDefaultsStay)
{
    const QString lng = FDir.filePath(QStringLiteral("k.lng"));
    writeFile(QStringLiteral("k.lng"), "[StringTable]\r\nStrNoName=x\r\n");
    QFile::setPermissions(lng, QFileDevice::Permissions());
    if (QFile(lng).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with permissions that read any file";
    start({}, lng);
    EXPECT_EQ(FErrors.size(), 1);
    EXPECT_EQ(w()->messages().StrNoName, QStringLiteral("(名前なし)"));
    EXPECT_TRUE(w()->isVisible());
}

} // namespace
} // namespace korvel::test
