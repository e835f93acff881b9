#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QString>

namespace korvel {

// Decodes UTF-8 bytes of a string value or name. QString::fromUtf8 drops a leading
// EF BB BF as a byte-order mark; inside a value it is the character U+FEFF and kept.
inline QString DecodeUtf8(QByteArrayView bytes)
{
    if (bytes.size() >= 3 && bytes[0] == '\xEF' && bytes[1] == '\xBB' && bytes[2] == '\xBF') {
        QString s(1, QChar(0xFEFF));
        s += QString::fromUtf8(bytes.sliced(3));
        return s;
    }
    return QString::fromUtf8(bytes);
}

} // namespace korvel
