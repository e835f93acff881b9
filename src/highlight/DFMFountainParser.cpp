#include "highlight/DFMFountainParser.h"

#include "highlight/DFMFountain.h"

#include <algorithm>

namespace korvel {

TDFMFountainParser::TDFMFountainParser(TFountain* fountain)
    : TFountainParser(fountain), FDFMFountain(dynamic_cast<TDFMFountain*>(fountain))
{
}

void TDFMFountainParser::InitDispatchTables()
{
    TFountainParser::InitDispatchTables();
    FMultiLineCnt = 0;
    FMethodTable[u'#'] = static_cast<TScanMethod>(&TDFMFountainParser::ScanHash);
    FMethodTable[u'<'] = static_cast<TScanMethod>(&TDFMFountainParser::ScanAngle);
    FMethodTable[u'>'] = static_cast<TScanMethod>(&TDFMFountainParser::ScanAngle);
    FMethodTable[u'\''] = &TDFMFountainParser::ScanQuotedString;
    FTokenMethodTable[ftCharCode] = static_cast<TScanMethod>(&TDFMFountainParser::ScanHashDigits);
}

void TDFMFountainParser::NewData(QStringView row, const TRowAttributeData& data)
{
    TFountainParser::NewData(row, data);
    FMultiLineCnt = std::clamp(data.MultiLineCnt, -MaxMultiLineCnt, MaxMultiLineCnt);
}

void TDFMFountainParser::SaveRowState(TRowAttributeData& next) const
{
    next.MultiLineCnt = FMultiLineCnt;
}

void TDFMFountainParser::ScanHash()
{
    ++FP;
    ScanHashDigits();
}

void TDFMFountainParser::ScanHashDigits()
{
    FToken = ftCharCode;
    while (Cur() >= u'0' && Cur() <= u'9')
        ++FP;
}

void TDFMFountainParser::ScanAngle()
{
    if (Cur() == u'<') {
        if (FMultiLineCnt < MaxMultiLineCnt)
            ++FMultiLineCnt;
        FElementIndex = 1;
    } else if (Cur() == u'>') {
        if (FMultiLineCnt > -MaxMultiLineCnt)
            --FMultiLineCnt;
        if (FMultiLineCnt <= 0)
            FElementIndex = 0;
    }
    ScanSymbol();
}

bool TDFMFountainParser::IsReservedWordToken()
{
    if (FElementIndex == 1)
        return false;
    return TFountainParser::IsReservedWordToken();
}

const TFountainColor* TDFMFountainParser::TokenToFountainColor()
{
    if (IsReservedWordToken())
        return &FFountain->Reserve();
    switch (FToken) {
    case ftBracket: {
        const TFountainBracketCollection& brackets = FFountain->Brackets();
        if (FDrawBracketIndex < 0 || FDrawBracketIndex >= brackets.Count())
            return nullptr;
        return &brackets.Items(FDrawBracketIndex).ItemColor();
    }
    case ftReserveCont:
        return &FFountain->Reserve();
    default:
        break;
    }
    if (FDFMFountain == nullptr)
        return nullptr;
    switch (FToken) {
    case ftSymbol:
        return &FDFMFountain->Symbol();
    case ftInteger:
    case ftFloat:
    case ftHexInteger:
        return &FDFMFountain->Int();
    case ftAnk:
        return &FDFMFountain->Ank();
    case ftWideSymbol:
    case ftWideDigits:
    case ftWideLetters:
    case ftHiragana:
    case ftKatakana:
    case ftWideOther:
    case ftHalfSymbol:
    case ftHalfKatakana:
        return &FDFMFountain->DBCS();
    case ftQuotedString:
    case ftCharCode:
        return &FDFMFountain->Str();
    default:
        return nullptr;
    }
}

} // namespace korvel
