#include "convert/AnsiCodePage.h"

#include <gtest/gtest.h>

#include <thread>

using namespace korvel;

namespace {

QByteArray hex(const char* h)
{
    return QByteArray::fromHex(h);
}

TEST(AnsiCodePage, DecodesAndEncodesKnownCharacters)
{
    struct Case {
        int cp;
        const char* bytes;
        const char16_t* text;
    };
    const Case cases[] = {
        {1252, "e9", u"é"},
        {1252, "80", u"€"},
        {932, "93fa967b8cea", u"日本語"},
        {932, "955c", u"表"},             // trail byte 5C stays inside the character
        {932, "1a1c7f", u"\x1a\x1c\x7f"}, // control codes are ASCII, not ICU's IBM swap
        {1251, "cff0e8e2e5f2", u"Привет"},
        {936, "c4e3bac3", u"你好"},
        {949, "c7d1b1b9", u"한국"},
        {950, "a4a4a4e5", u"中文"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cp);
        const QString expected = QString::fromUtf16(c.text);
        EXPECT_EQ(ansi::decode(hex(c.bytes), c.cp), expected);
        EXPECT_EQ(ansi::encode(expected, c.cp).toHex(), QByteArray(c.bytes));
    }
}

TEST(AnsiCodePage, EveryByteSequenceRoundTrips)
{
    for (int cp : {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
        SCOPED_TRACE(cp);
        QByteArray all;
        for (int a = 0; a < 256; ++a)
            for (int b : {0x20, 0x40, 0x5c, 0x7e, 0x7f, 0x80, 0xa0, 0xe0, 0xfd, 0xff})
                all.append(char(a)).append(char(b));
        const QString text = ansi::decode(all, cp);
        EXPECT_EQ(ansi::encode(text, cp), all);
    }
}

TEST(AnsiCodePage, UnrepresentableCharactersBecomeQuestionMarksUnlessExact)
{
    const QString text = QString::fromUtf16(u"a\u3042b\u200Bc");
    EXPECT_EQ(ansi::encode(text, 1252), QByteArray("a?b?c"));
    QByteArray out;
    EXPECT_FALSE(ansi::encodeExact(text, out, 1252));
    EXPECT_TRUE(ansi::encodeExact(QString::fromUtf16(u"café"), out, 1252));
    EXPECT_EQ(out, QByteArray("caf\xe9"));
}

TEST(AnsiCodePage, LocaleNamesMapToWindowsCodePages)
{
    const std::pair<const char*, int> cases[] = {
        {"ja_JP.UTF-8", 932},
        {"zh_CN.UTF-8", 936},
        {"zh_TW", 950},
        {"ko_KR", 949},
        {"ru_RU.UTF-8", 1251},
        {"pl_PL", 1250},
        {"el_GR", 1253},
        {"tr_TR", 1254},
        {"he_IL", 1255},
        {"ar_EG", 1256},
        {"lt_LT", 1257},
        {"vi_VN", 1258},
        {"th_TH", 874},
        {"de_DE.UTF-8", 1252},
        {"C", 1252},
        {"POSIX", 1252},
        {"C.UTF-8", 1252},
    };
    for (auto [name, cp] : cases)
        EXPECT_EQ(ansi::codePageForLocale(QString::fromLatin1(name)), cp) << name;
}

// A thread's own code page decodes on that thread only, over the run's choice, and
// goes back to the run's choice when reset.
TEST(AnsiCodePage, ThreadCodePageStaysOnItsThread)
{
    const int run = ansi::activeCodePage();
    const int other = run == 932 ? 1251 : 932;
    EXPECT_EQ(ansi::setThreadCodePage(other), 0);
    EXPECT_EQ(ansi::activeCodePage(), other);
    int seenElsewhere = 0;
    std::thread([&] { seenElsewhere = ansi::activeCodePage(); }).join();
    EXPECT_EQ(seenElsewhere, run);
    EXPECT_EQ(ansi::decode(hex("955c")), ansi::decode(hex("955c"), other));
    EXPECT_EQ(ansi::setThreadCodePage(0), other);
    EXPECT_EQ(ansi::activeCodePage(), run);
}

} // namespace
