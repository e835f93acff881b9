#include "convert/AnsiCodePage.h"

#include <unicode/ucnv.h>

#include <atomic>
#include <cstring>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace korvel::ansi {
namespace {

constexpr char16_t kEscapeBase = 0xDC00; // U+DC80..U+DCFF stand for bytes 80..FF

const char* icuName(int codePage)
{
    switch (codePage) {
    case 874:
        return "windows-874-2000";
    case 932:
        return "ibm-943_P15A-2003";
    case 936:
        return "windows-936-2000";
    case 949:
        return "windows-949-2000";
    case 950:
        return "windows-950-2000";
    case 1250:
        return "ibm-5346_P100-1998";
    case 1251:
        return "ibm-5347_P100-1998";
    case 1252:
        return "ibm-5348_P100-1997";
    case 1253:
        return "ibm-5349_P100-1998";
    case 1254:
        return "ibm-5350_P100-1998";
    case 1255:
        return "ibm-9447_P100-2002";
    case 1256:
        return "ibm-9448_X100-2005";
    case 1257:
        return "ibm-9449_P100-2002";
    case 1258:
        return "ibm-5354_P100-1998";
    default:
        return nullptr;
    }
}

bool isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

// One open converter per code page and thread; ICU converters are not thread-safe.
struct ConverterDeleter {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterDeleter>;

UConverter* converter(int codePage)
{
    thread_local std::map<int, ConverterPtr> cache;
    auto it = cache.find(codePage);
    if (it != cache.end()) {
        ucnv_reset(it->second.get());
        return it->second.get();
    }
    const char* name = icuName(codePage);
    if (!name)
        return nullptr;
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr c(ucnv_open(name, &err));
    if (U_FAILURE(err) || !c)
        return nullptr;
    err = U_ZERO_ERROR;
    ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    err = U_ZERO_ERROR;
    ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    UConverter* raw = c.get();
    cache.emplace(codePage, std::move(c));
    return raw;
}

std::atomic<int> gActive{0};

// Decodes bytes with ICU; returns false when the bytes hold anything ICU rejects.
bool icuDecode(UConverter* c, const char* src, int64_t n, QString& out)
{
    ucnv_reset(c);
    const qsizetype start = out.size();
    out.resize(start + n); // never more code units than bytes in these code pages
    UChar* target = reinterpret_cast<UChar*>(out.data()) + start;
    UChar* targetEnd = target + n;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_toUnicode(c, &target, targetEnd, &src, src + n, nullptr, true, &err);
    if (U_FAILURE(err)) {
        out.truncate(start);
        return false;
    }
    out.truncate(target - reinterpret_cast<UChar*>(out.data()));
    return true;
}

// Encodes text with ICU; returns false when a character has no mapping.
bool icuEncode(UConverter* c, const char16_t* src, int64_t n, QByteArray& out)
{
    ucnv_reset(c);
    const qsizetype start = out.size();
    const int64_t room = n * 4 + 4;
    out.resize(start + room);
    char* target = out.data() + start;
    char* targetEnd = target + room;
    const UChar* s = reinterpret_cast<const UChar*>(src);
    UErrorCode err = U_ZERO_ERROR;
    ucnv_fromUnicode(c, &target, targetEnd, &s, s + n, nullptr, true, &err);
    if (U_FAILURE(err)) {
        out.truncate(start);
        return false;
    }
    out.truncate(target - out.data());
    return true;
}

// Decodes one run of bytes that holds at least one byte of 80 or above and no
// byte below 40 or equal to 7F (so no control code and no character boundary
// ambiguity). The fast path decodes the whole run and checks that encoding gives
// the same bytes back; otherwise it goes character by character.
void decodeRun(UConverter* c, int codePage, const char* p, int64_t n, QString& out)
{
    const qsizetype mark = out.size();
    if (icuDecode(c, p, n, out)) {
        QByteArray back;
        QStringView decoded(out.constData() + mark, out.size() - mark);
        if (icuEncode(c, decoded.utf16(), decoded.size(), back) && back.size() == n
            && std::memcmp(back.constData(), p, n) == 0)
            return;
        out.truncate(mark);
    }
    const int64_t maxLen = isDoubleByte(codePage) ? 2 : 1;
    int64_t i = 0;
    while (i < n) {
        bool done = false;
        for (int64_t len = 1; len <= maxLen && i + len <= n && !done; ++len) {
            QString one;
            if (!icuDecode(c, p + i, len, one) || one.size() != 1)
                continue;
            QByteArray back;
            if (icuEncode(c, reinterpret_cast<const char16_t*>(one.utf16()), 1, back) && back.size() == len
                && std::memcmp(back.constData(), p + i, len) == 0) {
                out.append(one);
                i += len;
                done = true;
            }
        }
        if (!done) {
            const unsigned char b = static_cast<unsigned char>(p[i]);
            out.append(b < 0x80 ? QChar(b) : QChar(char16_t(kEscapeBase + b)));
            ++i;
        }
    }
}

bool isEscape(char16_t u)
{
    return u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF;
}

// Encodes s[0..n) and checks that decoding gives the same text back: ICU drops
// some characters (U+200B, U+FEFF, …) silently instead of reporting them.
bool encodeChecked(UConverter* c, const char16_t* s, qsizetype n, QByteArray& out)
{
    const qsizetype start = out.size();
    if (!icuEncode(c, s, n, out))
        return false;
    QString back;
    if (out.size() > start && icuDecode(c, out.constData() + start, out.size() - start, back) && back.size() == n
        && std::memcmp(back.utf16(), s, n * sizeof(char16_t)) == 0)
        return true;
    out.truncate(start);
    return false;
}

// Shared by encode and encodeExact; exact == true makes an unmappable character fail.
bool encodeImpl(QStringView text, QByteArray& out, int codePage, bool exact)
{
    UConverter* c = converter(codePage);
    out.clear();
    out.reserve(text.size());
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t u = s[i];
        if (u < 0x80) {
            out.append(char(u));
            ++i;
            continue;
        }
        if (isEscape(u)) {
            out.append(char(u - kEscapeBase));
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && s[j] >= 0x80 && !isEscape(s[j]))
            ++j;
        if (!c || !encodeChecked(c, s + i, j - i, out)) {
            // Character by character: '?' for each one without an exact mapping.
            for (qsizetype m = i; m < j; ++m) {
                const qsizetype len =
                    (QChar::isHighSurrogate(s[m]) && m + 1 < j && QChar::isLowSurrogate(s[m + 1])) ? 2 : 1;
                if (!c || !encodeChecked(c, s + m, len, out)) {
                    if (exact)
                        return false;
                    out.append('?');
                }
                m += len - 1;
            }
        }
        i = j;
    }
    return true;
}

} // namespace

