// The inventory's last answer: rebuilt for any filter without asking the server again.
#include "FakeOpenFileSource.h"
#include "clsNetFile.h"

#include <gtest/gtest.h>

namespace {

class LastAnswer : public ::testing::Test {
protected:
    std::shared_ptr<FakeOpenFileSource> source = std::make_shared<FakeOpenFileSource>();
    clsNetFile inventory{source};

    void SetUp() override
    {
        inventory.server("Srv");
        ASSERT_TRUE(inventory.takeAnswer({0, {record(1, "Ann", "C:\\Docs\\a.TXT"), record(2, "bob", "c:\\b"),
                                              record(3, "joe", "d:\\ann\\c.pdf", 3)}}));
    }

    QStringList paths() const
    {
        QStringList all;
        for (std::int16_t i = 1; i <= inventory.count(); ++i)
            all << inventory.fileName(i);
        return all;
    }
};

} // namespace

TEST_F(LastAnswer, RebuildsForEachFilterWithoutAskingTheServer)
{
    const struct {
        const char* filter;
        QStringList paths;
        const char* message;
    } cases[] = {
        {"", {"c:\\docs\\a.txt", "c:\\b", "d:\\ann\\c.pdf"}, " 3 open connections on 'Srv'"},
        {"ANN", {"c:\\docs\\a.txt", "d:\\ann\\c.pdf"}, " 3 open connections on 'Srv' - Filtered elements: 2"},
        {"read", {}, " 3 open connections on 'Srv' - Filtered elements: 0"},
        {"  ", {"c:\\docs\\a.txt", "c:\\b", "d:\\ann\\c.pdf"}, " 3 open connections on 'Srv'"},
    };
    for (const auto& c : cases) {
        inventory.rebuild(c.filter);
        EXPECT_EQ(paths(), c.paths) << c.filter;
        EXPECT_EQ(inventory.message(), c.message) << c.filter;
    }
    EXPECT_TRUE(source->enumerated.empty());
    inventory.rebuild("pdf");
    EXPECT_EQ(inventory.userName(1), "joe");
    EXPECT_EQ(inventory.filePermission(1), "read write access");
    EXPECT_EQ(inventory.typeFile(1), "pdf");
    EXPECT_EQ(inventory.idFile(1), 3);
}

TEST_F(LastAnswer, AFailedAnswerKeepsTheLastOneAndItsServer)
{
    inventory.rebuild("bob");
    inventory.server("Other");
    EXPECT_FALSE(inventory.takeAnswer({5, {record(9, "eve", "e:\\x")}}));
    EXPECT_EQ(inventory.message(), QString());
    EXPECT_EQ(paths(), QStringList{"c:\\b"});
    EXPECT_EQ(inventory.answeredServer(), "Srv");

    inventory.rebuild("");
    EXPECT_EQ(paths().size(), 3);
}

TEST_F(LastAnswer, LoadIsOneEnumerationTakenAndRebuilt)
{
    source->serve({record(7, "eve", "e:\\x.doc")});
    inventory.server("Next");
    inventory.load("X");
    EXPECT_EQ(source->enumerated, std::vector<QString>{"\\\\Next"});
    EXPECT_EQ(inventory.answeredServer(), "Next");
    EXPECT_EQ(paths(), QStringList{"e:\\x.doc"});

    source->answer.status = 1003;
    inventory.load("");
    EXPECT_EQ(paths(), QStringList{"e:\\x.doc"});
    EXPECT_EQ(inventory.message(), QString());
}
