#include "SambaCredentials.h"

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include <talloc.h>

// credentials.h uses these without including them.
#include <util/data_blob.h>
#include <util/time.h>

#include <credentials.h>
#include <param.h>

// credentials.h only names this enum; Samba's value for "required" is 3.
enum smb_signing_setting { tarnwick_signing_required = 3 };

static struct cli_credentials* new_credentials(void)
{
    struct cli_credentials* credentials = cli_credentials_init(NULL);
    if (credentials == NULL)
        return NULL;
    // A missing smb.conf only means Samba's defaults.
    (void)cli_credentials_set_conf(credentials, loadparm_init_global(true));
    // By default Samba signs an IPC$ session only through its set-up and takes unsigned
    // answers after it, so anyone on the path could rewrite a listing unnoticed.
    (void)cli_credentials_set_smb_signing(credentials, tarnwick_signing_required, CRED_SPECIFIED);
    return credentials;
}

struct cli_credentials* tarnwick_ticket_credentials(void)
{
    struct cli_credentials* credentials = new_credentials();
    if (credentials == NULL)
        return NULL;
    const char* error = NULL;
    if (cli_credentials_set_ccache(credentials, loadparm_init_global(true), NULL, CRED_SPECIFIED, &error) != 0
        || cli_credentials_get_principal(credentials, credentials) == NULL) {
        tarnwick_free_credentials(credentials);
        return NULL;
    }
    cli_credentials_set_kerberos_state(credentials, CRED_USE_KERBEROS_REQUIRED, CRED_SPECIFIED);
    // Without any password libnetapi installs Samba's terminal prompt. An empty one ranked as a
    // guess stays below the ticket cache, which a password of higher rank would discard.
    cli_credentials_set_password(credentials, "", CRED_GUESS_ENV);
    return credentials;
}

struct cli_credentials* tarnwick_password_credentials(const char* user, const char* domain, const char* realm,
    const char* password)
{
    struct cli_credentials* credentials = new_credentials();
    if (credentials == NULL)
        return NULL;
    if (realm != NULL && realm[0] != '\0') {
        char* principal = talloc_asprintf(credentials, "%s@%s", user, realm);
        cli_credentials_set_principal(credentials, principal, CRED_SPECIFIED);
        cli_credentials_set_realm(credentials, realm, CRED_SPECIFIED);
        cli_credentials_set_domain(credentials, "", CRED_SPECIFIED);
    } else if (domain != NULL && domain[0] != '\0') {
        cli_credentials_set_domain(credentials, domain, CRED_SPECIFIED);
    }
    // A user named explicitly also stops Samba's quiet fallback to an anonymous login.
    cli_credentials_set_username(credentials, user, CRED_SPECIFIED);
    cli_credentials_set_password(credentials, password, CRED_SPECIFIED);
    return credentials;
}

struct cli_credentials* tarnwick_anonymous_credentials(void)
{
    struct cli_credentials* credentials = new_credentials();
    if (credentials != NULL)
        cli_credentials_set_anonymous(credentials);
    return credentials;
}

void tarnwick_free_credentials(struct cli_credentials* credentials)
{
    talloc_free(credentials);
}
