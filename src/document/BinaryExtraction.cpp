#include "document/BinaryExtraction.h"

#include "convert/HexDigit.h"
#include "document/FileIO.h"

namespace korvel {
namespace {

bool inRunClass(char16_t c) noexcept
{
    return HexDigitValue(c) >= 0 || IsHexSelectionSpace(c);
}

} // namespace

bool IsHexSelectionSpace(char16_t c) noexcept
{
    if (c < 0x80)
        return c == u' ' || (c >= 0x09 && c <= 0x0D);
    switch (c) {
    case 0x0085:
    case 0x00A0:
    case 0x1680:
    case 0x180E:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

std::optional<QByteArray> ExtractSelectedHex(QStringView selectedText)
{
    const char16_t* p = selectedText.utf16();
    const char16_t* const end = p + selectedText.size();
    // Find the first run of two or more class characters, taken as far as it goes.
    const char16_t* runStart = nullptr;
    const char16_t* runEnd = nullptr;
    while (p < end) {
        if (!inRunClass(*p)) {
            ++p;
            continue;
        }
        const char16_t* start = p;
        while (p < end && inRunClass(*p))
            ++p;
        if (p - start >= 2) {
            runStart = start;
            runEnd = p;
            break;
        }
    }
    if (runStart == nullptr)
        return std::nullopt;

    QByteArray bytes;
    bytes.reserve((runEnd - runStart) / 2);
    int high = -1;
    for (const char16_t* q = runStart; q < runEnd; ++q) {
        const int v = HexDigitValue(*q);
        if (v < 0)
            continue;
        if (high < 0) {
            high = v;
        } else {
            bytes.append(char(high * 16 + v));
            high = -1;
        }
    }
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

void SaveSelectionAsBinary(QStringView selectedText, const QString& path)
{
    WriteFileAtomic(path, ExtractSelectedHex(selectedText).value_or(QByteArray()));
}

} // namespace korvel
