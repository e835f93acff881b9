// The corpus of real forms beside the repository: its folder, and what a test
// does when it is missing.
#pragma once

#include <QFileInfo>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace korvel::test {

// True when the corpus must be there: built with KORVEL_REQUIRE_CORPUS=ON or run
// with the environment variable KORVEL_REQUIRE_CORPUS set to anything but 0.
inline bool CorpusRequired()
{
#if defined(KORVEL_REQUIRE_CORPUS)
    return true;
#else
    const char* env = std::getenv("KORVEL_REQUIRE_CORPUS");
    return env && *env && std::strcmp(env, "0") != 0 && std::strcmp(env, "OFF") != 0;
#endif
}

inline bool CorpusPresent()
{
    return QFileInfo(QStringLiteral(KORVEL_CORPUS_DIR)).isDir();
}

} // namespace korvel::test

// At the start of a corpus test: skips it when the corpus folder is missing, or
// fails it when the corpus is required (as in CI, where a skip would hide that
// nothing was tested).
#define KORVEL_NEEDS_CORPUS()                                                                                          \
    do {                                                                                                               \
        if (!korvel::test::CorpusPresent()) {                                                                          \
            if (korvel::test::CorpusRequired())                                                                        \
                FAIL() << "no corpus at " << KORVEL_CORPUS_DIR << " (KORVEL_REQUIRE_CORPUS is set)";                   \
            GTEST_SKIP() << "no corpus at " << KORVEL_CORPUS_DIR;                                                      \
        }                                                                                                              \
    } while (0)
