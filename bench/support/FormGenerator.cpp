#include "support/FormGenerator.h"

#include "convert/ByteStream.h"
#include "convert/TextToBinary.h"

#include <charconv>
#include <string>
#include <vector>

namespace korvel::bench {
namespace {

// A small deterministic generator so every run measures the same form.
struct Rng {
    uint64_t s;
    uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return uint32_t(s >> 11);
    }
    uint32_t below(uint32_t n) { return next() % n; }
};

class Writer {
public:
    explicit Writer(int64_t reserve) { out.reserve(size_t(reserve + reserve / 8)); }
    std::string out;

    void indent(int level) { out.append(size_t(level) * 2, ' '); }
    void line(int level, std::string_view text)
    {
        indent(level);
        out.append(text);
        out.append("\r\n");
    }
    void number(int64_t v)
    {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        out.append(buf, r.ptr);
    }
    void prop(int level, std::string_view name, int64_t v)
    {
        indent(level);
        out.append(name);
        out.append(" = ");
        number(v);
        out.append("\r\n");
    }
};

const char16_t kJapanese[] = u"日本語のテキストと表示名前設定画面開閉保存読込編集";

void writeComponent(Writer& w, Rng& rng, int level, int64_t id, bool bigPicture)
{
    w.indent(level);
    w.out.append("object Component");
    w.number(id);
    w.out.append(": TSampleControl\r\n");
    const int p = level + 1;
    w.prop(p, "Left", int64_t(rng.below(256)) - 128);               // vaInt8
    w.prop(p, "Top", int64_t(rng.below(30000)) + 200);              // vaInt16
    w.prop(p, "Tag", int64_t(rng.below(1000000)) + 100000);         // vaInt32
    w.prop(p, "Serial", 5000000000LL + int64_t(rng.below(100000))); // vaInt64
    w.line(p, "Ratio = 1.500000000000000000");                      // vaExtended
    w.line(p, "Opacity = 0.100000001490116s");                      // vaSingle
    w.line(p, "Price = 15000c");                                    // vaCurrency
    w.line(p, "Created = 45000.5d");                                // vaDate
    w.line(p, "Align = alTop");                                     // vaIdent
    w.line(p, rng.below(2) ? "Visible = False" : "Visible = True");
    w.line(p, "PopupMenu = nil");
    w.line(p, "DataSource = Form1.Source1");
    w.line(p, "Anchors = [akLeft, akTop, akRight]"); // vaSet
    w.indent(p);
    w.out.append("Caption = 'Component caption ");
    w.number(id);
    w.out.append("'\r\n"); // vaString
    // A #-coded Japanese hint (vaWString).
    w.indent(p);
    w.out.append("Hint = ");
    const int n = 4 + int(rng.below(12));
    for (int i = 0; i < n; ++i) {
        w.out.push_back('#');
        w.number(int64_t(kJapanese[rng.below(sizeof kJapanese / 2 - 1)]));
    }
    w.out.append("'!'\r\n");
    // A long string wrapped at 64 characters (vaLString).
    w.indent(p);
    w.out.append("Description = \r\n");
    const int chunks = 5;
    for (int c = 0; c < chunks; ++c) {
        w.indent(p + 1);
        w.out.push_back('\'');
        for (int i = 0; i < 64; ++i)
            w.out.push_back(char('a' + (i + c + id) % 26));
        w.out.push_back('\'');
        w.out.append(c + 1 < chunks ? " +\r\n" : "\r\n");
    }
    // A list of strings.
    w.line(p, "Items.Strings = (");
    w.line(p + 1, "'First item'");
    w.line(p + 1, "'Second item'");
    w.line(p + 1, "'Third item')");
    // A collection with indexed and plain items.
    w.line(p, "Columns = <");
    w.line(p + 1, "item");
    w.line(p + 2, "Width = 64");
    w.line(p + 2, "Title.Caption = 'Name'");
    w.line(p + 1, "end");
    w.line(p + 1, "item [2]");
    w.line(p + 2, "Width = 100");
    w.indent(p + 1);
    w.out.append("end>\r\n");
    // Hex picture data: small for most components, large for some.
    const int bytes = bigPicture ? 24000 + int(rng.below(2000)) : 40 + int(rng.below(200));
    w.indent(p);
    w.out.append("Picture.Data = {");
    static const char hex[] = "0123456789ABCDEF";
    for (int i = 0; i < bytes; i += 32) {
        w.out.append("\r\n");
        w.indent(p + 1);
        const int m = std::min(32, bytes - i);
        for (int k = 0; k < m; ++k) {
            const uint32_t b = rng.next() & 0xFF;
            w.out.push_back(hex[b >> 4]);
            w.out.push_back(hex[b & 15]);
        }
    }
    w.out.append("}\r\n");
}

struct Plan {
    int64_t components;
};

// Roughly: 1,600 bytes of text per component plus a big picture every 30th one.
Plan plan(int64_t approxBytes)
{
    const int64_t perComponent = 1600 + 50000 / 30;
    return {std::max<int64_t>(1, approxBytes / perComponent)};
}

} // namespace

int64_t BenchmarkFormComponentCount(int64_t approxBytes)
{
    return plan(approxBytes).components + 1;
}

QByteArray GenerateBenchmarkFormText(int64_t approxBytes)
{
    const Plan pl = plan(approxBytes);
    Writer w(approxBytes);
    Rng rng{0x9E3779B97F4A7C15ULL};
    w.line(0, "object Form1: TForm1");
    w.line(1, "Left = 0");
    w.line(1, "Top = 0");
    w.line(1, "Caption = 'Benchmark form'");
    // Components hang in chains of up to 12 levels, so the form is deep as well as wide.
    int64_t id = 0;
    while (id < pl.components) {
        const int depth = 1 + int(rng.below(12));
        int level = 1;
        std::vector<int> open;
        for (int d = 0; d < depth && id < pl.components; ++d, ++id) {
            writeComponent(w, rng, level, id, id % 30 == 29);
            open.push_back(level);
            ++level;
        }
        while (!open.empty()) {
            w.line(open.back(), "end");
            open.pop_back();
        }
    }
    w.line(0, "end");
    return QByteArray(w.out.data(), qsizetype(w.out.size()));
}

QByteArray GenerateBenchmarkFormBinary(int64_t approxBytes)
{
    ByteStream in(GenerateBenchmarkFormText(approxBytes));
    ByteStream out;
    TextToResource(in, out);
    return out.data();
}

} // namespace korvel::bench
