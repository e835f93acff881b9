#include "highlight/FountainParser.h"

#include "highlight/EFountainError.h"

#include <QChar>

namespace korvel {
namespace {

bool isDigit(char16_t c) noexcept
{
    return c >= u'0' && c <= u'9';
}

bool isAnk(char16_t c) noexcept
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || isDigit(c) || c == u'_';
}

bool in(char16_t c, char16_t lo, char16_t hi) noexcept
{
    return c >= lo && c <= hi;
}

// Membership of the wide-character classes. Classes overlap; the first class a
// character belongs to (in the order 12, 14, 15, 16, 17, 19, 20, 18) starts a
// token, and a run continues while its characters stay members of its class.
bool inWideClass(int code, char16_t c) noexcept
{
    switch (code) {
    case ftWideSymbol:
        return in(c, 0x00A0, 0x00BF) || in(c, 0x2190, 0x303D) || in(c, 0x309B, 0x309E) || in(c, 0x30FB, 0x30FE);
    case ftWideDigits:
        return c == 0xFF0C || c == 0xFF0E || in(c, 0xFF10, 0xFF19);
    case ftWideLetters:
        return in(c, 0xFF21, 0xFF3A) || in(c, 0xFF41, 0xFF5A);
    case ftHiragana:
        return in(c, 0x3041, 0x3096) || in(c, 0x30FC, 0x30FE) || c == 0xFF0D;
    case ftKatakana:
        return in(c, 0x30A1, 0x30FA) || in(c, 0x30FC, 0x31FF) || c == 0xFF0D;
    case ftHalfSymbol:
        return in(c, 0xFF61, 0xFF65);
    case ftHalfKatakana:
        return in(c, 0xFF66, 0xFF9F);
    default:
        return false;
    }
}

constexpr int kWideClassOrder[] = {
    ftWideSymbol, ftWideDigits, ftWideLetters, ftHiragana, ftKatakana, ftHalfSymbol, ftHalfKatakana};

int firstWideClass(char16_t c) noexcept
{
    for (int code : kWideClassOrder) {
        if (inWideClass(code, c))
            return code;
    }
    return ftWideOther;
}

} // namespace

TFountainParser::TFountainParser(TFountain* fountain) : FFountain(fountain)
{
    if (fountain == nullptr)
        throw EFountainError(QStringLiteral("TFountainParser.Create need instance of TFountain"));
}

void TFountainParser::InitDispatchTables()
{
    for (std::size_t c = 0; c < 256; ++c) {
        TScanMethod method = &TFountainParser::ScanSymbol;
        if (c == 0 || c == u'\n' || c == u'\r')
            method = &TFountainParser::ScanEndOfRow;
        else if (c == u'\t')
            method = &TFountainParser::ScanTab;
        else if (isDigit(char16_t(c)))
            method = &TFountainParser::ScanNumber;
        else if (isAnk(char16_t(c)))
            method = &TFountainParser::ScanAlphanumeric;
        else if (c >= 128)
            method = &TFountainParser::ScanWideChars;
        FMethodTable[c] = method;
    }
    FTokenMethodTable.fill(&TFountainParser::ScanSymbol);
    FTokenMethodTable[ftEndOfRow] = &TFountainParser::ScanEndOfRow;
    FTokenMethodTable[ftInteger] = &TFountainParser::ScanNumber;
    FTokenMethodTable[ftFloat] = &TFountainParser::ScanNumber;
    FTokenMethodTable[ftBracket] = &TFountainParser::ScanBracketSpan;
    FTokenMethodTable[ftReserveCont] = &TFountainParser::ScanReserveContinued;
    FTokenMethodTable[ftTab] = &TFountainParser::ScanTab;
    FTokenMethodTable[ftAnk] = &TFountainParser::ScanAlphanumeric;
    FTokenMethodTable[ftWideSymbol] = &TFountainParser::ScanWideChars;
    for (int code = ftWideDigits; code <= ftHalfKatakana; ++code)
        FTokenMethodTable[std::size_t(code)] = &TFountainParser::ScanWideChars;
    FTokenMethodTable[ftQuotedString] = &TFountainParser::ScanQuotedString;
}

void TFountainParser::NewData(QStringView row, const TRowAttributeData& data)
{
    FBuffer = row.utf16();
    FEnd = FBuffer + row.size();
    FP = FBuffer;
    FTokenPtr = FBuffer;
    FToken = ftEndOfRow;
    FRowAttribute = data.RowAttribute;
    FPrevRowAttribute = data.PrevRowAttribute;
    // A stored index that names no item (the collection changed since) opens no span.
    FBracketIndex = data.BracketIndex;
    if (FBracketIndex >= FFountain->Brackets().Count() || FBracketIndex < -2)
        FBracketIndex = -1;
    FElementIndex = data.ElementIndex;
    FWrappedByte = data.WrappedByte;
    FRemain = data.Remain;
    FStartToken = data.StartToken;
    FPrevToken = data.PrevToken;
    FDataStr = data.DataStr;
    FDrawBracketIndex = -2;
    FIsStartToken = false;
    FQuoteClosed = false;
}

