#include "Smb2Connection.h"

#include "Smb2Channel.h"
#include "Smb2Messages.h"
#include "Smb2Negotiate.h"
#include "Smb2Pipe.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace smb2 {

namespace {

// A login that has not ended after this many legs is going round in circles.
constexpr int maxSessionSetupRounds = 8;
// The largest pipe READ or transceive asked for: far above any DCE/RPC fragment.
constexpr std::uint32_t maxPipeTransfer = 1024 * 1024;

bool multiCredit(const Negotiated& negotiated)
{
    return negotiated.dialect >= Dialect::smb21 && (negotiated.capabilities & capability::largeMtu);
}

// Without multi-credit a request moves at most 64 KiB.
std::uint32_t transferLimit(const Negotiated& negotiated, std::uint32_t serverLimit)
{
    return std::min({serverLimit, maxPipeTransfer, multiCredit(negotiated) ? maxPipeTransfer : 65536u});
}

std::u16string widen(const std::string& text)
{
    std::u16string wide;
    for (const unsigned char c : text) {
        if (c >= 0x80)
            throw std::invalid_argument("a host name must be ASCII");
        wide.push_back(c);
    }
    return wide;
}

} // namespace

struct Connection::State {
    ConnectOptions options;
    Smb2Channel channel;
    NegotiateOffer offer;
    Negotiated negotiated;
    PreauthHash preauth;  // over the negotiate request and response
    bool loggedIn = false;
    std::optional<std::uint32_t> ipcTree;
    std::vector<FileId> openFiles;
};

Connection::Connection(std::unique_ptr<State> state) : m_state(std::move(state)) {}

std::unique_ptr<Connection> Connection::open(const ConnectOptions& options)
{
    auto transport = std::make_unique<TcpTransport>(options.host, options.port, options.connectLimit, options.progressLimit);
    auto state = std::unique_ptr<State>(new State{options, Smb2Channel(std::move(transport)), makeNegotiateOffer(options.maxDialect), {}, {}, false, {}, {}});
    State& s = *state;
    const Response response = s.channel.receive(
        s.channel.send({Command::negotiate, negotiateRequestBody(s.offer), 0, 0}, &s.preauth));
    if (response.header.status != status::success)
        throw DialectNotSpoken("the server refused every dialect offered (status " + std::to_string(response.header.status) + ")");
    s.negotiated = parseNegotiateResponse(response.message, s.offer);
    s.preauth.update(response.message);
    s.channel.allowMultiCredit(multiCredit(s.negotiated));
    return std::unique_ptr<Connection>(new Connection(std::move(state)));
}

Connection::~Connection()
{
    State& s = *m_state;
    s.channel.drain();
    try {
        for (const FileId file : s.openFiles)
            s.channel.call({Command::close, closeRequestBody(file), *s.ipcTree, 0});
    } catch (const std::exception&) {
        // The server closes what is left with the connection.
    }
}

void Connection::logIn(GssLogin& login)
{
    State& s = *m_state;
    if (s.loggedIn)
        throw std::logic_error("a connection logs in once");
    PreauthHash preauth = s.preauth;
    Bytes token = login.step(s.negotiated.securityBuffer);
    for (int round = 0; round < maxSessionSetupRounds; ++round) {
        const Response response = s.channel.receive(
            s.channel.send({Command::sessionSetup, sessionSetupRequestBody(s.offer.securityMode, token), 0, 0}, &preauth));
        const SessionSetupResponse setup = parseSessionSetupResponse(response.message);
        if (response.header.status == status::moreProcessingRequired) {
            if (response.header.sessionId == 0)
                throw ProtocolError("session setup without a session id");
            preauth.update(response.message);
            s.channel.useSession(response.header.sessionId);
            token = login.step(setup.token);
            if (token.empty())
                throw ProtocolError("the server asked for more than the login has to say");
            continue;
        }
        if (response.header.status != status::success)
            throw ServerStatus(response.header.status);
        if (!setup.token.empty())
            login.step(setup.token);
        if (!login.established())
            throw ProtocolError("the server accepted a login that GSSAPI did not complete");
        // A guest or anonymous session has no keys to sign with: the account was not accepted.
        if (setup.sessionFlags & (sessionFlags::isGuest | sessionFlags::isNull))
            throw ServerStatus(status::logonFailure);
        const bool encryptAll = setup.sessionFlags & sessionFlags::encryptData;
        if (encryptAll && s.negotiated.cipher == Cipher::none)
            throw ProtocolError("the server requires encryption without a cipher negotiated");
        SessionSecurity security;
        security.sessionId = response.header.sessionId;
        security.signing = signingAlgorithm(s.negotiated.dialect, s.negotiated.gmacSigning);
        security.cipher = s.negotiated.cipher;
        security.keys = deriveKeys(s.negotiated.dialect, s.negotiated.cipher, login.sessionKey(), preauth.value());
        security.encryptAll = encryptAll;
        s.channel.secure(std::move(security));
        if (!s.channel.signatureValid(response.message))
            throw IntegrityError("the session setup's final response is not signed with the session's key");
        s.loggedIn = true;
        return;
    }
    throw ProtocolError("the session setup did not end");
}

std::unique_ptr<PipeTransport> Connection::openPipe(const std::u16string& name)
{
    State& s = *m_state;
    if (!s.loggedIn)
        throw std::logic_error("a pipe opens after the login");
    if (!s.ipcTree) {
        const Response tree = s.channel.call({Command::treeConnect, treeConnectRequestBody(u"\\\\" + widen(s.options.host) + u"\\IPC$"), 0, 0});
        if (tree.header.status != status::success)
            throw ServerStatus(tree.header.status);
        if (parseTreeConnectResponse(tree.message).encryptData) {
            if (s.negotiated.cipher == Cipher::none)
                throw ProtocolError("IPC$ requires encryption without a cipher negotiated");
            s.channel.encryptTree(tree.header.treeId);
        }
        if (s.negotiated.dialect == Dialect::smb30 || s.negotiated.dialect == Dialect::smb302) {
            constexpr std::uint32_t validationSize = 24;
            const Response validation = s.channel.call(
                {Command::ioctl, ioctlRequestBody(fsctl::validateNegotiateInfo, noFile, validateNegotiateInput(s.offer), validationSize),
                 tree.header.treeId, validationSize});
            if (validation.header.status != status::success)
                throw IntegrityError("the server did not confirm the negotiation");
            checkValidateNegotiateOutput(parseIoctlResponse(validation.message, fsctl::validateNegotiateInfo, validationSize),
                                         s.negotiated);
        }
        s.ipcTree = tree.header.treeId;
    }
    const Response created = s.channel.call({Command::create, createPipeRequestBody(name), *s.ipcTree, 0});
    if (created.header.status != status::success)
        throw ServerStatus(created.header.status);
    const FileId file = parseCreateResponse(created.message);
    s.openFiles.push_back(file);
    const Smb2Pipe::Limits limits{transferLimit(s.negotiated, s.negotiated.maxReadSize),
                                  transferLimit(s.negotiated, s.negotiated.maxTransactSize)};
    return std::make_unique<Smb2Pipe>(s.channel, *s.ipcTree, file, limits);
}

Dialect Connection::dialect() const
{
    return m_state->negotiated.dialect;
}

bool Connection::encrypts() const
{
    return m_state->channel.encrypts();
}

} // namespace smb2
