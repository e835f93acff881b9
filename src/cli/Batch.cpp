#include "cli/Batch.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "errors/Errors.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace korvel::cli {
namespace {

bool IsFormFileName(const QString& name)
{
    return name.endsWith(QStringLiteral(".dfm"), Qt::CaseInsensitive)
        || name.endsWith(QStringLiteral(".fmx"), Qt::CaseInsensitive)
        || name.endsWith(QStringLiteral(".xfm"), Qt::CaseInsensitive);
}

QStringList FormFilesUnder(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (IsFormFileName(path))
            found << path;
    }
    std::sort(found.begin(), found.end());
    return found;
}

QStringList ReadList(const QString& list)
{
    const QByteArray bytes = ReadInput(list);
    QStringList paths;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            paths << QString::fromUtf8(line);
    }
    return paths;
}

// The identity of a path for dropping duplicates: the file it leads to when it exists.
QString Identity(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QStringList ExpandInputs(const QStringList& operands, bool recursive)
{
    const bool listFromStdin = operands.contains(QStringLiteral("@-"));
    QStringList named;
    for (const QString& operand : operands) {
        if (operand.startsWith(u'@') && operand.size() > 1) {
            try {
                named += ReadList(operand.mid(1));
            } catch (const std::exception& e) {
                throw TInputError{FormatError(operand, e)};
            }
        } else {
            named << operand;
        }
    }
    QStringList files;
    QSet<QString> seen;
    for (const QString& path : named) {
        if (path == QStringLiteral("-")) {
            if (listFromStdin)
                throw UsageError{QStringLiteral("standard input cannot be both a list (@-) and a file (-)")};
            files << path;
            continue;
        }
        QStringList expanded;
        if (QFileInfo(path).isDir()) {
            if (!recursive)
                throw UsageError{path + QStringLiteral(" is a folder; use -r to convert the form files in it")};
            expanded = FormFilesUnder(path);
        } else {
            expanded << path;
        }
        for (const QString& file : expanded) {
            const QString id = Identity(file);
            if (!seen.contains(id)) {
                seen.insert(id);
                files << file;
            }
        }
    }
    return files;
}

std::optional<QStringList> InputFiles(const TCommandLine& line)
{
    if (line.Operands().isEmpty())
        throw UsageError{QStringLiteral("no input file")};
    try {
        return ExpandInputs(line.Operands(), line.Has(QStringLiteral("-r")));
    } catch (const TInputError& e) {
        PrintError(e.report);
        return std::nullopt;
    }
}

int DefaultJobs()
{
    return std::max(1, QThread::idealThreadCount());
}

TBatchCounts RunBatch(const QStringList& files, int jobs, const std::function<TFileResult(const QString&)>& work)
{
    const qsizetype n = files.size();
    std::vector<std::optional<TFileResult>> results(static_cast<size_t>(n));
    std::mutex lock;
    qsizetype nextToPrint = 0;
    std::atomic<qsizetype> nextToStart{0};
    TBatchCounts counts;
    bool stdoutBroken = false;
    const bool progress = n >= 20 && isatty(STDERR_FILENO);

    auto clearProgress = [&] {
        if (progress)
            std::fputs("\r\033[K", stderr);
    };
    // Prints every finished result that has no unfinished one before it; called with lock held.
    auto printReady = [&] {
        while (nextToPrint < n && results[size_t(nextToPrint)]) {
            TFileResult& r = *results[size_t(nextToPrint)];
            const QString& file = files[nextToPrint];
            if (!r.out.isEmpty() && !stdoutBroken) {
                try {
                    WriteStdout(r.out);
                } catch (const std::exception& e) {
                    stdoutBroken = true;
                    r.outcome = TOutcome::Failed;
                    r.err += FormatError(file, e) + u'\n';
                }
            } else if (!r.out.isEmpty()) {
                r.outcome = TOutcome::Failed;
            }
            if (!r.err.isEmpty()) {
                clearProgress();
                const QByteArray text = r.err.toUtf8();
                std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
            }
            switch (r.outcome) {
            case TOutcome::Done:
                ++counts.done;
                break;
            case TOutcome::Unchanged:
                ++counts.unchanged;
                break;
            case TOutcome::Failed:
                ++counts.failed;
                break;
            }
            results[size_t(nextToPrint)].reset();
            ++nextToPrint;
            if (progress) {
                const QByteArray line = "\r\033[K[" + QByteArray::number(nextToPrint) + '/' + QByteArray::number(n)
                    + "] " + EscapeControls(file).toUtf8();
                std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
            }
            std::fflush(stderr);
        }
    };
    auto worker = [&] {
        for (;;) {
            const qsizetype i = nextToStart.fetch_add(1);
            if (i >= n)
                return;
            TFileResult r;
            try {
                r = work(files[i]);
            } catch (const std::exception& e) {
                r = {TOutcome::Failed, {}, FormatError(files[i], e) + u'\n'};
            }
            std::lock_guard guard(lock);
            results[size_t(i)] = std::move(r);
            printReady();
        }
    };

    const int threads = int(std::min<qsizetype>(std::max(1, jobs), std::max<qsizetype>(1, n)));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool)
        t.join();
    clearProgress();
    std::fflush(stderr);
    return counts;
}

} // namespace korvel::cli