void TFountainParser::SkipBlanks()
{
    while (FP < FEnd && ((*FP >= 1 && *FP <= 8) || (*FP >= 10 && *FP <= 32)))
        ++FP;
}

int TFountainParser::NextToken()
{
    SkipBlanks();
    FTokenPtr = FP;
    FIsStartToken = FStartToken != 0;
    const char16_t c = Cur();
    if (c == 0 || c == u'\r' || c == u'\n') {
        FIsStartToken = false;
        FToken = ftEndOfRow;
        return FToken;
    }
    if (FIsStartToken) {
        const char16_t code = FStartToken;
        FStartToken = 0;
        (this->*TokenMethod(code))();
        if (FP > FTokenPtr)
            return FToken;
        // Nothing of the row continues the token: scan the character afresh.
        FIsStartToken = false;
    }
    if (FBracketIndex >= 0)
        ScanBracketSpan();
    else if (FBracketIndex == -1 && MatchLeftBracket())
        ScanBracketSpan();
    else
        (this->*FMethodTable[c < 255 ? c : 255])();
    if (FP == FTokenPtr && FToken != ftEndOfRow) {
        // A scanner that took nothing would stall the row: take one character as a symbol.
        FToken = ftSymbol;
        ++FP;
    }
    return FToken;
}

bool TFountainParser::IsReservedWordToken()
{
    if (FIsStartToken || FToken == ftEndOfRow || FToken == ftBracket || FToken == ftComment)
        return false;
    return FFountain->ReserveWordList().Contains(TokenView());
}

bool TFountainParser::MatchLeftBracket()
{
    const TFountainBracketCollection& brackets = FFountain->Brackets();
    const QStringView rest(FP, FEnd);
    for (int i = 0; i < brackets.Count(); ++i) {
        const QString& left = brackets.Items(i).LeftBracket();
        if (!left.isEmpty() && left.front() == rest.front() && rest.startsWith(left)) {
            FBracketIndex = i;
            FP += left.size();
            return true;
        }
    }
    return false;
}

void TFountainParser::ScanBracketSpan()
{
    FToken = ftBracket;
    FDrawBracketIndex = FBracketIndex;
    if (FBracketIndex < 0 || FBracketIndex >= FFountain->Brackets().Count())
        return; // no open item: nothing to continue
    const QString& right = FFountain->Brackets().Items(FBracketIndex).RightBracket();
    const char16_t first = right.isEmpty() ? char16_t(0) : right.front().unicode();
    while (FP < FEnd && *FP != 0) {
        if (*FP == first && QStringView(FP, FEnd).startsWith(right)) {
            FP += right.size();
            FBracketIndex = -1;
            return;
        }
        // A surrogate pair is one character: a right bracket never starts inside it.
        if (QChar::isHighSurrogate(*FP) && FP + 1 < FEnd && QChar::isLowSurrogate(FP[1]))
            FP += 2;
        else
            ++FP;
    }
}

void TFountainParser::ScanNumber()
{
    FToken = ftInteger;
    while (isDigit(Cur()))
        ++FP;
    const auto exponentTail = [this] {
        if (Cur() == u'+' || Cur() == u'-')
            ++FP;
        while (isDigit(Cur()))
            ++FP;
    };
    const char16_t c = Cur();
    if (c == u'.') {
        FToken = ftFloat;
        const char16_t next = At(FP + 1);
        if (isDigit(next)) {
            ++FP;
            while (isDigit(Cur()))
                ++FP;
            if (Cur() == u'E' || Cur() == u'e') {
                ++FP;
                exponentTail();
            }
        } else if (next == u'E' || next == u'e') {
            FP += 2;
            exponentTail();
        }
    } else if (c == u'E' || c == u'e') {
        FToken = ftFloat;
        ++FP;
        exponentTail();
    }
}

void TFountainParser::ScanAlphanumeric()
{
    FToken = ftAnk;
    while (isAnk(Cur()))
        ++FP;
    // Combining marks belong to the letter before them.
    while (FP < FEnd && *FP >= 0x0300) {
        char32_t ucs4 = *FP;
        int units = 1;
        if (QChar::isHighSurrogate(*FP) && FP + 1 < FEnd && QChar::isLowSurrogate(FP[1])) {
            ucs4 = QChar::surrogateToUcs4(FP[0], FP[1]);
            units = 2;
        }
        if (!QChar::isMark(ucs4))
            break;
        FP += units;
    }
}

