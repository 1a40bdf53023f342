#include "LoweredTextPool.h"
#include "TextRules.h"

#include <gtest/gtest.h>

TEST(TextRules, ExtensionIsTakenFromTheLastComponentOnly)
{
    const std::pair<const char*, const char*> cases[] = {
        {"d:\\docs\\a.txt", "txt"}, {"c:\\x\\archive.tar.gz", "gz"}, {"c:\\a.b\\file", ""},
        {"d:\\x\\a./sub/name", ""}, {"/srv/share/report.PDF", "PDF"}, {"c:\\dir\\", ""},
        {"c:\\dir\\name.", ""},     {"", ""},
    };
    for (const auto& [path, extension] : cases)
        EXPECT_EQ(extensionOf(QString::fromUtf8(path)), QString::fromUtf8(extension)) << path;
}

TEST(TextRules, OnlySpaceCharactersCountAsBlanks)
{
    const char16_t* cases[][2] = {
        {u"  fs01 ", u"fs01"}, {u"\tfs01", u"\tfs01"}, {u"   ", u""}, {u"", u""}, {u" \t ", u"\t"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trimBlanks(c[0]), QStringView(c[1]));
        EXPECT_EQ(isBlank(c[0]), QStringView(c[1]).isEmpty());
    }
}

// Pooled forms are shared per distinct text; lowering leaves other copies of a text alone.
TEST(TextRules, LowerCasingMatchesQtAndLeavesSharedCopiesAlone)
{
    LoweredTextPool pool;
    for (const char* sample : {"", "already lower", "C:\\Shares\\Finance\\Q3 REPORT.PDF", "MiXeD@[Z]`{A}",
                               "Ärger\\ÖL.TXT", "İSTANBUL", "STRAßE", "ÅNGSTRÖM mix"}) {
        const QString original = QString::fromUtf8(sample);
        QString lowered = original;  // shares the characters until lowered
        lowerInPlace(lowered);
        EXPECT_EQ(lowered, original.toLower()) << sample;
        EXPECT_EQ(original, QString::fromUtf8(sample)) << sample;
        EXPECT_EQ(pool.lowered(original), lowered) << sample;
        EXPECT_EQ(pool.lowered(QString::fromUtf8(sample)).constData(), pool.lowered(original).constData()) << sample;
    }
}
