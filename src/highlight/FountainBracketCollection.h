// TFountainBracketItem and TFountainBracketCollection: the bracket pairs of a
// fountain. Text from a left bracket to its right bracket is one token, even
// across rows, drawn in the item's colour.
#pragma once

#include "highlight/FountainColor.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace korvel {

class TFountainBracketItem {
public:
    // An item with empty brackets and a default colour; onChange is called on every change.
    explicit TFountainBracketItem(std::function<void()> onChange = {});
    TFountainBracketItem(const TFountainBracketItem&) = delete;
    TFountainBracketItem& operator=(const TFountainBracketItem&) = delete;

    // The text that opens the span; an item with an empty left bracket never opens one.
    const QString& LeftBracket() const noexcept { return FLeftBracket; }
    void SetLeftBracket(const QString& value);
    // The text that closes the span; an empty right bracket never closes it.
    const QString& RightBracket() const noexcept { return FRightBracket; }
    void SetRightBracket(const QString& value);
    // The colour of the span.
    TFountainColor& ItemColor() noexcept { return FItemColor; }
    const TFountainColor& ItemColor() const noexcept { return FItemColor; }
    // Copies the values of value into the item's colour.
    void SetItemColor(const TFountainColor& value) { FItemColor.Assign(value); }

private:
    std::function<void()> FOnChange;
    QString FLeftBracket;
    QString FRightBracket;
    TFountainColor FItemColor;
};

class TFountainBracketCollection {
public:
    // The most items a collection holds.
    static constexpr int MaxItems = 14;

    // An empty collection; onChange is called whenever an item or its colour changes.
    explicit TFountainBracketCollection(std::function<void()> onChange = {}) : FOnChange(std::move(onChange)) { }
    TFountainBracketCollection(const TFountainBracketCollection&) = delete;
    TFountainBracketCollection& operator=(const TFountainBracketCollection&) = delete;

    // Appends a new item; throws EFountainError when the collection is full.
    TFountainBracketItem& Add();
    // Removes every item.
    void Clear();
    // The number of items.
    int Count() const noexcept { return int(FItems.size()); }
    // The item at index, which must lie in 0 .. Count() - 1.
    TFountainBracketItem& Items(int index) { return *FItems.at(std::size_t(index)); }
    const TFountainBracketItem& Items(int index) const { return *FItems.at(std::size_t(index)); }

private:
    void Changed() const
    {
        if (FOnChange)
            FOnChange();
    }

    std::function<void()> FOnChange;
    std::vector<std::unique_ptr<TFountainBracketItem>> FItems;
};

} // namespace korvel
