// Generates the large synthetic form the benchmarks measure: about half hex
// picture data, deep nesting, long wrapped strings, #-coded Japanese text and
// every value kind, in the layout the binary-to-text conversion writes.
#pragma once

#include <QByteArray>

#include <cstdint>

namespace korvel::bench {

// Form text of roughly approxBytes bytes (pure ASCII, CR LF line ends).
// The same size always gives the same text.
QByteArray GenerateBenchmarkFormText(int64_t approxBytes);

// The binary form file (resource header + stream) of that text.
QByteArray GenerateBenchmarkFormBinary(int64_t approxBytes);

// The number of object blocks in the text of that size.
int64_t BenchmarkFormComponentCount(int64_t approxBytes);

} // namespace korvel::bench
