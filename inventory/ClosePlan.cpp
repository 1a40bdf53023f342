#include "ClosePlan.h"

#include <QString>

#include <algorithm>
#include <map>
#include <utility>

namespace {

using FileKey = std::pair<QString, QString>;          // user, path
using Carriers = std::map<FileKey, std::size_t>;      // open files per key under one identifier
using CarriersById = std::map<std::int32_t, Carriers>;

FileKey keyOf(const FileEntry& entry)
{
    return {entry.userName, entry.fileName};
}

// The carriers of the identifiers asked about, and of no other.
CarriersById carriersOf(std::span<const FileEntry> entries, const CarriersById& asked)
{
    CarriersById carriers;
    for (const FileEntry& entry : entries)
        if (asked.contains(entry.idFile))
            ++carriers[entry.idFile][keyOf(entry)];
    return carriers;
}

const Carriers& carriersOf(const CarriersById& carriers, std::int32_t id)
{
    static const Carriers none;
    const auto found = carriers.find(id);
    return found == carriers.end() ? none : found->second;
}

} // namespace

ClosePlan planClose(std::span<const FileEntry> checked, std::span<const FileEntry> lastAnswer,
                    std::span<const FileEntry> fresh)
{
    CarriersById wanted;
    std::vector<std::int32_t> order;
    for (const FileEntry& file : checked) {
        if (!wanted.contains(file.idFile))
            order.push_back(file.idFile);
        ++wanted[file.idFile][keyOf(file)];
    }
    const CarriersById listed = carriersOf(lastAnswer, wanted);
    const CarriersById now = carriersOf(fresh, wanted);

    ClosePlan plan;
    for (const std::int32_t id : order) {
        const Carriers& mine = wanted.at(id);
        const Carriers& nowListed = carriersOf(now, id);
        const bool onlyCheckedListed = carriersOf(listed, id) == mine;
        if (onlyCheckedListed && nowListed == mine) {
            plan.ids.push_back(static_cast<std::uint32_t>(id));
            continue;
        }
        if (!onlyCheckedListed) {
            for (const auto& [key, files] : mine)
                plan.leftOpenShared += files;
            continue;
        }
        // A checked file still listed under its identifier beside a file not checked would close
        // that file too; any other difference means the checked files changed.
        const bool othersCarryIt = std::ranges::any_of(nowListed, [&](const auto& carrier) {
            const auto checkedOnes = mine.find(carrier.first);
            return checkedOnes == mine.end() || checkedOnes->second < carrier.second;
        });
        for (const auto& [key, files] : mine) {
            const auto nowOnes = nowListed.find(key);
            const std::size_t stillListed = nowOnes == nowListed.end() ? 0 : std::min(files, nowOnes->second);
            const std::size_t shared = othersCarryIt ? stillListed : 0;
            plan.leftOpenShared += shared;
            plan.leftOpenChanged += files - shared;
        }
    }
    return plan;
}
