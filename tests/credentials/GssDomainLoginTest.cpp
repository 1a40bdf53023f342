// The SMB client's own login by Kerberos against the private domain controller's KDC: SPNEGO
// from GssLogin, accepted in this process by MIT's acceptor with the controller's keys for
// cifs/dc1.tarnwick.test (exported from the controller into a keytab), as the server would
// accept it. Mutual authentication included: the login completes only on the acceptor's last
// token, and both ends hold the same session key.
#include "GssLogin.h"
#include "ServiceFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <gssapi/gssapi_krb5.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

using namespace smb2;

namespace {

class GssDomainLogin : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString skipReason;
        const auto domain = serviceVariables(QStringLiteral(TARNWICK_DOMAIN_DIR), QStringLiteral("domain.env"), skipReason);
        if (!domain)
            GTEST_SKIP() << skipReason.toStdString();
        m_domain = *domain;
        forgetCredentialEnvironment();
        ASSERT_TRUE(m_dir.isValid());
        const QString keytab = m_dir.filePath(QStringLiteral("cifs.keytab"));
        QString output;
        ASSERT_TRUE(runTool(QStringLiteral("samba-tool"),
            {QStringLiteral("domain"), QStringLiteral("exportkeytab"), keytab,
                QStringLiteral("--principal=cifs/") + QString::fromStdString(variable("TARNWICK_DC_HOST")),
                QStringLiteral("--configfile=" TARNWICK_DOMAIN_DIR "/dc/etc/smb.conf")},
            {}, &output))
            << output.toStdString();
        ::setenv("KRB5_KTNAME", ("FILE:" + keytab).toLocal8Bit().constData(), 1);
        ::setenv("KRB5CCNAME", ("FILE:" + m_dir.filePath(QStringLiteral("ccache"))).toLocal8Bit().constData(), 1);
    }

    std::string variable(const char* name) const { return m_domain.value(QString::fromLatin1(name)).toStdString(); }

    QHash<QString, QString> m_domain;
    QTemporaryDir m_dir;
};

struct Outcome {
    bool kerberos = false;
    bool acceptorDone = false;
    bool loginDone = false;
    bool loginNeededTheLastToken = false;
    Bytes acceptorKey;
    Bytes loginKey;
};

Outcome exchange(GssLogin& login)
{
    Outcome outcome;
    gss_ctx_id_t acceptor = GSS_C_NO_CONTEXT;
    Bytes token = login.step({});
    for (int round = 0; round < 4 && !token.empty(); ++round) {
        gss_buffer_desc input{token.size(), token.data()};
        gss_buffer_desc output{0, nullptr};
        gss_OID mech = GSS_C_NO_OID;
        OM_uint32 minor = 0;
        const OM_uint32 major = gss_accept_sec_context(&minor, &acceptor, GSS_C_NO_CREDENTIAL, &input,
            GSS_C_NO_CHANNEL_BINDINGS, nullptr, &mech, &output, nullptr, nullptr, nullptr);
        const Bytes reply(static_cast<std::uint8_t*>(output.value),
            static_cast<std::uint8_t*>(output.value) + output.length);
        gss_release_buffer(&minor, &output);
        if (GSS_ERROR(major))
            break;
        outcome.acceptorDone = major == GSS_S_COMPLETE;
        outcome.kerberos = mech != GSS_C_NO_OID && gss_oid_equal(mech, gss_mech_krb5);
        outcome.loginNeededTheLastToken = !login.established() && outcome.acceptorDone && !reply.empty();
        token = reply.empty() ? Bytes() : login.step(reply);
    }
    outcome.loginDone = login.established();
    OM_uint32 minor = 0;
    if (outcome.acceptorDone) {
        gss_buffer_set_t keys = GSS_C_NO_BUFFER_SET;
        if (!GSS_ERROR(gss_inquire_sec_context_by_oid(&minor, acceptor, GSS_C_INQ_SSPI_SESSION_KEY, &keys)) &&
            keys != GSS_C_NO_BUFFER_SET && keys->count > 0) {
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

} // namespace

TEST_F(GssDomainLogin, APasswordWithItsRealmAndATicketLogInByKerberos)
{
    const std::string password = variable("TARNWICK_DC_ALICE_PASSWORD");
    const std::string realm = variable("TARNWICK_DC_ADMIN").substr(variable("TARNWICK_DC_ADMIN").find('@') + 1);
    const std::string server = variable("TARNWICK_DC_HOST");
    const std::function<GssLogin()> logins[] = {
        [&] { return GssLogin::withPassword(server, {"alice", "", realm, password.c_str()}); },
        [&] {
            if (!runTool(QStringLiteral("kinit"), {QString::fromStdString("alice@" + realm)},
                    QByteArray::fromStdString(password)))
                throw std::runtime_error("kinit failed");
            return GssLogin::withTicket(server);
        },
    };
    for (const auto& makeLogin : logins) {
        GssLogin login = makeLogin();
        const Outcome outcome = exchange(login);
        EXPECT_TRUE(outcome.kerberos);
        EXPECT_TRUE(outcome.acceptorDone);
        EXPECT_TRUE(outcome.loginDone);
        // Mutual authentication: the server's last token (its AP-REP) completes the login.
        EXPECT_TRUE(outcome.loginNeededTheLastToken);
        EXPECT_GE(outcome.loginKey.size(), 16u);
        EXPECT_EQ(outcome.loginKey, outcome.acceptorKey);
    }
}

TEST_F(GssDomainLogin, ATicketForAServerTheDomainDoesNotKnowIsLoginUnavailable)
{
    const std::string password = variable("TARNWICK_DC_ALICE_PASSWORD");
    const std::string realm = variable("TARNWICK_DC_ADMIN").substr(variable("TARNWICK_DC_ADMIN").find('@') + 1);
    ASSERT_TRUE(runTool(QStringLiteral("kinit"), {QString::fromStdString("alice@" + realm)},
        QByteArray::fromStdString(password)));
    GssLogin login = GssLogin::withTicket("nosuchserver." + realm);
    try {
        login.step({});
        ADD_FAILURE() << "a ticket for an unknown server";
    } catch (const LoginUnavailable& e) {
        EXPECT_NE(std::string(e.what()).find("not found in Kerberos database"), std::string::npos) << e.what();
    }
}
