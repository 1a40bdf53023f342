#pragma once

#include <QString>

#include <memory>

// The previous-instance test: a lock named after the program, private to the user who runs
// it and held by at most one process of that user at a time. No other user can take it or
// make it look taken. The operating system drops it when the holding process ends, however it
// ends, so a crashed instance never blocks the next start.
//
// Linux: an open-file-description lock on the file "<name>.lock" in the user's private runtime
// directory (PrivateDirectory.h). Whatever stands at that name and is not the user's own
// regular file is removed and the file made afresh. When no private directory can be had the lock cannot be
// taken, and it counts as acquired: a start is never refused on the word of a place others
// could spoil. Windows: a named mutex in the session's namespace.
class InstanceLock final {
public:
    // Tries to take the lock at once; never waits.
    explicit InstanceLock(const QString& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process (or another lock object) of the user holds this name.
    bool acquired() const;

private:
    struct Held;
    std::unique_ptr<Held> m_held;
};
