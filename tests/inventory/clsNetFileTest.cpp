#include "FakeOpenFileSource.h"
#include "clsNetFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace {

class clsNetFileTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeOpenFileSource> source = std::make_shared<FakeOpenFileSource>();
    clsNetFile inventory{source};

    void loadFrom(const QString& server, const QString& filter, std::vector<OpenFileRecord> records)
    {
        source->serve(std::move(records));
        inventory.server(server);
        inventory.load(filter);
    }
};

const std::vector<OpenFileRecord> threeFiles = {
    record(11, "Alice", "D:\\Docs\\a.txt", 1), record(0x80000001u, "BOB", "C:\\Share\\Report.PDF", 3),
    record(13, "joanna", "C:\\a.b\\file", 7)};

} // namespace

// Every per-index property and CloseFile, for indexes that name no entry: empty answers, or
// an error for indexes below 1 while there are entries.
TEST_F(clsNetFileTest, IndexesWithoutEntryAnswerEmptyOrFail)
{
    enum class State { emptyAnswer, blankServer, filled };
    enum class Answer { empty, outOfRange, overflow };
    const struct {
        State state;
        std::int16_t index;
        Answer answer;
    } cases[] = {
        {State::emptyAnswer, -32768, Answer::empty}, {State::emptyAnswer, -5, Answer::empty},
        {State::blankServer, 0, Answer::empty},      {State::filled, 4, Answer::empty},
        {State::filled, 32767, Answer::empty},       {State::filled, 0, Answer::outOfRange},
        {State::filled, -1, Answer::outOfRange},     {State::filled, -32768, Answer::overflow},
    };
    const std::function<QString(std::int16_t)> properties[] = {
        [&](std::int16_t i) { return inventory.userName(i); },
        [&](std::int16_t i) { return inventory.filePermission(i); },
        [&](std::int16_t i) { return inventory.fileName(i); },
        [&](std::int16_t i) { return inventory.typeFile(i); },
        [&](std::int16_t i) { return inventory.fileNameFullPath(i); },
        [&](std::int16_t i) { return inventory.idFile(i) == 0 ? QString() : QString::number(inventory.idFile(i)); },
        [&](std::int16_t i) { return inventory.CloseFile(i) ? QStringLiteral("closed") : QString(); },
    };
    for (const auto& c : cases) {
        loadFrom("srv", "", c.state == State::emptyAnswer ? std::vector<OpenFileRecord>{} : threeFiles);
        if (c.state == State::blankServer)
            inventory.server("   ");
        for (std::size_t p = 0; p < std::size(properties); ++p) {
            SCOPED_TRACE(testing::Message() << "state " << int(c.state) << ", index " << c.index << ", property " << p);
            switch (c.answer) {
            case Answer::empty: EXPECT_EQ(properties[p](c.index), QString()); break;
            case Answer::outOfRange: EXPECT_THROW(properties[p](c.index), std::out_of_range); break;
            case Answer::overflow: EXPECT_THROW(properties[p](c.index), std::overflow_error); break;
            }
        }
    }
}

// The server's name is kept and passed exactly as typed, blanks and case included. Only the
// read, write and create flags give permission words.
TEST_F(clsNetFileTest, LoadKeepsLowerCasedTextsInTheServersOrder)
{
    auto records = threeFiles;
    records.insert(records.end(), {record(14, "Alice", "share\\x.txt", 0xFFFFFFF8),
                                   record(15, "Alice", "c:\\a:\\b:c", 6),
                                   OpenFileRecord{9, 0x14, 0, std::nullopt, std::nullopt}});
    loadFrom(" \\\\Srv ", "", records);
    const char* expected[] = { // user, permission words, path, type, id, full path
        "alice|read access|d:\\docs\\a.txt|txt|11|\\\\ \\\\Srv \\d\\docs\\a.txt",
        "bob|read write access|c:\\share\\report.pdf|pdf|-2147483647|\\\\ \\\\Srv \\c\\share\\report.pdf",
        "joanna|read write create access|c:\\a.b\\file||13|\\\\ \\\\Srv \\c\\a.b\\file",
        "alice|access|share\\x.txt|txt|14|\\\\ \\\\Srv \\share\\x.txt",
        "alice|write create access|c:\\a:\\b:c||15|\\\\ \\\\Srv \\c\\a\\b:c",
        "|create access|||9|\\\\ \\\\Srv \\",
    };
    ASSERT_EQ(inventory.count(), 6);
    for (std::int16_t i = 1; i <= 6; ++i) {
        const QStringList fields = {inventory.userName(i),        inventory.filePermission(i),
                                    inventory.fileName(i),        inventory.typeFile(i),
                                    QString::number(inventory.idFile(i)), inventory.fileNameFullPath(i)};
        EXPECT_EQ(fields.join(u'|').toStdString(), expected[i - 1]);
    }
    EXPECT_EQ(inventory.message(), " 6 open connections on ' \\\\Srv '");
    EXPECT_EQ(inventory.server(), " \\\\Srv ");
    EXPECT_EQ(source->enumerated(), QStringList{"\\\\ \\\\Srv "});
}

