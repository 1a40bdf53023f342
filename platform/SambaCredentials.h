#pragma once

// The credentials libnetapi should use, guessed by Samba's own rules (ticket cache, USER,
// PASSWD, PASSWD_FILE). Written in C: Samba's credentials header does not compile as C++.
#ifdef __cplusplus
extern "C" {
#endif

struct cli_credentials;

// Samba's guess, with an empty password wherever none was found, so no login prompts.
// The credentials live until the process ends; null when Samba could not allocate them.
struct cli_credentials* tarnwick_guessed_credentials(void);

#ifdef __cplusplus
}
#endif
