// The language file: its INI reading rules, its integers and where it lies.
#include "lang/LanguageFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace korvel {
namespace {

TEST(LanguageFileTest, Lookups)
{
    const QStringList lines = {
        "StrNoName=before any section",
        "[stringtable]",
        "  strnoname = (none)  ",
        "StrModified= [modified]",
        "; StrReload=comment",
        "StrReload",
        "StrSaveChanges=",
        "StrRestoreBackup=a=b",
        "StrNoName=second wins not",
        "[ Editor ]",
        "FontName=\"Quoted\"",
        "[actUp",
        "Caption=not a section",
        "[StringTable]",
        "StrFormFileNotFound=merged",
    };
    const TLanguageFile f = TLanguageFile::FromLines(lines);
    struct Row {
        const char* section;
        const char* key;
        const char* expected; // nullptr: missing
    };
    const Row rows[] = {
        {"StringTable", "StrNoName", "(none)"},
        {"STRINGTABLE", "STRNONAME", "(none)"},
        {"StringTable", "StrModified", "[modified]"},
        {"StringTable", "StrReload", nullptr},
        {"StringTable", "; StrReload", nullptr},
        {"StringTable", "StrSaveChanges", ""},
        {"StringTable", "StrRestoreBackup", "a=b"},
        {"StringTable", "StrFormFileNotFound", "merged"},
        {"Editor", "FontName", "\"Quoted\""},
        {"Editor", "Caption", "not a section"},
        {"actUp", "Caption", nullptr},
        {"Missing", "Key", nullptr},
    };
    for (const Row& r : rows) {
        const std::optional<QString> v = f.value(QString::fromLatin1(r.section), QString::fromLatin1(r.key));
        if (r.expected) {
            ASSERT_TRUE(v.has_value()) << r.section << '/' << r.key;
            EXPECT_EQ(*v, QString::fromLatin1(r.expected)) << r.section << '/' << r.key;
        } else {
            EXPECT_FALSE(v.has_value()) << r.section << '/' << r.key;
        }
    }
}

TEST(LanguageFileTest, Integers)
{
    struct Row {
        const char* text;
        std::optional<int> value;
    };
    const Row rows[] = {
        {"12", 12},
        {"+12", 12},
        {"-7", -7},
        {"$0C", 12},
        {"0x0C", 12},
        {"0X1f", 31},
        {"-$10", -16},
        {"12pt", {}},
        {"0x", {}},
        {"$", {}},
        {"", {}},
        {" 12", {}},
        {"2147483647", 2147483647},
        {"2147483648", {}},
        {"-2147483648", INT32_MIN},
        {"99999999999999999999", {}},
        {"1.5", {}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ParseLanguageInteger(QString::fromLatin1(r.text)), r.value) << r.text;
}

TEST(LanguageFileTest, PathBesideTheExecutable)
{
    EXPECT_EQ(LanguageFilePathFor("/usr/bin/korvel"), "/usr/bin/korvel.lng");
    EXPECT_EQ(LanguageFilePathFor("/opt/k.v2/Korvel.exe"), "/opt/k.v2/Korvel.lng");
}

} // namespace
} // namespace korvel
