#include "document/CodePages.h"

#include "convert/AnsiCodePage.h"
#include "convert/support/BinaryBuilder.h"
#include "document/FormDocument.h"
#include "document/support/DocumentTestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::test;

namespace {

// "日本" in code page 932; in 1252 the same bytes read "“ú–{".
const QByteArray kSjis("\x93\xFA\x96\x7B");

QByteArray ansiText()
{
    return "object Form1: TForm1\r\n  Caption = '" + kSjis + "'\r\nend\r\n";
}

QByteArray binaryForm()
{
    BinaryBuilder s;
    s.Signature().Object("TForm1", "Form1").Prop("Caption").String(kSjis).End().End();
    return BinaryBuilder::Header16("TFORM1", uint32_t(s.bytes().size())) + s.bytes();
}

QByteArray utf16le(const QString& text)
{
    QByteArray b("\xFF\xFE", 2);
    for (const QChar c : text)
        b.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return b;
}

} // namespace

// A document keeps the code page it was loaded in: it decodes with it, saves with
// it, reloads with it, and leaves the program's code page alone; the status text
// names it for ANSI texts and binary forms and names the encoding otherwise.
TEST(CodePages, DocumentLoadsAndSavesInItsOwnCodePage)
{
    const CodePageScope program(1252);
    struct Case {
        const char* name;
        QByteArray bytes;
        int codePage;
        const char* status;
        const char* caption; // the Caption line as loaded
    };
    const QString utf16 = QStringLiteral("object Form1: TForm1\r\n  Caption = '日本'\r\nend\r\n");
    const Case cases[] = {
        {"ansi 932", ansiText(), 932, "CP932", "  Caption = '日本'"},
        {"ansi active", ansiText(), 0, "CP1252", "  Caption = '“ú–{'"},
        {"binary 932", binaryForm(), 932, "CP932", "  Caption = '日本'"},
        {"binary 1251", binaryForm(), 1251, "CP1251", "  Caption = '“ъ–{'"},
        {"utf-8", "\xEF\xBB\xBF" + QString(utf16).toUtf8(), 932, "UTF-8", "  Caption = '日本'"},
        {"utf-16", utf16le(utf16), 932, "UTF-16LE", "  Caption = '日本'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFormDocument doc;
        EXPECT_EQ(EncodingStatusText(doc), QString());
        doc.LoadFormBytes(QStringLiteral("a.dfm"), c.bytes, c.codePage);
        EXPECT_EQ(ansi::activeCodePage(), 1252);
        EXPECT_EQ(doc.CodePage(), c.codePage == 0 ? 1252 : c.codePage);
        EXPECT_EQ(EncodingStatusText(doc), QString::fromUtf8(c.status));
        EXPECT_EQ(UsesAnsiCodePage(doc), QByteArray(c.status).startsWith("CP"));
        ASSERT_GE(doc.OrgFile().size(), 2);
        EXPECT_EQ(doc.OrgFile()[1], QString::fromUtf8(c.caption));
        EXPECT_EQ(hex(doc.SaveBytes()), hex(c.bytes));
        EXPECT_EQ(ansi::activeCodePage(), 1252);
    }

    // Text typed into a document loaded in 932 is saved in 932, not in the program's code page.
    TFormDocument doc;
    doc.LoadFormBytes(QStringLiteral("a.dfm"), ansiText(), 932);
    doc.ApplyProperties(doc.Tree().topLevel(0), QStringLiteral("Caption = '本日'"));
    EXPECT_EQ(hex(doc.SaveBytes()), hex("object Form1: TForm1\r\n  Caption = '\x96\x7B\x93\xFA'\r\nend\r\n"));

    // Refresh reads the file again in the document's code page; an unusable code page
    // changes nothing.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.dfm"));
    writeAll(path, ansiText());
    doc.LoadFormFile(path, 932);
    ASSERT_TRUE(doc.Refresh());
    EXPECT_EQ(doc.CodePage(), 932);
    EXPECT_EQ(doc.OrgFile()[1], QStringLiteral("  Caption = '日本'"));
    EXPECT_KORVEL_ERROR(doc.LoadFormFile(path, 12345), EDocumentError, UnsupportedCodePageMessage(12345));
    EXPECT_EQ(doc.CodePage(), 932);
    EXPECT_EQ(ansi::activeCodePage(), 1252);
}

// The session's choice per file: one file however its path is written, others untouched.
TEST(CodePages, MemoryKeepsOneChoicePerFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.dfm"));
    writeAll(path, ansiText());
    const QString link = dir.filePath(QStringLiteral("link.dfm"));
    ASSERT_TRUE(QFile::link(path, link));
    const QString dotted = dir.path() + QStringLiteral("/./sub/../a.dfm");
    QDir().mkpath(dir.filePath(QStringLiteral("sub")));

    TCodePageMemory memory;
    EXPECT_EQ(memory.codePageFor(path), 0);
    memory.remember(dotted, 936);
    EXPECT_EQ(memory.codePageFor(path), 936);
    EXPECT_EQ(memory.codePageFor(link), 936);
    EXPECT_EQ(memory.codePageFor(dir.filePath(QStringLiteral("b.dfm"))), 0);
    memory.remember(path, 1250);
    EXPECT_EQ(memory.codePageFor(dotted), 1250);
    memory.remember(link, 0);
    EXPECT_EQ(memory.codePageFor(path), 0);

    const std::vector<int> expected{932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
    EXPECT_EQ(ReopenCodePages(), expected);
    for (int cp : ReopenCodePages())
        EXPECT_TRUE(ansi::isSupported(cp)) << cp;
}
