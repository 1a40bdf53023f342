#include "SmbOpenFileSource.h"

#include "AccountName.h"
#include "EnvironmentLogin.h"
#include "KeyringLogins.h"
#include "OfferedLogins.h"
#include "NetApiOpenFileSource.h"
#include "NetApiStatus.h"
#include "ServiceSession.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace {

// The codes are Windows's, as libnetapi answers them for the same causes (NetApiStatus.h).
constexpr SourceStatus unreachable{SourceOutcome::unreachable, errorCannotComplete};
constexpr SourceStatus loginRefused{SourceOutcome::refusedLogin, errorLogonFailure};

// The NTSTATUS values by which a server refuses who the session setup said it was, and the
// Windows code each stands for.
constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 11> refusals{{
    {0xC0000022, errorAccessDenied},  // STATUS_ACCESS_DENIED
    {0xC000006D, errorLogonFailure},  // STATUS_LOGON_FAILURE
    {0xC000006A, errorLogonFailure},  // STATUS_WRONG_PASSWORD
    {0xC0000064, errorLogonFailure},  // STATUS_NO_SUCH_USER
    {0xC000006E, 1327},               // STATUS_ACCOUNT_RESTRICTION
    {0xC0000071, 1330},               // STATUS_PASSWORD_EXPIRED
    {0xC0000072, 1331},               // STATUS_ACCOUNT_DISABLED
    {0xC0000193, 1793},               // STATUS_ACCOUNT_EXPIRED
    {0xC0000234, 1909},               // STATUS_ACCOUNT_LOCKED_OUT
    {0xC000015B, 1385},               // STATUS_LOGON_TYPE_NOT_GRANTED
    {0xC0000224, 1907},               // STATUS_PASSWORD_MUST_CHANGE
}};

SourceStatus statusOfServer(std::uint32_t ntStatus)
{
    for (const auto& [status, code] : refusals) {
        if (status == ntStatus)
            return {SourceOutcome::refusedLogin, code};
    }
    return {SourceOutcome::failed, ntStatus};
}

// What the server service's methods answer: 5 means the login lacks the right.
SourceStatus statusOfMethod(std::uint32_t status)
{
    if (status == 0)
        return {};
    if (status == errorAccessDenied)
        return {SourceOutcome::refusedLogin, status};
    return {SourceOutcome::failed, status};
}

// The status of the exception being handled, for every failure a call can end in.
SourceStatus statusOfFailure()
{
    try {
        throw;
    } catch (const smb2::Unreachable&) {
        return unreachable;
    } catch (const smb2::Timeout&) {
        return unreachable;
    } catch (const smb2::ServerStatus& refused) {
        return statusOfServer(refused.status());
    } catch (const smb2::ConnectionLost&) {
        return {SourceOutcome::failed, errorNetnameDeleted};
    } catch (const rpc::RpcFault& fault) {
        return {SourceOutcome::failed, fault.status()};
    } catch (const std::bad_alloc&) {
        return {SourceOutcome::failed, errorNotEnoughMemory};
    } catch (const std::exception&) {
        return {SourceOutcome::failed, errorInvalidData};
    }
}

enum class LoginSource { ticket, keyring, environment, typed };
constexpr std::array automaticSources{LoginSource::ticket, LoginSource::keyring, LoginSource::environment};

// The servers named in TARNWICK_LIBNETAPI, lower case.
bool forcedToNetApi(const QByteArray& key)
{
    const char* names = std::getenv("TARNWICK_LIBNETAPI");
    if (names == nullptr)
        return false;
    const QByteArrayList listed = QByteArray(names).toLower().replace(',', ' ').split(' ');
    return listed.contains(key) || listed.contains("*");
}

std::u16string utf16(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// Takes the text by value, so that each is freed as soon as it is converted.
std::optional<QString> text(std::optional<std::u16string> utf16Text)
{
    if (!utf16Text)
        return std::nullopt;
    return QString::fromUtf16(utf16Text->data(), static_cast<qsizetype>(utf16Text->size()));
}

// One server: its session, the login it runs under, and whether libnetapi serves it instead.
struct Server {
    std::mutex calls;  // one call at a time
    std::unique_ptr<srvsvc::ServiceSession> session;
    std::optional<LoginSource> login;      // the login the server accepted
    std::optional<AccountLogin> password;  // of that login, to reconnect; none for a ticket
    bool viaNetApi = false;                // the server speaks no dialect of ours
};

// The server spoke no dialect of ours (always), or negotiated nonsense (this time): libnetapi
// may manage.
class UseNetApi : public std::runtime_error {
public:
    explicit UseNetApi(bool always) : std::runtime_error("use libnetapi"), m_always(always) {}
    bool always() const { return m_always; }

private:
    bool m_always;
};

} // namespace

