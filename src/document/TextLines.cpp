#include "document/TextLines.h"

namespace korvel {

TTextLines::TTextLines(const QStringList& list)
{
    qsizetype total = 0;
    for (const QString& s : list)
        total += s.size() + 1;
    FText.reserve(total);
    FStarts.reserve(size_t(list.size()) + 1);
    for (const QString& s : list) {
        FStarts.push_back(FText.size());
        FText.append(s);
        FText.append(u'\n');
    }
    if (!list.isEmpty())
        FStarts.push_back(FText.size());
}

TTextLines TTextLines::fromAsciiBytes(QByteArray bytes, std::vector<qsizetype> starts)
{
    TTextLines lines;
    lines.FBytes = std::move(bytes);
    lines.FStarts = std::move(starts);
    lines.FLatin1 = true;
    if (lines.FStarts.size() == 1)
        lines.FStarts.clear();
    return lines;
}

TTextLines TTextLines::fromUtf16(QString text, std::vector<qsizetype> starts)
{
    TTextLines lines;
    lines.FText = std::move(text);
    lines.FStarts = std::move(starts);
    if (lines.FStarts.size() == 1)
        lines.FStarts.clear();
    return lines;
}

QStringView TTextLines::line(qsizetype i, std::u16string& scratch) const
{
    if (!FLatin1)
        return utf16Line(i);
    const QLatin1StringView l = latin1Line(i);
    scratch.resize(size_t(l.size()));
    const unsigned char* p = reinterpret_cast<const unsigned char*>(l.data());
    for (qsizetype k = 0; k < l.size(); ++k)
        scratch[size_t(k)] = char16_t(p[k]);
    return QStringView(scratch.data(), l.size());
}

QString TTextLines::at(qsizetype i) const
{
    return visitLine(i, [](auto l) { return l.toString(); });
}

QStringList TTextLines::toStringList() const
{
    QStringList list;
    list.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        list.append(at(i));
    return list;
}

bool operator==(const TTextLines& a, const TTextLines& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const bool same = a.visitLine(i, [&](auto x) { return b.visitLine(i, [&](auto y) { return x == y; }); });
        if (!same)
            return false;
    }
    return true;
}

} // namespace korvel
