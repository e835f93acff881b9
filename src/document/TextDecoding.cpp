#include "document/TextDecoding.h"

#include "convert/AnsiCodePage.h"
#include "convert/Ascii.h"
#include "document/LineSplit.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel {

namespace {

using uchar8 = unsigned char;

// Appends to starts base + the offset of every line of the bytes (split like
// ForEachLine with TNulRule::EndsText), stopping at a NUL byte; returns the offset of that NUL, or n.
// The bytes are looked at sixteen at a time for CR, LF and NUL together.
qsizetype indexByteLines(const char* p, qsizetype n, qsizetype base, std::vector<qsizetype>& starts)
{
    qsizetype lineStart = 0;
    // Handles the special byte at j (CR, LF or NUL); returns false at a NUL.
    auto special = [&](qsizetype j) {
        if (j < lineStart)
            return true; // the LF of a CR LF
        if (p[j] == '\0') {
            if (j > lineStart)
                starts.push_back(base + lineStart);
            return false;
        }
        starts.push_back(base + lineStart);
        lineStart = j + 1;
        if (p[j] == '\r' && lineStart < n && p[lineStart] == '\n')
            ++lineStart;
        return true;
    };
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i nul = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        unsigned mask = unsigned(_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, nul))));
        while (mask != 0) {
            const qsizetype j = i + __builtin_ctz(mask);
            if (!special(j))
                return j;
            mask &= mask - 1;
        }
    }
#endif
    for (; i < n; ++i) {
        const char c = p[i];
        if ((c == '\n' || c == '\r' || c == '\0') && !special(i))
            return i;
    }
    if (lineStart < n)
        starts.push_back(base + lineStart);
    return n;
}

QStringDecoder::Flags keepBom()
{
    return QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;
}

// Strict UTF-8 bytes (no mark handling) into lines; empty when anything is invalid.
QStringList decodeUtf8Lines(QByteArrayView bytes)
{
    QStringList lines;
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    QStringDecoder decoder(QStringDecoder::Utf8, keepBom());
    bool valid = true;
    const qsizetype stop = ForEachLine(p, n, TNulRule::EndsText, [&](qsizetype b, qsizetype e) {
        if (IsAscii(QByteArrayView(p + b, e - b))) {
            lines.append(QString::fromLatin1(p + b, e - b));
            return true;
        }
        QString line = decoder.decode(QByteArrayView(p + b, e - b));
        if (decoder.hasError()) {
            valid = false;
            return false;
        }
        lines.append(std::move(line));
        return true;
    });
    if (valid && stop < n) {
        // The text ends at the NUL, but the bytes after it must be valid UTF-8 too.
        const QByteArrayView rest(p + stop, n - stop);
        if (!IsAscii(rest)) {
            const QString ignored = decoder.decode(rest); // decodes only when converted
            valid = !decoder.hasError();
        }
    }
    if (!valid)
        return {};
    return lines;
}

QStringList decodeUtf16Lines(QByteArrayView bytes, QStringDecoder::Encoding encoding)
{
    QStringDecoder decoder(encoding, keepBom());
    const QString text = decoder.decode(bytes);
    return SplitLines(text);
}

} // namespace

bool ContainsNonAscii(QByteArrayView bytes)
{
    constexpr qsizetype kChunk = 4096;
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; i += kChunk)
        if (!IsAscii(QByteArrayView(p + i, std::min(kChunk, n - i))))
            return true;
    return false;
}

bool ContainsNonAscii(ByteStream& stream)
{
    stream.seek(0);
    return ContainsNonAscii(QByteArrayView(stream.data()));
}

QStringList SplitLines(QStringView text)
{
    QStringList lines;
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        qsizetype j = i;
        while (j < n && p[j] != u'\r' && p[j] != u'\n' && p[j] != u'\0')
            ++j;
        if (j < n && p[j] == u'\0') {
            if (j > i)
                lines.append(QString(reinterpret_cast<const QChar*>(p + i), j - i));
            break;
        }
        lines.append(QString(reinterpret_cast<const QChar*>(p + i), j - i));
        if (j == n)
            break;
        i = j + 1;
        if (p[j] == u'\r' && i < n && p[i] == u'\n')
            ++i;
    }
    return lines;
}

QStringList DecodeLinesAnsi(QByteArrayView bytes)
{
    QStringList lines;
    const char* p = bytes.data();
    ForEachLine(p, bytes.size(), TNulRule::EndsText, [&](qsizetype b, qsizetype e) {
        const QByteArrayView line(p + b, e - b);
        lines.append(IsAscii(line) ? QString::fromLatin1(line) : ansi::decode(line));
        return true;
    });
    return lines;
}

QStringList DecodeLinesUtf8(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    return decodeUtf8Lines(bytes);
}

TTextEncoding DetectTextEncoding(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TTextEncoding::tenUtf8Bom;
    if (bytes.startsWith("\xFF\xFE"))
        return TTextEncoding::tenUtf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return TTextEncoding::tenUtf16BE;
    return TTextEncoding::tenAnsi;
}