class SmbOpenFileSource::Servers final {
public:
    using Call = std::function<SourceStatus(srvsvc::ServiceSession&)>;
    using NetApiCall = std::function<SourceStatus(NetApiOpenFileSource&)>;

    // Runs one call on the server, logged in as the class's header describes.
    SourceStatus run(const QString& name, const Call& call, const NetApiCall& viaNetApi)
    {
        const QByteArray host = hostName(name);
        const QByteArray key = host.toLower();
        const std::shared_ptr<Server> server = entry(key);
        const std::scoped_lock lock(server->calls);
        std::optional<TypedLogin> typed = m_offered.take(key);
        if (server->viaNetApi || forcedToNetApi(key))
            return netApi(name, std::move(typed), viaNetApi);
        try {
            return runHere(host, *server, typed, call);
        } catch (const UseNetApi& fallback) {
            forget(*server);
            server->viaNetApi = fallback.always();
            return netApi(name, std::move(typed), viaNetApi);
        }
    }

    void offer(const QByteArray& host, TypedLogin login) { m_offered.offer(host, std::move(login)); }

private:
    SourceStatus runHere(const QByteArray& host, Server& server, std::optional<TypedLogin>& typed, const Call& call)
    {
        if (typed) {
            forget(server);
            AccountLogin login{typed->account, SecretText(typed->password.utf8())};
            const SourceStatus status =
                logIn(host, server, LoginSource::typed, std::move(login), typed->remember, call).value_or(loginRefused);
            if (status.outcome == SourceOutcome::refusedLogin)
                forget(server);
            return status;
        }
        std::size_t next = 0;
        if (server.login) {
            const SourceStatus status = onSession(host, server, call);
            if (status.outcome != SourceOutcome::refusedLogin)
                return status;
            const LoginSource refused = *server.login;
            forget(server);
            if (refused == LoginSource::typed)
                return status;
            next = static_cast<std::size_t>(refused) + 1;
        }
        return tryAutomaticLogins(host, server, next, call);
    }

    // The first source the server accepts; a failure that is no refusal ends the search.
    SourceStatus tryAutomaticLogins(const QByteArray& host, Server& server, std::size_t next, const Call& call)
    {
        SourceStatus refusal = loginRefused;
        for (std::size_t i = next; i < automaticSources.size(); ++i) {
            std::optional<AccountLogin> password;
            if (automaticSources[i] == LoginSource::keyring)
                password = keyringLogin(QString::fromUtf8(host));
            else if (automaticSources[i] == LoginSource::environment)
                password = environmentLogin();
            if (automaticSources[i] != LoginSource::ticket && !password)
                continue;
            const std::optional<SourceStatus> status =
                logIn(host, server, automaticSources[i], std::move(password), false, call);
            if (!status)
                continue;
            if (status->outcome != SourceOutcome::refusedLogin)
                return *status;
            forget(server);
            if (status->code == errorAccessDenied)
                refusal = *status;
        }
        return refusal;
    }

    // Opens a session with one login and makes the call on it; none when GSSAPI could make no
    // login of what the source holds (no ticket for the service, say). A typed login the person
    // asked to remember goes to the keyring once this call succeeds on it.
    std::optional<SourceStatus> logIn(const QByteArray& host, Server& server, LoginSource source,
                                      std::optional<AccountLogin> password, bool remember, const Call& call)
    {
        try {
            server.session = openSession(host, password);
        } catch (const UseNetApi&) {
            throw;
        } catch (const smb2::LoginUnavailable&) {
            return std::nullopt;
        } catch (...) {
            return statusOfFailure();
        }
        server.login = source;
        server.password = std::move(password);
        const SourceStatus status = onSession(host, server, call);
        if (status.outcome == SourceOutcome::done && remember && server.password) {
            if (const std::optional<AccountName> account = parseAccount(server.password->account))
                rememberInKeyring(QString::fromUtf8(host), *account, server.password->password);
        }
        return status;
    }

    // The call on the server's session. With no session left, or one found dead (the server
    // restarted, the link dropped), the session is opened again once with the same login.
    SourceStatus onSession(const QByteArray& host, Server& server, const Call& call)
    {
        if (server.session) {
            try {
                return call(*server.session);
            } catch (const smb2::ConnectionLost&) {
                server.session.reset();
            } catch (...) {
                server.session.reset();
                return statusOfFailure();
            }
        }
        try {
            server.session = openSession(host, server.password);
            return call(*server.session);
        } catch (const UseNetApi&) {
            throw;
        } catch (const smb2::LoginUnavailable&) {
            server.session.reset();
            return loginRefused;
        } catch (...) {
            server.session.reset();
            return statusOfFailure();
        }
    }

