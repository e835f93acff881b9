// Every sample form, and every readable form of the shared corpus when it is
// present, is loaded, listed and saved; an unchanged form must come back as
// it was. Text forms in the usual layout (2 spaces a level, CR LF) and binary
// forms whose tags are the ones our writer chooses come back byte for byte;
// every form, whatever its layout, comes back with the same tree and text.
#include "document/FormDocument.h"

#include "convert/AnsiCodePage.h"
#include "convert/BinaryToText.h"
#include "document/OutlineParser.h"
#include "document/support/DocumentTestUtil.h"
#include "support/Corpus.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <iostream>
#include <map>

using namespace korvel;
using namespace korvel::test;

namespace {

// The code page of each corpus file, from the "(cpNNN)" note of its manifest line.
std::map<QString, int> manifestCodePages(const QString& corpus)
{
    std::map<QString, int> pages;
    QFile f(corpus + QStringLiteral("/MANIFEST.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        return pages;
    static const QRegularExpression cp(QStringLiteral("\\(cp(\\d+)\\)"));
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line);
        const QRegularExpressionMatch m = cp.match(text);
        if (m.hasMatch())
            pages[text.section(u'\t', 0, 0)] = m.captured(1).toInt();
    }
    return pages;
}

// The text with every line break (CR LF, CR, LF) written as CR LF, the last line included.
QByteArray withCrLf(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out.append("\r\n");
        } else {
            out.append(text[i]);
        }
    }
    if (!out.isEmpty() && !out.endsWith("\r\n"))
        out.append("\r\n");
    return out;
}

// A text in the usual layout's line breaks: CR LF only, after every line.
bool crLfOnly(const QByteArray& text)
{
    return withCrLf(text) == text;
}

QString visible(const QByteArray& line)
{
    QString s = QString::fromLatin1(line.left(60));
    s.replace(u'\r', QStringLiteral("\\r"));
    return s;
}

// Why a saved text differs from the original.
QString textDifference(const QByteArray& original, const QByteArray& saved)
{
    const QByteArray normalized = withCrLf(original);
    if (normalized == saved) {
        if (!original.contains('\r'))
            return QStringLiteral("line breaks are LF only");
        if (!original.endsWith('\n') && !original.endsWith('\r'))
            return QStringLiteral("no line break after the last line");
        return QStringLiteral("mixed line breaks");
    }
    const QList<QByteArray> a = normalized.split('\n');
    const QList<QByteArray> b = saved.split('\n');
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return QStringLiteral("line %1: \"%2\" became \"%3\"").arg(i + 1).arg(visible(a[i]), visible(b[i]));
    return QStringLiteral("%1 lines became %2").arg(a.size()).arg(b.size());
}

QString binaryDifference(const QByteArray& original, const QByteArray& saved)
{
    auto toText = [](const QByteArray& bytes) {
        ByteStream in(bytes), out;
        try {
            BinaryResourceToText(in, out);
        } catch (const EKorvelError&) {
            return QByteArray();
        }
        return out.data();
    };
    qsizetype at = 0;
    while (at < std::min(original.size(), saved.size()) && original[at] == saved[at])
        ++at;
    const QString where = QStringLiteral("first difference at byte %1").arg(at);
    if (toText(original) == toText(saved))
        return where + QStringLiteral(", same form text (the file uses other value tags or header than our writer)");
    return where + QStringLiteral(", the form text differs");
}

struct Outcome {
    int files = 0;
    int identical = 0;
    QStringList notes;
};

// Loads, lists and saves one file; returns whether the saved bytes are the original's.
bool roundTrip(const QString& file, const QString& tempDir, Outcome& outcome)
{
    SCOPED_TRACE(file.toStdString());
    const QByteArray original = readAll(file);
    TFormDocument doc;
    try {
        doc.LoadFormFile(file);
    } catch (const EKorvelError& e) {
        outcome.notes.append(
            QStringLiteral("%1: not loaded: %2: %3").arg(file, QString::fromLatin1(e.kind()), e.message()));
        return false;
    }
    const QString target = tempDir + u'/' + QFileInfo(file).fileName();
    try {
        doc.SaveFormFile(target);
    } catch (const EKorvelError& e) {
        ADD_FAILURE() << "save failed: " << e.kind() << ": " << e.what();
        outcome.notes.append(
            QStringLiteral("%1: not saved: %2: %3").arg(file, QString::fromLatin1(e.kind()), e.message()));
        return false;
    }
    const QByteArray saved = readAll(target);
    EXPECT_EQ(doc.SaveBytes(), saved); // two saves write the same bytes

    // Whatever the layout, the saved file holds the same form.
    TFormDocument again;
    again.LoadFormFile(target);
    EXPECT_EQ(again.Format(), doc.Format());
    EXPECT_EQ(again.RegenerateLines(), doc.RegenerateLines());

    if (saved == original)
        return true;
    // A text already in the usual line breaks and without blank lines (which come
    // back indented) is in the usual layout and must come back unchanged.
    if (doc.Format() != sofBinary && crLfOnly(original) && !original.contains("\r\n\r\n"))
        ADD_FAILURE() << "text in the usual layout not reproduced: " << textDifference(original, saved).toStdString();
    outcome.notes.append(file + QStringLiteral(": ")
        + (doc.Format() == sofBinary ? binaryDifference(original, saved) : textDifference(original, saved)));
    return false;
}

// Round trip of the files of folder (only form files when formsOnly).
void runFolder(const QString& folder, const QString& label, bool formsOnly, bool mustBeIdentical)
{
    QTemporaryDir temp;
    const QString corpus = QStringLiteral(KORVEL_CORPUS_DIR);
    const std::map<QString, int> pages = manifestCodePages(corpus);
    Outcome outcome;
    QStringList files;
    const QStringList forms{QStringLiteral("*.dfm"), QStringLiteral("*.fmx"), QStringLiteral("*.xfm")};
    for (QDirIterator it(folder, formsOnly ? forms : QStringList(), QDir::Files); it.hasNext();)
        files.append(it.next());
    files.sort();
    for (const QString& file : files) {
        const QString key = QDir(corpus).relativeFilePath(file);
        const auto page = pages.find(key);
        CodePageScope cp(page != pages.end() ? page->second : 1252);
        ++outcome.files;
        if (roundTrip(file, temp.path(), outcome))
            ++outcome.identical;
        else if (mustBeIdentical)
            ADD_FAILURE() << file.toStdString() << " is not reproduced";
    }
    std::cout << "[ identity ] " << label.toStdString() << ": " << outcome.identical << " of " << outcome.files
              << " files reproduced byte for byte\n";
    for (const QString& note : outcome.notes)
        std::cout << "             " << note.toStdString() << "\n";
}

TEST(RoundTrip, Examples)
{
    runFolder(QStringLiteral(KORVEL_EXAMPLES_DIR), QStringLiteral("examples"), true, true);
}

class CorpusRoundTrip : public ::testing::TestWithParam<const char*> { };

TEST_P(CorpusRoundTrip, LoadsListsAndSaves)
{
    KORVEL_NEEDS_CORPUS();
    runFolder(QStringLiteral(KORVEL_CORPUS_DIR "/") + QString::fromLatin1(GetParam()), QString::fromLatin1(GetParam()),
        false, false);
}

INSTANTIATE_TEST_SUITE_P(RoundTrip, CorpusRoundTrip, ::testing::Values("text", "binary", "fmx", "xfm"),
    [](const auto& test) { return std::string(test.param); });

} // namespace
