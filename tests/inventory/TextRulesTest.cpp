#include "LoweredTextPool.h"
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
    const char16_t* cases[][2] = {
        {u"  fs01 ", u"fs01"}, {u"\tfs01", u"\tfs01"}, {u"   ", u""}, {u"", u""}, {u" \t ", u"\t"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trimBlanks(c[0]), QStringView(c[1]));
        EXPECT_EQ(isBlank(c[0]), QStringView(c[1]).isEmpty());
    }
}

TEST(TextRules, LowerCasingMatchesQtAndLeavesSharedCopiesAlone)
{
    for (const char* sample : {"", "already lower", "C:\\Shares\\Finance\\Q3 REPORT.PDF", "MiXeD@[Z]`{A}",
                               "Ärger\\ÖL.TXT", "İSTANBUL", "STRAßE", "ÅNGSTRÖM mix"}) {
        const QString original = QString::fromUtf8(sample);
        QString lowered = original;  // shares the characters until lowered
        lowerInPlace(lowered);
        EXPECT_EQ(lowered, original.toLower()) << sample;
        EXPECT_EQ(original, QString::fromUtf8(sample)) << sample;
    }
}

TEST(TextRules, PooledLowerCaseFormsAreSharedPerDistinctText)
{
    LoweredTextPool pool;
    const QString first = pool.lowered(u"Marta.Kowalska");
    const QString again = pool.lowered(QString::fromUtf8("Marta.Kowalska"));
    EXPECT_EQ(first, "marta.kowalska");
    EXPECT_EQ(first.constData(), again.constData());
    EXPECT_EQ(pool.lowered(u"marta.kowalska"), "marta.kowalska");
    EXPECT_EQ(pool.lowered(u"ÉMILE"), "émile");
    EXPECT_TRUE(pool.lowered(u"").isEmpty());
}
