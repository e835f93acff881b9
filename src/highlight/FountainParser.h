// TFountainParser: the highlighting framework's scanner. It splits one display
// row into tokens, names a colour item for each, and carries the state one row
// leaves for the next in a TRowAttributeData, so that an editor can scan any
// row given only the state stored for its start.
#pragma once

#include "highlight/Fountain.h"
#include "highlight/RowAttributeData.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <memory>
#include <optional>

namespace korvel {

// Token codes of the framework.
inline constexpr int ftEndOfRow = 0; // NUL, CR or LF at the token start
inline constexpr int ftSymbol = 1;   // one character
inline constexpr int ftInteger = 3;
inline constexpr int ftFloat = 4;
inline constexpr int ftBracket = 6;     // a bracket span, from a left to a right bracket
inline constexpr int ftComment = 7;     // never coloured as a reserved word
inline constexpr int ftReserveCont = 8; // a reserved word continued from a wrapped row
inline constexpr int ftTab = 9;
inline constexpr int ftAnk = 11;         // a run of ASCII letters, digits and underscores
inline constexpr int ftWideSymbol = 12;  // one wide punctuation or symbol character
inline constexpr int ftWideDigits = 14;  // full-width digits, comma and full stop
inline constexpr int ftWideLetters = 15; // full-width Latin letters
inline constexpr int ftHiragana = 16;
inline constexpr int ftKatakana = 17;
inline constexpr int ftWideOther = 18;  // any other character from 128 up (ideographs, accented letters)
inline constexpr int ftHalfSymbol = 19; // one half-width katakana punctuation character
inline constexpr int ftHalfKatakana = 20;
inline constexpr int ftHexInteger = 23; // coloured as a number
inline constexpr int ftQuotedString = 24;

// One token as a scan reports it.
struct TFountainToken {
    int Code;
    qsizetype Start;
    qsizetype Length;
    // The colour item to draw it with; null for the pane's default colours.
    const TFountainColor* Color;
};

// Receives the tokens of a scanned row, in order.
class TFountainTokenSink {
public:
    virtual ~TFountainTokenSink() = default;
    // Called once per token.
    virtual void Token(const TFountainToken& token) = 0;
};

// Where a token lies in its row.
struct TTokenExtent {
    qsizetype Start;
    qsizetype Length;
    int Code;
    friend bool operator==(const TTokenExtent&, const TTokenExtent&) = default;
};

class TFountainParser {
public:
    // Makes a scanner of class T (which befriends TFountainParser) for fountain, with
    // its dispatch tables filled; a null fountain is refused with EFountainError.
    template <class T> static std::unique_ptr<T> Create(TFountain* fountain)
    {
        std::unique_ptr<T> parser(new T(fountain));
        static_cast<TFountainParser*>(parser.get())->InitDispatchTables();
        return parser;
    }
    virtual ~TFountainParser() = default;
    TFountainParser(const TFountainParser&) = delete;
    TFountainParser& operator=(const TFountainParser&) = delete;

    // The fountain this scanner serves.
    TFountain* Fountain() const noexcept { return FFountain; }

    // Starts scanning row (which must outlive the scan) from the state stored for its start.
    virtual void NewData(QStringView row, const TRowAttributeData& data);
    // Scans the next token and returns its code; 0 at the end of the row.
    virtual int NextToken();
    // The current token's code.
    int Token() const noexcept { return FToken; }
    // The current token's first character as an index into the row.
    qsizetype SourcePos() const noexcept { return FTokenPtr - FBuffer; }
    // The current token's length in UTF-16 code units.
    qsizetype TokenLength() const noexcept { return FP - FTokenPtr; }
    // The current token's characters.
    QStringView TokenView() const noexcept { return QStringView(FTokenPtr, FP); }
    QString TokenString() const { return TokenView().toString(); }
    // True when the current token continues a token of the previous, wrapped row.
    bool IsStartToken() const noexcept { return FIsStartToken; }
    // The colour item of the current token; null for the pane's default colours.
    virtual const TFountainColor* TokenToFountainColor() = 0;

