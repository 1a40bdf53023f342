#include "InstanceLock.h"

#include <windows.h>

#include <string>

// A mutex in the session's namespace; its handle lives as long as the lock.
struct InstanceLock::Held {
    HANDLE mutex = nullptr;
    ~Held()
    {
        if (mutex)
            CloseHandle(mutex);
    }
};

InstanceLock::InstanceLock(const QString& name) : m_held(std::make_unique<Held>())
{
    const std::wstring mutexName = L"Local\\" + name.toStdWString();
    m_held->mutex = CreateMutexW(nullptr, FALSE, mutexName.c_str());
    if (!m_held->mutex || GetLastError() == ERROR_ALREADY_EXISTS)
        m_held.reset();
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::acquired() const
{
    return m_held != nullptr;
}
