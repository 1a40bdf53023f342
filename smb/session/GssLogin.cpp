#include "GssLogin.h"

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <gssapi/gssapi_krb5.h>

#include <cstring>
#include <stdexcept>
#include <utility>

namespace smb2 {
namespace {

// The mechanisms by their object identifiers: SPNEGO (1.3.6.1.5.5.2), the one every token goes
// through; Kerberos 5 (MIT's gss_mech_set_krb5) and NTLMSSP (1.3.6.1.4.1.311.2.2.10), the two it
// may negotiate. MIT exports no SPNEGO set, and NTLMSSP's comes from another package's header.
char spnegoBytes[] = "\x2b\x06\x01\x05\x05\x02";
char ntlmsspBytes[] = "\x2b\x06\x01\x04\x01\x82\x37\x02\x02\x0a";
gss_OID_desc spnegoOid{6, spnegoBytes};
gss_OID_desc ntlmsspOid{10, ntlmsspBytes};
gss_OID_set_desc spnegoOnly{1, &spnegoOid};
gss_OID_set_desc ntlmsspOnly{1, &ntlmsspOid};

// What the client asks of the login: the server proves itself where the mechanism can
// (Kerberos' AP-REP in the last session-setup response), and integrity, so that NTLMSSP signs
// and SPNEGO protects its list of mechanisms with a MIC.
constexpr OM_uint32 requestedFlags = GSS_C_MUTUAL_FLAG | GSS_C_INTEG_FLAG;

// GSSAPI's own words for a status, major and minor: "Unspecified GSS failure. Minor code may
// provide more information: No Kerberos credentials available (default cache: ...)".
std::string statusText(OM_uint32 status, int type)
{
    std::string text;
    OM_uint32 context = 0;
    do {
        OM_uint32 minor = 0;
        gss_buffer_desc buffer{0, nullptr};
        if (GSS_ERROR(gss_display_status(&minor, status, type, GSS_C_NO_OID, &context, &buffer)))
            break;
        if (!text.empty())
            text += "; ";
        text.append(static_cast<const char*>(buffer.value), buffer.length);
        gss_release_buffer(&minor, &buffer);
    } while (context != 0);
    return text;
}

[[noreturn]] void unavailable(const char* what, OM_uint32 major, OM_uint32 minor)
{
    std::string message = std::string(what) + ": " + statusText(major, GSS_C_GSS_CODE);
    if (minor != 0) {
        const std::string minorText = statusText(minor, GSS_C_MECH_CODE);
        if (!minorText.empty())
            message += " (" + minorText + ")";
    }
    throw LoginUnavailable(message);
}

// ---- GSSAPI's objects, each released by its owner ----

class Name final {
public:
    Name(const std::string& text, gss_OID type)
    {
        gss_buffer_desc buffer{text.size(), const_cast<char*>(text.data())};
        OM_uint32 minor = 0;
        const OM_uint32 major = gss_import_name(&minor, &buffer, type, &m_name);
        if (GSS_ERROR(major))
            unavailable(("cannot read the name " + text).c_str(), major, minor);
    }
    Name(const Name&) = delete;
    Name& operator=(const Name&) = delete;
    ~Name()
    {
        OM_uint32 minor = 0;
        if (m_name != GSS_C_NO_NAME)
            gss_release_name(&minor, &m_name);
    }
    gss_name_t get() const { return m_name; }

private:
    gss_name_t m_name = GSS_C_NO_NAME;
};

class Credential final {
public:
    Credential() = default;
    Credential(const Credential&) = delete;
    Credential& operator=(const Credential&) = delete;
    ~Credential()
    {
        OM_uint32 minor = 0;
        if (m_cred != GSS_C_NO_CREDENTIAL)
            gss_release_cred(&minor, &m_cred);
    }
    gss_cred_id_t get() const { return m_cred; }
    gss_cred_id_t* out() { return &m_cred; }

private:
    gss_cred_id_t m_cred = GSS_C_NO_CREDENTIAL;
};

class OutputBuffer final {
public:
    OutputBuffer() = default;
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;
    ~OutputBuffer()
    {
        OM_uint32 minor = 0;
        gss_release_buffer(&minor, &m_buffer);
    }
    gss_buffer_t out() { return &m_buffer; }
    Bytes bytes() const
    {
        const auto* data = static_cast<const std::uint8_t*>(m_buffer.value);
        return data == nullptr ? Bytes() : Bytes(data, data + m_buffer.length);
    }

private:
    gss_buffer_desc m_buffer{0, nullptr};
};

class BufferSet final {
public:
    BufferSet() = default;
    BufferSet(const BufferSet&) = delete;
    BufferSet& operator=(const BufferSet&) = delete;
    ~BufferSet()
    {
        OM_uint32 minor = 0;
        if (m_set != GSS_C_NO_BUFFER_SET)
            gss_release_buffer_set(&minor, &m_set);
    }
    gss_buffer_set_t* out() { return &m_set; }
    gss_buffer_set_t get() const { return m_set; }

private:
    gss_buffer_set_t m_set = GSS_C_NO_BUFFER_SET;
};

} // namespace

struct GssLogin::State {
    explicit State(const std::string& serverName) : target("cifs@" + serverName, GSS_C_NT_HOSTBASED_SERVICE) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State()
    {
        OM_uint32 minor = 0;
        if (context != GSS_C_NO_CONTEXT)
            gss_delete_sec_context(&minor, &context, GSS_C_NO_BUFFER);
    }

