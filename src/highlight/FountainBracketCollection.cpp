#include "highlight/FountainBracketCollection.h"

#include "highlight/EFountainError.h"

namespace korvel {

TFountainBracketItem::TFountainBracketItem(std::function<void()> onChange)
    : FOnChange(onChange), FItemColor(std::move(onChange))
{
}

void TFountainBracketItem::SetLeftBracket(const QString& value)
{
    if (FLeftBracket == value)
        return;
    FLeftBracket = value;
    if (FOnChange)
        FOnChange();
}

void TFountainBracketItem::SetRightBracket(const QString& value)
{
    if (FRightBracket == value)
        return;
    FRightBracket = value;
    if (FOnChange)
        FOnChange();
}

TFountainBracketItem& TFountainBracketCollection::Add()
{
    if (Count() >= MaxItems)
        throw EFountainError(
            QStringLiteral("TFountainBracketCollection\r\nYou can not add item over %1").arg(MaxItems));
    FItems.push_back(std::make_unique<TFountainBracketItem>(FOnChange));
    Changed();
    return *FItems.back();
}

void TFountainBracketCollection::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    Changed();
}

} // namespace korvel
