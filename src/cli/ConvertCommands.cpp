// detect, to-text and to-binary: batch conversion between the stored formats.
#include "cli/Batch.h"
#include "cli/CliSupport.h"
#include "cli/CommandLine.h"

#include "convert/BinaryToText.h"
#include "convert/ByteStream.h"
#include "convert/StreamFormat.h"
#include "convert/TextToBinary.h"
#include "document/FileIO.h"
#include "errors/Errors.h"

#include <QFileInfo>

#include <functional>

namespace korvel::cli {

const char* FormatName(TStreamOriginalFormat f)
{
    switch (f) {
    case sofBinary:
        return "binary";
    case sofText:
        return "text";
    case sofUTF8Text:
        return "utf8-text";
    default:
        return "unknown";
    }
}

namespace {

TStreamOriginalFormat Detect(const QByteArray& bytes)
{
    ByteStream s(bytes);
    return DetectStreamFormat(s);
}

using Converter = std::function<QByteArray(const QByteArray&)>;

// Shared shape of to-text and to-binary. alreadyTarget tells whether an input
// needs no conversion; convert turns input bytes into output bytes or throws.
int RunConversion(
    const TCommandLine& line, const std::function<bool(TStreamOriginalFormat)>& alreadyTarget, const Converter& convert)
{
    ApplyCodePage(line);
    const int jobs = line.PositiveNumber(QStringLiteral("-j"), DefaultJobs());
    const bool toOut = line.Has(QStringLiteral("-o"));
    const QString out = line.Value(QStringLiteral("-o"));
    const std::optional<QStringList> inputs = InputFiles(line);
    if (!inputs)
        return kExitFailure;
    const QStringList& files = *inputs;
    if (toOut && files.size() != 1)
        throw UsageError{QStringLiteral("-o takes exactly one input file")};
    if (!toOut && files.contains(QStringLiteral("-")))
        throw UsageError{QStringLiteral("standard input needs -o")};
    if (files.isEmpty()) {
        PrintError(QStringLiteral("korvel-cli: no form files found"));
        return kExitFailure;
    }

    const TBatchCounts counts = RunBatch(files, jobs, [&](const QString& file) {
        const QByteArray input = ReadInput(file);
        const QByteArray output = alreadyTarget(Detect(input)) ? input : convert(input);
        TFileResult r;
        if (!toOut) {
            if (output == input)
                return TFileResult{TOutcome::Unchanged, {}, {}};
            WriteFileAtomic(file, output);
        } else if (out == QStringLiteral("-")) {
            r.out = output;
        } else if (QFileInfo(out).isFile() && ReadWholeFile(out) == output) {
            r.outcome = TOutcome::Unchanged;
        } else {
            WriteFileAtomic(out, output);
        }
        return r;
    });
    if (!toOut)
        PrintError(QStringLiteral("korvel-cli: %1 converted, %2 unchanged, %3 failed")
                       .arg(counts.done)
                       .arg(counts.unchanged)
                       .arg(counts.failed));
    return counts.failed ? kExitFailure : kExitOk;
}

} // namespace

int CmdDetect(const QStringList& args)
{
    const TCommandLine line(args, {{QStringLiteral("-r")}});
    const std::optional<QStringList> inputs = InputFiles(line);
    if (!inputs)
        return kExitFailure;
    const QStringList& files = *inputs;
    const TBatchCounts counts = RunBatch(files, 1, [](const QString& file) {
        const QByteArray bytes = ReadInput(file);
        return TFileResult{TOutcome::Done, QByteArray(FormatName(Detect(bytes))) + '\t' + file.toUtf8() + '\n', {}};
    });
    return counts.failed ? kExitFailure : kExitOk;
}

int CmdToText(const QStringList& args)
{
    const TCommandLine line(args,
        {{QStringLiteral("-o"), 1}, {QStringLiteral("--codepage"), 1}, {QStringLiteral("-r")},
            {QStringLiteral("-j"), 1}});
    return RunConversion(
        line, [](TStreamOriginalFormat f) { return f != sofBinary; },
        [](const QByteArray& input) {
            ByteStream in(input);
            ByteStream out;
            BinaryResourceToText(in, out);
            return out.data();
        });
}

int CmdToBinary(const QStringList& args)
{
    const TCommandLine line(args,
        {{QStringLiteral("-o"), 1}, {QStringLiteral("--codepage"), 1}, {QStringLiteral("-r")},
            {QStringLiteral("-j"), 1}, {QStringLiteral("--ansi")}});
    const bool ansi = line.Has(QStringLiteral("--ansi"));
    return RunConversion(
        line, [](TStreamOriginalFormat f) { return f == sofBinary; },
        [ansi](const QByteArray& input) {
            ByteStream in(input);
            ByteStream out;
            if (ansi)
                TextToResourceAnsi(in, out);
            else
                TextToResource(in, out);
            return out.data();
        });
}

} // namespace korvel::cli
