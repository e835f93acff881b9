// Property tests over randomly generated forms (fixed seeds): a binary written
// with the tags our writer chooses survives binary → text → binary byte for byte,
// and any valid text is stable after one text → binary → text trip.
#include "convert/AnsiCodePage.h"
#include "convert/BinaryToText.h"
#include "convert/Filer.h"
#include "convert/StreamFormat.h"
#include "convert/TextToBinary.h"
#include "convert/support/TextFormSupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <random>

using namespace korvel;
using korvel::test::CodePageScope;

namespace {

QByteArray ToText(const QByteArray& resource)
{
    ByteStream in(resource);
    ByteStream out;
    BinaryResourceToText(in, out);
    return out.data();
}

// The save path: the string rule a save chooses for the text.
QByteArray ToResource(const QByteArray& text)
{
    ByteStream in(text);
    ByteStream out;
    TextToResourceByRule(in, out, SaveStringRule(text));
    return out.data();
}

long double ParseDecimal(const std::string& s)
{
    long double x = 0;
    std::from_chars(s.data(), s.data() + s.size(), x);
    return x;
}

class Random {
public:
    explicit Random(uint64_t seed) : FRng(seed) { }
    int Below(int n) { return int(FRng() % uint64_t(n)); }
    bool OneIn(int n) { return Below(n) == 0; }
    int64_t Range(int64_t lo, int64_t hi) { return lo + int64_t(FRng() % uint64_t(hi - lo + 1)); }
    uint64_t Bits() { return FRng(); }

    // An identifier that is no keyword of the form text.
    QString Ident(bool nonAscii)
    {
        static const char16_t* const kParts[] = {
            u"Left", u"Top", u"caption", u"x", u"Data_1", u"Z9", u"item2", u"ends"};
        static const char16_t* const kWide[] = {u"Caf\u00E9", u"\u540D\u524D", u"\u00C4x"};
        QString s = QString::fromUtf16(nonAscii && OneIn(3) ? kWide[Below(3)] : kParts[Below(8)]);
        if (OneIn(2))
            s += QString::number(Below(100));
        return "P" + s;
    }

private:
    std::mt19937_64 FRng;
};

// Writes a random binary form with TWriter, so every value carries the tag our
// writer chooses. In ANSI mode strings are ANSI bytes, or a Unicode kind only
// when the code page cannot represent them; names may then hold non-ASCII letters.
class BinaryFormGenerator {
public:
    BinaryFormGenerator(uint64_t seed, bool ansi) : FRandom(seed), FAnsi(ansi) { }

    QByteArray Generate()
    {
        ByteStream stream;
        {
            TWriterEx writer(stream);
            FWriter = &writer;
            writer.WriteSignature();
            Object(0, true);
        }
        ByteStream resource;
        WriteFormResourceHeader(stream.data(), resource);
        resource.write(stream.data());
        return resource.data();
    }

private:
    void Object(int depth, bool root)
    {
        static const int kFlags[] = {
            0, 0, ffInherited, ffInline, ffChildPos, ffInherited | ffChildPos, ffInline | ffChildPos};
        const int flags = root ? 0 : kFlags[FRandom.Below(7)];
        FWriter->WriteObjectPrefix(flags, int32_t(FRandom.Range(0, 70000)));
        FWriter->WriteStr(QString(QChar(u'T')) + FRandom.Ident(FAnsi));
        FWriter->WriteStr(FRandom.OneIn(4) ? QString() : FRandom.Ident(FAnsi));
        if (root && FAnsi) {
            // At least one byte of 128 or above, so that the text is saved by the ANSI variant.
            FWriter->WriteStr(u"Caption");
            FWriter->WriteAnsiString(ansi::decode("Caf\xE9"));
        }
        for (int n = FRandom.Below(6); n > 0; --n)
            Property(depth);
        FWriter->WriteListEnd();
        if (depth < 3)
            for (int n = FRandom.Below(3); n > 0; --n)
                Object(depth + 1, false);
        FWriter->WriteListEnd();
    }

    void Property(int depth)
    {
        QString name = FRandom.Ident(FAnsi);
        if (FRandom.OneIn(4))
            name += "." + FRandom.Ident(FAnsi);
        FWriter->WriteStr(name);
        Value(depth, false);
    }