// The last answer is filtered again for every filter without asking the server again.
TEST_F(clsNetFileTest, FilterSearchesUserAndPathCaseInsensitivelyWithoutTrimming)
{
    inventory.server("srv");
    ASSERT_TRUE(inventory.takeAnswer({{}, {
        record(1, "jones", "c:\\x\\plain.doc"),    // user and path
        record(2, "mary", "c:\\Jo\\notes.txt"),    // path only
        record(3, "ann", "c:\\x\\read.txt", 1),    // "read" only in the permission words
        record(4, "carl", "c:\\x\\y.bat"),         // "bat" in the type and the path
        record(5, "tom a", "c:\\z"),               // " a" in the user name
    }}));
    const struct {
        const char* filter;
        std::vector<std::int32_t> kept;
        const char* message;
    } cases[] = {
        {"JO", {1, 2}, " 5 open connections on 'srv' - Filtered elements: 2"},
        {"DOC", {1}, " 5 open connections on 'srv' - Filtered elements: 1"},
        {"access", {}, " 5 open connections on 'srv' - Filtered elements: 0"},
        {"  ", {1, 2, 3, 4, 5}, " 5 open connections on 'srv'"},
        {" a", {5}, " 5 open connections on 'srv' - Filtered elements: 1"},
        {"", {1, 2, 3, 4, 5}, " 5 open connections on 'srv'"},
    };
    for (const auto& c : cases) {
        inventory.rebuild(QString::fromUtf8(c.filter));
        std::vector<std::int32_t> kept;
        for (std::int16_t i = 1; i <= inventory.count(); ++i)
            kept.push_back(inventory.idFile(i));
        EXPECT_EQ(kept, c.kept) << '"' << c.filter << '"';
        EXPECT_EQ(inventory.message(), QString::fromUtf8(c.message)) << '"' << c.filter << '"';
    }
    EXPECT_TRUE(source->enumerated().empty());
}

TEST_F(clsNetFileTest, MoreThan32767KeptEntriesOverflow)
{
    std::vector<OpenFileRecord> records(32768, record(1, "u", "c:\\f.txt"));
    loadFrom("srv", "", records);
    EXPECT_THROW(inventory.count(), std::overflow_error);
    EXPECT_EQ(inventory.message(), " 32768 open connections on 'srv'");
    EXPECT_THROW(loadFrom("srv", "u", records), std::overflow_error);

    records.pop_back();
    loadFrom("srv", "u", records);
    EXPECT_EQ(inventory.count(), 32767);
    EXPECT_EQ(inventory.userName(32767), "u");
}

// Closing files and a failed load leave the entries, the last answer and its server as they
// were; a failed load empties the message. Files are closed on the server now named.
TEST_F(clsNetFileTest, EntriesStayUntilTheNextSuccessfulLoad)
{
    loadFrom("srv", "bob", threeFiles);
    EXPECT_TRUE(inventory.CloseFile(1));
    source->closeStatus = {SourceOutcome::failed, 2};
    source->fail({SourceOutcome::unreachable, 1003});
    inventory.server("Other");
    EXPECT_FALSE(inventory.CloseFile(1));
    inventory.load("");
    EXPECT_EQ(source->closed(), QStringList({"\\\\srv 2147483649", "\\\\Other 2147483649"}));
    EXPECT_EQ(inventory.count(), 1);
    EXPECT_EQ(inventory.message(), QString());
    EXPECT_EQ(inventory.fileNameFullPath(1), "\\\\Other\\c\\share\\report.pdf");
    EXPECT_EQ(inventory.answeredServer(), "srv");
    inventory.rebuild("");
    EXPECT_EQ(inventory.count(), 3);
}
