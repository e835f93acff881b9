// The conversions over the collection of real form files (skipped when it is
// absent). Binary forms: binary → text → binary gives the original bytes when the
// file uses the tags our writer chooses; otherwise the text must be stable after
// one more trip. Text forms: convert or fail with a specified error. Malformed
// files: fail with a specified error kind, never crash.
#include "convert/AnsiCodePage.h"
#include "convert/BinaryToText.h"
#include "convert/StreamFormat.h"
#include "convert/TextToBinary.h"
#include "convert/support/TextFormSupport.h"
#include "errors/Errors.h"
#include "support/Corpus.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

using namespace korvel;
using korvel::test::CodePageScope;
using korvel::test::Describe;

namespace {

struct CorpusFile {
    QString path;   // relative to the corpus folder
    QString format; // binary-16, binary-bare, text-ascii, text-ansi-highbytes, text-utf8-bom, unknown
    int codePage = 1252;
};

// The code page a file's notes name; 1252 when they name none.
int CodePageOf(const QString& notes)
{
    if (notes.contains("cp932") || notes.contains("Shift-JIS"))
        return 932;
    if (notes.contains("cp936") || notes.contains("GBK"))
        return 936;
    if (notes.contains("cp1251") || notes.contains("Cyrillic"))
        return 1251;
    return 1252;
}

std::vector<CorpusFile> ReadManifest()
{
    std::vector<CorpusFile> files;
    QFile manifest(QStringLiteral(KORVEL_CORPUS_DIR "/MANIFEST.tsv"));
    if (!manifest.open(QIODevice::ReadOnly))
        return files;
    bool header = true;
    for (const QByteArray& line : manifest.readAll().split('\n')) {
        const QList<QByteArray> columns = line.split('\t');
        if (header || columns.size() < 8) {
            header = false;
            continue;
        }
        files.push_back(
            {QString::fromUtf8(columns[0]), QString::fromUtf8(columns[5]), CodePageOf(QString::fromUtf8(columns[7]))});
    }
    return files;
}

QByteArray ReadCorpusFile(const QString& path)
{
    QFile f(QStringLiteral(KORVEL_CORPUS_DIR "/") + path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The conversions a document uses: resource level, or stream level for a bare stream.
QByteArray ToText(const QByteArray& binary, bool bare)
{
    ByteStream in(binary);
    ByteStream out;
    bare ? BinaryStreamToText(in, out) : BinaryResourceToText(in, out);
    return out.data();
}

// Text back to binary by the string rule a save chooses.
QByteArray ToBinary(const QByteArray& text, bool bare)
{
    ByteStream in(text);
    ByteStream out;
    bare ? TextToStreamByRule(in, out, SaveStringRule(text)) : TextToResourceByRule(in, out, SaveStringRule(text));
    return out.data();
}

class Corpus : public ::testing::Test {
protected:
    void SetUp() override
    {
        KORVEL_NEEDS_CORPUS();
        FFiles = ReadManifest();
        ASSERT_FALSE(FFiles.empty());
    }
    std::vector<CorpusFile> FFiles;
};

// A binary form is "identical" when binary → text → binary reproduces it: it uses
// exactly the tags our writer chooses. Otherwise its tags differ from the writer's
// (doubles, non-minimal integers, UTF-8 strings the writer stores as UTF-16, …) and
// the text must be stable: text → binary → text gives the same text again.
TEST_F(Corpus, BinaryFormsSurviveTheRoundTrip)
{
    int total = 0, identical = 0, stable = 0;
    for (const CorpusFile& file : FFiles) {
        if (!file.format.startsWith("binary") || file.path.startsWith("malformed/"))
            continue;
        ++total;
        const CodePageScope cp(file.codePage);
        const bool bare = file.format == "binary-bare";
        const QByteArray original = ReadCorpusFile(file.path);
        try {
            const QByteArray text = ToText(original, bare);
            const QByteArray binary = ToBinary(text, bare);
            if (binary == original) {
                ++identical;
                continue;
            }
            const QByteArray text2 = ToText(binary, bare);
            const QByteArray text3 = ToText(ToBinary(text2, bare), bare);
            EXPECT_EQ(text3, text2) << file.path.toStdString();
            if (text3 == text2)
                ++stable;
            std::printf("  differs from the writer's tags (stable: %s): %s\n", text3 == text2 ? "yes" : "no",
                qPrintable(file.path));
        } catch (const EKorvelError& e) {
            ADD_FAILURE() << file.path.toStdString() << ": " << Describe(e);
        }
    }
    std::printf("binary: %d/%d identical, %d/%d stable after one trip\n", identical, total, stable, total - identical);
    RecordProperty("binary_identical", identical);
    RecordProperty("binary_total", total);
}

// Every text form converts, or fails with one of the errors of the tokenizer
// and the conversion; what converts is stable after one trip.
TEST_F(Corpus, TextFormsConvertOrFailWithASpecifiedError)
{
    int total = 0, converted = 0;
    std::map<std::string, int> failures;
    for (const CorpusFile& file : FFiles) {
        if (!file.format.startsWith("text"))
            continue;
        ++total;
        const CodePageScope cp(file.codePage);
        const QByteArray original = ReadCorpusFile(file.path);
        try {
            const QByteArray binary = ToBinary(original, false);
            ++converted;
            const QByteArray text = ToText(binary, false);
            EXPECT_EQ(ToText(ToBinary(text, false), false), text) << file.path.toStdString();
        } catch (const EParserError& e) {
            failures[Describe(e)]++;
            std::printf("  %s: %s\n", qPrintable(file.path), Describe(e).c_str());
        } catch (const EConvertError& e) {
            failures[Describe(e)]++;
            std::printf("  %s: %s\n", qPrintable(file.path), Describe(e).c_str());
        } catch (const EKorvelError& e) {
            ADD_FAILURE() << file.path.toStdString() << ": unexpected " << Describe(e);
        }
    }
    std::printf("text: %d/%d converted\n", converted, total);
    RecordProperty("text_converted", converted);
    RecordProperty("text_total", total);
}

TEST_F(Corpus, MalformedFilesFailWithASpecifiedErrorKind)
{
    const std::set<std::string> kinds = {"EReadError", "EInvalidImage", "EParserError", "EConvertError"};
    int total = 0, failed = 0;
    for (const CorpusFile& file : FFiles) {
        if (!file.path.startsWith("malformed/"))
            continue;
        ++total;
        const CodePageScope cp(file.codePage);
        const QByteArray bytes = ReadCorpusFile(file.path);
        ByteStream probe(bytes);
        const TStreamOriginalFormat format = DetectStreamFormat(probe);
        try {
            if (format == sofBinary)
                ToText(bytes, false);
            else
                ToBinary(bytes, false);
            ADD_FAILURE() << file.path.toStdString() << " converted";
        } catch (const EKorvelError& e) {
            EXPECT_TRUE(kinds.count(e.kind())) << file.path.toStdString() << ": " << Describe(e);
            ++failed;
            std::printf("  %s: %s\n", qPrintable(file.path), Describe(e).c_str());
        }
    }
    std::printf("malformed: %d/%d rejected\n", failed, total);
    EXPECT_GT(total, 0);
}

} // namespace
