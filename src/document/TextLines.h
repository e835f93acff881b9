// TTextLines: the lines of a loaded form text held as one buffer with a line
// index, instead of one string per line. A text that is ASCII throughout keeps
// the loaded bytes themselves (shared, not copied) and its lines are Latin-1
// views into them; any other text is decoded once into one UTF-16 buffer and
// its lines are views into that. Plain C++ on QtCore; safe to build and read
// on any thread (a const TTextLines may be read from several at once).
#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <string>
#include <vector>

namespace korvel {

class TTextLines {
public:
    TTextLines() = default;
    // The lines of list, each a line of its own (none may hold CR or LF).
    explicit TTextLines(const QStringList& list);

    // Lines that are views into bytes (all of them ASCII). starts holds the
    // offset of every line and, last, the end of the text that the lines cover
    // (the offset of the break after the last line, or past it); a line ends
    // where the next one starts, minus the CR, LF or CR LF before it.
    static TTextLines fromAsciiBytes(QByteArray bytes, std::vector<qsizetype> starts);
    // Lines that are views into text, with starts as for fromAsciiBytes.
    static TTextLines fromUtf16(QString text, std::vector<qsizetype> starts);

    qsizetype size() const { return FStarts.empty() ? 0 : qsizetype(FStarts.size()) - 1; }
    bool isEmpty() const { return size() == 0; }
    // True when the lines are Latin-1 views (latin1Line), else UTF-16 views (utf16Line).
    bool isLatin1() const { return FLatin1; }
    QLatin1StringView latin1Line(qsizetype i) const
    {
        const auto [b, e] = bounds(i);
        return QLatin1StringView(FBytes.constData() + b, e - b);
    }
    QStringView utf16Line(qsizetype i) const
    {
        const auto [b, e] = bounds(i);
        return QStringView(FText.constData() + b, e - b);
    }
    // Calls fn with line i as a QLatin1StringView or a QStringView, whichever it is held as.
    template <typename Fn> decltype(auto) visitLine(qsizetype i, Fn&& fn) const
    {
        if (FLatin1)
            return fn(latin1Line(i));
        return fn(utf16Line(i));
    }
    // Line i as UTF-16: a view into the buffer, or into scratch (overwritten by
    // the next call with the same scratch) for a Latin-1 line.
    QStringView line(qsizetype i, std::u16string& scratch) const;
    // The buffer's units from the start of line first to the start of line end
    // (breaks included): at least the lengths of those lines together.
    qsizetype span(qsizetype first, qsizetype end) const { return FStarts[size_t(end)] - FStarts[size_t(first)]; }
    // The bytes the Latin-1 lines are views into (empty for UTF-16 lines).
    const QByteArray& bytes() const { return FBytes; }
    // The offset in the buffer where the text the lines cover ends; 0 without lines.
    qsizetype textEnd() const { return FStarts.empty() ? 0 : FStarts.back(); }
    // A copy of line i.
    QString at(qsizetype i) const;
    QString operator[](qsizetype i) const { return at(i); }
    QString first() const { return at(0); }
    // Copies of all lines.
    QStringList toStringList() const;

    friend bool operator==(const TTextLines& a, const TTextLines& b);

private:
    std::pair<qsizetype, qsizetype> bounds(qsizetype i) const
    {
        const qsizetype b = FStarts[size_t(i)];
        qsizetype e = FStarts[size_t(i) + 1];
        e = FLatin1 ? trimBreak(FBytes.constData(), b, e) : trimBreak(FText.constData(), b, e);
        return {b, e};
    }
    // e without the line break (CR, LF or CR LF) that ends the line [b, e).
    template <typename Char> static qsizetype trimBreak(const Char* p, qsizetype b, qsizetype e)
    {
        if (e > b && p[e - 1] == Char('\n'))
            --e;
        else if (e > b && p[e - 1] == Char('\r'))
            return e - 1;
        if (e > b && p[e - 1] == Char('\r'))
            --e;
        return e;
    }

    QByteArray FBytes;
    QString FText;
    std::vector<qsizetype> FStarts;
    bool FLatin1 = false;
};

} // namespace korvel
