#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// One open file as the server reports it. Texts the server leaves absent stay absent.
struct OpenFileRecord {
    std::uint32_t id = 0;
    std::uint32_t permissions = 0;
    std::uint32_t numLocks = 0;
    std::optional<QString> pathName;
    std::optional<QString> userName;
};

// The answer of one enumeration: status 0 is success; the records are only meaningful then.
struct OpenFileList {
    std::uint32_t status = 0;
    std::vector<OpenFileRecord> records;
};

// Where the open files of a server come from. The inventory hands over the server in the
// form "\\" + name, exactly as stored, and never interprets a status beyond "0 is success".
class OpenFileSource {
public:
    virtual ~OpenFileSource() = default;

    // Every open file of the server in one answer, in the server's order.
    virtual OpenFileList enumerate(const QString& server) = 0;

    // Force-closes one open file by the identifier an enumeration delivered; 0 is success.
    virtual std::uint32_t close(const QString& server, std::uint32_t id) = 0;
};
