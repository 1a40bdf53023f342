#pragma once

#include "OpenFileSource.h"

#include <utility>
#include <vector>

// An open-file source that serves fixed records and remembers every call it received.
class FakeOpenFileSource final : public OpenFileSource {
public:
    struct CloseCall {
        QString server;
        std::uint32_t id;
    };

    OpenFileList answer;
    std::uint32_t closeStatus = 0;
    std::vector<QString> enumerated;
    std::vector<CloseCall> closed;

    OpenFileList enumerate(const QString& server) override
    {
        enumerated.push_back(server);
        return answer;
    }

    std::uint32_t close(const QString& server, std::uint32_t id) override
    {
        closed.push_back({server, id});
        return closeStatus;
    }

    void serve(std::vector<OpenFileRecord> records)
    {
        answer = {0, std::move(records)};
    }
};

inline OpenFileRecord record(std::uint32_t id, const char* user, const char* path, std::uint32_t permissions = 1)
{
    return {id, permissions, 0, QString::fromUtf8(path), QString::fromUtf8(user)};
}