    // Scans rows[index] from data, the state at its start, and leaves in data the state the
    // next row starts with. A row of the list ends with a line break, the last with none.
    virtual void LastTokenBracket(qsizetype index, const QStringList& rows, TRowAttributeData& data);

    // Scans row from in, the state at its start, reports every token to sink (which may be
    // null, and is then given no colours either) and returns the state the next row starts with.
    // The returned RowAttribute is raInvalid: how the next row ends is the editor's knowledge.
    TRowAttributeData ScanRow(QStringView row, const TRowAttributeData& in, TFountainTokenSink* sink);

    // The token a double click at column selects: the token that covers the column, else the
    // token that ends right at it (the caret just behind a token); none over blanks.
    std::optional<TTokenExtent> TokenExtentAt(QStringView row, const TRowAttributeData& in, qsizetype column);

protected:
    // Refuses a null fountain; the tables are filled by Create once the object exists.
    explicit TFountainParser(TFountain* fountain);

    using TScanMethod = void (TFountainParser::*)();

    // Fills both dispatch tables.
    virtual void InitDispatchTables();
    // Advances over characters 1 to 8 and 10 to 32: blanks and control characters are no tokens.
    virtual void SkipBlanks();
    // True when the current token is drawn as a reserved word.
    virtual bool IsReservedWordToken();
    // Tries the bracket items in order at the scan position; on a match opens its span.
    virtual bool MatchLeftBracket();
    // Code 6: to the open item's right bracket, or to the row end (the span stays open).
    virtual void ScanBracketSpan();
    // Codes 3 and 4: digits, an optional fraction, an optional exponent.
    virtual void ScanNumber();
    // Code 11: ASCII letters, digits and underscores, then any combining marks.
    virtual void ScanAlphanumeric();
    // Codes 12 and 14 to 20: characters from 128 up, grouped by class.
    virtual void ScanWideChars();
    // Code 1: one character.
    virtual void ScanSymbol();
    // Code 24: an apostrophe to the closing apostrophe or the row end; '' is content.
    virtual void ScanQuotedString();
    // Stores in next what a derived scanner carries beyond the framework's fields.
    virtual void SaveRowState(TRowAttributeData& next) const { }

    // Code 0 without advancing.
    void ScanEndOfRow();
    // Code 9: one tab.
    void ScanTab();
    // Code 8: the rest of a reserved word cut by a wrapped row.
    void ScanReserveContinued();

    // The character at the scan position; 0 at the row end.
    char16_t Cur() const noexcept { return FP < FEnd ? *FP : char16_t(0); }
    // The character at p; 0 at or past the row end.
    char16_t At(const char16_t* p) const noexcept { return p < FEnd ? *p : char16_t(0); }
    // The continuation of a token of code: its FTokenMethodTable entry.
    TScanMethod TokenMethod(int code) const noexcept
    {
        return code >= 0 && code < 256 ? FTokenMethodTable[std::size_t(code)] : &TFountainParser::ScanSymbol;
    }

    TFountain* FFountain;
    // By character: characters from 255 up use the last entry.
    std::array<TScanMethod, 256> FMethodTable{};
    // By token code: how a token continues at the start of a wrapped row.
    std::array<TScanMethod, 256> FTokenMethodTable{};

    const char16_t* FBuffer = nullptr;
    const char16_t* FEnd = nullptr;
    const char16_t* FP = nullptr;
    const char16_t* FTokenPtr = nullptr;
    int FToken = ftEndOfRow;
    std::int32_t FBracketIndex = -1;
    std::int32_t FDrawBracketIndex = -2;
    std::int32_t FElementIndex = 0;
    bool FIsStartToken = false;
    // Whether the last quoted string ended with its closing apostrophe.
    bool FQuoteClosed = false;

    TRowAttribute FRowAttribute = raCrlf;
    TRowAttribute FPrevRowAttribute = raCrlf;
    std::int32_t FWrappedByte = 0;
    std::int32_t FRemain = 0;
    char16_t FStartToken = 0;
    char16_t FPrevToken = 0;
    QString FDataStr;
};

} // namespace korvel
