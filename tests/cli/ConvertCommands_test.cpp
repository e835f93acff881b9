#include "cli/CliRunner.h"

#include "convert/BinaryToText.h"
#include "convert/TextToBinary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString Example(const char* name)
{
    return QStringLiteral(KORVEL_EXAMPLES_DIR "/") + QLatin1String(name);
}

QByteArray ToBinary(const QByteArray& text)
{
    korvel::ByteStream in(text), out;
    korvel::TextToResource(in, out);
    return out.data();
}

class CliConvert : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
};

TEST_F(CliConvert, DetectNamesEveryFormat)
{
    WriteFile(path("bin.dfm"), ToBinary(ReadFile(Example("SampleText.dfm"))));
    WriteFile(path("lf.dfm"), "\nobject A: TA\nend\n");
    const CliResult r = RunCli({QStringLiteral("detect"), path("bin.dfm"), Example("SampleText.dfm"),
        Example("SampleUtf8.dfm"), path("lf.dfm")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray expected = "binary\t" + path("bin.dfm").toUtf8() + "\n" + "text\t"
        + Example("SampleText.dfm").toUtf8() + "\n" + "utf8-text\t" + Example("SampleUtf8.dfm").toUtf8() + "\n"
        + "unknown\t" + path("lf.dfm").toUtf8() + "\n";
    EXPECT_EQ(r.out, expected);
}

TEST_F(CliConvert, ToTextToStandardOutputConvertsBinaryAndPassesTextThrough)
{
    const QByteArray text = ReadFile(Example("SampleText.dfm"));
    WriteFile(path("bin.dfm"), ToBinary(text));
    CliResult r = RunCli({QStringLiteral("to-text"), QStringLiteral("-o"), QStringLiteral("-"), path("bin.dfm")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, text);
    r = RunCli({QStringLiteral("to-text"), QStringLiteral("-o"), QStringLiteral("-"), Example("SampleText.dfm")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, text);
}

TEST_F(CliConvert, InPlaceConversionBothWaysLeavesTargetKindAlone)
{
    const QByteArray text = ReadFile(Example("AllValueKinds.dfm"));
    WriteFile(path("a.dfm"), text);
    CliResult r = RunCli({QStringLiteral("to-binary"), path("a.dfm")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(ReadFile(path("a.dfm")), ToBinary(text));
    r = RunCli({QStringLiteral("to-binary"), path("a.dfm")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "korvel-cli: 0 converted, 1 unchanged, 0 failed\n");
    r = RunCli({QStringLiteral("to-text"), path("a.dfm")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(ReadFile(path("a.dfm")), text);
}

TEST_F(CliConvert, FailureReportsKindAndMessageAndLeavesOutputUntouched)
{
    WriteFile(path("bad.dfm"), "object A: TA\r\n  X = 'open\r\nend\r\n");
    WriteFile(path("good.dfm"), ReadFile(Example("SampleText.dfm")));
    WriteFile(path("out.bin"), "previous");
    CliResult r = RunCli({QStringLiteral("to-binary"), QStringLiteral("-o"), path("out.bin"), path("bad.dfm")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(r.err).trimmed(),
        path("bad.dfm") + QStringLiteral(": EParserError: 2 行目: 文字列定数が無効です"));
    EXPECT_EQ(ReadFile(path("out.bin")), QByteArray("previous"));
    // In place: the bad file stays as it was and the next file is still converted.
    r = RunCli({QStringLiteral("to-binary"), path("bad.dfm"), path("good.dfm")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(ReadFile(path("bad.dfm")), QByteArray("object A: TA\r\n  X = 'open\r\nend\r\n"));
    EXPECT_EQ(ReadFile(path("good.dfm")), ToBinary(ReadFile(Example("SampleText.dfm"))));
}

TEST_F(CliConvert, Utf16TextIsConvertedAndAnEmptyFileFails)
{
    const QByteArray utf8 = ReadFile(Example("SampleUtf8.dfm"));
    ASSERT_TRUE(utf8.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(utf8.mid(3));
    QByteArray le("\xFF\xFE"), be("\xFE\xFF");
    for (QChar c : text) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    WriteFile(path("le.dfm"), le);
    WriteFile(path("be.dfm"), be);
    CliResult r = RunCli({QStringLiteral("detect"), path("le.dfm"), path("be.dfm")});
    EXPECT_EQ(r.out, "text\t" + path("le.dfm").toUtf8() + "\ntext\t" + path("be.dfm").toUtf8() + "\n");
    for (const char* name : {"le.dfm", "be.dfm"}) {
        r = RunCli({QStringLiteral("to-binary"), path(name)});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(ReadFile(path(name)), ToBinary(utf8)) << name;
    }

    WriteFile(path("empty.dfm"), "");
    r = RunCli({QStringLiteral("to-binary"), path("empty.dfm")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(r.err).section(u'\n', 0, 0),
        path("empty.dfm") + QStringLiteral(": EReadError: ストリームからの読み取りエラー"));
    EXPECT_EQ(ReadFile(path("empty.dfm")), QByteArray());
}

TEST_F(CliConvert, UsageErrorsExitWithTwo)
{
    const QStringList cases[] = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("to-text")},
        {QStringLiteral("to-text"), QStringLiteral("-o"), QStringLiteral("-"), QStringLiteral("a"),
            QStringLiteral("b")},
        {QStringLiteral("to-text"), QStringLiteral("--codepage"), QStringLiteral("12345"), QStringLiteral("a")},
        {QStringLiteral("to-binary"), QStringLiteral("--bogus"), QStringLiteral("a")},
        // Found before the first file is touched, wherever they stand.
        {QStringLiteral("to-binary"), path("t.dfm"), QStringLiteral("-")},
        {QStringLiteral("to-binary"), path("t.dfm"), QStringLiteral("--bogus")},
        {QStringLiteral("to-binary"), path("t.dfm"), QStringLiteral("-j"), QStringLiteral("0")},
        {QStringLiteral("to-binary"), path("t.dfm"), QStringLiteral("-j")},
        {QStringLiteral("to-binary"), path("t.dfm"), dir.path()},
        {QStringLiteral("check"), path("t.dfm"), QStringLiteral("--ansi")},
        {QStringLiteral("tree"), path("t.dfm"), QStringLiteral("-x")},
        {QStringLiteral("move"), path("t.dfm"), QStringLiteral("-o"), QStringLiteral("-"), QStringLiteral("--sideways"),
            QStringLiteral("A")},
    };
    const QByteArray text = "object A: TA\r\nend\r\n";
    WriteFile(path("t.dfm"), text);
    for (const QStringList& args : cases) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(ReadFile(path("t.dfm")), text) << args.join(u' ').toStdString();
    }
}

TEST_F(CliConvert, BatchTakesFoldersListsAndJobsAndRewritesOnlyWhatChanges)
{
    const QByteArray text = ReadFile(Example("SampleText.dfm"));
    const QByteArray binary = ToBinary(text);
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("forms/sub")));
    const char* names[] = {"forms/a.dfm", "forms/sub/b.FMX", "forms/sub/c.xfm", "forms/d.dfm"};
    for (const char* n : names)
        WriteFile(path(n), binary);
    WriteFile(path("forms/sub/notes.txt"), "not a form");
    WriteFile(path("forms/d.dfm"), text); // already text
    WriteFile(path("forms/bad.dfm"), QByteArray("TPF0\x05broken", 11));
    WriteFile(path("list.txt"), (path("e.dfm") + QStringLiteral("\r\n\n") + path("forms/a.dfm") + u'\n').toUtf8());
    WriteFile(path("e.dfm"), binary);
    QFile::setPermissions(path("forms/d.dfm"), QFile::ReadOwner); // unchanged files are not written

    CliResult r = RunCli({QStringLiteral("to-text"), QStringLiteral("-r"), QStringLiteral("-j3"), path("forms"),
        QStringLiteral("@") + path("list.txt")});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    const QList<QByteArray> errLines = r.err.split('\n');
    ASSERT_EQ(errLines.size(), 3) << r.err.toStdString();
    EXPECT_TRUE(errLines[0].startsWith(path("forms/bad.dfm").toUtf8() + ": EInvalidImage: ")) << r.err.toStdString();
    EXPECT_EQ(errLines[1], "korvel-cli: 4 converted, 1 unchanged, 1 failed");
    for (const char* n : names)
        EXPECT_EQ(ReadFile(path(n)), text) << n;
    EXPECT_EQ(ReadFile(path("e.dfm")), text);
    EXPECT_EQ(ReadFile(path("forms/sub/notes.txt")), QByteArray("not a form"));

    // @- reads the list from standard input; -o to an identical file leaves it alone.
    WriteFile(path("e.dfm"), binary);
    r = RunCli({QStringLiteral("to-text"), QStringLiteral("@-")}, path("e.dfm").toUtf8() + '\n');
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(ReadFile(path("e.dfm")), text);
    r = RunCli({QStringLiteral("to-text"), QStringLiteral("-o"), path("forms/d.dfm"), Example("SampleText.dfm")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = RunCli({QStringLiteral("to-text"), QStringLiteral("@") + path("missing.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("@" + path("missing.txt").toUtf8() + ": EFileError: ")) << r.err.toStdString();
}

TEST_F(CliConvert, CheckReportsRoundTripsAndWhatChanges)
{
    WriteFile(path("exact.dfm"), ReadFile(Example("SampleText.dfm")));
    WriteFile(path("exact.bin.dfm"), ToBinary(ReadFile(Example("AllValueKinds.dfm"))));
    WriteFile(path("lf.dfm"), "object A: TA\n  Left = 1\nend\n");
    WriteFile(path("precise.dfm"), "object A: TA\r\n  Left = 1\r\n  Ratio = 1.2345678901234567890123\r\nend\r\n");
    WriteFile(path("broken.dfm"), "object A: TA\r\n  X = 'open\r\nend\r\n");
    const struct {
        QStringList args;
        int exitCode;
        QByteArray out;
    } cases[] = {
        {{path("exact.dfm"), path("exact.bin.dfm")}, 0, ""},
        {{path("lf.dfm")}, 0, path("lf.dfm").toUtf8() + ": same values, written differently: line ends become CR LF\n"},
        {{path("precise.dfm")}, 1,
            path("precise.dfm").toUtf8()
                + ":3: A.Ratio: 1.2345678901234567890123 -> "
                  "1.234567890123457000 (extended precision: the number has more digits than an extended value "
                  "holds)\n"},
        {{QStringLiteral("--require-text"), path("exact.bin.dfm")}, 1,
            path("exact.bin.dfm").toUtf8() + ": binary form; text is required (korvel-cli to-text converts it)\n"},
        {{path("broken.dfm")}, 1, ""},
    };
    for (const auto& c : cases) {
        const CliResult r = RunCli(QStringList{QStringLiteral("check")} + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(u' ').toStdString() << r.err.toStdString();
        EXPECT_EQ(r.out, c.out) << c.args.join(u' ').toStdString();
    }
    const CliResult r = RunCli({QStringLiteral("check"), path("broken.dfm")});
    EXPECT_TRUE(r.err.startsWith(path("broken.dfm").toUtf8() + ": EParserError: ")) << r.err.toStdString();
}

TEST_F(CliConvert, CodePageOptionChoosesTheAnsiEncoding)
{
    // #12354 (HIRAGANA A) fits code page 932 as two bytes, so --ansi writes it as ANSI there.
    WriteFile(path("a.dfm"), "object A: TA\r\n  S = #12354\r\nend\r\n");
    CliResult r = RunCli({QStringLiteral("to-binary"), QStringLiteral("--ansi"), QStringLiteral("--codepage"),
        QStringLiteral("932"), QStringLiteral("-o"), QStringLiteral("-"), path("a.dfm")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QByteArray::fromHex("0153060282a0"))) << r.out.toHex().toStdString();
}

} // namespace
