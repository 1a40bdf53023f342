#pragma once

// Both sides of a login in this process: the login's tokens go to GSSAPI's acceptor (whatever
// mechanism its credentials offer), the acceptor's back to the login as a server's
// session-setup responses would.
#include "GssLogin.h"

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <gssapi/gssapi_krb5.h>

namespace gssacceptor {

struct Outcome {
    bool acceptorRefused = false;
    bool acceptorDone = false;
    bool loginDone = false;
    bool kerberos = false;                  // the acceptor's mechanism
    bool loginNeededTheLastToken = false;  // mutual authentication: the acceptor's last token completed the login
    Bytes acceptorKey;
    Bytes loginKey;
};

inline Outcome exchange(smb2::GssLogin& login)
{
    Outcome outcome;
    gss_ctx_id_t acceptor = GSS_C_NO_CONTEXT;
    Bytes token = login.step({});
    for (int round = 0; round < 6 && !token.empty(); ++round) {
        gss_buffer_desc input{token.size(), token.data()};
        gss_buffer_desc output{0, nullptr};
        gss_OID mech = GSS_C_NO_OID;
        OM_uint32 minor = 0;
        const OM_uint32 major = gss_accept_sec_context(&minor, &acceptor, GSS_C_NO_CREDENTIAL, &input,
            GSS_C_NO_CHANNEL_BINDINGS, nullptr, &mech, &output, nullptr, nullptr, nullptr);
        const Bytes reply(static_cast<std::uint8_t*>(output.value),
            static_cast<std::uint8_t*>(output.value) + output.length);
        gss_release_buffer(&minor, &output);
        if (GSS_ERROR(major)) {
            outcome.acceptorRefused = true;
            break;
        }
        outcome.acceptorDone = major == GSS_S_COMPLETE;
        outcome.kerberos = mech != GSS_C_NO_OID && gss_oid_equal(mech, gss_mech_krb5);
        outcome.loginNeededTheLastToken = !login.established() && outcome.acceptorDone && !reply.empty();
        // The final response may carry a last token (SPNEGO's accept-completed), or none.
        token = reply.empty() ? Bytes() : login.step(reply);
    }
    outcome.loginDone = login.established();
    OM_uint32 minor = 0;
    if (outcome.acceptorDone) {
        gss_buffer_set_t keys = GSS_C_NO_BUFFER_SET;
        if (!GSS_ERROR(gss_inquire_sec_context_by_oid(&minor, acceptor, GSS_C_INQ_SSPI_SESSION_KEY, &keys))
            && keys != GSS_C_NO_BUFFER_SET && keys->count > 0) {
            const auto* data = static_cast<const std::uint8_t*>(keys->elements[0].value);
            outcome.acceptorKey.assign(data, data + keys->elements[0].length);
        }
        gss_release_buffer_set(&minor, &keys);
    }
    if (outcome.loginDone)
        outcome.loginKey = login.sessionKey();
    if (acceptor != GSS_C_NO_CONTEXT)
        gss_delete_sec_context(&minor, &acceptor, GSS_C_NO_BUFFER);
    return outcome;
}

} // namespace gssacceptor
