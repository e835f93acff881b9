// Form text → binary form file (resource header + form stream).
#pragma once

#include "convert/ByteStream.h"

#include <QByteArrayView>

namespace korvel {

// Converts the form text at input's position (ANSI, or UTF-8 after EF BB BF) and
// appends the resource header and form stream to output; strings are written by
// the standard string rule. On failure throws and leaves output as it was.
void TextToResource(ByteStream& input, ByteStream& output);
// As TextToResource, writing strings as ANSI wherever the code page represents them exactly.
void TextToResourceAnsi(ByteStream& input, ByteStream& output);

// The form stream alone ("TPF0" and the root object), appended to output.
void TextToStream(ByteStream& input, ByteStream& output);
void TextToStreamAnsi(ByteStream& input, ByteStream& output);

// The rule by which string values are written.
enum class TStringRule : uint8_t {
    Standard, // TextToResource
    Ansi,     // TextToResourceAnsi
};
// The rule a save of a text uses: the ANSI variant when it holds any byte of 0x80
// or above, so that characters loaded from an ANSI or UTF-8 text stay as they were.
TStringRule SaveStringRule(QByteArrayView text);
// TextToResource or TextToResourceAnsi, as rule says.
void TextToResourceByRule(ByteStream& input, ByteStream& output, TStringRule rule);
// TextToStream or TextToStreamAnsi, as rule says.
void TextToStreamByRule(ByteStream& input, ByteStream& output, TStringRule rule);

} // namespace korvel
