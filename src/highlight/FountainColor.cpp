#include "highlight/FountainColor.h"

namespace korvel {

void TFountainColor::SetBkColor(TColor value)
{
    if (FBkColor == value)
        return;
    FBkColor = value;
    Changed();
}

void TFountainColor::SetColor(TColor value)
{
    if (FColor == value)
        return;
    FColor = value;
    Changed();
}

void TFountainColor::SetStyle(TFontStyles value)
{
    if (FStyle == value)
        return;
    FStyle = value;
    Changed();
}

void TFountainColor::Assign(const TFountainColor& source)
{
    if (SameValues(source))
        return;
    FBkColor = source.FBkColor;
    FColor = source.FColor;
    FStyle = source.FStyle;
    Changed();
}

} // namespace korvel
