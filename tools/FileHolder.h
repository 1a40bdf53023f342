#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Holds files of an SMB server open as one user, through libsmbclient, until it is destroyed.
// One libsmbclient context (one connection, so one serving smbd process) carries at most
// about a thousand handles, so the holder opens a new context whenever the last one is full;
// that way it scales to tens of thousands of open files.
class FileHolder final {
public:
    enum class Access { readOnly, readWrite };

    FileHolder(std::string user, std::string password);
    ~FileHolder();
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;

    // Opens the file at an smb://server/share/path address and keeps it open. Answers the
    // handle's number (0, 1, 2, ... in opening order); std::runtime_error when it fails.
    std::size_t open(const std::string& url, Access access);

    std::size_t size() const { return m_handles.size(); }

    // True while the server still honours the handle (asks the server, not a cache);
    // std::out_of_range for a number never answered by open.
    bool works(std::size_t handle) const;

private:
    struct Context;
    struct Handle {
        Context* owner;
        void* file;
    };

    std::string m_user;
    std::string m_password;
    std::vector<std::unique_ptr<Context>> m_contexts;
    std::vector<Handle> m_handles;
};
