#pragma once

// The credentials libnetapi logs in with, one kind per function, built by Samba's own rules.
// Written in C: Samba's credentials header does not compile as C++.
//
// Every answer is a new set of credentials that lives until tarnwick_free_credentials, or
// null when that kind is absent (or Samba could not allocate it). None of them ever makes
// Samba prompt on the terminal: each carries a password, an empty one where none belongs.
// Every kind requires signing of every request and answer, not only the session set-up, so an
// answer altered on the way ends the connection instead of being taken. An anonymous session
// has no key to sign with: Samba's client lets it in unsigned all the same.
#ifdef __cplusplus
extern "C" {
#endif

struct cli_credentials;

// The principal of the default Kerberos ticket cache (KRB5CCNAME, or the library's default),
// Kerberos only; null when the cache holds no principal.
struct cli_credentials* tarnwick_ticket_credentials(void);

// An account and its password; domain and realm may be null or empty. The strings are
// copied, and Samba wipes its copy of the password when the credentials are freed.
struct cli_credentials* tarnwick_password_credentials(const char* user, const char* domain, const char* realm,
    const char* password);

// No account at all: an anonymous login.
struct cli_credentials* tarnwick_anonymous_credentials(void);

void tarnwick_free_credentials(struct cli_credentials* credentials);

#ifdef __cplusplus
}
#endif
