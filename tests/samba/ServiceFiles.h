#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// What a fixture script (test-server, test-domain, test-keyring) left in its directory: the
// variables of its FILE.env, or nullopt and the reason when the service cannot run here.
// A directory without either is a test failure (thrown).
std::optional<QHash<QString, QString>> serviceVariables(const QString& dir, const QString& envFile,
    QString& skipReason);

// This process offers no credentials of its own: no Samba variables, no ticket cache, no
// session bus unless the test's environment names one.
void forgetCredentialEnvironment();

// Runs a program to its end with the input on its standard input; answers whether it exited
// with 0, and its output.
bool runTool(const QString& program, const QStringList& arguments, const QByteArray& input = {},
    QString* output = nullptr);

// The test server's variables, with the test keyring of keyringDir, emptied of SMB logins, as
// this process's only source of logins; nullopt and the reason where either cannot run here.
std::optional<QHash<QString, QString>> serverWithEmptyKeyring(const QString& keyringDir, QString& skipReason);

// Samba caches the addresses of names for the whole machine, so another build's server may
// answer for a name of this one's hosts file: the cached address goes.
void forgetCachedAddress(const QString& name);
