// Fuzz target for the form text highlighter: arbitrary rows (UTF-16, lone
// surrogates and NULs included), arbitrary carried states and extra bracket
// pairs. Checks, besides the absence of crashes, leaks and hangs:
// - tokens are non-empty, in order and inside their row;
// - scanning a row from the packed state stored for it gives the tokens and
//   the end state of the top-down pass;
// - the packed state round-trips;
// - the double-click extent is a token of the row that touches the column.
#include "errors/Errors.h"
#include "highlight/DFMFountain.h"
#include "highlight/FountainParser.h"
#include "highlight/RowStatePacking.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace korvel;

#define check(condition) ((condition) ? void() : fail(#condition, __LINE__))

[[noreturn]] void fail(const char* what, int line)
{
    std::fprintf(stderr, "highlight_fuzz: check failed at line %d: %s\n", line, what);
    std::abort();
}

struct TRecorded {
    int Code;
    qsizetype Start;
    qsizetype Length;
    const TFountainColor* Color;
    bool operator==(const TRecorded&) const = default;
};

class TRecordingSink : public TFountainTokenSink {
public:
    explicit TRecordingSink(qsizetype rowLength) : FRowLength(rowLength) { }
    void Token(const TFountainToken& token) override
    {
        check(token.Length >= 1);
        check(token.Start >= FEnd);
        check(token.Start + token.Length <= FRowLength);
        FEnd = token.Start + token.Length;
        Tokens.push_back({token.Code, token.Start, token.Length, token.Color});
    }
    std::vector<TRecorded> Tokens;

private:
    qsizetype FRowLength;
    qsizetype FEnd = 0;
};

struct TReader {
    const uint8_t* data;
    size_t size;
    uint32_t take(int bytes)
    {
        uint32_t v = 0;
        for (int i = 0; i < bytes && size > 0; ++i, ++data, --size)
            v |= uint32_t(*data) << (8 * i);
        return v;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TReader in{data, size};
    try {
        const auto fountain = TDFMFountain::Create();
        ApplyPropertyPaneColors(*fountain);
        // Up to three extra bracket pairs of up to two characters each.
        const uint32_t extra = in.take(1) % 4;
        for (uint32_t i = 0; i < extra; ++i) {
            TFountainBracketItem& item = fountain->Brackets().Add();
            const uint32_t lengths = in.take(1);
            QString left, right;
            for (uint32_t n = 0; n < (lengths & 3) % 3; ++n)
                left += QChar(char16_t(in.take(1)));
            for (uint32_t n = 0; n < ((lengths >> 2) & 3) % 3; ++n)
                right += QChar(char16_t(in.take(1)));
            item.SetLeftBracket(left);
            item.SetRightBracket(right);
        }

        TRowAttributeData start;
        start.BracketIndex = std::int32_t(in.take(1)) - 3;
        start.ElementIndex = std::int32_t(in.take(1) % 3);
        start.MultiLineCnt = std::int32_t(in.take(4));
        start.StartToken = char16_t(in.take(1) % 64);
        start.WrappedByte = std::int32_t(in.take(1));
        start.RowAttribute = TRowAttribute(in.take(1) % 4);

        const QString text(reinterpret_cast<const QChar*>(in.data), qsizetype(in.size / 2));
        const QStringList rows = text.split(u'\n');

        // Top-down pass with one scanner, from the arbitrary start state.
        const auto pass = fountain->CreateParser();
        std::vector<std::vector<TRecorded>> tokens;
        std::vector<int> packedEnds;
        TRowAttributeData state = start;
        for (const QString& row : rows) {
            TRecordingSink sink(row.size());
            state = pass->ScanRow(row, state, &sink);
            tokens.push_back(sink.Tokens);
            const int packed = PackRowState(state);
            check(packed >= 0);
            check(PackRowState(UnpackRowState(packed)) == packed);
            packedEnds.push_back(packed);
            state = UnpackRowState(packed); // what an editor keeps
        }

        // Each row again with a fresh scanner from the stored state.
        for (qsizetype i = 1; i < rows.size(); ++i) {
            const auto fresh = fountain->CreateParser();
            TRecordingSink sink(rows[i].size());
            const TRowAttributeData next =
                fresh->ScanRow(rows[i], UnpackRowState(packedEnds[std::size_t(i - 1)]), &sink);
            check(sink.Tokens == tokens[std::size_t(i)]);
            check(PackRowState(next) == packedEnds[std::size_t(i)]);

            const qsizetype column = rows[i].isEmpty() ? 0 : qsizetype(packedEnds[std::size_t(i)] % rows[i].size());
            const auto extent = fresh->TokenExtentAt(rows[i], UnpackRowState(packedEnds[std::size_t(i - 1)]), column);
            if (extent) {
                check(extent->Start <= column && column <= extent->Start + extent->Length);
                bool found = false;
                for (const TRecorded& t : sink.Tokens)
                    found = found || (t.Start == extent->Start && t.Length == extent->Length && t.Code == extent->Code);
                check(found);
            }
        }
    } catch (const EKorvelError&) {
        // Only construction errors exist, and a form fountain never raises them.
        check(false);
    }
    return 0;
}
