#include "FileHolder.h"

// Part of libsmbclient.h lies outside its own extern "C" block.
extern "C" {
#include <libsmbclient.h>
}

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace {

// A context failed past 1,024 handles; stay below with some margin.
constexpr std::size_t handlesPerContext = 1000;

std::runtime_error smbError(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

// Freeing a context with shutdown closes its files and connections.
struct FileHolder::Context {
    explicit Context(const FileHolder& owner) : holder(owner), context(smbc_new_context())
    {
        if (context == nullptr)
            throw smbError("smbc_new_context");
        smbc_setDebug(context, 0);
        smbc_setOptionNoAutoAnonymousLogin(context, true);
        smbc_setOptionUserData(context, this);
        smbc_setFunctionAuthDataWithContext(context, &Context::authenticate);
        if (smbc_init_context(context) == nullptr) {
            smbc_free_context(context, 1);
            throw smbError("smbc_init_context");
        }
    }
    ~Context() { smbc_free_context(context, 1); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // libsmbclient asks for the credentials of every connection it opens; the server ignores
    // the workgroup for its own accounts.
    static void authenticate(SMBCCTX* context, const char*, const char*, char* workgroup, int workgroupSize,
                             char* userName, int userSize, char* userPassword, int passwordSize)
    {
        const auto* self = static_cast<const Context*>(smbc_getOptionUserData(context));
        std::snprintf(workgroup, static_cast<std::size_t>(workgroupSize), "%s", "WORKGROUP");
        std::snprintf(userName, static_cast<std::size_t>(userSize), "%s", self->holder.m_user.c_str());
        std::snprintf(userPassword, static_cast<std::size_t>(passwordSize), "%s", self->holder.m_password.c_str());
    }

    const FileHolder& holder;  // its credentials
    SMBCCTX* context;
    std::size_t handles = 0;
};

FileHolder::FileHolder(std::string user, std::string password) : m_user(std::move(user)), m_password(std::move(password)) {}

FileHolder::~FileHolder() = default;

std::size_t FileHolder::open(const std::string& url, Access access)
{
    if (m_contexts.empty() || m_contexts.back()->handles >= handlesPerContext)
        m_contexts.push_back(std::make_unique<Context>(*this));
    Context& owner = *m_contexts.back();
    SMBCFILE* file = smbc_getFunctionOpen(owner.context)(owner.context, url.c_str(),
                                                         access == Access::readWrite ? O_RDWR : O_RDONLY, 0);
    if (file == nullptr)
        throw smbError("cannot open " + url);
    ++owner.handles;
    m_handles.push_back({&owner, file});
    return m_handles.size() - 1;
}

bool FileHolder::works(std::size_t handle) const
{
    const Handle& held = m_handles.at(handle);
    struct stat status {};
    return smbc_getFunctionFstat(held.owner->context)(held.owner->context, static_cast<SMBCFILE*>(held.file), &status) == 0;
}
