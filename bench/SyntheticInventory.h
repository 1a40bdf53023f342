#pragma once

#include "OpenFileSource.h"

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

// Open files as a busy file server reports them: ten users in turn, paths of 40 to 120
// characters, 40 extensions written in mixed case. The same count always gives the same records.
std::vector<OpenFileRecord> syntheticRecords(std::int32_t count);

// A user name of the records whose entries are exactly a tenth of them (when the count is a
// multiple of ten); no path contains it.
QString tenthFilter();

// Answers the same records on every enumeration, as a server whose open files do not change.
// While held, enumerations wait: a benchmark keeps the window's background listing out of
// what it times.
class SyntheticOpenFileSource final : public OpenFileSource {
public:
    explicit SyntheticOpenFileSource(std::int32_t count);

    OpenFileList enumerate(const QString& server) override;
    SourceStatus close(const QString& server, std::uint32_t id) override;
    void setHeld(bool held);

private:
    std::vector<OpenFileRecord> m_records;
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_held = false;
};
