// TFountainColor: the colour and font style of one kind of token.
#pragma once

#include <cstdint>
#include <functional>

namespace korvel {

// A colour in the layout 0x00BBGGRR.
using TColor = std::uint32_t;
// The control's own colour: a token part with this value keeps the pane's colour.
inline constexpr TColor clNone = 0x1FFFFFFF;

// Font styles, combined as a bit set.
enum TFontStyle : std::uint8_t {
    fsBold = 1 << 0,
    fsItalic = 1 << 1,
    fsUnderline = 1 << 2,
    fsStrikeOut = 1 << 3,
};
using TFontStyles = std::uint8_t;

class TFountainColor {
public:
    // A colour with no colours of its own and no style; onChange is called on every change.
    explicit TFountainColor(std::function<void()> onChange = {}) : FOnChange(std::move(onChange)) { }
    TFountainColor(const TFountainColor&) = delete;
    TFountainColor& operator=(const TFountainColor&) = delete;

    // Background colour; clNone for the pane's background.
    TColor BkColor() const noexcept { return FBkColor; }
    void SetBkColor(TColor value);
    // Text colour; clNone for the pane's text colour.
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor value);
    // Font style of the token.
    TFontStyles Style() const noexcept { return FStyle; }
    void SetStyle(TFontStyles value);
    // Copies the three values of source, notifying once if anything changed.
    void Assign(const TFountainColor& source);

    // True when the two colours have the same three values.
    bool SameValues(const TFountainColor& other) const noexcept
    {
        return FBkColor == other.FBkColor && FColor == other.FColor && FStyle == other.FStyle;
    }

private:
    void Changed() const
    {
        if (FOnChange)
            FOnChange();
    }

    TColor FBkColor = clNone;
    TColor FColor = clNone;
    TFontStyles FStyle = 0;
    std::function<void()> FOnChange;
};

} // namespace korvel
