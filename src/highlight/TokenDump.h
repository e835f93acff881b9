// A text dump of highlighted rows, one line per row and <kind>text</kind> per
// token, for golden tests and for looking at what the highlighter does.
#pragma once

#include "highlight/Fountain.h"

#include <QString>
#include <QStringList>

namespace korvel {

// What names a token in the dump.
enum TTokenDumpKind {
    tdColor, // the colour item's name (Ank, Str, Reserve, Bracket0, ...), "none" for the pane's defaults
    tdCode,  // the token code
};

// Scans rows from the first row's state, carrying the state down, and dumps every token.
QString DumpTokens(TFountain& fountain, const QStringList& rows, TTokenDumpKind kind = tdColor);

} // namespace korvel
