#include "cli/CliSupport.h"

#include "convert/AnsiCodePage.h"
#include "convert/Errors.h"
#include "document/FileIO.h"

#include <charconv>
#include <cstdio>
#include <iterator>

namespace korvel::cli {

void PrintError(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stderr);
    std::fputc('\n', stderr);
}

void ReportError(const QString& file, const std::exception& error)
{
    QString text;
    if (const auto* e = dynamic_cast<const EKorvelError*>(&error))
        text = QString::fromLatin1(e->kind()) + QStringLiteral(": ") + e->message();
    else
        text = QStringLiteral("Error: ") + QString::fromUtf8(error.what());
    PrintError(file.isEmpty() ? text : file + QStringLiteral(": ") + text);
}

void WriteStdout(const QByteArray& bytes)
{
    if (!bytes.isEmpty() && std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        throw EFileError(QStringLiteral("標準出力に書き込めません"));
    std::fflush(stdout);
}

void WriteOutput(const QString& path, const QByteArray& bytes)
{
    if (path == QStringLiteral("-"))
        WriteStdout(bytes);
    else
        WriteFileAtomic(path, bytes);
}

QByteArray ReadInput(const QString& path)
{
    if (path != QStringLiteral("-"))
        return ReadWholeFile(path);
    QByteArray bytes;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0)
        bytes.append(buf, qsizetype(n));
    return bytes;
}

void TakeCodePageOption(QStringList& args)
{
    const qsizetype i = args.indexOf(QStringLiteral("--codepage"));
    if (i < 0)
        return;
    if (i + 1 >= args.size())
        throw UsageError{QStringLiteral("--codepage needs a number")};
    const QByteArray value = args[i + 1].toLatin1();
    int cp = 0;
    const auto r = std::from_chars(value.constData(), value.constData() + value.size(), cp);
    if (r.ec != std::errc() || r.ptr != value.constData() + value.size() || !ansi::setActiveCodePage(cp))
        throw UsageError{QStringLiteral("unsupported code page: ") + args[i + 1]};
    args.remove(i, 2);
}

bool TakeOutputOption(QStringList& args, QString& out)
{
    const qsizetype i = args.indexOf(QStringLiteral("-o"));
    if (i < 0)
        return false;
    if (i + 1 >= args.size())
        throw UsageError{QStringLiteral("-o needs a file name")};
    out = args[i + 1];
    args.remove(i, 2);
    return true;
}

bool TakeFlag(QStringList& args, const QString& flag)
{
    return args.removeAll(flag) > 0;
}

} // namespace korvel::cli
