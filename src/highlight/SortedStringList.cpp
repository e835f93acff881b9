#include "highlight/SortedStringList.h"

#include <algorithm>

namespace korvel {

int TSortedStringList::CompareText(QStringView a, QStringView b) noexcept
{
    // ASCII fast path: reserved words and extensions are ASCII, and so are most tokens.
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= 128 || y >= 128)
            return a.mid(i).compare(b.mid(i), Qt::CaseInsensitive);
        if (x >= u'A' && x <= u'Z')
            x += 32;
        if (y >= u'A' && y <= u'Z')
            y += 32;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::size_t TSortedStringList::LowerBound(QStringView s) const noexcept
{
    std::size_t lo = 0;
    std::size_t hi = FItems.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (CompareText(FItems[mid], s) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void TSortedStringList::Add(const QString& s)
{
    const std::size_t at = LowerBound(s);
    if (at < FItems.size() && CompareText(FItems[at], s) == 0)
        return;
    FItems.insert(FItems.begin() + std::ptrdiff_t(at), s);
    FMinLength = FItems.size() == 1 ? s.size() : std::min(FMinLength, s.size());
    FMaxLength = std::max(FMaxLength, s.size());
}

int TSortedStringList::IndexOf(QStringView s) const noexcept
{
    if (s.size() < FMinLength || s.size() > FMaxLength)
        return -1;
    const std::size_t at = LowerBound(s);
    if (at < FItems.size() && CompareText(FItems[at], s) == 0)
        return int(at);
    return -1;
}

} // namespace korvel