bool isSupported(int codePage)
{
    return icuName(codePage) != nullptr;
}

int codePageForLocale(const QString& localeName)
{
    QString lang = localeName.section(u'.', 0, 0).section(u'@', 0, 0);
    if (lang.isEmpty() || lang == u"C" || lang == u"POSIX")
        return 1252;
    const QString l = lang.section(u'_', 0, 0).toLower();
    const QString region = lang.section(u'_', 1, 1).toUpper();
    if (l == u"ja")
        return 932;
    if (l == u"zh")
        return (region == u"TW" || region == u"HK" || region == u"MO") ? 950 : 936;
    if (l == u"ko")
        return 949;
    static const char* cyrillic[] = {"ru", "uk", "be", "bg", "mk", "sr", "kk", "ky", "mn", "tg", "tt", "ba"};
    for (const char* x : cyrillic)
        if (l == QLatin1String(x))
            return 1251;
    static const char* central[] = {"cs", "sk", "pl", "hu", "sl", "hr", "ro", "sq", "bs"};
    for (const char* x : central)
        if (l == QLatin1String(x))
            return 1250;
    if (l == u"el")
        return 1253;
    if (l == u"tr" || l == u"az")
        return 1254;
    if (l == u"he" || l == u"iw")
        return 1255;
    if (l == u"ar" || l == u"fa" || l == u"ur")
        return 1256;
    if (l == u"lt" || l == u"lv" || l == u"et")
        return 1257;
    if (l == u"vi")
        return 1258;
    if (l == u"th")
        return 874;
    return 1252;
}

