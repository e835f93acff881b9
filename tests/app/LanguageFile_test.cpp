// The language file: its INI reading rules, its integers, and what it changes
// in the window.
#include "app/LanguageFile.h"
#include "app/support/WindowFixture.h"

#include "convert/AnsiCodePage.h"

#include <QToolBar>
#include <QToolButton>

namespace korvel::test {
namespace {

TEST(LanguageFileTest, Lookups)
{
    const QStringList lines = {
        "StrNoName=before any section",
        "[stringtable]",
        "  strnoname = (none)  ",
        "StrModified= [modified]",
        "; StrReload=comment",
        "StrReload",
        "StrSaveChanges=",
        "StrRestoreBackup=a=b",
        "StrNoName=second wins not",
        "[ Editor ]",
        "FontName=\"Quoted\"",
        "[actUp",
        "Caption=not a section",
        "[StringTable]",
        "StrFormFileNotFound=merged",
    };
    const TLanguageFile f = TLanguageFile::FromLines(lines);
    struct Row {
        const char* section;
        const char* key;
        const char* expected; // nullptr: missing
    };
    const Row rows[] = {
        {"StringTable", "StrNoName", "(none)"},
        {"STRINGTABLE", "STRNONAME", "(none)"},
        {"StringTable", "StrModified", "[modified]"},
        {"StringTable", "StrReload", nullptr},
        {"StringTable", "; StrReload", nullptr},
        {"StringTable", "StrSaveChanges", ""},
        {"StringTable", "StrRestoreBackup", "a=b"},
        {"StringTable", "StrFormFileNotFound", "merged"},
        {"Editor", "FontName", "\"Quoted\""},
        {"Editor", "Caption", "not a section"},
        {"actUp", "Caption", nullptr},
        {"Missing", "Key", nullptr},
    };
    for (const Row& r : rows) {
        const std::optional<QString> v = f.value(QString::fromLatin1(r.section), QString::fromLatin1(r.key));
        if (r.expected) {
            ASSERT_TRUE(v.has_value()) << r.section << '/' << r.key;
            EXPECT_EQ(*v, QString::fromLatin1(r.expected)) << r.section << '/' << r.key;
        } else {
            EXPECT_FALSE(v.has_value()) << r.section << '/' << r.key;
        }
    }
}

TEST(LanguageFileTest, Integers)
{
    struct Row {
        const char* text;
        std::optional<int> value;
    };
    const Row rows[] = {
        {"12", 12},          {"+12", 12},          {"-7", -7},        {"$0C", 12},      {"0x0C", 12},
        {"0X1f", 31},        {"-$10", -16},        {"12pt", {}},      {"0x", {}},       {"$", {}},
        {"", {}},            {" 12", {}},          {"2147483647", 2147483647},          {"2147483648", {}},
        {"-2147483648", INT32_MIN},                {"99999999999999999999", {}},        {"1.5", {}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ParseLanguageInteger(QString::fromLatin1(r.text)), r.value) << r.text;
}

TEST(LanguageFileTest, PathBesideTheExecutable)
{
    EXPECT_EQ(LanguageFilePathFor("/usr/bin/korvel"), "/usr/bin/korvel.lng");
    EXPECT_EQ(LanguageFilePathFor("/opt/k.v2/Korvel.exe"), "/opt/k.v2/Korvel.lng");
}

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
    const QString form = writeFile(QStringLiteral("F.dfm"), "object Form1: TForm1\r\n  object TMenuItem\r\n  end\r\nend\r\n");
    start({form}, lng);
    EXPECT_EQ(acts().actUp->text(), QStringLiteral("Move &up"));
    EXPECT_EQ(acts().actUp->toolTip(), QStringLiteral("Moves the node up"));
    auto* bar = w()->findChild<QToolBar*>(QStringLiteral("atbMain"));
    EXPECT_EQ(bar->widgetForAction(acts().actUp)->toolTip(),
              QStringLiteral("Moves the node up"));
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