void TFountainParser::ScanWideChars()
{
    const char16_t c = Cur();
    if (c < 128)
        return; // only reached as a continuation that the row does not continue
    const int code = firstWideClass(c);
    FToken = code;
    ++FP;
    if (code == ftWideSymbol || code == ftHalfSymbol)
        return;
    if (code == ftWideOther) {
        while (FP < FEnd && *FP >= 128 && firstWideClass(*FP) == ftWideOther)
            ++FP;
    } else {
        while (FP < FEnd && inWideClass(code, *FP))
            ++FP;
    }
}

void TFountainParser::ScanSymbol()
{
    FToken = ftSymbol;
    const char16_t c = Cur();
    if (c != 0 && c != u'\r' && c != u'\n')
        ++FP;
}

void TFountainParser::ScanQuotedString()
{
    FToken = ftQuotedString;
    FQuoteClosed = false;
    if (!FIsStartToken)
        ++FP;
    while (FP < FEnd && *FP != 0) {
        if (*FP == u'\'') {
            ++FP;
            if (Cur() != u'\'') {
                FQuoteClosed = true;
                return;
            }
        }
        ++FP;
    }
}

void TFountainParser::ScanEndOfRow()
{
    FToken = ftEndOfRow;
}

void TFountainParser::ScanTab()
{
    FToken = ftTab;
    if (Cur() == u'\t')
        ++FP;
}

void TFountainParser::ScanReserveContinued()
{
    ScanAlphanumeric();
    FToken = ftReserveCont;
}

TRowAttributeData TFountainParser::ScanRow(QStringView row, const TRowAttributeData& in, TFountainTokenSink* sink)
{
    NewData(row, in);
    const bool wrapped = in.RowAttribute == raWrapped;
    int lastCode = ftEndOfRow;
    const char16_t* lastEnd = nullptr;
    qsizetype lastLength = 0;
    bool lastContinued = false;
    bool lastReserved = false;
    bool lastOpen = false;
    while (NextToken() != ftEndOfRow) {
        if (sink)
            sink->Token({FToken, SourcePos(), TokenLength(), TokenToFountainColor()});
        lastCode = FToken;
        lastEnd = FP;
        lastLength = TokenLength();
        lastContinued = FIsStartToken;
        if (wrapped) {
            lastReserved = IsReservedWordToken();
            lastOpen = FToken != ftQuotedString || !FQuoteClosed;
        }
    }

    TRowAttributeData next;
    next.RowAttribute = raInvalid;
    next.PrevRowAttribute = in.RowAttribute;
    next.BracketIndex = FBracketIndex >= 0 ? FBracketIndex : -1;
    next.ElementIndex = FElementIndex;
    next.Remain = in.Remain;
    next.DataStr = in.DataStr;
    next.PrevToken = char16_t(lastCode);
    // A token that runs into the wrap continues on the next display row.
    if (wrapped && lastEnd != nullptr && At(lastEnd) == 0 && lastOpen) {
        // One-character tokens end where they are; bracket spans continue through BracketIndex.
        const bool single = lastCode == ftSymbol || lastCode == ftTab || lastCode == ftBracket
            || lastCode == ftWideSymbol || lastCode == ftHalfSymbol;
        char16_t start = 0;
        if (lastReserved)
            start = ftReserveCont;
        else if (!single)
            start = char16_t(lastCode);
        if (start != 0) {
            next.StartToken = start;
            const qsizetype shown = lastLength + (lastContinued ? in.WrappedByte : 0);
            next.WrappedByte = std::int32_t(std::min<qsizetype>(shown, INT32_MAX));
        }
    }
    SaveRowState(next);
    return next;
}

void TFountainParser::LastTokenBracket(qsizetype index, const QStringList& rows, TRowAttributeData& data)
{
    const bool valid = index >= 0 && index < rows.size();
    data.RowAttribute = valid && index + 1 < rows.size() ? raCrlf : raEof;
    data = ScanRow(valid ? QStringView(rows.at(index)) : QStringView(), data, nullptr);
    if (index + 1 >= 0 && index + 1 < rows.size())
        data.RowAttribute = index + 2 < rows.size() ? raCrlf : raEof;
}

std::optional<TTokenExtent> TFountainParser::TokenExtentAt(
    QStringView row, const TRowAttributeData& in, qsizetype column)
{
    NewData(row, in);
    std::optional<TTokenExtent> endingHere;
    while (NextToken() != ftEndOfRow) {
        const qsizetype start = SourcePos();
        const qsizetype end = start + TokenLength();
        if (start > column)
            break;
        if (column < end)
            return TTokenExtent{start, end - start, FToken};
        if (column == end)
            endingHere = TTokenExtent{start, end - start, FToken};
    }
    return endingHere;
}

} // namespace korvel
