#include "document/FileIO.h"

#include "convert/Errors.h"

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

void WriteFileAtomic(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(QStringLiteral("%1: %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw EFileError(QStringLiteral("%1: %2").arg(path, why));
    }
    if (!file.commit())
        throw EFileError(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

bool FileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

} // namespace korvel
