#include "document/FileIO.h"

#include "errors/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace korvel {

QByteArray ReadWholeFile(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).isDir())
        throw EFileError(QStringLiteral("%1: フォルダーは開けません").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("%1: %2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(QStringLiteral("%1: %2").arg(path, file.errorString()));
    return bytes;
}

QString NotRegularFileMessage(const QString& path)
{
    return QStringLiteral("%1: 通常のファイルではないため保存できません").arg(path);
}

void WriteFileAtomic(const QString& path, const QByteArray& bytes)
{
    WriteFileAtomic(path, [&](const TChunkWriter& write) { write(bytes); });
}

void WriteFileAtomic(const QString& path, const std::function<void(const TChunkWriter&)>& produce)
{
    // Replacing a device, FIFO or socket by a regular file through a rename (which
    // would even succeed on /dev/null for root) is never what a save means, and
    // writing into it would not be atomic: refuse. A symbolic link is followed, so
    // its target is what must be a regular file; QSaveFile then replaces the
    // target, keeping the link and the target's permissions.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw EFileError(NotRegularFileMessage(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(QStringLiteral("%1: %2").arg(path, file.errorString()));
    // The temporary file is removed when produce throws or a write fails.
    produce([&](QByteArrayView bytes) {
        if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
            const QString why = file.errorString();
            file.cancelWriting();
            throw EFileError(QStringLiteral("%1: %2").arg(path, why));
        }
    });
    if (!file.commit())
        throw EFileError(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

bool FileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

} // namespace korvel
