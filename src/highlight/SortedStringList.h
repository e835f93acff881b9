// TSortedStringList: a sorted list of strings that ignores duplicates and
// compares without regard to letter case (file extensions, reserved words).
#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace korvel {

class TSortedStringList {
public:
    // Compares a and b without regard to letter case: < 0, 0 or > 0.
    static int CompareText(QStringView a, QStringView b) noexcept;

    // Inserts s in order; a string equal to one already present (ignoring case) is dropped.
    void Add(const QString& s);
    // Removes every string.
    void Clear() noexcept
    {
        FItems.clear();
        FMinLength = 0;
        FMaxLength = -1;
    }
    // Binary search: the index of s (ignoring case), or -1.
    int IndexOf(QStringView s) const noexcept;
    // True when s (ignoring case) is in the list.
    bool Contains(QStringView s) const noexcept { return IndexOf(s) >= 0; }
    // The number of strings.
    int Count() const noexcept { return int(FItems.size()); }
    // The string at index, in sorted order.
    const QString& operator[](int index) const { return FItems.at(std::size_t(index)); }

private:
    // Where s belongs: the first index whose string is not less than s.
    std::size_t LowerBound(QStringView s) const noexcept;

    std::vector<QString> FItems;
    // The shortest and longest strings: strings equal without regard to case have the
    // same length, so a lookup rejects other lengths without comparing.
    qsizetype FMinLength = 0;
    qsizetype FMaxLength = -1;
};

} // namespace korvel
