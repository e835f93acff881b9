#include "highlight/RowStatePacking.h"

#include "highlight/DFMFountainParser.h"

#include <algorithm>

namespace korvel {
namespace {

// bits 0-3: BracketIndex + 1; bit 4: collection flag; bits 5-30: counter + CountOffset.
constexpr int BracketBits = 4;
constexpr int ElementBit = 1 << BracketBits;
constexpr int CountShift = BracketBits + 1;
constexpr std::int32_t CountOffset = TDFMFountainParser::MaxMultiLineCnt + 1;
static_assert((std::int64_t(2) * CountOffset) << CountShift <= std::int64_t(1) << 31,
    "the packed state must stay a non-negative int");

} // namespace

int PackRowState(const TRowAttributeData& data) noexcept
{
    const int bracket =
        data.BracketIndex >= -1 && data.BracketIndex < (1 << BracketBits) - 1 ? data.BracketIndex + 1 : 0;
    const std::int32_t count =
        std::clamp(data.MultiLineCnt, -TDFMFountainParser::MaxMultiLineCnt, TDFMFountainParser::MaxMultiLineCnt);
    return bracket | (data.ElementIndex == 1 ? ElementBit : 0) | ((count + CountOffset) << CountShift);
}

TRowAttributeData UnpackRowState(int packed)
{
    TRowAttributeData data;
    if (packed < 0)
        return data;
    data.BracketIndex = (packed & ((1 << BracketBits) - 1)) - 1;
    data.ElementIndex = (packed & ElementBit) != 0 ? 1 : 0;
    data.MultiLineCnt = std::clamp((packed >> CountShift) - CountOffset, -TDFMFountainParser::MaxMultiLineCnt,
        TDFMFountainParser::MaxMultiLineCnt);
    return data;
}

} // namespace korvel
