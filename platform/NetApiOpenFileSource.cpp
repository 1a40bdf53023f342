#include "NetApiOpenFileSource.h"

#include "AccountName.h"
#include "KeyringLogins.h"
#include "OfferedLogins.h"
#include "EnvironmentLogin.h"
#include "NetApiStatus.h"
#include "SambaCredentials.h"
#include "Smb2Connection.h"

#include <QByteArray>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

// netapi.h uses the fixed-width types without including their header.
#include <cstdint>
#include <netapi.h>

namespace {

constexpr std::uint32_t fileInfoLevel = 3;
constexpr std::uint32_t maxPreferredLength = 0xFFFFFFFFu;  // MAX_PREFERRED_LENGTH: all in one answer
constexpr std::uint32_t errorDestinationNotFound = 2152;   // NERR_DestNotFound: libnetapi: no pipe on a dead connection

struct BufferRelease {
    void operator()(std::uint8_t* buffer) const noexcept { NetApiBufferFree(buffer); }
};
using NetApiBuffer = std::unique_ptr<std::uint8_t, BufferRelease>;

struct CredentialsRelease {
    void operator()(cli_credentials* credentials) const noexcept { tarnwick_free_credentials(credentials); }
};
using Credentials = std::unique_ptr<cli_credentials, CredentialsRelease>;

// Where a server's login came from. The automatic ones, in the order they are tried:
enum class LoginSource { ticket, keyring, environment, anonymous, typed };
constexpr std::array automaticSources{
    LoginSource::ticket, LoginSource::keyring, LoginSource::environment, LoginSource::anonymous};

struct Login {
    LoginSource source = LoginSource::anonymous;
    Credentials credentials;
    std::optional<TypedLogin> toRemember;  // a typed login for the keyring, once accepted
};

Credentials passwordCredentials(const QString& typedAccount, const SecretText& password)
{
    const std::optional<AccountName> account = parseAccount(typedAccount);
    if (!account)
        return nullptr;
    return Credentials(tarnwick_password_credentials(account->user.toUtf8().constData(),
        account->domain.toUtf8().constData(), account->realm.toUtf8().constData(), password.utf8()));
}

Credentials automaticCredentials(LoginSource source, const QByteArray& host)
{
    switch (source) {
    case LoginSource::ticket:
        return Credentials(tarnwick_ticket_credentials());
    case LoginSource::keyring:
        if (const std::optional<AccountLogin> stored = keyringLogin(QString::fromUtf8(host)))
            return passwordCredentials(stored->account, stored->password);
        return nullptr;
    case LoginSource::environment:
        if (const std::optional<AccountLogin> environment = environmentLogin())
            return passwordCredentials(environment->account, environment->password);
        return nullptr;
    case LoginSource::anonymous:
        return Credentials(tarnwick_anonymous_credentials());
    case LoginSource::typed:
        break;
    }
    return nullptr;
}

// Whether an SMB server answers at the host: libnetapi answers one status for "nobody there"
// and "the server refused the login", and the protocol's own negotiation tells them apart.
bool answersSmb(const QByteArray& host)
{
    try {
        smb2::Connection::open({.host = host.toStdString()});
    } catch (const smb2::Unreachable&) {
        return false;
    } catch (const smb2::Timeout&) {
        return false;
    } catch (const std::exception&) {
        // Something answered, if not in a dialect of ours.
    }
    return true;
}

// The one libnetapi context of the process and the login of every server named so far.
class NetApiSession final {
public:
    using Call = std::function<std::uint32_t()>;

    static NetApiSession& instance()
    {
        static NetApiSession session;
        return session;
    }

    // Runs one libnetapi operation on host, logged in as described in the class's header.
    std::uint32_t run(const QByteArray& host, const Call& call)
    {
        const std::scoped_lock lock(m_callMutex);
        const QByteArray key = host.toLower();
        m_reachable.reset();
        if (std::optional<TypedLogin> typed = m_offered.take(key)) {
            forget(key);
            Credentials credentials = passwordCredentials(typed->account, typed->password);
            if (!credentials)
                return errorLogonFailure;
            if (!typed->remember)
                typed.reset();
            m_logins[key] = Login{LoginSource::typed, std::move(credentials), std::move(typed)};
        }
        std::size_t next = 0;
        if (const auto known = m_logins.find(key); known != m_logins.end()) {
            const std::uint32_t status = attempt(host, known->second, call);
            if (!isRefusedLogin(status))
                return accepted(host, known->second, status);
            const LoginSource refused = known->second.source;
            forget(key);
            if (refused == LoginSource::typed)
                return status;
            next = static_cast<std::size_t>(refused) + 1;
        }
        return tryAutomaticLogins(host, key, next, call);
    }

    void offer(const QByteArray& host, TypedLogin login) { m_offered.offer(host, std::move(login)); }

private:
    std::uint32_t tryAutomaticLogins(const QByteArray& host, const QByteArray& key, std::size_t next, const Call& call)
    {
        std::uint32_t refusal = errorLogonFailure;
        for (std::size_t i = next; i < automaticSources.size(); ++i) {
            Login login{automaticSources[i], automaticCredentials(automaticSources[i], host), std::nullopt};
            if (!login.credentials)
                continue;
            std::uint32_t status = attempt(host, login, call);
            // An anonymous session cannot be signed: whatever it answers, anyone on the path
            // could have written. No server lets it list or close, so success is a forgery.
            if (status == 0 && login.source == LoginSource::anonymous)
                status = errorAccessDenied;
            if (status == 0) {
                m_logins[key] = std::move(login);
                return status;
            }
            // Closing every connection also lets these credentials go safely. A failure that is
            // no refusal (an unreachable host) ends the search: the next call starts it again.
            dropConnections();
            if (!isRefusedLogin(status))
                return status;
            if (status == errorAccessDenied)
                refusal = errorAccessDenied;
        }
        return refusal;
    }

