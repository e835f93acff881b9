// The property text codec: cuts a node's property lines out of the loaded text,
// and rewrites property text between its stored form (#nnn character codes) and
// the readable form the property pane shows.
#pragma once

#include "document/TextLines.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace korvel {

struct TPROPREC;

// How many leading characters of line make up at most columns of indentation:
// a space counts one column, a tab two (one level of a form indented with tabs).
qsizetype IndentToStrip(QStringView line, qsizetype columns);
qsizetype IndentToStrip(QLatin1StringView line, qsizetype columns);

// The record's property lines (BeginLine..EndLine of OrgFile) with up to
// Indent + 2 columns of leading indentation removed (IndentToStrip), joined by CR LF (none after the last line).
// Empty for a null record and for EndLine < BeginLine; lines outside OrgFile are skipped.
QString GetNodeProperties(const TTextLines& OrgFile, const TPROPREC* rec);
QString GetNodeProperties(const QStringList& OrgFile, const TPROPREC* rec);

// Rewrites property text for display: every run of strings and character codes
// becomes one quoted string with visible characters; codes below 32 stay codes
// (in decimal). Every output line ends with CR LF. Everything outside runs, and
// a run holding a string that is never closed, is copied unchanged.
QString DecodeText(const QString& text);

// Rewrites display text into stored form: inside strings every character from
// 128 up becomes a decimal #code; written codes are kept. Every output line ends
// with CR LF.
QString EncodeText(const QString& text);

} // namespace korvel
