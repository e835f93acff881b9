// Binary form stream → form text.
#pragma once

#include "convert/ByteStream.h"

namespace korvel {

// Reads a resource header and the form stream from input and appends the form
// text to output. On failure throws and leaves output as it was.
void BinaryResourceToText(ByteStream& input, ByteStream& output);

// Converts the form stream ("TPF0" and the root object) at input's position.
void BinaryStreamToText(ByteStream& input, ByteStream& output);

} // namespace korvel