namespace {

// Appends to starts the offset of every line of the UTF-16 text, split like
// SplitLines, then the end of the text the lines cover; returns the offset of
// the NUL that ends the text, or n.
qsizetype indexUtf16Lines(const char16_t* p, qsizetype n, std::vector<qsizetype>& starts)
{
    qsizetype i = 0;
    qsizetype stop = n;
    while (i < n) {
        qsizetype j = i;
        while (j < n && p[j] != u'\r' && p[j] != u'\n' && p[j] != u'\0')
            ++j;
        if (j < n && p[j] == u'\0') {
            if (j > i)
                starts.push_back(i);
            stop = j;
            break;
        }
        starts.push_back(i);
        if (j == n)
            break;
        i = j + 1;
        if (p[j] == u'\r' && i < n && p[i] == u'\n')
            ++i;
    }
    starts.push_back(std::min(stop, n));
    return stop;
}

} // namespace

TTextLines DecodeTextLines(const QByteArray& bytes, TTextEncoding encoding, std::vector<TLineLoss>& losses)
{
    std::vector<qsizetype> starts;
    // The line a NUL at offset stop of text stands in: the last line when text
    // continues it, else a new, empty one.
    auto nulAt = [&](qsizetype stop, auto text, qsizetype lineCount) {
        const bool lineStart = stop == 0 || text[stop - 1] == u'\r' || text[stop - 1] == u'\n';
        losses.push_back({lineCount + (lineStart ? 1 : 0), TLineLossKind::llkNul});
    };
    QByteArrayView view(bytes);
    switch (encoding) {
    case TTextEncoding::tenUtf16LE:
    case TTextEncoding::tenUtf16BE: {
        // Code unit by code unit, so that even unpaired surrogates come back on saving.
        if (view.startsWith(encoding == TTextEncoding::tenUtf16LE ? "\xFF\xFE" : "\xFE\xFF"))
            view = view.sliced(2);
        const int hi = encoding == TTextEncoding::tenUtf16LE ? 1 : 0;
        QString text(view.size() / 2, Qt::Uninitialized);
        char16_t* d = reinterpret_cast<char16_t*>(text.data());
        for (qsizetype i = 0; i < text.size(); ++i)
            d[i] = char16_t(uchar8(view[2 * i + hi]) << 8 | uchar8(view[2 * i + 1 - hi]));
        const qsizetype stop = indexUtf16Lines(d, text.size(), starts);
        const qsizetype lineCount = qsizetype(starts.size()) - 1;
        if (stop < text.size())
            nulAt(stop, text, lineCount);
        else if (view.size() % 2 != 0)
            losses.push_back({std::max<qsizetype>(lineCount, 1), TLineLossKind::llkOddByte});
        return TTextLines::fromUtf16(std::move(text), std::move(starts));
    }
    case TTextEncoding::tenAnsi:
        break;
    case TTextEncoding::tenUtf8Bom:
        if (view.startsWith("\xEF\xBB\xBF"))
            view = view.sliced(3);
        break;
    }
    const qsizetype from = view.data() - bytes.constData();
    const char* p = view.data();
    const qsizetype n = view.size();
    const qsizetype stop = indexByteLines(p, n, from, starts);
    starts.push_back(from + stop);
    const qsizetype lineCount = qsizetype(starts.size()) - 1;
    // A text that is ASCII up to its end keeps its bytes: every code page and
    // UTF-8 read ASCII alike, and the lines are views into the loaded bytes.
    TTextLines raw = TTextLines::fromAsciiBytes(bytes, std::move(starts));
    if (IsAscii(QByteArrayView(p, stop))) {
        if (stop < n)
            nulAt(stop, p, lineCount);
        return raw;
    }
    // Otherwise every line is decoded into one UTF-16 buffer, each followed by a LF.
    QString text;
    text.reserve(stop + 1);
    std::vector<qsizetype> decodedStarts;
    decodedStarts.reserve(size_t(lineCount) + 1);
    QStringDecoder utf8(QStringDecoder::Utf8, keepBom());
    for (qsizetype i = 0; i < lineCount; ++i) {
        decodedStarts.push_back(text.size());
        const QLatin1StringView l = raw.latin1Line(i);
        const QByteArrayView line(l.data(), l.size());
        if (IsAscii(line))
            text.append(l);
        else if (encoding == TTextEncoding::tenAnsi)
            text.append(ansi::decode(line));
        else {
            text.append(utf8.decode(line));
            if (utf8.hasError()) {
                losses.push_back({i + 1, TLineLossKind::llkInvalidUtf8});
                utf8.resetState();
            }
        }
        text.append(u'\n');
    }
    decodedStarts.push_back(text.size());
    if (stop < n)
        nulAt(stop, p, lineCount);
    return TTextLines::fromUtf16(std::move(text), std::move(decodedStarts));
}

QStringList DecodeLinesWithBom(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeUtf8Lines(bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE"))
        return decodeUtf16Lines(bytes.sliced(2), QStringDecoder::Utf16LE);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeUtf16Lines(bytes.sliced(2), QStringDecoder::Utf16BE);
    return DecodeLinesAnsi(bytes);
}

} // namespace korvel
