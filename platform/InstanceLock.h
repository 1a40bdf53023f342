#pragma once

#include <QString>

#include <memory>

// The previous-instance test: a lock named after the program and the user, held by at most
// one process at a time. The operating system drops it when the holding process ends, however
// it ends, so a crashed instance never blocks the next start, and nothing is written to disk.
//
// Linux: a Unix socket in the abstract namespace. Windows: a named mutex in the session.
class InstanceLock final {
public:
    // Tries to take the lock at once; never waits.
    explicit InstanceLock(const QString& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process (or another lock object) already holds this name.
    bool acquired() const;

private:
    struct Held;
    std::unique_ptr<Held> m_held;
};
