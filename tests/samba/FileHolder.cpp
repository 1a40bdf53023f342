#include "FileHolder.h"

// Part of libsmbclient.h lies outside its own extern "C" block.
extern "C" {
#include <libsmbclient.h>
}

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace {

// A context failed past 1,024 handles; stay below with some margin.
constexpr std::size_t handlesPerContext = 1000;

// The server ignores the workgroup for its own accounts; any name serves.
constexpr const char* workgroup = "WORKGROUP";

std::runtime_error smbError(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

// Fills a fixed-size field of libsmbclient's authentication callback, always terminated.
void copyField(char* field, int size, const std::string& value)
{
    if (size <= 0)
        return;
    const std::size_t room = static_cast<std::size_t>(size) - 1;
    const std::size_t length = std::min(room, value.size());
    value.copy(field, length);
    field[length] = '\0';
}

} // namespace

struct FileHolder::Context {
    Context(const std::string& userName, const std::string& userPassword)
        : user(userName)
        , password(userPassword)
        , context(smbc_new_context())
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

    // libsmbclient asks for the credentials of every connection it opens.
    static void authenticate(SMBCCTX* context, const char* /*server*/, const char* /*share*/, char* domain,
        int domainSize, char* userName, int userSize, char* userPassword, int passwordSize)
    {
        const auto* self = static_cast<const Context*>(smbc_getOptionUserData(context));
        copyField(domain, domainSize, workgroup);
        copyField(userName, userSize, self->user);
        copyField(userPassword, passwordSize, self->password);
    }

    std::string user;
    std::string password;
    SMBCCTX* context;
    std::size_t handles = 0;
};

struct FileHolder::Handle {
    Context* owner;
    SMBCFILE* file;
};

FileHolder::FileHolder(std::string user, std::string password)
    : m_user(std::move(user))
    , m_password(std::move(password))
{
}

// Freeing a context with shutdown closes its files and connections.
FileHolder::~FileHolder() = default;

FileHolder::Context& FileHolder::contextWithRoom()
{
    if (m_contexts.empty() || m_contexts.back()->handles >= handlesPerContext)
        m_contexts.push_back(std::make_unique<Context>(m_user, m_password));
    return *m_contexts.back();
}

std::size_t FileHolder::open(const std::string& url, Access access)
{
    Context& owner = contextWithRoom();
    const int flags = access == Access::readWrite ? O_RDWR : O_RDONLY;
    SMBCFILE* file = smbc_getFunctionOpen(owner.context)(owner.context, url.c_str(), flags, 0);
    if (file == nullptr)
        throw smbError("cannot open " + url);
    m_handles.push_back({&owner, file});
    ++owner.handles;
    return m_handles.size() - 1;
}

std::size_t FileHolder::size() const
{
    return m_handles.size();
}

bool FileHolder::works(std::size_t handle) const
{
    const Handle& held = m_handles.at(handle);
    struct stat status {};
    return smbc_getFunctionFstat(held.owner->context)(held.owner->context, held.file, &status) == 0;
}
