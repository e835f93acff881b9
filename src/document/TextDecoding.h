// Turning the bytes of a form text into the line list OrgFile.
#pragma once

#include "convert/ByteStream.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

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

} // namespace korvel
