#include "TextRules.h"

#include <gtest/gtest.h>

TEST(TextRules, ExtensionIsTakenFromTheLastComponentOnly)
{
    const struct {
        const char* path;
        const char* extension;
    } cases[] = {
        {"d:\\docs\\a.txt", "txt"},
        {"c:\\x\\archive.tar.gz", "gz"},
        {"c:\\a.b\\file", ""},
        {"d:\\x\\a./sub/name", ""},
        {"/srv/share/report.PDF", "PDF"},
        {"c:\\dir\\", ""},
        {"c:\\dir\\name.", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(extensionOf(QString::fromUtf8(c.path)), QString::fromUtf8(c.extension)) << c.path;
}

TEST(TextRules, OnlySpaceCharactersCountAsBlanks)
{
    EXPECT_EQ(trimBlanks(u"  fs01 "), u"fs01");
    EXPECT_EQ(trimBlanks(u"\tfs01"), u"\tfs01");
    EXPECT_TRUE(isBlank(u"   "));
    EXPECT_TRUE(isBlank(u""));
    EXPECT_FALSE(isBlank(u" \t "));
}
