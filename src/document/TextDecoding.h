// Turning the bytes of a form text into the line list OrgFile.
#pragma once

#include "convert/ByteStream.h"
#include "document/TextLines.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace korvel {

// True when any byte from the start to the end of the buffer is 0x80 or above;
// the stream's position is left at 0.
bool ContainsNonAscii(ByteStream& stream);
bool ContainsNonAscii(QByteArrayView bytes);

// Splits text into lines at CR, LF or CR LF; a break at the very end adds no empty
// line; a NUL character ends the text; an empty text gives no lines.
QStringList SplitLines(QStringView text);

// Decodes bytes chosen by their byte-order mark (EF BB BF: UTF-8, FF FE: UTF-16LE,
// FE FF: UTF-16BE, otherwise the active ANSI code page) and splits them into lines.
QStringList DecodeLinesWithBom(QByteArrayView bytes);

// Decodes bytes as strict UTF-8 (a leading EF BB BF is skipped) and splits them
// into lines; any invalid sequence anywhere gives no lines at all.
QStringList DecodeLinesUtf8(QByteArrayView bytes);

// Decodes bytes in the active ANSI code page and splits them into lines.
QStringList DecodeLinesAnsi(QByteArrayView bytes);

// The encoding of a form text, remembered at loading so that saving writes it back alike.
enum class TTextEncoding : uint8_t {
    tenAnsi,    // the active ANSI code page, no byte-order mark
    tenUtf8Bom, // UTF-8 behind EF BB BF
    tenUtf16LE, // UTF-16 little-endian behind FF FE
    tenUtf16BE, // UTF-16 big-endian behind FE FF
};

// The encoding that the bytes' byte-order mark names; tenAnsi without one.
TTextEncoding DetectTextEncoding(QByteArrayView bytes);

// Why a line of the text could not be loaded as it is in the file.
enum class TLineLossKind : uint8_t {
    llkNul,         // the text ends at a NUL character in this line; what follows is not read
    llkInvalidUtf8, // bytes that are not UTF-8 were replaced by U+FFFD
    llkOddByte,     // a UTF-16 text ends with half a code unit after this line
};

struct TLineLoss {
    qsizetype Line; // 1-based line number
    TLineLossKind Kind;
};

// Decodes the bytes of a form text in encoding (a byte-order mark of that encoding
// at the start is skipped) and splits them into lines like SplitLines. Every
// character that can be decoded is kept: the ANSI code page and UTF-16 lose
// nothing, and an invalid UTF-8 sequence becomes U+FFFD in its line only.
// Each line that is not as in the file is appended to losses. A text that is
// ASCII up to its end (or its NUL) keeps sharing bytes; any other is decoded
// once into one UTF-16 buffer.
TTextLines DecodeTextLines(const QByteArray& bytes, TTextEncoding encoding, std::vector<TLineLoss>& losses);

} // namespace korvel