    // A decimal of at most 12 significant digits, at least 1E-6: the fixed text
    // format keeps all of its digits.
    std::string Decimal()
    {
        int64_t limit = 10;
        for (int digits = FRandom.Below(12); digits > 0; --digits)
            limit *= 10;
        const std::string m = std::to_string(FRandom.Range(1, limit - 1));
        return (FRandom.OneIn(3) ? "-" : "") + m + "E" + std::to_string(FRandom.Below(17) - 6);
    }

    QString UnicodeString()
    {
        static const char16_t kPool[] = u"abcXYZ '09\r\n\u00E9\u3042\u00FF\u4E2D";
        QString s;
        const int length = FRandom.OneIn(8) ? FRandom.Below(300) : FRandom.Below(20);
        for (int i = 0; i < length; ++i) {
            if (FRandom.OneIn(40))
                s += QString::fromUtf16(u"\U0001F600");
            else if (FRandom.OneIn(200))
                s += QChar(char16_t(0xDC00 + FRandom.Below(1024))); // a lone surrogate
            else
                s += QChar(kPool[FRandom.Below(int(std::size(kPool)) - 1)]);
        }
        return s;
    }

    void StringValue()
    {
        if (!FAnsi) {
            FWriter->WriteString(UnicodeString());
            return;
        }
        if (FRandom.OneIn(4)) {
            QString s = UnicodeString();
            QByteArray ignored;
            if (!ansi::encodeExact(s, ignored)) {
                FWriter->WriteString(s);
                return;
            }
        }
        // Any bytes at all: decoding and encoding give every byte back.
        QByteArray bytes;
        const int length = FRandom.OneIn(8) ? FRandom.Below(400) : FRandom.Below(20);
        for (int i = 0; i < length; ++i)
            bytes += char(FRandom.OneIn(3) ? FRandom.Range(0, 255) : FRandom.Range(0x20, 0x7E));
        FWriter->WriteAnsiString(ansi::decode(bytes));
    }

    // Null (tag 00) cannot be an item of a list, where 00 ends the list.
    void Value(int depth, bool inList)
    {
        switch (FRandom.Below(depth < 4 ? 17 : 14)) {
        case 0:
            FWriter->WriteInteger(int32_t(FRandom.Range(-200, 200)));
            break;
        case 1:
            FWriter->WriteInteger(int64_t(FRandom.Bits()));
            break;
        case 2:
            FWriter->WriteFloat(ParseDecimal(Decimal()));
            break;
        case 3: {
            float f;
            do {
                f = std::bit_cast<float>(uint32_t(FRandom.Bits()));
            } while (!std::isfinite(f));
            FWriter->WriteSingle(f);
            break;
        }
        case 4:
            FWriter->WriteCurrency(FRandom.Range(-999999999999999, 999999999999999));
            break;
        case 5:
            FWriter->WriteDate(ParseDecimal(
                std::to_string(FRandom.Range(-1000000, 3000000)) + "." + std::to_string(FRandom.Below(1000))));
            break;
        case 6:
        case 7:
            StringValue();
            break;
        case 8: {
            static const char16_t* const kWords[] = {u"True", u"False", u"nil", u"alClient", u"Form1.Button1", u"Null"};
            FWriter->WriteIdent(
                FRandom.OneIn(2) ? QString::fromUtf16(kWords[FRandom.Below(inList ? 5 : 6)]) : FRandom.Ident(FAnsi));
            break;
        }
        case 9: {
            QByteArray data;
            for (int n = FRandom.OneIn(4) ? FRandom.Below(200) : FRandom.Below(40); n > 0; --n)
                data += char(FRandom.Bits());
            FWriter->WriteBinaryValue(data);
            break;
        }
        case 10:
        case 11:
            FWriter->WriteTag(vaSet);
            for (int n = FRandom.Below(4); n > 0; --n)
                FWriter->WriteStr(FRandom.Ident(FAnsi));
            FWriter->WriteStr(QString());
            break;
        case 12:
        case 13:
            FWriter->WriteInteger(int64_t(FRandom.Range(INT32_MIN, INT32_MAX)));
            break;
        case 14:
        case 15:
            FWriter->WriteListBegin();
            for (int n = FRandom.Below(4); n > 0; --n)
                Value(depth + 1, true);
            FWriter->WriteListEnd();
            break;
        default:
            FWriter->WriteTag(vaCollection);
            for (int n = FRandom.Below(3); n > 0; --n) {
                if (FRandom.OneIn(2))
                    FWriter->WriteInteger(int32_t(FRandom.Range(-5, 40000)));
                FWriter->WriteListBegin();
                for (int p = FRandom.Below(3); p > 0; --p)
                    Property(depth + 1);
                FWriter->WriteListEnd();
            }
            FWriter->WriteListEnd();
        }
    }

