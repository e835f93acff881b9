// Shared pieces of korvel-cli's commands: argument handling, output and error reporting.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <exception>

namespace korvel::cli {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Thrown for a command line that does not fit the command's usage.
struct UsageError {
    QString message;
};

// Prints text to standard error as UTF-8, followed by a line feed.
void PrintError(const QString& text);
// Prints "FILE: EKind: message" (or "EKind: message" without a file) for any error.
void ReportError(const QString& file, const std::exception& error);
// Writes bytes to standard output unchanged.
void WriteStdout(const QByteArray& bytes);
// Writes bytes to path atomically, or to standard output when path is "-".
void WriteOutput(const QString& path, const QByteArray& bytes);
// Reads a whole file, or standard input when path is "-".
QByteArray ReadInput(const QString& path);

// Takes "--codepage N" out of args and activates that code page.
void TakeCodePageOption(QStringList& args);
// Takes "-o OUT" out of args; returns whether it was there and sets out.
bool TakeOutputOption(QStringList& args, QString& out);
// Takes a flag such as "--ansi" out of args; returns whether it was there.
bool TakeFlag(QStringList& args, const QString& flag);

// The commands; each returns the exit status.
int CmdDetect(QStringList args);
int CmdToText(QStringList args);
int CmdToBinary(QStringList args);
int CmdTree(QStringList args);
int CmdRegen(QStringList args);
int CmdProps(QStringList args);
int CmdMove(QStringList args);
int CmdDecode(QStringList args);
int CmdEncode(QStringList args);

} // namespace korvel::cli
