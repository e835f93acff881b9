// Splitting text into lines: the one rule for form text, property text and
// language files, on bytes (before decoding) or on UTF-16 code units.
#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace korvel {

// What a NUL character does to the text being split.
enum class TNulRule : uint8_t {
    // A character like any other, kept in its line.
    Ordinary,
    // The text ends at the first NUL: nothing after it is split. The line the NUL
    // cuts off is still a line when it has characters before the NUL, so "a\0b"
    // gives "a" and "a\n\0" gives "a" alone. Loading uses this rule, since the
    // tokenizer stops reading at a 00 byte too.
    EndsText,
};

namespace detail {

// The next position from `from` on holding c, or n; remembers the hit so that
// the text is searched for each character only once in all.
template <typename Char> class CharFinder {
public:
    CharFinder(const Char* p, qsizetype n, Char c) : FP(p), FN(n), FC(c) { }
    qsizetype from(qsizetype from)
    {
        if (FNext < from) {
            FNext = FN;
            if constexpr (sizeof(Char) == 1) {
                const void* hit = from < FN ? std::memchr(FP + from, FC, size_t(FN - from)) : nullptr;
                if (hit)
                    FNext = static_cast<const Char*>(hit) - FP;
            } else {
                const Char* hit = std::find(FP + from, FP + FN, FC);
                FNext = hit - FP;
            }
        }
        return FNext;
    }

private:
    const Char* FP;
    qsizetype FN;
    Char FC;
    qsizetype FNext = -1;
};

} // namespace detail

// Calls line(begin, end) for every line of p[0, n), split at CR LF, CR or LF; a
// break at the very end adds no empty line and an empty text has no lines. line
// returns false to stop early. Returns where the text ended: the index of the
// NUL that ended it (TNulRule::EndsText), else n. CR, LF and NUL are single bytes
// in every code page used here and never part of a multi-byte character, so
// lines may be found in the bytes before decoding.
template <typename Char, typename LineFn>
requires(sizeof(Char) <= 2 && std::is_integral_v<Char>) qsizetype
    ForEachLine(const Char* p, qsizetype n, TNulRule nulRule, LineFn&& line)
{
    detail::CharFinder<Char> lf(p, n, Char('\n')), cr(p, n, Char('\r')), nul(p, n, Char(0));
    const bool nulEnds = nulRule == TNulRule::EndsText;
    qsizetype i = 0;
    while (i < n) {
        const qsizetype j = std::min({lf.from(i), cr.from(i), nulEnds ? nul.from(i) : n});
        if (j < n && p[j] == Char(0)) { // only found under TNulRule::EndsText
            if (j > i)
                line(i, j);
            return j;
        }
        if (!line(i, j))
            return n;
        if (j == n)
            return n;
        i = j + 1;
        if (p[j] == Char('\r') && i < n && p[i] == Char('\n'))
            ++i;
    }
    return n;
}

} // namespace korvel