    Random FRandom;
    bool FAnsi;
    TWriterEx* FWriter = nullptr;
};

// Writes random valid form text in free layout: keywords in any case, irregular
// blanks, strings cut into quoted parts and #-codes joined by "+", numbers in
// every notation, hex data broken anywhere between pairs.
class TextFormGenerator {
public:
    TextFormGenerator(uint64_t seed, bool ansiBytes) : FRandom(seed), FAnsiBytes(ansiBytes) { }

    QByteArray Generate()
    {
        FOut.clear();
        Object(0);
        return FOut;
    }

private:
    void Blank()
    {
        static const char* const kBlanks[] = {" ", " ", "  ", "\r\n  ", "\t", "\n"};
        FOut += kBlanks[FRandom.Below(6)];
    }
    void Keyword(const char* word)
    {
        for (const char* p = word; *p; ++p)
            FOut += FRandom.OneIn(2) ? char(std::toupper(*p)) : *p;
    }
    void Name() { FOut += FRandom.Ident(false).toUtf8(); }

    void Object(int depth)
    {
        static const char* const kKeywords[] = {"object", "inherited", "inline"};
        Keyword(kKeywords[depth == 0 ? 0 : FRandom.Below(3)]);
        FOut += ' ';
        if (FRandom.OneIn(4)) {
            Name();
        } else {
            Name();
            FOut += FRandom.OneIn(2) ? ": " : " :";
            Name();
        }
        if (FRandom.OneIn(3))
            FOut += " [" + QByteArray::number(FRandom.Range(-3, 500)) + "]";
        FOut += "\r\n";
        for (int n = FRandom.Below(6); n > 0; --n) {
            Property(depth);
            FOut += "\r\n";
        }
        if (depth < 3)
            for (int n = FRandom.Below(3); n > 0; --n)
                Object(depth + 1);
        Keyword("end");
        FOut += "\r\n";
    }

    void Property(int depth)
    {
        Name();
        if (FRandom.OneIn(4)) {
            FOut += FRandom.OneIn(2) ? "." : " . ";
            Name();
        }
        FOut += " = ";
        Value(depth, false);
    }

    void StringPart()
    {
        if (FRandom.OneIn(3)) {
            static const int kCodes[] = {0, 9, 10, 13, 39, 65, 127, 128, 233, 255, 300, 12354, 55357, 56832, 65535};
            FOut += "#" + QByteArray::number(kCodes[FRandom.Below(int(std::size(kCodes)))]);
            return;
        }
        FOut += '\'';
        for (int n = FRandom.Below(30); n > 0; --n) {
            if (FRandom.OneIn(10))
                FOut += "''";
            else if (FAnsiBytes && FRandom.OneIn(5))
                FOut += char(FRandom.Range(0x80, 0xFF));
            else if (const char c = char(FRandom.Range(0x20, 0x7E)); c != '\'')
                FOut += c;
        }
        FOut += '\'';
    }

