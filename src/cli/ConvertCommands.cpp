// detect, to-text and to-binary: batch conversion between the stored formats.
#include "cli/CliSupport.h"

#include "convert/BinaryToText.h"
#include "convert/ByteStream.h"
#include "convert/Errors.h"
#include "convert/StreamFormat.h"
#include "convert/TextToBinary.h"
#include "document/FileIO.h"

#include <functional>

namespace korvel::cli {
namespace {

const char* FormatName(TStreamOriginalFormat f)
{
    switch (f) {
    case sofBinary: return "binary";
    case sofText: return "text";
    case sofUTF8Text: return "utf8-text";
    default: return "unknown";
    }
}

TStreamOriginalFormat Detect(const QByteArray& bytes)
{
    ByteStream s(bytes);
    return DetectStreamFormat(s);
}

using Converter = std::function<QByteArray(const QByteArray&)>;

// Shared shape of to-text and to-binary. alreadyTarget tells whether an input
// needs no conversion; convert turns input bytes into output bytes or throws.
int RunConversion(QStringList args, const QString& targetName,
                  const std::function<bool(TStreamOriginalFormat)>& alreadyTarget,
                  const Converter& convert)
{
    QString out;
    const bool toOut = TakeOutputOption(args, out);
    for (const QString& a : args)
        if (a.startsWith(u'-') && a != QStringLiteral("-"))
            throw UsageError{QStringLiteral("unknown option: ") + a};
    if (args.isEmpty())
        throw UsageError{QStringLiteral("no input file")};
    if (toOut && args.size() != 1)
        throw UsageError{QStringLiteral("-o takes exactly one input file")};

    int status = kExitOk;
    for (const QString& file : args) {
        try {
            const QByteArray input = ReadInput(file);
            const bool same = alreadyTarget(Detect(input));
            if (toOut) {
                WriteOutput(out, same ? input : convert(input));
            } else if (same) {
                PrintError(file + QStringLiteral(": already ") + targetName + QStringLiteral(", left unchanged"));
            } else {
                if (file == QStringLiteral("-"))
                    throw UsageError{QStringLiteral("standard input needs -o")};
                WriteFileAtomic(file, convert(input));
            }
        } catch (const UsageError&) {
            throw;
        } catch (const std::exception& e) {
            ReportError(file, e);
            status = kExitFailure;
        }
    }
    return status;
}

} // namespace

int CmdDetect(QStringList args)
{
    if (args.isEmpty())
        throw UsageError{QStringLiteral("no input file")};
    int status = kExitOk;
    for (const QString& file : args) {
        try {
            const QByteArray bytes = ReadInput(file);
            WriteStdout(QByteArray(FormatName(Detect(bytes))) + '\t' + file.toUtf8() + '\n');
        } catch (const std::exception& e) {
            ReportError(file, e);
            status = kExitFailure;
        }
    }
    return status;
}

int CmdToText(QStringList args)
{
    TakeCodePageOption(args);
    return RunConversion(
        args, QStringLiteral("text"),
        [](TStreamOriginalFormat f) { return f != sofBinary; },
        [](const QByteArray& input) {
            ByteStream in(input);
            ByteStream out;
            BinaryResourceToText(in, out);
            return out.data();
        });
}

int CmdToBinary(QStringList args)
{
    TakeCodePageOption(args);
    const bool ansi = TakeFlag(args, QStringLiteral("--ansi"));
    return RunConversion(
        args, QStringLiteral("binary"),
        [](TStreamOriginalFormat f) { return f == sofBinary; },
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
