// Packs the row state that form text carries from row to row into one
// non-negative int, the per-block state a text editor keeps, and back.
#pragma once

#include "highlight/RowAttributeData.h"

namespace korvel {

// Packs BracketIndex (-1 to 14), the collection flag (ElementIndex 1 or not) and the
// angle-bracket counter (saturated to the scanner's range) into a value from 0 up.
// The wrapped-row fields are not packed: the editor that uses this does not wrap.
int PackRowState(const TRowAttributeData& data) noexcept;
// The state a packed value stands for; a negative value (no state yet) is the first row's state.
TRowAttributeData UnpackRowState(int packed);

} // namespace korvel
