// TParser: the tokenizer of form text for the text-to-binary conversion. It
// skips blanks and splits the text into identifiers, strings with #-codes,
// integers, floats with type suffixes, single characters and, on request,
// hexadecimal data up to a closing brace. Text starting with EF BB BF is read
// as UTF-8, anything else as ANSI; a 00 byte ends the text.
#pragma once

#include "convert/ByteStream.h"
#include "errors/Errors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>

namespace korvel {

// Token codes; any other code is the byte of a single-character token.
enum : char16_t {
    tokEndOfInput = 0,
    tokSymbol = 1,
    tokString = 2,
    tokInteger = 3,
    tokFloat = 4,
    tokWideString = 5,
};

// Number format settings of the parser; only the decimal separator matters.
struct TFormatSettings {
    char16_t DecimalSeparator = u'.';
};

// The text encoding a parser decodes token text with.
enum class TTextEncoding : uint8_t { Ansi, Utf8 };

// The longest line (in bytes, without its line feed) the tokenizer reads.
constexpr int kMaxSourceLineBytes = 4094;

class TParser {
public:
    // Create: reads the text at the stream's position, detects the encoding and
    // scans the first token. The stream must not change while the parser lives.
    explicit TParser(ByteStream& stream, const TFormatSettings& formatSettings = {});
    // Destroy: moves the stream's position to the start of the current token.
    ~TParser();
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    // Scans the next token, makes it current and returns its code.
    char16_t NextToken();
    // Fails unless the current token has code t.
    void CheckToken(char16_t t);
    // Fails unless TokenSymbolIs(s).
    void CheckTokenSymbol(QLatin1StringView s);
    // True when the current token is an identifier equal to s, ignoring ASCII case.
    bool TokenSymbolIs(QLatin1StringView s) const;
    // The current token's text (a narrow string's value), decoded.
    QString TokenString() const;
    // The value of a string token: TokenString for tokString, the code units for tokWideString.
    QString TokenWideString() const;
    // The current token as a 64-bit integer (decimal, or $ and hex digits); throws EConvertError.
    int64_t TokenInt() const;
    // The current token, without its suffix letter, as a float; throws EConvertError.
    long double TokenFloat() const;
    // The current identifier extended over ".Name" parts (Form1.Button1), as text.
    QString TokenComponentIdent();
    // Reads hex digit pairs up to "}" (current token "{") and writes the bytes to output.
    void HexToBinary(ByteStream& output);
    // Same, returning the bytes in a buffer of the parser, valid until the next call.
    QByteArrayView HexToBinary();

    // Throws EParserError "<line> 行目: <message>" positioned at the scanning position.
    [[noreturn]] void Error(const QString& message) const;
    // Same as Error.
    [[noreturn]] void ErrorStr(const QString& message) const;
    // The same for another position of the text (a token scanned before).
    [[noreturn]] static void ErrorAt(TErrorPosition position, const QString& message);

    // The stream offset of the current token.
    int64_t SourcePos() const;
    // The code of the current token.
    char16_t Token() const { return FToken; }
    // The suffix letter of the current float token, or 0.
    char16_t FloatType() const { return FFloatType; }
    // The line of the scanning position, from 1.
    int SourceLine() const { return FSourceLine; }
    // The encoding chosen from the byte-order mark.
    TTextEncoding Encoding() const { return FEncoding; }

    // The current token's raw bytes (a narrow string's value bytes), valid until
    // the next scan. Identifiers are ASCII in ANSI text and valid UTF-8 in UTF-8
    // text, so for them these are the UTF-8 bytes of TokenString.
    QByteArrayView TokenBytes() const;
    // As TokenComponentIdent, returning the raw bytes of the extended identifier.
    QByteArrayView TokenComponentIdentBytes();
    // The wide string's code units (valid for tokWideString).
    const std::u16string& WideChars() const { return FWideStr; }

private:
    // Byte at p, or 0 at the end of the data.
    uint8_t At(const char* p) const { return p < FEnd ? static_cast<uint8_t>(*p) : 0; }
    void SkipBlanks();
    // Fails with the line-length error when the line starting at lineStart is too long.
    void CheckLineFrom(const char* lineStart);
    // Length of the identifier character at p (0 when there is none); first: it would start one.
    int IdentCharLength(const char* p, bool first) const;
    void ScanSymbolTail();
    void ScanNumber();
    void ScanString();
    QString Decode(QByteArrayView bytes) const;
    [[noreturn]] void ThrowConvert(const char16_t* format, const QString& text) const;

    ByteStream& FStream;
    int64_t FOrigin;             // stream offset of FData[0]
    const char* FData;           // the text
    const char* FEnd;            // end of the data (treated as a 00 byte)
    const char* FSourcePtr;      // next byte to scan
    const char* FTokenPtr;       // first byte of the current token
    qsizetype FFarLineFeed = -1; // offset of the last line feed found ahead
    int FSourceLine = 1;
    char16_t FToken = tokEndOfInput;
    char16_t FFloatType = 0;
    TTextEncoding FEncoding = TTextEncoding::Ansi;
    TFormatSettings FFormatSettings;
    std::string FStrBytes;                // value bytes of a narrow string token
    std::u16string FWideStr;              // value of a wide string token
    std::unique_ptr<uint8_t[]> FHexBytes; // reused buffer of HexToBinary
    qsizetype FHexCapacity = 0;
};

} // namespace korvel
