// Extraction of hexadecimal property data selected in the property pane as bytes.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace korvel {

// True for the white-space characters the extraction skips: exactly the class \s
// of a Unicode-aware regular expression (tab, LF, VT, FF, CR, space, U+0085,
// U+00A0, U+1680, U+180E, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000).
bool IsHexSelectionSpace(char16_t c) noexcept;

// The bytes of the first run of at least two characters that are each a
// hexadecimal digit or white space: white space removed, pairs of digits read
// high half first, an odd last digit ignored. Nothing (nullopt) when there is no
// such run or it holds fewer than two digits. Text after the first run is not looked at.
std::optional<QByteArray> ExtractSelectedHex(QStringView selectedText);

// Writes the extracted bytes to path atomically; with nothing to extract the
// file is written empty. Throws EFileError.
void SaveSelectionAsBinary(QStringView selectedText, const QString& path);

} // namespace korvel