    Name target;
    Credential credential;
    gss_ctx_id_t context = GSS_C_NO_CONTEXT;
    bool started = false;
    bool established = false;
};

GssLogin::GssLogin(std::unique_ptr<State> state) : m_state(std::move(state)) {}
GssLogin::GssLogin(GssLogin&&) noexcept = default;
GssLogin& GssLogin::operator=(GssLogin&&) noexcept = default;
GssLogin::~GssLogin() = default;

GssLogin GssLogin::withTicket(const std::string& serverName)
{
    auto state = std::make_unique<State>(serverName);
    OM_uint32 minor = 0;
    // Kerberos alone: the ticket cache must hold a usable ticket-granting ticket, or there is no
    // single sign-on to make (a credential of another mechanism would be no ticket).
    {
        Credential kerberos;
        const OM_uint32 major = gss_acquire_cred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, gss_mech_set_krb5, GSS_C_INITIATE,
            kerberos.out(), nullptr, nullptr);
        if (GSS_ERROR(major))
            unavailable("no Kerberos ticket to log in with", major, minor);
    }
    // The credential SPNEGO carries, limited to Kerberos.
    OM_uint32 major = gss_acquire_cred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, &spnegoOnly, GSS_C_INITIATE,
        state->credential.out(), nullptr, nullptr);
    if (GSS_ERROR(major))
        unavailable("no credential for SPNEGO", major, minor);
    major = gss_set_neg_mechs(&minor, state->credential.get(), gss_mech_set_krb5);
    if (GSS_ERROR(major))
        unavailable("cannot limit SPNEGO to Kerberos", major, minor);
    return GssLogin(std::move(state));
}

GssLogin GssLogin::withPassword(const std::string& serverName, const PasswordLogin& login)
{
    if (login.password == nullptr)
        throw LoginUnavailable("no password given");
    auto state = std::make_unique<State>(serverName);

    // One name for every mechanism, as a user name: Kerberos reads "user@REALM" as its
    // principal, gss-ntlmssp reads it as user and domain, and reads "DOMAIN\user" too.
    std::string account;
    if (!login.realm.empty())
        account = login.user + "@" + login.realm;
    else if (!login.domain.empty())
        account = login.domain + "\\" + login.user;
    else
        account = login.user;
    const Name name(account, GSS_C_NT_USER_NAME);

    // The password goes to GSSAPI from the caller's own bytes.
    gss_buffer_desc password{std::strlen(login.password), const_cast<char*>(login.password)};
    OM_uint32 minor = 0;
    // For SPNEGO itself: a credential of NTLMSSP alone leaves SPNEGO nothing to negotiate.
    OM_uint32 major = gss_acquire_cred_with_password(&minor, name.get(), &password, GSS_C_INDEFINITE, &spnegoOnly,
        GSS_C_INITIATE, state->credential.out(), nullptr, nullptr);
    if (GSS_ERROR(major))
        unavailable(("no credential for " + account).c_str(), major, minor);
    // Without a realm Kerberos has no principal to ask a ticket for: NTLMSSP alone.
    if (login.realm.empty()) {
        major = gss_set_neg_mechs(&minor, state->credential.get(), &ntlmsspOnly);
        if (GSS_ERROR(major))
            unavailable("cannot limit SPNEGO to NTLMSSP", major, minor);
    }
    return GssLogin(std::move(state));
}

Bytes GssLogin::step(ByteView serverToken)
{
    State& state = *m_state;
    if (state.established) {
        if (!serverToken.empty())
            throw LoginUnavailable("a security token came after the login was complete");
        return {};
    }
    // The first leg starts the exchange: a token the server sent with its negotiate response
    // (SPNEGO's hint of mechanisms) is not read, as MIT's SPNEGO would not read it either.
    gss_buffer_desc input{serverToken.size(), const_cast<std::uint8_t*>(serverToken.data())};
    const gss_buffer_t inputToken = state.started ? &input : GSS_C_NO_BUFFER;
    if (state.started && serverToken.empty())
        throw LoginUnavailable("the server sent no security token to go on with");

    OutputBuffer output;
    OM_uint32 minor = 0;
    OM_uint32 returnedFlags = 0;
    const OM_uint32 major = gss_init_sec_context(&minor, state.credential.get(), &state.context, state.target.get(),
        &spnegoOid, requestedFlags, GSS_C_INDEFINITE, GSS_C_NO_CHANNEL_BINDINGS, inputToken, nullptr, output.out(),
        &returnedFlags, nullptr);
    state.started = true;
    if (GSS_ERROR(major))
        unavailable("GSSAPI could not make the login", major, minor);
    state.established = (major & GSS_S_CONTINUE_NEEDED) == 0;
    return output.bytes();
}

bool GssLogin::established() const
{
    return m_state->established;
}

Bytes GssLogin::sessionKey() const
{
    if (!m_state->established)
        throw LoginUnavailable("the login is not complete: no session key yet");
    BufferSet keys;
    OM_uint32 minor = 0;
    const OM_uint32 major =
        gss_inquire_sec_context_by_oid(&minor, m_state->context, GSS_C_INQ_SSPI_SESSION_KEY, keys.out());
    if (GSS_ERROR(major))
        unavailable("no session key from the login", major, minor);
    // The first buffer is the key (Kerberos adds a second: the key's type).
    if (keys.get() == GSS_C_NO_BUFFER_SET || keys.get()->count < 1 || keys.get()->elements[0].length == 0)
        throw LoginUnavailable("the login gave an empty session key");
    const gss_buffer_desc& key = keys.get()->elements[0];
    const auto* data = static_cast<const std::uint8_t*>(key.value);
    return Bytes(data, data + key.length);
}

} // namespace smb2
