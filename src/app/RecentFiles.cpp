#include "app/RecentFiles.h"

#include <QFileInfo>
#include <QSettings>

namespace korvel {

namespace {

const QString kKey = QStringLiteral("RecentFiles");

void store(const QStringList& list)
{
    QSettings s(QStringLiteral("Korvel"), QStringLiteral("Korvel"));
    s.setValue(kKey, list);
}

} // namespace

QStringList TRecentFiles::files()
{
    QSettings s(QStringLiteral("Korvel"), QStringLiteral("Korvel"));
    QStringList list = s.value(kKey).toStringList();
    list.removeAll(QString());
    if (list.size() > kMaxCount)
        list.resize(kMaxCount);
    return list;
}

void TRecentFiles::add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = files();
    list.removeAll(absolute);
    list.prepend(absolute);
    if (list.size() > kMaxCount)
        list.resize(kMaxCount);
    store(list);
}

void TRecentFiles::remove(const QString& path)
{
    QStringList list = files();
    if (list.removeAll(path) != 0)
        store(list);
}

} // namespace korvel
