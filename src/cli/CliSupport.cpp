#include "cli/CliSupport.h"

#include "cli/CommandLine.h"
#include "convert/AnsiCodePage.h"
#include "document/FileIO.h"
#include "errors/Errors.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace korvel::cli {
namespace {

// Set once a write error on standard output has been reported, so that it is reported once.
bool stdoutFailed = false;

[[noreturn]] void ThrowStdoutError(int error)
{
    stdoutFailed = true;
    throw EFileError(QStringLiteral("標準出力に書き込めません: ") + QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace

QString EscapeControls(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0)) {
            static const char hex[] = "0123456789ABCDEF";
            out += QStringLiteral("\\x");
            out += QLatin1Char(hex[u >> 4]);
            out += QLatin1Char(hex[u & 15]);
        } else {
            out += c;
        }
    }
    return out;
}

QString FormatError(const QString& file, const std::exception& error)
{
    QString text;
    if (const auto* e = dynamic_cast<const EKorvelError*>(&error))
        text = QString::fromLatin1(e->kind()) + QStringLiteral(": ") + e->message();
    else
        text = QStringLiteral("Error: ") + QString::fromUtf8(error.what());
    return EscapeControls(file.isEmpty() ? text : file + QStringLiteral(": ") + text);
}

void PrintError(const QString& text)
{
    const QByteArray utf8 = text.toUtf8() + '\n';
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stderr);
    std::fflush(stderr);
}

void ReportError(const QString& file, const std::exception& error)
{
    PrintError(FormatError(file, error));
}

void WriteStdout(QByteArrayView bytes)
{
    errno = 0;
    if (!bytes.isEmpty() && std::fwrite(bytes.data(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        ThrowStdoutError(errno ? errno : EIO);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        ThrowStdoutError(errno ? errno : EIO);
}

void FinishStdout()
{
    if (stdoutFailed)
        return;
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        ThrowStdoutError(errno ? errno : EIO);
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
    if (std::ferror(stdin))
        throw EFileError(
            QStringLiteral("標準入力を読めません: ") + QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)));
    return bytes;
}

bool SplitPropertyLine(const QString& line, QString& name, QString& value)
{
    qsizetype i = 0;
    const qsizetype n = line.size();
    if (n == 0 || !(line[0].isLetter() || line[0] == u'_'))
        return false;
    while (i < n && (line[i].isLetterOrNumber() || line[i] == u'_' || line[i] == u'.'))
        ++i;
    qsizetype j = i;
    while (j < n && (line[j] == u' ' || line[j] == u'\t'))
        ++j;
    if (j >= n || line[j] != u'=')
        return false;
    name = line.left(i);
    ++j;
    while (j < n && (line[j] == u' ' || line[j] == u'\t'))
        ++j;
    value = line.mid(j);
    return true;
}

void ApplyCodePage(const TCommandLine& line)
{
    if (!line.Has(QStringLiteral("--codepage")))
        return;
    const QString text = line.Value(QStringLiteral("--codepage"));
    const QByteArray value = text.toLatin1();
    int cp = 0;
    const auto r = std::from_chars(value.constData(), value.constData() + value.size(), cp);
    if (value.isEmpty() || r.ec != std::errc() || r.ptr != value.constData() + value.size()
        || !ansi::setActiveCodePage(cp))
        throw UsageError{QStringLiteral("unsupported code page: ") + text};
}

} // namespace korvel::cli
