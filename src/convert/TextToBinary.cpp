#include "convert/TextToBinary.h"

#include "convert/AnsiCodePage.h"
#include "convert/Ascii.h"
#include "convert/Filer.h"
#include "convert/Parser.h"
#include "convert/StreamFormat.h"
#include "convert/Utf8.h"
#include "errors/Errors.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace korvel {

namespace {

// One conversion of form text into a form stream.
class TTextConverter {
public:
    TTextConverter(ByteStream& input, ByteStream& output, bool ansi)
        : FParser(input, TFormatSettings{u'.'}), FWriter(output), FAnsi(ansi)
    {
    }

    // The signature and the root object; text after the root object's end is not read.
    void Run()
    {
        FWriter.WriteSignature();
        ConvertObject(true);
        FWriter.FlushBuffer();
    }

private:
    void Enter()
    {
        if (++FDepth > kMaxNestingDepth)
            FParser.Error(QString::fromUtf16(kMsgNestingTooDeep));
    }

    // A value longer than its 4-byte length field can describe cannot be stored.
    void CheckLengthField(qsizetype length)
    {
        if (length > std::numeric_limits<int32_t>::max())
            FParser.Error(QString::fromUtf16(kMsgInvalidPropertyValue));
    }

    // "[n]" after an object header or "item"; −1 when absent.
    int32_t ReadPosition()
    {
        if (FParser.Token() != u'[')
            return -1;
        FParser.NextToken();
        FParser.CheckToken(tokInteger);
        const auto n = static_cast<int32_t>(static_cast<uint64_t>(FParser.TokenInt()));
        FParser.NextToken();
        FParser.CheckToken(u']');
        FParser.NextToken();
        return n;
    }

    // Whether the token is one of END, OBJECT, INHERITED, INLINE, which end a property list.
    bool AtObjectKeywordOrEnd() const
    {
        if (FParser.Token() != tokSymbol)
            return false;
        const QByteArrayView t = FParser.TokenBytes();
        switch (t.size()) {
        case 3:
            return EqualsAsciiNoCase(t, "END");
        case 6:
            return EqualsAsciiNoCase(t, "OBJECT") || EqualsAsciiNoCase(t, "INLINE");
        case 9:
            return EqualsAsciiNoCase(t, "INHERITED");
        default:
            return false;
        }
    }

    void ConvertObject(bool root)
    {
        Enter();
        TFilerFlags flags = 0;
        if (FParser.TokenSymbolIs(QLatin1StringView("INHERITED")))
            flags |= ffInherited;
        else if (FParser.TokenSymbolIs(QLatin1StringView("INLINE")))
            flags |= ffInline;
        else
            FParser.CheckTokenSymbol(QLatin1StringView("OBJECT"));
        FParser.NextToken();

        // Identifier bytes point into the input text and stay valid.
        FParser.CheckToken(tokSymbol);
        const int headerLine = FParser.SourceLine();
        const int64_t headerOffset = FParser.SourcePos();
        const QByteArrayView first = FParser.TokenBytes();
        QByteArrayView className = first;
        QByteArrayView objectName;
        if (FParser.NextToken() == u':') {
            FParser.NextToken();
            FParser.CheckToken(tokSymbol);
            objectName = first;
            className = FParser.TokenBytes();
            FParser.NextToken();
        }
        const int32_t position = ReadPosition();
        if (position >= 0)
            flags |= ffChildPos;
        // Without a prefix the class name's length byte comes first, and one of 0xF0
        // or above would read back as a prefix.
        if (flags == 0 && std::min<qsizetype>(className.size(), 255) >= kFirstPrefixByte) {
            FParser.ErrorAt(TErrorPosition{headerOffset, headerLine},
                QString::fromUtf16(kMsgNameTooLong).arg(DecodeUtf8(className)));
        }
        FWriter.WriteObjectPrefix(flags, position);
        FWriter.WriteStrBytes(className);
        FWriter.WriteStrBytes(objectName);

        while (!AtObjectKeywordOrEnd())
            ConvertProperty();
        FWriter.WriteTag(vaNull);
        while (!FParser.TokenSymbolIs(QLatin1StringView("END")))
            ConvertObject(false);
        FWriter.WriteTag(vaNull);
        if (!root)
            FParser.NextToken();
        --FDepth;
    }

    void ConvertProperty()
    {
        FParser.CheckToken(tokSymbol);
        const QByteArrayView first = FParser.TokenBytes();
        FName.assign(first.data(), size_t(first.size()));
        FParser.NextToken();
        while (FParser.Token() == u'.') {
            FParser.NextToken();
            FParser.CheckToken(tokSymbol);
            const QByteArrayView part = FParser.TokenBytes();
            FName.append(1, '.').append(part.data(), size_t(part.size()));
            FParser.NextToken();
        }
        FWriter.WriteStrBytes(QByteArrayView(FName.data(), qsizetype(FName.size())));
        FParser.CheckToken(u'=');
        FParser.NextToken();
        ConvertValue(false);
    }

