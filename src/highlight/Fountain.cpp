#include "highlight/Fountain.h"

#include "highlight/FountainParser.h"

namespace korvel {

TFountain::~TFountain() = default;

void TFountain::Construct()
{
    AddFileExts();
    FBrackets = CreateBrackets();
    AddBracketItems();
    FReserveWordList = CreateReserveWordList();
    AddReservedWords();
    CreateFountainColors();
}

std::unique_ptr<TFountainColor> TFountain::NewFountainColor()
{
    return std::make_unique<TFountainColor>([this] { NotifyChange(); });
}

void TFountain::CreateFountainColors()
{
    FReserve = NewFountainColor();
}

std::unique_ptr<TFountainBracketCollection> TFountain::CreateBrackets()
{
    return std::make_unique<TFountainBracketCollection>([this] { NotifyChange(); });
}

std::unique_ptr<TSortedStringList> TFountain::CreateReserveWordList()
{
    return std::make_unique<TSortedStringList>();
}

std::unique_ptr<TFountainParser> TFountain::CreateParser()
{
    return ParserClass()(this);
}

QString TFountain::ColorItemName(const TFountainColor* color) const
{
    if (color == nullptr)
        return {};
    if (color == FReserve.get())
        return QStringLiteral("Reserve");
    for (int i = 0; i < FBrackets->Count(); ++i) {
        if (color == &FBrackets->Items(i).ItemColor())
            return QStringLiteral("Bracket%1").arg(i);
    }
    return {};
}

} // namespace korvel
