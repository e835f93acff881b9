// Writes the generated benchmark form to a file, so that the programs
// themselves (korvel-cli, the window) can be measured on it:
//   make_bench_form text|binary OUT [BYTES]
// BYTES is the approximate size of the form text (default 50000000).
#include "support/FormGenerator.h"

#include <QFile>

#include <charconv>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    const bool binary = argc >= 3 && std::strcmp(argv[1], "binary") == 0;
    if (argc < 3 || argc > 4 || (!binary && std::strcmp(argv[1], "text") != 0)) {
        std::fputs("usage: make_bench_form text|binary OUT [BYTES]\n", stderr);
        return 2;
    }
    int64_t size = 50'000'000;
    if (argc == 4) {
        const char* end = argv[3] + std::strlen(argv[3]);
        const auto [p, ec] = std::from_chars(argv[3], end, size);
        if (ec != std::errc() || p != end || size <= 0) {
            std::fputs("make_bench_form: BYTES must be a positive number\n", stderr);
            return 2;
        }
    }
    const QByteArray form =
        binary ? korvel::bench::GenerateBenchmarkFormBinary(size) : korvel::bench::GenerateBenchmarkFormText(size);
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(form) != form.size() || !out.flush()) {
        std::fprintf(stderr, "make_bench_form: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