    // inList: the value is an item of a list, where a 00 byte ends the list.
    void ConvertValue(bool inList)
    {
        switch (FParser.Token()) {
        case tokString:
        case tokWideString:
            ConvertString();
            return;
        case tokSymbol: {
            const QByteArrayView ident = FParser.TokenComponentIdentBytes();
            // Null is the tag 00, which inside a list would read back as the list's
            // end and shift everything after it; it cannot be stored there.
            if (inList && EqualsAsciiNoCase(ident, "Null"))
                FParser.Error(QString::fromUtf16(kMsgInvalidPropertyValue));
            FWriter.WriteIdentBytes(ident);
            break;
        }
        case tokInteger:
            FWriter.WriteInteger(FParser.TokenInt());
            break;
        case tokFloat:
            ConvertFloat();
            break;
        case u'(':
            Enter();
            FParser.NextToken();
            FWriter.WriteListBegin();
            while (FParser.Token() != u')')
                ConvertValue(true);
            FWriter.WriteListEnd();
            --FDepth;
            break;
        case u'<':
            ConvertCollection();
            break;
        case u'[':
            ConvertSet();
            break;
        case u'{': {
            const QByteArrayView data = FParser.HexToBinary();
            CheckLengthField(data.size());
            FWriter.WriteBinaryValue(data);
            break;
        }
        default:
            FParser.Error(QString::fromUtf16(kMsgInvalidPropertyValue));
        }
        FParser.NextToken();
    }

    void ConvertFloat()
    {
        if (FParser.FloatType() == u'c' || FParser.FloatType() == u'C') {
            // The usual currency text is a plain integer: no rounding needed.
            const QByteArrayView t = FParser.TokenBytes().chopped(1);
            int64_t v = 0;
            const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
            if (ec == std::errc() && ptr == t.data() + t.size() && !t.isEmpty()) {
                FWriter.WriteCurrency(v);
                return;
            }
        }
        const long double x = FParser.TokenFloat();
        switch (FParser.FloatType()) {
        case u'C':
        case u'c': {
            // The text holds the stored integer (amount × 10000); round half to even.
            const long double r = std::nearbyint(x);
            if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L))
                FParser.Error(QString::fromUtf16(kMsgInvalidPropertyValue));
            FWriter.WriteCurrency(static_cast<int64_t>(r));
            break;
        }
        case u'D':
        case u'd':
            FWriter.WriteDate(x);
            break;
        case u'S':
        case u's':
            FWriter.WriteSingle(x);
            break;
        default:
            FWriter.WriteFloat(x);
        }
    }

    void ConvertCollection()
    {
        Enter();
        FParser.NextToken();
        FWriter.WriteTag(vaCollection);
        while (FParser.Token() != u'>') {
            FParser.CheckTokenSymbol(QLatin1StringView("item"));
            FParser.NextToken();
            const int32_t index = ReadPosition();
            if (index != -1)
                FWriter.WriteInteger(index);
            FWriter.WriteListBegin();
            while (!FParser.TokenSymbolIs(QLatin1StringView("end")))
                ConvertProperty();
            FWriter.WriteListEnd();
            FParser.NextToken();
        }
        FWriter.WriteListEnd();
        --FDepth;
    }

    // Set elements are written as short names; a string element stands for its
    // first character as "#<code>". An empty string has none and is rejected.
    void ConvertSet()
    {
        FParser.NextToken();
        FWriter.WriteTag(vaSet);
        if (FParser.Token() != u']') {
            for (;;) {
                const char16_t t = FParser.Token();
                if (t == tokString || t == tokWideString) {
                    const QString s = FParser.TokenWideString();
                    if (s.isEmpty())
                        FParser.Error(QString::fromUtf16(kMsgInvalidPropertyValue));
                    FWriter.WriteStrBytes("#" + QByteArray::number(s.front().unicode()));
                } else {
                    if (t != tokInteger)
                        FParser.CheckToken(tokSymbol);
                    FWriter.WriteStrBytes(FParser.TokenBytes());
                }
                if (FParser.NextToken() == u']')
                    break;
                FParser.CheckToken(u',');
                FParser.NextToken();
            }
        }
        FWriter.WriteTag(vaNull);
    }

    // Strings joined by "+". Pure ASCII pieces are collected as bytes, which both
    // string rules write unchanged (vaString / vaLString) unless the result is empty.
    void ConvertString()
    {
        bool ascii = true;
        FAsciiJoin.clear();
        for (;;) {
            const QByteArrayView bytes = FParser.TokenBytes();
            if (ascii && FParser.Token() == tokString && IsAscii(bytes)) {
                FAsciiJoin.append(bytes.data(), size_t(bytes.size()));
            } else {
                if (ascii) {
                    FJoin.assign(FAsciiJoin.begin(), FAsciiJoin.end());
                    ascii = false;
                }
                if (FParser.Token() == tokWideString) {
                    FJoin.append(FParser.WideChars());
                } else {
                    const QString s = FParser.TokenString();
                    FJoin.append(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
                }
            }
            if (FParser.NextToken() != u'+')
                break;
            FParser.NextToken();
            if (FParser.Token() != tokString && FParser.Token() != tokWideString)
                FParser.CheckToken(tokString);
        }

        CheckLengthField(qsizetype(2 * (ascii ? FAsciiJoin.size() : FJoin.size())));
        if (ascii) {
            if (FAsciiJoin.empty() && !FAnsi)
                FWriter.WriteString(QStringView());
            else
                FWriter.WriteAnsiBytes(QByteArrayView(FAsciiJoin.data(), qsizetype(FAsciiJoin.size())));
        } else if (FAnsi && ansi::encodeExact(QStringView(FJoin), FEncoded)) {
            FWriter.WriteAnsiBytes(FEncoded);
        } else {
            // The ANSI variant keeps what the code page cannot hold by the standard rule.
            FWriter.WriteString(QStringView(FJoin));
        }
    }

    TParser FParser;
    TWriterEx FWriter;
    bool FAnsi;
    int FDepth = 0;
    std::string FName;
    std::string FAsciiJoin;
    std::u16string FJoin;
    QByteArray FEncoded;
};

