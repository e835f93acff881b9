// The outline parser: classifies every line of the loaded form text and builds
// the component tree with one TPROPREC per object block.
#pragma once

#include "document/ComponentTree.h"
#include "document/TextLines.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace korvel {

// The default text shown for a component without a name.
QString DefaultNoNameText();

// The name unchanged, or noNameText when the name is empty after trimming.
QString NodeCaption(const QString& name, const QString& noNameText);
QString NodeCaption(const QString& name);

// What a header line holds.
struct THeaderMatch {
    // "object", "inherited" or "inline", spelled as in the line (any letter case).
    QString Keyword;
    // The blanks and tabs between the keyword and the header's text.
    QString KeywordGap;
    // The component name; empty for a header that carries only a class.
    QString ObjectName;
    // The class; with the bracketed index suffixes when the header has a name.
    QString ClassName;
    // Everything after the keyword and its gap, trailing blanks removed.
    QString HeaderText;
};

// Recognises a header line as the converter reads one: blanks or tabs, a keyword
// in any letter case, at least one blank or tab and a class, or a name, a colon
// (blanks around it allowed) and a class. Names and classes begin with a letter
// of any script or '_'.
bool MatchHeader(QStringView line, THeaderMatch* match = nullptr);
// True when the trimmed line is "end" in any letter case.
bool IsEndLine(QStringView trimmed);
// True when the trimmed line opens a collection property ("Items = <", "A.B=<...").
bool IsCollectionStart(QStringView trimmed);
// True when the trimmed line closes a collection property (ends with '>').
bool IsCollectionEnd(QStringView trimmed);
// The line without leading and trailing characters of code 32 or below.
QStringView TrimControl(QStringView line);

// Builds a fresh tree from OrgFile: one node per object block, nested as the
// blocks are, records with name, class, keyword, header text, property range and
// Indent (2 × nesting depth). Iterative, so any nesting depth is safe. Lines after
// a block's end that no header or end follows directly (a property after a child
// block, a stray "end", text after the last block) become that block's trail
// (TrailBegin, TrailCount), so regeneration writes them where they stood; lines
// before the first header belong to no block. A block still open at the end of
// the text takes the last line of OrgFile as its EndLine.
void ParseOutline(const TTextLines& OrgFile, TComponentTree& out, const QString& noNameText = DefaultNoNameText());
void ParseOutline(const QStringList& OrgFile, TComponentTree& out, const QString& noNameText = DefaultNoNameText());

// Text dump of a tree for tests and the command line: one line per node,
// indented two spaces per level: "caption: ClassName [BeginLine..EndLine] Indent=n".
QStringList DumpTree(const TComponentTree& tree);

} // namespace korvel
