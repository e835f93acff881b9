#include "highlight/RowStatePacking.h"

#include "highlight/DFMFountainParser.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

constexpr std::int32_t Max = TDFMFountainParser::MaxMultiLineCnt;

TEST(RowStatePackingTest, RoundTrip)
{
    const struct {
        std::int32_t bracket, element, count;
    } states[] = {
        {-1, 0, 0},
        {0, 0, 0},
        {0, 1, 1},
        {13, 1, 7},
        {14, 0, -3},
        {-1, 1, Max},
        {-1, 0, -Max},
        {5, 1, -Max},
        {-1, 1, 1000000},
    };
    std::vector<int> seen;
    for (const auto& s : states) {
        SCOPED_TRACE(std::to_string(s.bracket) + " " + std::to_string(s.element) + " " + std::to_string(s.count));
        const TRowAttributeData data{.BracketIndex = s.bracket, .ElementIndex = s.element, .MultiLineCnt = s.count};
        const int packed = PackRowState(data);
        EXPECT_GE(packed, 0);
        const TRowAttributeData back = UnpackRowState(packed);
        EXPECT_EQ(back.BracketIndex, s.bracket);
        EXPECT_EQ(back.ElementIndex, s.element);
        EXPECT_EQ(back.MultiLineCnt, s.count);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), packed), 0) << "two states pack alike";
        seen.push_back(packed);
    }
}

TEST(RowStatePackingTest, OutOfRangeValues)
{
    const struct {
        TRowAttributeData in;
        std::int32_t bracket, element, count;
    } cases[] = {
        {{.BracketIndex = -2}, -1, 0, 0},
        {{.BracketIndex = 15}, -1, 0, 0},
        {{.ElementIndex = 2}, -1, 0, 0},
        {{.ElementIndex = -1}, -1, 0, 0},
        {{.MultiLineCnt = INT32_MAX}, -1, 0, Max},
        {{.MultiLineCnt = INT32_MIN}, -1, 0, -Max},
    };
    for (const auto& c : cases) {
        const TRowAttributeData back = UnpackRowState(PackRowState(c.in));
        EXPECT_EQ(back.BracketIndex, c.bracket);
        EXPECT_EQ(back.ElementIndex, c.element);
        EXPECT_EQ(back.MultiLineCnt, c.count);
    }
    EXPECT_EQ(UnpackRowState(-1), TRowAttributeData{});
    EXPECT_EQ(UnpackRowState(0).MultiLineCnt, -Max);
    EXPECT_EQ(PackRowState(TRowAttributeData{}), PackRowState(UnpackRowState(-1)));
}

} // namespace
} // namespace korvel
