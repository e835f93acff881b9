// The code page a document is shown and reopened in: the code pages offered for
// reopening, the status bar's name of a document's encoding, and the code page
// chosen for each file during a session.
#pragma once

#include <QHash>
#include <QString>

#include <vector>

namespace korvel {

class TFormDocument;

// The code pages a file can be reopened in: 932, 936, 949, 950 and 1250 to 1258.
const std::vector<int>& ReopenCodePages();

// Whether the document's text depends on the ANSI code page: an ANSI text, or a
// binary form (its ANSI strings are decoded with the code page). UTF-8 and UTF-16
// texts do not.
bool UsesAnsiCodePage(const TFormDocument& document);

// What the status bar says about a loaded document's encoding: "CP932" where the
// ANSI code page is used, otherwise "UTF-8", "UTF-16LE" or "UTF-16BE"; empty
// before a load.
QString EncodingStatusText(const TFormDocument& document);

// The code page chosen for each file in this session. Paths are compared as
// absolute paths with symbolic links resolved, so "./a.dfm" and "/dir/a.dfm" are
// one file.
class TCodePageMemory {
public:
    // The code page remembered for path, or 0 (the active one) when there is none.
    int codePageFor(const QString& path) const;
    // Remembers codePage for path (0 forgets it).
    void remember(const QString& path, int codePage);

private:
    static QString key(const QString& path);
    QHash<QString, int> FCodePages;
};

} // namespace korvel
