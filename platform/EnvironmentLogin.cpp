#include "EnvironmentLogin.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct FileClose {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

QString accountName()
{
    for (const char* name : {"USER", "LOGNAME"}) {
        if (const char* value = std::getenv(name); value != nullptr && value[0] != '\0')
            return QString::fromLocal8Bit(value).section(u'%', 0, 0);
    }
    const passwd* account = ::getpwuid(::getuid());
    return account != nullptr ? QString::fromLocal8Bit(account->pw_name) : QString();
}

// The first line, without its end; the buffer is wiped as the secret is taken from it.
std::optional<SecretText> firstLineOf(const char* path)
{
    const std::unique_ptr<std::FILE, FileClose> file(std::fopen(path, "re"));
    if (!file)
        return std::nullopt;
    std::string line;
    line.reserve(512);  // no reallocation leaves a copy of a usual password behind
    for (int c = std::fgetc(file.get()); c != EOF && c != '\n'; c = std::fgetc(file.get()))
        line.push_back(static_cast<char>(c));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return SecretText::takeFrom(line);
}

} // namespace

std::optional<AccountLogin> environmentLogin()
{
    std::optional<SecretText> password;
    if (const char* file = std::getenv("PASSWD_FILE"); file != nullptr && file[0] != '\0') {
        password = firstLineOf(file);
        if (!password)
            return std::nullopt;
    } else if (const char* value = std::getenv("PASSWD"); value != nullptr) {
        password = SecretText(value);
    } else {
        return std::nullopt;
    }
    return AccountLogin{accountName(), std::move(*password)};
}
