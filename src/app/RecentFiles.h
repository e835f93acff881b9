// The recently opened form files, most recent first, kept in the user's settings
// (QSettings, organisation and application "Korvel") across sessions.
#pragma once

#include <QString>
#include <QStringList>

namespace korvel {

class TRecentFiles {
public:
    // How many files the list keeps.
    static constexpr int kMaxCount = 10;

    // The list as stored, most recent first.
    static QStringList files();
    // Puts path (made absolute) at the top, dropping an older entry for it and
    // whatever falls beyond kMaxCount.
    static void add(const QString& path);
    // Drops path from the list.
    static void remove(const QString& path);
};

} // namespace korvel