// Room left in front of the form stream for its resource header (at most 202 bytes).
constexpr qsizetype kHeaderRoom = 256;

// Text with a UTF-16 byte-order mark (either order), re-encoded as UTF-8 behind its
// byte-order mark, which the tokenizer reads; empty for any other text.
QByteArray Utf16AsUtf8(QByteArrayView text)
{
    if (text.size() < 2)
        return {};
    const auto b0 = static_cast<uint8_t>(text[0]);
    const auto b1 = static_cast<uint8_t>(text[1]);
    QStringConverter::Encoding encoding;
    if (b0 == 0xFF && b1 == 0xFE)
        encoding = QStringConverter::Utf16LE;
    else if (b0 == 0xFE && b1 == 0xFF)
        encoding = QStringConverter::Utf16BE;
    else
        return {};
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    const QString decoded = decoder.decode(text.sliced(2));
    QByteArray utf8("\xEF\xBB\xBF");
    utf8 += decoded.toUtf8();
    return utf8;
}

// Converts the text into a buffer that holds kHeaderRoom bytes of room, then the form stream.
QByteArray ConvertToBuffer(ByteStream& input, bool ansi)
{
    const QByteArray utf8 = Utf16AsUtf8(input.remaining());
    if (!utf8.isEmpty()) {
        ByteStream converted(utf8);
        QByteArray result = ConvertToBuffer(converted, ansi);
        input.seek(input.size());
        return result;
    }
    QByteArray room(kHeaderRoom, '\0');
    // Most forms shrink when converted; reserving the text's size avoids regrowing.
    room.reserve(kHeaderRoom + input.size() - input.position() + 64);
    ByteStream buffer(std::move(room));
    buffer.seek(kHeaderRoom);
    {
        TTextConverter converter(input, buffer, ansi);
        converter.Run();
    }
    QByteArray result = buffer.data(); // shares, then becomes the only owner
    buffer.clear();
    return result;
}

// Appends bytes to output; an empty output takes over the buffer without copying.
void Append(ByteStream& output, QByteArray bytes)
{
    if (output.size() == 0 && output.position() == 0) {
        output.setData(std::move(bytes));
        output.seek(output.size());
    } else {
        output.write(bytes);
    }
}

void ToStream(ByteStream& input, ByteStream& output, bool ansi)
{
    QByteArray buffer = ConvertToBuffer(input, ansi);
    buffer.remove(0, kHeaderRoom);
    Append(output, std::move(buffer));
}

void ToResource(ByteStream& input, ByteStream& output, bool ansi)
{
    QByteArray buffer = ConvertToBuffer(input, ansi);
    const QByteArray stream = QByteArray::fromRawData(buffer.constData() + kHeaderRoom, buffer.size() - kHeaderRoom);
    ByteStream header;
    WriteFormResourceHeader(stream, header);
    const QByteArray& h = header.data();
    if (h.size() > kHeaderRoom) {
        QByteArray all = h + stream;
        Append(output, std::move(all));
        return;
    }
    const qsizetype start = kHeaderRoom - h.size();
    std::memcpy(buffer.data() + start, h.constData(), size_t(h.size()));
    buffer.remove(0, start);
    Append(output, std::move(buffer));
}

} // namespace

void TextToResource(ByteStream& input, ByteStream& output)
{
    ToResource(input, output, false);
}

void TextToResourceAnsi(ByteStream& input, ByteStream& output)
{
    ToResource(input, output, true);
}

void TextToStream(ByteStream& input, ByteStream& output)
{
    ToStream(input, output, false);
}

void TextToStreamAnsi(ByteStream& input, ByteStream& output)
{
    ToStream(input, output, true);
}

TStringRule SaveStringRule(QByteArrayView text)
{
    return IsAscii(text) ? TStringRule::Standard : TStringRule::Ansi;
}

void TextToResourceByRule(ByteStream& input, ByteStream& output, TStringRule rule)
{
    ToResource(input, output, rule == TStringRule::Ansi);
}

void TextToStreamByRule(ByteStream& input, ByteStream& output, TStringRule rule)
{
    ToStream(input, output, rule == TStringRule::Ansi);
}

} // namespace korvel