    void Value(int depth, bool inList)
    {
        switch (FRandom.Below(depth < 4 ? 12 : 9)) {
        case 0: {
            static const char* const kIntegers[] = {"0", "-1", "127", "128", "-32769", "2147483648", "$7F", "$ffffffff",
                "$8000000000000000", "-9223372036854775808", "007"};
            FOut += kIntegers[FRandom.Below(int(std::size(kIntegers)))];
            break;
        }
        case 1: {
            static const char* const kFloats[] = {"1.5", "-2.5E3", "0.1", "1E20", "12s", "0.1S", "15000c", "3.5C",
                "45000.5d", "1.5f", "1e-3F", "123456789.123456789", "1E-30", "7D"};
            FOut += kFloats[FRandom.Below(int(std::size(kFloats)))];
            break;
        }
        case 2:
        case 3:
            for (int parts = 1 + FRandom.Below(4); parts > 0; --parts) {
                for (int n = 1 + FRandom.Below(3); n > 0; --n)
                    StringPart();
                if (parts > 1) {
                    FOut += " +";
                    Blank();
                }
            }
            break;
        case 4: {
            static const char* const kIdents[] = {"True", "FALSE", "nil", "alTop", "Form1.Button1", "a.b.c", "NULL"};
            FOut += kIdents[FRandom.Below(inList ? 6 : 7)];
            break;
        }
        case 5:
            FOut += '{';
            for (int n = FRandom.Below(70); n > 0; --n) {
                if (FRandom.OneIn(8))
                    Blank();
                FOut += QByteArray(1, char(FRandom.Bits())).toHex(); // lower case
                if (FRandom.OneIn(3))
                    FOut += QByteArray(1, char(FRandom.Bits())).toHex().toUpper();
            }
            FOut += '}';
            break;
        case 6:
        case 7:
            FOut += '[';
            for (int n = FRandom.Below(4), i = 0; i < n; ++i) {
                if (i)
                    FOut += ", ";
                const int kind = FRandom.Below(4);
                if (kind == 0)
                    FOut += QByteArray::number(FRandom.Below(50));
                else if (kind == 1)
                    FOut += FRandom.OneIn(2) ? "'A'" : "#" + QByteArray::number(FRandom.Range(1, 40000));
                else
                    Name();
            }
            FOut += ']';
            break;
        case 8:
            FOut += QByteArray::number(FRandom.Range(-100000, 100000));
            break;
        case 9:
        case 10:
            FOut += '(';
            for (int n = FRandom.Below(4); n > 0; --n) {
                Blank();
                Value(depth + 1, true);
            }
            FOut += ')';
            break;
        default:
            FOut += '<';
            for (int n = FRandom.Below(3); n > 0; --n) {
                Blank();
                Keyword("item");
                if (FRandom.OneIn(2))
                    FOut += " [" + QByteArray::number(FRandom.Range(-5, 400)) + "]";
                for (int p = FRandom.Below(3); p > 0; --p) {
                    Blank();
                    Property(depth + 1);
                }
                Blank();
                Keyword("end");
            }
            FOut += '>';
        }
    }

    Random FRandom;
    bool FAnsiBytes;
    QByteArray FOut;
};

struct Mode {
    const char* name;
    int codePage;
    bool ansi;
};

class RoundTrip : public ::testing::TestWithParam<Mode> { };

TEST_P(RoundTrip, WritersTagsSurviveBinaryToTextToBinary)
{
    const CodePageScope cp(GetParam().codePage);
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        const QByteArray binary = BinaryFormGenerator(seed, GetParam().ansi).Generate();
        QByteArray text;
        try {
            text = ToText(binary);
            ASSERT_EQ(SaveStringRule(text) == TStringRule::Ansi, GetParam().ansi) << "seed " << seed;
            ASSERT_EQ(ToResource(text), binary) << "seed " << seed << "\n" << text.toStdString();
        } catch (const EKorvelError& e) {
            FAIL() << "seed " << seed << ": " << korvel::test::Describe(e) << "\n"
                   << binary.toHex(' ').toStdString() << "\n"
                   << text.toStdString();
        }
    }
}

TEST_P(RoundTrip, TextIsStableAfterOneTrip)
{
    const CodePageScope cp(GetParam().codePage);
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        const QByteArray original = TextFormGenerator(seed, GetParam().ansi).Generate();
        try {
            const QByteArray once = ToText(ToResource(original));
            const QByteArray twice = ToText(ToResource(once));
            ASSERT_EQ(twice, once) << "seed " << seed << "\n" << original.toStdString();
        } catch (const EKorvelError& e) {
            FAIL() << "seed " << seed << ": " << korvel::test::Describe(e) << "\n" << original.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, RoundTrip,
    ::testing::Values(Mode{"Unicode", 1252, false}, Mode{"Ansi1252", 1252, true}, Mode{"Ansi932", 932, true},
        Mode{"Ansi1251", 1251, true}),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
