// Batches of form files: the files a command line names (folders, list files)
// and running one piece of work per file on several threads.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace korvel::cli {

class TCommandLine;

// A list file that cannot be read: the report line, "@LIST: EFileError: message".
struct TInputError {
    QString report;
};

// The files that operands name, in order and each once: a file as given; a
// folder, with recursive, searched for .dfm/.fmx/.xfm files (any letter case,
// sorted); "@LIST" the paths in LIST, one a line ("@-": standard input).
// Throws UsageError for a folder without recursive or "-" next to "@-", and
// TInputError for a list that cannot be read.
QStringList ExpandInputs(const QStringList& operands, bool recursive);
// ExpandInputs for a command line's operands ("-r" read from line). Throws
// UsageError when there is no operand; for a list that cannot be read, prints
// its report and returns nullopt (the command then fails).
std::optional<QStringList> InputFiles(const TCommandLine& line);

// The number of threads for "-j" when none is given: the number of cores.
int DefaultJobs();

enum class TOutcome { Done, Unchanged, Failed };

// What the work did for one file: its outcome, bytes for standard output and
// lines for standard error (each ending in a line feed).
struct TFileResult {
    TOutcome outcome = TOutcome::Done;
    QByteArray out;
    QString err;
};

struct TBatchCounts {
    int done = 0;
    int unchanged = 0;
    int failed = 0;
};

// Runs work for every file on up to jobs threads. Each file's output is printed
// in the files' order as soon as the files before it are finished, so the output
// does not depend on jobs. An exception from work makes the file Failed with
// "FILE: EKind: message". On a terminal a long batch shows a progress line.
TBatchCounts RunBatch(const QStringList& files, int jobs, const std::function<TFileResult(const QString&)>& work);

} // namespace korvel::cli
