#include "SambaCredentials.h"

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

// credentials.h uses these without including them.
#include <util/data_blob.h>
#include <util/time.h>

#include <credentials.h>
#include <param.h>

struct cli_credentials* tarnwick_guessed_credentials(void)
{
    struct cli_credentials* creds = cli_credentials_init(NULL);
    if (creds == NULL)
        return NULL;
    // A missing smb.conf only means fewer guesses.
    (void)cli_credentials_guess(creds, loadparm_init_global(true));
    // Without a password libnetapi installs Samba's terminal prompt. An empty one ranked as
    // an environment guess stops it, and stays below a ticket cache found in a file, which a
    // password of higher rank would discard.
    if (cli_credentials_get_password(creds) == NULL)
        cli_credentials_set_password(creds, "", CRED_GUESS_ENV);
    return creds;
}