int codePageFromEnvironment()
{
    if (const char* v = std::getenv("KORVEL_ANSI_CODEPAGE"); v && *v) {
        const int cp = std::atoi(v);
        if (isSupported(cp))
            return cp;
    }
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        if (const char* v = std::getenv(var); v && *v)
            return codePageForLocale(QString::fromLocal8Bit(v));
    }
    return 1252;
}

namespace {
thread_local int tThreadCodePage = 0;
} // namespace

int setThreadCodePage(int codePage)
{
    return std::exchange(tThreadCodePage, isSupported(codePage) ? codePage : 0);
}

int activeCodePage()
{
    if (tThreadCodePage != 0)
        return tThreadCodePage;
    int cp = gActive.load(std::memory_order_relaxed);
    if (cp == 0) {
        cp = codePageFromEnvironment();
        gActive.store(cp, std::memory_order_relaxed);
    }
    return cp;
}

bool setActiveCodePage(int codePage)
{
    if (!isSupported(codePage))
        return false;
    gActive.store(codePage, std::memory_order_relaxed);
    return true;
}

QString decode(QByteArrayView bytes, int codePage)
{
    QString out;
    const char* p = bytes.data();
    const int64_t n = bytes.size();
    out.reserve(n);
    UConverter* c = converter(codePage);
    int64_t i = 0;
    while (i < n) {
        // ASCII up to the next byte of 80 or above.
        int64_t j = i;
        while (j < n && static_cast<unsigned char>(p[j]) < 0x80)
            ++j;
        if (j == n) {
            out.append(QLatin1StringView(p + i, n - i));
            break;
        }
        // Back up to the start of the run that holds byte j: bytes 40–7E may be trail
        // bytes of a double-byte character, bytes below 40 and 7F never are.
        int64_t runStart = j;
        while (runStart > i) {
            const unsigned char b = static_cast<unsigned char>(p[runStart - 1]);
            if (b < 0x40 || b == 0x7F)
                break;
            --runStart;
        }
        out.append(QLatin1StringView(p + i, runStart - i));
        int64_t runEnd = j;
        while (runEnd < n) {
            const unsigned char b = static_cast<unsigned char>(p[runEnd]);
            if (b < 0x40 || b == 0x7F)
                break;
            ++runEnd;
        }
        if (c) {
            decodeRun(c, codePage, p + runStart, runEnd - runStart, out);
        } else {
            for (int64_t k = runStart; k < runEnd; ++k) {
                const unsigned char b = static_cast<unsigned char>(p[k]);
                out.append(b < 0x80 ? QChar(b) : QChar(char16_t(kEscapeBase + b)));
            }
        }
        i = runEnd;
    }
    return out;
}

QByteArray encode(QStringView text, int codePage)
{
    QByteArray out;
    encodeImpl(text, out, codePage, false);
    return out;
}

bool encodeExact(QStringView text, QByteArray& out, int codePage)
{
    return encodeImpl(text, out, codePage, true);
}

QString decode(QByteArrayView bytes)
{
    return decode(bytes, activeCodePage());
}
QByteArray encode(QStringView text)
{
    return encode(text, activeCodePage());
}
bool encodeExact(QStringView text, QByteArray& out)
{
    return encodeExact(text, out, activeCodePage());
}

} // namespace korvel::ansi
