#include "AnswerEntries.h"

#include "LoweredTextPool.h"
#include "TextRules.h"

#include <array>
#include <utility>

namespace {

constexpr std::uint32_t permRead = 1;
constexpr std::uint32_t permWrite = 2;
constexpr std::uint32_t permCreate = 4;

QString permissionWords(std::uint32_t permissions)
{
    QString text;
    if (permissions & permRead)
        text += QLatin1String("read ");
    if (permissions & permWrite)
        text += QLatin1String("write ");
    if (permissions & permCreate)
        text += QLatin1String("create ");
    text += QLatin1String("access");
    return text;
}

// The eight possible texts, built once and shared by every entry.
const QString& permissionText(std::uint32_t permissions)
{
    constexpr std::uint32_t wordBits = permRead | permWrite | permCreate;
    static const std::array<QString, wordBits + 1> texts = [] {
        std::array<QString, wordBits + 1> all;
        for (std::uint32_t bits = 0; bits <= wordBits; ++bits)
            all[bits] = permissionWords(bits);
        return all;
    }();
    return texts[permissions & wordBits];
}

} // namespace

std::vector<FileEntry> entriesOf(std::vector<OpenFileRecord> records)
{
    std::vector<FileEntry> entries;
    entries.reserve(records.size());
    // A server reports few distinct users and extensions for many files: lower each once.
    LoweredTextPool userNames;
    LoweredTextPool extensions;
    for (OpenFileRecord& record : records) {
        FileEntry& entry = entries.emplace_back();
        if (record.userName)
            entry.userName = userNames.lowered(*record.userName);
        if (record.pathName) {
            entry.fileName = std::move(*record.pathName);
            lowerInPlace(entry.fileName);
        }
        entry.filePermission = permissionText(record.permissions);
        entry.idFile = static_cast<std::int32_t>(record.id);
        entry.typeFile = extensions.lowered(extensionView(entry.fileName));
    }
    return entries;
}
