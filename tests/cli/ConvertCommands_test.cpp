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

QString Example(const char* name) { return QStringLiteral(KORVEL_EXAMPLES_DIR "/") + QLatin1String(name); }

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
    const QByteArray expected = "binary\t" + path("bin.dfm").toUtf8() + "\n"
        + "text\t" + Example("SampleText.dfm").toUtf8() + "\n"
        + "utf8-text\t" + Example("SampleUtf8.dfm").toUtf8() + "\n"
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
    EXPECT_TRUE(r.err.contains("left unchanged"));
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
    EXPECT_EQ(QString::fromUtf8(r.err).trimmed(),
              path("empty.dfm") + QStringLiteral(": EReadError: ストリームからの読み取りエラー"));
    EXPECT_EQ(ReadFile(path("empty.dfm")), QByteArray());
}

TEST_F(CliConvert, UsageErrorsExitWithTwo)
{
    const QStringList cases[] = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("to-text")},
        {QStringLiteral("to-text"), QStringLiteral("-o"), QStringLiteral("-"), QStringLiteral("a"), QStringLiteral("b")},
        {QStringLiteral("to-text"), QStringLiteral("--codepage"), QStringLiteral("12345"), QStringLiteral("a")},
        {QStringLiteral("to-binary"), QStringLiteral("--bogus"), QStringLiteral("a")},
    };
    for (const QStringList& args : cases)
        EXPECT_EQ(RunCli(args).exitCode, 2) << args.join(u' ').toStdString();
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
