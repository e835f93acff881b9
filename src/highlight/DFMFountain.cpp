#include "highlight/DFMFountain.h"

#include "highlight/DFMFountainParser.h"

namespace korvel {

TDFMFountain::~TDFMFountain() = default;

void TDFMFountain::AddFileExts()
{
    FileExtList().Add(QStringLiteral(".dfm"));
    FileExtList().Add(QStringLiteral(".fmx"));
    FileExtList().Add(QStringLiteral(".xfm"));
}

void TDFMFountain::CreateFountainColors()
{
    TFountain::CreateFountainColors();
    FAnk = NewFountainColor();
    FDBCS = NewFountainColor();
    FInt = NewFountainColor();
    FStr = NewFountainColor();
    FSymbol = NewFountainColor();
}

TFountainParserClass TDFMFountain::ParserClass() const
{
    return [](TFountain* fountain) -> std::unique_ptr<TFountainParser> {
        return TFountainParser::Create<TDFMFountainParser>(fountain);
    };
}

void TDFMFountain::AddBracketItems()
{
    TFountainBracketItem& item = Brackets().Add();
    item.SetLeftBracket(QStringLiteral("{"));
    item.SetRightBracket(QStringLiteral("}"));
}

void TDFMFountain::AddReservedWords()
{
    ReserveWordList().Add(QStringLiteral("end"));
    ReserveWordList().Add(QStringLiteral("inherited"));
    ReserveWordList().Add(QStringLiteral("inline"));
    ReserveWordList().Add(QStringLiteral("object"));
}

QString TDFMFountain::ColorItemName(const TFountainColor* color) const
{
    if (color == nullptr)
        return {};
    if (color == FAnk.get())
        return QStringLiteral("Ank");
    if (color == FDBCS.get())
        return QStringLiteral("DBCS");
    if (color == FInt.get())
        return QStringLiteral("Int");
    if (color == FStr.get())
        return QStringLiteral("Str");
    if (color == FSymbol.get())
        return QStringLiteral("Symbol");
    return TFountain::ColorItemName(color);
}

void ApplyPropertyPaneColors(TDFMFountain& fountain)
{
    fountain.Ank().SetColor(0xFFFFFF);
    fountain.DBCS().SetColor(0xFFFFFF);
    fountain.Symbol().SetColor(0xC0C0C0);
    fountain.Int().SetColor(0xFF00FF);
    fountain.Str().SetColor(0x00FFFF);
    fountain.Reserve().SetColor(0xFFFF00);
    for (int i = 0; i < fountain.Brackets().Count(); ++i) {
        fountain.Brackets().Items(i).ItemColor().SetColor(0x00FF00);
        fountain.Brackets().Items(i).ItemColor().SetStyle(0);
    }
}

} // namespace korvel
