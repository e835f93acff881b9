// TDfmParser: the lossless scanner of form text used by the property text codec.
// Every character belongs to exactly one token (blanks, control characters,
// line breaks and comments included), so the token strings joined in order give
// the text back exactly.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace korvel {

// Token codes answered by TDfmParser::Token / NextToken.
inline constexpr char16_t dfmEndOfText = 0;
inline constexpr char16_t dfmSymbol = 1;
inline constexpr char16_t dfmString = 2;
inline constexpr char16_t dfmInteger = 3;
inline constexpr char16_t dfmFloat = 4;
inline constexpr char16_t dfmComment = 7;
inline constexpr char16_t dfmIdentifier = 8;
inline constexpr char16_t dfmCharCode = 200;
inline constexpr char16_t dfmControlChar = 201;
inline constexpr char16_t dfmLineBreak = 202;

class TDfmParser {
public:
    // Scans its own (implicitly shared) copy of S; the first token is current at once.
    explicit TDfmParser(const QString& S);
    TDfmParser(const TDfmParser&) = delete;
    TDfmParser& operator=(const TDfmParser&) = delete;

    // Scans the next token and returns its code; keeps answering 0 at the end of the text.
    char16_t NextToken() noexcept;
    // Skips the current token and every following one up to the next string or
    // character code (or the end of the text) and returns its code: the same
    // result as calling NextToken until then, only faster.
    char16_t NextStringOrCharCode() noexcept;
    // The current token's code.
    char16_t Token() const noexcept { return FToken; }
    // A new string holding the current token's characters.
    QString TokenString() const { return TokenView().toString(); }
    // The current token's characters, without allocating.
    QStringView TokenView() const noexcept { return QStringView(FTokenPtr, FSourcePtr); }
    // The current token's first character as a 0-based index into the text.
    int64_t SourcePos() const noexcept { return FTokenPtr - FBegin; }
    // False only for a string token that the end of the text cut off before its closing apostrophe.
    bool StringTerminated() const noexcept { return !FUnterminated; }

private:
    QString FBuffer;
    const char16_t* FBegin = nullptr;
    const char16_t* FEnd = nullptr;
    const char16_t* FSourcePtr = nullptr;
    const char16_t* FTokenPtr = nullptr;
    char16_t FToken = dfmEndOfText;
    bool FUnterminated = false;
};

} // namespace korvel
