// TDFMFountainParser: the scanner of form text. On top of the framework's
// scanning it reads #nnn character codes and quoted strings (string colour),
// and tracks the angle brackets of collection values, inside which the
// reserved words are not coloured.
#pragma once

#include "highlight/FountainParser.h"

#include <cstdint>

namespace korvel {

class TDFMFountain;

// A number sign and the decimal digits after it.
inline constexpr int ftCharCode = 50;

class TDFMFountainParser : public TFountainParser {
public:
    // The angle-bracket counter saturates at plus and minus this value, so it never
    // overflows and always fits the packed row state.
    static constexpr std::int32_t MaxMultiLineCnt = (1 << 25) - 1;

    // Also loads the angle-bracket counter carried in data.
    void NewData(QStringView row, const TRowAttributeData& data) override;
    const TFountainColor* TokenToFountainColor() override;
    // The open angle brackets counted so far.
    std::int32_t MultiLineCnt() const noexcept { return FMultiLineCnt; }

protected:
    friend class TFountainParser;
    explicit TDFMFountainParser(TFountain* fountain);

    // The inherited tables, then # (ScanHash), < and > (ScanAngle), the apostrophe
    // (ScanQuotedString) and the continuation of code 50 (ScanHashDigits).
    void InitDispatchTables() override;
    // Never inside a collection value; otherwise the framework's rule.
    bool IsReservedWordToken() override;
    void SaveRowState(TRowAttributeData& next) const override;

    // The number sign, then ScanHashDigits.
    virtual void ScanHash();
    // Code 50: zero or more ASCII decimal digits.
    virtual void ScanHashDigits();
    // < opens a collection value, the > that closes the outermost one ends it; a symbol either way.
    virtual void ScanAngle();

private:
    // The fountain with the colour items; null when the scanner serves another kind of fountain.
    TDFMFountain* FDFMFountain;
    std::int32_t FMultiLineCnt = 0;
};

} // namespace korvel
