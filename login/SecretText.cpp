#include "SecretText.h"

#include <QByteArray>

#include <utility>

namespace {

// Plain stores that the compiler may not drop as dead, as it may drop a memset before a free.
void wipeBytes(void* bytes, std::size_t size) noexcept
{
    auto* volatile target = static_cast<volatile char*>(bytes);
    for (std::size_t i = 0; i < size; ++i)
        target[i] = 0;
}

} // namespace

SecretText::SecretText(std::string_view utf8)
    : m_bytes(utf8.begin(), utf8.end())
{
    m_bytes.push_back('\0');
}

SecretText::~SecretText()
{
    wipe();
}

SecretText::SecretText(SecretText&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, {}))
{
}

SecretText& SecretText::operator=(SecretText&& other) noexcept
{
    if (this != &other) {
        wipe();
        m_bytes = std::exchange(other.m_bytes, {});
    }
    return *this;
}

SecretText SecretText::takeFrom(QString& text)
{
    QByteArray utf8 = text.toUtf8();
    SecretText secret(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    wipeBytes(utf8.data(), static_cast<std::size_t>(utf8.size()));
    wipeBytes(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    text.clear();
    return secret;
}

SecretText SecretText::takeFrom(std::string& text)
{
    SecretText secret(text);
    wipeBytes(text.data(), text.size());
    text.clear();
    return secret;
}

const char* SecretText::utf8() const
{
    return m_bytes.empty() ? "" : m_bytes.data();
}

bool SecretText::isEmpty() const
{
    return m_bytes.size() <= 1;
}

void SecretText::wipe() noexcept
{
    wipeBytes(m_bytes.data(), m_bytes.size());
    m_bytes.clear();
}
