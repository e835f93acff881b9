// Shared pieces of korvel-cli's commands: output, input and error reporting.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include "convert/StreamFormat.h"

#include <exception>
#include <functional>

namespace korvel {
class TComponentTree;
class TFormDocument;
class TTreeNode;
} // namespace korvel

namespace korvel::cli {

class TCommandLine;

// The name detect and json give a stored format: binary, text, utf8-text or unknown.
const char* FormatName(TStreamOriginalFormat f);

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Thrown for a command line that does not fit the command's usage.
struct UsageError {
    QString message;
};

// Control characters (below 32, 127 and 128–159) written as \xNN so that a
// message cannot move the terminal's cursor or hide text.
QString EscapeControls(const QString& text);
// "FILE: EKind: message" (or "EKind: message" without a file), controls escaped.
QString FormatError(const QString& file, const std::exception& error);

// Prints text to standard error as UTF-8, followed by a line feed.
void PrintError(const QString& text);
// Prints FormatError(file, error) to standard error.
void ReportError(const QString& file, const std::exception& error);
// Writes bytes to standard output and flushes; throws EFileError
// ("標準出力に書き込めません: reason") when the bytes cannot be written.
void WriteStdout(QByteArrayView bytes);
// Flushes standard output at the end of the run; throws like WriteStdout unless
// a write error was already thrown.
void FinishStdout();
// Writes bytes to path atomically, or to standard output when path is "-".
void WriteOutput(const QString& path, const QByteArray& bytes);
// Reads a whole file, or standard input when path is "-".
QByteArray ReadInput(const QString& path);

// Runs body; any failure is reported as "FILE: EKind: message" and makes the status 1.
int RunForFile(const QString& file, const std::function<void()>& body);
// The node a path of names from a top-level node stands for, "Form1/Panel1/Button1";
// "NAME[k]" picks the k-th (0-based) of several siblings with that name. Throws
// EDocumentError when there is no such node.
TTreeNode* FindNode(const TComponentTree& tree, const QString& path);
// Loads FILE into doc as every document command does.
void LoadFormDocument(TFormDocument& doc, const QString& file);

// Splits a property line "Name = value" (Name a dotted identifier); false for
// any other line, such as the continuation of a list or binary value.
bool SplitPropertyLine(const QString& line, QString& name, QString& value);

// Activates the code page of "--codepage N" when the command line has it.
void ApplyCodePage(const TCommandLine& line);

// The commands; each returns the exit status.
int CmdDetect(const QStringList& args);
int CmdToText(const QStringList& args);
int CmdToBinary(const QStringList& args);
int CmdCheck(const QStringList& args);
int CmdTree(const QStringList& args);
int CmdRegen(const QStringList& args);
int CmdProps(const QStringList& args);
int CmdMove(const QStringList& args);
int CmdJson(const QStringList& args);
int CmdDecode(const QStringList& args);
int CmdEncode(const QStringList& args);
int CmdImage(const QStringList& args);

} // namespace korvel::cli
