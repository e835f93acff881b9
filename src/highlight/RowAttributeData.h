// TRowAttributeData: the scanner state an editor keeps for the start of every
// display row, so that any row can be scanned without scanning those above it.
#pragma once

#include <QString>

#include <cstdint>

namespace korvel {

// How a display row ends.
enum TRowAttribute : std::uint8_t {
    raCrlf,    // a line break
    raWrapped, // the line continues on the next display row
    raEof,     // the last row, no line break
    raInvalid, // not known (yet)
};

struct TRowAttributeData {
    // How the row ends.
    TRowAttribute RowAttribute = raCrlf;
    // How the previous row ended.
    TRowAttribute PrevRowAttribute = raCrlf;
    // The bracket item whose span is open at the row start: -1 for none, -2 for not yet computed.
    std::int32_t BracketIndex = -1;
    // The collection flag: 1 inside the angle brackets of a collection value, 0 outside.
    std::int32_t ElementIndex = 0;
    // The angle brackets open at the row start. Carried from row to row (rather than
    // counted per scanning pass) so that a row's colours never depend on where a repaint
    // started; a scan from the first row gives the same counts.
    std::int32_t MultiLineCnt = 0;
    // For a wrapped row: characters of the continued token already shown.
    std::int32_t WrappedByte = 0;
    // A framework value carried unchanged.
    std::int32_t Remain = 0;
    // The token continued from the previous, wrapped row; 0 for none.
    char16_t StartToken = 0;
    // The last token of the previous row.
    char16_t PrevToken = 0;
    // Free text a scanner may carry.
    QString DataStr{};

    friend bool operator==(const TRowAttributeData&, const TRowAttributeData&) = default;
};

} // namespace korvel
