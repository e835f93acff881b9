// The one assertion the tests use for Korvel errors: kind, exact message and,
// where the error knows it, the line of the input.
#pragma once

#include "errors/Errors.h"

#include <QString>

#include <gtest/gtest.h>

#include <string>

namespace korvel::test {

// "kind: message" of an error, as one std::string for readable test failures.
inline std::string Describe(const EKorvelError& e)
{
    return std::string(e.kind()) + ": " + e.message().toStdString();
}

} // namespace korvel::test

// Expects statement to throw exactly type with exactly the message text, and
// with the given line (0: the error knows none).
#define EXPECT_KORVEL_ERROR_AT(statement, type, text, expectedLine)                                                    \
    do {                                                                                                               \
        try {                                                                                                          \
            statement;                                                                                                 \
            ADD_FAILURE() << "no exception from " #statement;                                                          \
        } catch (const type& e) {                                                                                      \
            EXPECT_EQ(std::string(e.kind()), std::string(#type));                                                      \
            EXPECT_EQ(e.message().toStdString(), QString(text).toStdString());                                         \
            EXPECT_EQ(e.line(), expectedLine);                                                                         \
        } catch (const korvel::EKorvelError& e) {                                                                      \
            ADD_FAILURE() << "wrong kind " << korvel::test::Describe(e);                                               \
        }                                                                                                              \
    } while (0)

// The same for an error without a line.
#define EXPECT_KORVEL_ERROR(statement, type, text) EXPECT_KORVEL_ERROR_AT(statement, type, text, 0)
