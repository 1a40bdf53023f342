#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

// A password in memory, as NUL-terminated UTF-8. Its bytes are overwritten with zeros when it
// is wiped, moved from or destroyed; it is never copied.
class SecretText final {
public:
    SecretText() = default;
    explicit SecretText(std::string_view utf8);
    ~SecretText();
    SecretText(SecretText&& other) noexcept;
    SecretText& operator=(SecretText&& other) noexcept;
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    // Takes the characters of text and overwrites them in place. Qt may still hold copies
    // made before (a line edit's own buffer), so take the text from its only holder.
    static SecretText takeFrom(QString& text);
    static SecretText takeFrom(std::string& text);

    const char* utf8() const;
    bool isEmpty() const;
    void wipe() noexcept;

private:
    std::vector<char> m_bytes;
};
