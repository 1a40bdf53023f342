#include "KeyringLogins.h"

#include <QByteArray>

// GLib's D-Bus headers name a member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include <memory>

namespace {

constexpr const char* smbProtocol = "smb";

struct HashTableRelease {
    void operator()(GHashTable* table) const noexcept { g_hash_table_unref(table); }
};
using Attributes = std::unique_ptr<GHashTable, HashTableRelease>;

struct ListRelease {
    void operator()(GList* list) const noexcept { g_list_free_full(list, g_object_unref); }
};
using ObjectList = std::unique_ptr<GList, ListRelease>;

struct ValueRelease {
    void operator()(SecretValue* value) const noexcept { secret_value_unref(value); }
};
using Value = std::unique_ptr<SecretValue, ValueRelease>;

// Keys and values stay owned by the caller, who keeps them alive while the table is used.
Attributes attributes(std::initializer_list<std::pair<const char*, const QByteArray*>> pairs)
{
    Attributes table(g_hash_table_new(g_str_hash, g_str_equal));
    for (const auto& [name, value] : pairs)
        g_hash_table_insert(table.get(), const_cast<char*>(name), const_cast<char*>(value->constData()));
    return table;
}

QString attribute(GHashTable* table, const char* name)
{
    return QString::fromUtf8(static_cast<const char*>(g_hash_table_lookup(table, name)));
}

} // namespace

std::optional<AccountLogin> keyringLogin(const QString& server)
{
    const QByteArray protocol(smbProtocol);
    const QByteArray host = server.toUtf8();
    const Attributes query = attributes({{"protocol", &protocol}, {"server", &host}});
    GError* error = nullptr;
    const ObjectList found(secret_password_searchv_sync(SECRET_SCHEMA_COMPAT_NETWORK, query.get(), SECRET_SEARCH_ALL,
        nullptr, &error));
    g_clear_error(&error);

    SecretRetrievable* newest = nullptr;
    for (GList* item = found.get(); item != nullptr; item = item->next) {
        auto* candidate = static_cast<SecretRetrievable*>(item->data);
        if (newest == nullptr || secret_retrievable_get_modified(candidate) > secret_retrievable_get_modified(newest))
            newest = candidate;
    }
    if (newest == nullptr)
        return std::nullopt;
    const Value value(secret_retrievable_retrieve_secret_sync(newest, nullptr, &error));
    g_clear_error(&error);
    if (!value)
        return std::nullopt;
    const Attributes stored(secret_retrievable_get_attributes(newest));
    const QString user = attribute(stored.get(), "user");
    const QString domain = attribute(stored.get(), "domain");
    const gchar* text = secret_value_get_text(value.get());
    if (user.isEmpty() || text == nullptr)
        return std::nullopt;
    return AccountLogin{domain.isEmpty() ? user : domain + u'\\' + user, SecretText(text)};
}

bool rememberInKeyring(const QString& server, const AccountName& account, const SecretText& password)
{
    const QByteArray protocol(smbProtocol);
    const QByteArray host = server.toUtf8();
    const QByteArray user = (account.realm.isEmpty() ? account.user : account.user + u'@' + account.realm).toUtf8();
    const QByteArray domain = account.domain.toUtf8();
    Attributes entry = attributes({{"protocol", &protocol}, {"server", &host}, {"user", &user}});
    if (!domain.isEmpty())
        g_hash_table_insert(entry.get(), const_cast<char*>("domain"), const_cast<char*>(domain.constData()));
    const QByteArray label = user + '@' + host;
    GError* error = nullptr;
    const bool stored = secret_password_storev_sync(SECRET_SCHEMA_COMPAT_NETWORK, entry.get(), SECRET_COLLECTION_DEFAULT,
        label.constData(), password.utf8(), nullptr, &error);
    g_clear_error(&error);
    return stored;
}
