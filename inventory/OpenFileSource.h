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

// What became of one call to a server.
enum class SourceOutcome { done, refusedLogin, unreachable, failed };

struct SourceStatus {
    SourceOutcome outcome = SourceOutcome::done;
    std::uint32_t code = 0;  // the system's code behind the outcome (0 with done), kept for the inventory's rules

    bool operator==(const SourceStatus&) const = default;
};

// The answer of one enumeration; the records are only meaningful when it is done.
struct OpenFileList {
    SourceStatus status;
    std::vector<OpenFileRecord> records;
};

// Where the open files of a server come from. The inventory hands over the server in the
// form "\\" + name, exactly as stored, and asks of a status only whether it is done.
//
// Both calls block until the server has answered (or failed to), so only a worker thread
// calls them, never the window's thread. The outcomes:
//   done          the server did what was asked;
//   refusedLogin  the server refused who we said we were (access denied, a wrong password, an
//                 account that may not log in): the window may offer the login box;
//   unreachable   no server answered at that name;
//   failed        anything else; code says what.
class OpenFileSource {
public:
    virtual ~OpenFileSource() = default;

    // Every open file of the server in one answer, in the server's order.
    virtual OpenFileList enumerate(const QString& server) = 0;

    // Force-closes one open file by the identifier an enumeration delivered.
    virtual SourceStatus close(const QString& server, std::uint32_t id) = 0;
};