    // Connects, logs in and binds the server service. Negotiation is the only step that may
    // hand the server to libnetapi: after it, every failure is the call's.
    static std::unique_ptr<srvsvc::ServiceSession> openSession(const QByteArray& host,
                                                               const std::optional<AccountLogin>& password)
    {
        std::unique_ptr<smb2::Connection> connection = connect(host);
        smb2::GssLogin login = password ? passwordLogin(host, *password) : smb2::GssLogin::withTicket(host.toStdString());
        connection->logIn(login);
        return std::make_unique<srvsvc::ServiceSession>(std::move(connection));
    }

    static smb2::GssLogin passwordLogin(const QByteArray& host, const AccountLogin& password)
    {
        const std::optional<AccountName> account = parseAccount(password.account);
        if (!account)
            throw smb2::LoginUnavailable("the account cannot be read");
        return smb2::GssLogin::withPassword(host.toStdString(),
            {account->user.toStdString(), account->domain.toStdString(), account->realm.toStdString(),
             password.password.utf8()});
    }

    static std::unique_ptr<smb2::Connection> connect(const QByteArray& host)
    {
        try {
            return smb2::Connection::open({.host = host.toStdString()});
        } catch (const smb2::DialectNotSpoken&) {
            throw UseNetApi(true);
        } catch (const smb2::IntegrityError&) {
            throw;
        } catch (const ProtocolError&) {
            throw UseNetApi(false);
        } catch (const smb2::ConnectionLost&) {
            // A server that speaks only SMB1 closes the connection on an SMB2 NEGOTIATE without
            // a word. Nothing is signed yet, and libnetapi requires signing too: at worst the
            // listing is slower. Not remembered, as a server restarting just then looks alike.
            throw UseNetApi(false);
        }
    }

    SourceStatus netApi(const QString& name, std::optional<TypedLogin> typed, const NetApiCall& viaNetApi)
    {
        if (typed)
            m_netApi.useLogin(name, std::move(*typed));
        return viaNetApi(m_netApi);
    }

    static void forget(Server& server)
    {
        server.session.reset();
        server.login.reset();
        server.password.reset();
    }

    std::shared_ptr<Server> entry(const QByteArray& key)
    {
        const std::scoped_lock lock(m_serversMutex);
        std::shared_ptr<Server>& server = m_servers[key];
        if (!server)
            server = std::make_shared<Server>();
        return server;
    }


    std::mutex m_serversMutex;
    std::map<QByteArray, std::shared_ptr<Server>> m_servers;
    OfferedLogins m_offered;
    NetApiOpenFileSource m_netApi;
};

SmbOpenFileSource::SmbOpenFileSource()
    : m_servers(std::make_unique<Servers>())
{
}

SmbOpenFileSource::~SmbOpenFileSource() = default;

OpenFileList SmbOpenFileSource::enumerate(const QString& server)
{
    OpenFileList list;
    const std::u16string serverPath = utf16(server);
    const SourceStatus status = m_servers->run(server,
        [&](srvsvc::ServiceSession& session) {
            srvsvc::FileEnumAnswer answer = session.listFiles(serverPath);
            list.records.clear();
            list.records.reserve(answer.files.size());
            // A server names few users for many files: each distinct name is converted once.
            std::unordered_map<std::u16string, QString> userNames;
            for (srvsvc::FileInfo3& file : answer.files) {
                std::optional<QString> user;
                if (file.userName) {
                    const auto [known, isNew] = userNames.try_emplace(std::move(*file.userName));
                    if (isNew)
                        known->second = *text(known->first);
                    user = known->second;
                }
                list.records.push_back({file.id, file.permissions, file.numLocks, text(std::move(file.pathName)), user});
            }
            return statusOfMethod(answer.status);
        },
        [&](NetApiOpenFileSource& netApi) {
            list = netApi.enumerate(server);
            return list.status;
        });
    if (status.outcome != SourceOutcome::done)
        return {status, {}};
    list.status = status;
    return list;
}

SourceStatus SmbOpenFileSource::close(const QString& server, std::uint32_t id)
{
    const std::u16string serverPath = utf16(server);
    return m_servers->run(server,
        [&](srvsvc::ServiceSession& session) { return statusOfMethod(session.closeFile(serverPath, id)); },
        [&](NetApiOpenFileSource& netApi) { return netApi.close(server, id); });
}

void SmbOpenFileSource::useLogin(const QString& server, TypedLogin login)
{
    m_servers->offer(hostName(server), std::move(login));
}
