// Builds binary form streams by hand for tests: each call appends one piece
// (a tag with its payload, a short name, an object header, raw bytes).
#pragma once

#include <QByteArray>
#include <QString>

#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string_view>

// Test failures show byte arrays as text with C escapes for control and high bytes.
inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << '"';
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '"')
            *os << '\\' << ch;
        else if (c >= 0x20 && c < 0x7F)
            *os << ch;
        else if (c == '\r')
            *os << "\\r";
        else if (c == '\n')
            *os << "\\n";
        else
            *os << "\\x"
                << "0123456789ABCDEF"[c >> 4] << "0123456789ABCDEF"[c & 15];
    }
    *os << '"';
}

namespace korvel::test {

class BinaryBuilder {
public:
    // Raw bytes from hex text; blanks are ignored ("54 50 46 30").
    BinaryBuilder& Hex(const char* hex)
    {
        FData.append(QByteArray::fromHex(hex));
        return *this;
    }
    BinaryBuilder& Raw(QByteArray bytes)
    {
        FData.append(bytes);
        return *this;
    }
    BinaryBuilder& Byte(int b)
    {
        FData.append(char(b));
        return *this;
    }
    BinaryBuilder& Le(uint64_t v, int size)
    {
        for (int i = 0; i < size; ++i)
            FData.append(char((v >> (8 * i)) & 0xFF));
        return *this;
    }

    BinaryBuilder& Signature() { return Raw("TPF0"); }
    // A short name: length byte and the bytes as given.
    BinaryBuilder& Name(QByteArray utf8)
    {
        Byte(int(utf8.size()));
        return Raw(utf8);
    }
    // Prefix (when flags ≠ 0), class name and object name.
    BinaryBuilder& Object(QByteArray className, QByteArray objectName, int flags = 0, int childPos = 0)
    {
        if (flags) {
            Byte(0xF0 | flags);
            if (flags & 2)
                Int(childPos);
        }
        return Name(className).Name(objectName);
    }
    // The 00 that closes a property list, child list, list, collection or set.
    BinaryBuilder& End() { return Byte(0); }
    // A property name (the value follows).
    BinaryBuilder& Prop(QByteArray name) { return Name(name); }

    // An integer in the smallest of vaInt8, vaInt16, vaInt32, vaInt64.
    BinaryBuilder& Int(int64_t v)
    {
        if (v >= -128 && v <= 127)
            return Byte(2).Le(uint64_t(v), 1);
        if (v >= -32768 && v <= 32767)
            return Byte(3).Le(uint64_t(v), 2);
        if (v >= INT32_MIN && v <= INT32_MAX)
            return Byte(4).Le(uint64_t(v), 4);
        return Byte(19).Le(uint64_t(v), 8);
    }
    BinaryBuilder& Int64(int64_t v) { return Byte(19).Le(uint64_t(v), 8); }
    BinaryBuilder& Ident(QByteArray utf8) { return Byte(7).Name(utf8); }
    BinaryBuilder& String(QByteArray ansi) { return Byte(6).Name(ansi); }
    BinaryBuilder& LString(QByteArray ansi) { return Byte(12).Le(uint64_t(ansi.size()), 4).Raw(ansi); }
    BinaryBuilder& Utf8String(QByteArray utf8) { return Byte(20).Le(uint64_t(utf8.size()), 4).Raw(utf8); }
    BinaryBuilder& WString(std::u16string_view units)
    {
        Byte(18).Le(units.size(), 4);
        for (char16_t u : units)
            Le(u, 2);
        return *this;
    }
    BinaryBuilder& Binary(QByteArray data) { return Byte(10).Le(uint64_t(data.size()), 4).Raw(data); }
    BinaryBuilder& Double(double x) { return Byte(21).Le(std::bit_cast<uint64_t>(x), 8); }
    BinaryBuilder& Single(float x) { return Byte(15).Le(std::bit_cast<uint32_t>(x), 4); }
    BinaryBuilder& Date(double x) { return Byte(17).Le(std::bit_cast<uint64_t>(x), 8); }
    BinaryBuilder& Currency(int64_t stored) { return Byte(16).Le(uint64_t(stored), 8); }
    // vaExtended from its 10 bytes in hex.
    BinaryBuilder& Extended(const char* hex) { return Byte(5).Hex(hex); }
    BinaryBuilder& Set(std::initializer_list<QByteArray> names)
    {
        Byte(11);
        for (const QByteArray& n : names)
            Name(n);
        return End();
    }

    const QByteArray& bytes() const { return FData; }

    // A 16-bit resource header naming upperName, for a stream of dataSize bytes.
    static QByteArray Header16(QByteArray upperName, uint32_t dataSize)
    {
        BinaryBuilder b;
        b.Hex("FF 0A 00").Raw(upperName).Byte(0).Hex("30 10").Le(dataSize, 4);
        return b.bytes();
    }

private:
    QByteArray FData;
};

} // namespace korvel::test
