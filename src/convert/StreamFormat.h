// Format detection and the two kinds of resource header in front of a binary
// form stream.
#pragma once

#include "convert/ByteStream.h"

#include <cstdint>

namespace korvel {

// The stored format of a form file.
enum TStreamOriginalFormat : uint8_t {
    sofUnknown = 0,
    sofBinary = 1,
    sofText = 2,
    sofUTF8Text = 3,
};

// Tells the format from the first four bytes at the stream's position; the position is restored.
// A UTF-16 byte-order mark (either order) means text. Throws EReadError with kMsgReadError
// when no byte is left to read.
TStreamOriginalFormat DetectStreamFormat(ByteStream& stream);

// Reads a 16-bit or 32-bit resource header and leaves the stream at the form stream.
// Throws EInvalidImage when the bytes are neither kind.
void ReadResHeader(ByteStream& stream);

// Appends the resource header for the finished form stream formStream to output,
// choosing the 16-bit kind for an ANSI root class name and the 32-bit kind otherwise.
// Throws EParserError when the root class name is longer than 70 characters.
void WriteFormResourceHeader(const QByteArray& formStream, ByteStream& output);

} // namespace korvel
