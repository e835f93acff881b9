// TFountain: the highlighting framework's component that holds the colour
// items, the bracket pairs and the reserved words of one kind of text, and
// makes the scanners (TFountainParser) that split its rows into tokens.
#pragma once

#include "highlight/FileExtComponent.h"
#include "highlight/FountainBracketCollection.h"
#include "highlight/FountainChangeList.h"
#include "highlight/FountainColor.h"
#include "highlight/SortedStringList.h"

#include <QString>

#include <memory>

namespace korvel {

class TFountain;
class TFountainParser;

// A scanner class: makes a ready scanner for a fountain.
using TFountainParserClass = std::unique_ptr<TFountainParser> (*)(TFountain* fountain);

class TFountain : public TFileExtComponent {
public:
    // Makes a fully constructed fountain of class T, which befriends TFountain.
    template <class T> static std::unique_ptr<T> Create()
    {
        std::unique_ptr<T> fountain(new T());
        static_cast<TFountain*>(fountain.get())->Construct();
        return fountain;
    }
    ~TFountain() override;

    // The bracket pairs.
    TFountainBracketCollection& Brackets() noexcept { return *FBrackets; }
    const TFountainBracketCollection& Brackets() const noexcept { return *FBrackets; }
    // The colour of reserved words.
    TFountainColor& Reserve() noexcept { return *FReserve; }
    const TFountainColor& Reserve() const noexcept { return *FReserve; }
    // Copies the values of value into the reserved-word colour.
    void SetReserve(const TFountainColor& value) { FReserve->Assign(value); }
    // The reserved words: sorted, without duplicates, compared ignoring case.
    TSortedStringList& ReserveWordList() noexcept { return *FReserveWordList; }
    const TSortedStringList& ReserveWordList() const noexcept { return *FReserveWordList; }

    // The change list: editors subscribe to repaint when the fountain changes.
    TFountainChangeList& ChangeList() noexcept { return FChangeList; }
    // Tells every subscriber that the fountain changed.
    void NotifyChange() const { FChangeList.Notify(); }

    // The scanner class of this fountain.
    virtual TFountainParserClass ParserClass() const = 0;
    // Makes a scanner of ParserClass for this fountain.
    virtual std::unique_ptr<TFountainParser> CreateParser();
    // A short name for one of this fountain's colour items ("Reserve", "Bracket0", ...); empty if unknown.
    virtual QString ColorItemName(const TFountainColor* color) const;

protected:
    TFountain() = default;

    // A new colour wired to the change list.
    virtual std::unique_ptr<TFountainColor> NewFountainColor();
    // Creates the colour items; the base creates the reserved-word colour.
    virtual void CreateFountainColors();
    // Makes the bracket collection.
    virtual std::unique_ptr<TFountainBracketCollection> CreateBrackets();
    // Fills the bracket collection (empty in the base).
    virtual void AddBracketItems() { }
    // Makes the reserved-word list.
    virtual std::unique_ptr<TSortedStringList> CreateReserveWordList();
    // Fills the reserved-word list (empty in the base).
    virtual void AddReservedWords() { }

private:
    // Runs the construction steps in their fixed order once the object exists,
    // so that every step reaches the most derived class's override.
    void Construct();

    std::unique_ptr<TFountainBracketCollection> FBrackets;
    std::unique_ptr<TFountainColor> FReserve;
    std::unique_ptr<TSortedStringList> FReserveWordList;
    // Declared last so that it is destroyed first and subscribers learn of the end
    // before the colours they point at go away.
    TFountainChangeList FChangeList;
};

} // namespace korvel
