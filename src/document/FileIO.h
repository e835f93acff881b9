// Whole-file reading and atomic whole-file writing: the only places where
// Korvel's bytes meet the file system.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

namespace korvel {

// Reads the whole file; throws EFileError with the system's message when it cannot.
QByteArray ReadWholeFile(const QString& path);

// Writes bytes as the whole new content of path through a temporary file in the
// same folder that replaces the target only when everything was written, so a
// failure at any point leaves the previous file intact. A symbolic link keeps
// pointing where it pointed (its target is replaced) and the file's permissions
// are kept. Throws EFileError, also when something other than a regular file
// (a folder, device, FIFO or socket) is at path.
void WriteFileAtomic(const QString& path, const QByteArray& bytes);
// Takes the next chunk of bytes being written.
using TChunkWriter = std::function<void(QByteArrayView)>;
// Like WriteFileAtomic with bytes, for bytes that produce hands to its writer
// chunk by chunk; an exception from produce leaves the previous file intact too.
void WriteFileAtomic(const QString& path, const std::function<void(const TChunkWriter&)>& produce);
// The message of the error raised when path exists but is not a regular file.
QString NotRegularFileMessage(const QString& path);

// True when a file (not a folder) exists at path; a link counts when its target exists.
bool FileExists(const QString& path);

} // namespace korvel
