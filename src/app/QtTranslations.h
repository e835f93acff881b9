// Qt's own texts (standard dialog buttons, file dialogs, edit menus) in the
// interface language, from the translations Qt installs (qtbase_<lang>.qm).
#pragma once

#include <QString>

namespace korvel {

// Replaces the Qt translation installed before by the one for language ("ja",
// "de", …); "en" and an empty language leave Qt's built-in English texts.
// Returns whether a translation is installed (false also when the file is missing).
bool InstallQtTranslations(const QString& language);

} // namespace korvel
