#include "ClosePlan.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

// Users a..f, each with one file of its own name.
FileEntry file(std::int32_t id, char user)
{
    return {QString(QChar(user)), QStringLiteral("read access"), QStringLiteral("c:\\share\\%1.txt").arg(user),
            QStringLiteral("txt"), id};
}

TEST(ClosePlan, ClosesAnIdentifierOnlyWhenItsFilesAreExactlyTheCheckedOnesBeforeAndAfterYes)
{
    const struct {
        const char* what;
        std::vector<FileEntry> lastAnswer, checked, fresh;
        std::vector<std::uint32_t> ids;
        std::size_t shared, changed;
    } cases[] = {
        {"one of two files under one identifier checked", {file(7, 'a'), file(7, 'b')}, {file(7, 'a')},
         {file(7, 'a'), file(7, 'b')}, {}, 1, 0},
        {"both checked: closed once", {file(7, 'a'), file(7, 'b')}, {file(7, 'a'), file(7, 'b')},
         {file(7, 'b'), file(7, 'a')}, {7}, 0, 0},
        {"the same file open twice under one identifier, one checked", {file(7, 'a'), file(7, 'a')},
         {file(7, 'a')}, {file(7, 'a'), file(7, 'a')}, {}, 1, 0},
        {"the unchecked one of two closed after Yes", {file(7, 'a'), file(7, 'b')}, {file(7, 'a')}, {file(7, 'a')},
         {}, 1, 0},
        {"the identifier names another file too after Yes", {file(7, 'a')}, {file(7, 'a')},
         {file(7, 'a'), file(7, 'c')}, {}, 1, 0},
        {"the checked file closed and its identifier taken by another", {file(7, 'a')}, {file(7, 'a')},
         {file(7, 'c')}, {}, 0, 1},
        {"the checked file no longer listed", {file(7, 'a')}, {file(7, 'a')}, {}, {}, 0, 1},
        {"the checked file listed under another identifier", {file(7, 'a')}, {file(7, 'a')}, {file(8, 'a')},
         {}, 0, 1},
        {"one of two checked twins closed meanwhile", {file(7, 'a'), file(7, 'b')},
         {file(7, 'a'), file(7, 'b')}, {file(7, 'a')}, {}, 0, 2},
        {"the rest closes in display order, each identifier once",
         {file(3, 'd'), file(7, 'a'), file(7, 'b'), file(9, 'c'), file(5, 'e'), file(6, 'f'), file(6, 'b')},
         {file(9, 'c'), file(7, 'b'), file(5, 'e'), file(7, 'a'), file(3, 'd'), file(6, 'f')},
         {file(3, 'd'), file(7, 'a'), file(7, 'b'), file(9, 'c'), file(6, 'f'), file(6, 'b')}, {9, 7, 3}, 1, 1},
    };
    for (const auto& c : cases) {
        const ClosePlan plan = planClose(c.checked, c.lastAnswer, c.fresh);
        EXPECT_EQ(std::tuple(plan.ids, plan.leftOpenShared, plan.leftOpenChanged),
                  std::tuple(c.ids, c.shared, c.changed))
            << c.what;
    }
}

} // namespace
