// Language file reader on arbitrary bytes: decodes and parses them as a load
// does, looks every key of the text up in every section, and checks that an
// integer the reader accepts reads back the same from its decimal form.
#include "document/TextDecoding.h"
#include "lang/LanguageFile.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

using namespace korvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList lines = DecodeLinesWithBom(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const TLanguageFile file = TLanguageFile::FromLines(lines);
    QStringList sections;
    for (const QString& line : lines) {
        const QString t = line.trimmed();
        if (t.startsWith(u'[') && t.endsWith(u']'))
            sections << t.mid(1, t.size() - 2);
    }
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq);
        const QString rest = line.mid(eq + 1);
        for (const QString& section : sections) {
            file.readString(section, key, QString());
            const int fallback = 17;
            const int n = file.readInteger(section, key, fallback);
            const std::optional<QString> v = file.value(section, key);
            if (v && ParseLanguageInteger(*v) && n != *ParseLanguageInteger(*v))
                std::abort(); // readInteger disagrees with the value it reads
        }
        if (const std::optional<int> v = ParseLanguageInteger(rest)) {
            if (ParseLanguageInteger(QString::number(*v)) != v)
                std::abort(); // the decimal form of an accepted integer reads back otherwise
        }
    }
    return 0;
}