    std::uint32_t attempt(const QByteArray& host, const Login& login, const Call& call)
    {
        std::uint32_t status = callAs(login, call);
        // libnetapi keeps a connection the server has dropped (it restarted, say): the call that
        // finds it dead answers 64, every later one 2152, until the connections are new.
        if (status == errorNetnameDeleted || status == errorDestinationNotFound) {
            dropConnections();
            status = callAs(login, call);
        }
        if (status != errorCannotComplete)
            return status;
        if (!m_reachable)
            m_reachable = answersSmb(host);
        return *m_reachable ? errorLogonFailure : status;
    }

    std::uint32_t callAs(const Login& login, const Call& call)
    {
        if (m_context == nullptr) {
            if (const auto status = static_cast<std::uint32_t>(libnetapi_init(&m_context)); status != 0) {
                m_context = nullptr;
                return status;
            }
        }
        if (const auto status = static_cast<std::uint32_t>(libnetapi_set_creds(m_context, login.credentials.get()));
            status != 0)
            return status;
        return call();
    }

    // A typed login goes into the keyring once the server has taken it; its password then goes.
    std::uint32_t accepted(const QByteArray& host, Login& login, std::uint32_t status)
    {
        if (status == 0 && login.toRemember) {
            if (const std::optional<AccountName> account = parseAccount(login.toRemember->account))
                rememberInKeyring(QString::fromUtf8(host), *account, login.toRemember->password);
            login.toRemember.reset();
        }
        return status;
    }

    // Closing every connection is the only way libnetapi offers to close one.
    void dropConnections()
    {
        if (m_context != nullptr)
            libnetapi_free(m_context);
        m_context = nullptr;
    }

    void forget(const QByteArray& key)
    {
        if (const auto known = m_logins.find(key); known != m_logins.end()) {
            dropConnections();
            m_logins.erase(known);
        }
    }


    std::mutex m_callMutex;
    libnetapi_ctx* m_context = nullptr;
    std::map<QByteArray, Login> m_logins;
    std::optional<bool> m_reachable;  // of the host of the running call, once asked

    OfferedLogins m_offered;
};

std::optional<QString> text(const char* utf8)
{
    if (utf8 == nullptr)
        return std::nullopt;
    return QString::fromUtf8(utf8);
}

// A server names few users for many files: each distinct name is converted once per answer and
// shared. The keys view the answer's buffer, which outlives the map.
class SharedUserNames {
public:
    std::optional<QString> text(const char* utf8)
    {
        if (utf8 == nullptr)
            return std::nullopt;
        const auto [known, isNew] = m_converted.try_emplace(std::string_view(utf8));
        if (isNew)
            known->second = *::text(utf8);
        return known->second;
    }

private:
    std::unordered_map<std::string_view, QString> m_converted;
};

OpenFileList fileList(const FILE_INFO_3* infos, std::uint32_t entriesRead)
{
    OpenFileList list;
    list.records.reserve(entriesRead);
    SharedUserNames userNames;
    for (std::uint32_t i = 0; i < entriesRead; ++i) {
        const FILE_INFO_3& info = infos[i];
        list.records.push_back({info.fi3_id, info.fi3_permissions, info.fi3_num_locks, text(info.fi3_pathname),
            userNames.text(info.fi3_username)});
    }
    return list;
}

} // namespace

QByteArray hostName(const QString& server)
{
    const QString prefix = QStringLiteral("\\\\");
    return (server.startsWith(prefix) ? server.mid(prefix.size()) : server).toUtf8();
}

OpenFileList NetApiOpenFileSource::enumerate(const QString& server)
{
    const QByteArray host = hostName(server);
    OpenFileList list;
    const std::uint32_t status = NetApiSession::instance().run(host, [&] {
        std::uint8_t* raw = nullptr;
        std::uint32_t entriesRead = 0;
        std::uint32_t totalEntries = 0;
        std::uint32_t resumeHandle = 0;
        const auto enumerated = static_cast<std::uint32_t>(NetFileEnum(host.constData(), nullptr, nullptr,
            fileInfoLevel, &raw, maxPreferredLength, &entriesRead, &totalEntries, &resumeHandle));
        const NetApiBuffer buffer(raw);
        if (enumerated != 0)
            return enumerated;
        if (entriesRead != 0 && !buffer)
            return errorInvalidData;
        list = fileList(reinterpret_cast<const FILE_INFO_3*>(buffer.get()), entriesRead);
        return std::uint32_t{0};
    });
    if (status != 0)
        return {sourceStatusOf(status), {}};
    return list;
}

SourceStatus NetApiOpenFileSource::close(const QString& server, std::uint32_t id)
{
    const QByteArray host = hostName(server);
    return sourceStatusOf(
        NetApiSession::instance().run(host, [&] { return static_cast<std::uint32_t>(NetFileClose(host.constData(), id)); }));
}

void NetApiOpenFileSource::useLogin(const QString& server, TypedLogin login)
{
    NetApiSession::instance().offer(hostName(server), std::move(login));
}
