#include "DesktopIconServices.h"

#include <QDir>
#include <QImage>
#include <QSize>

#include <memory>
#include <string>
#include <type_traits>

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

namespace {

constexpr int smallIconSize = 16;

std::wstring nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// The shell wants COM on the calling thread; a thread that already has it keeps its own.
class ComApartment final {
public:
    ComApartment() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT m_result;
};

struct IconRelease {
    void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
using ShellIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconRelease>;

struct HandleRelease {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleRelease>;

} // namespace

QString DesktopIconServices::tempPath()
{
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length > buffer.size()) {  // too small: the answer is the size needed
        buffer.resize(length);
        length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (length == 0 || length > buffer.size())
        return {};
    return QString::fromWCharArray(buffer.data(), static_cast<qsizetype>(length));
}

bool DesktopIconServices::createOrOpen(const QString& path)
{
    if (path.isEmpty())
        return false;
    // OPEN_ALWAYS never truncates; a reparse point (a link) is opened itself, not followed.
    const HANDLE opened = CreateFileW(nativePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    const FileHandle file(opened);
    BY_HANDLE_FILE_INFORMATION information {};
    return GetFileType(file.get()) == FILE_TYPE_DISK && GetFileInformationByHandle(file.get(), &information)
        && (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

QPixmap DesktopIconServices::smallIconOf(const QString& path)
{
    if (path.isEmpty())
        return {};
    const ComApartment com;
    SHFILEINFOW info {};
    SHGetFileInfoW(nativePath(path).c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON);
    if (info.hIcon == nullptr)
        return {};
    const ShellIcon icon(info.hIcon);
    QImage image = QImage::fromHICON(icon.get());
    if (image.isNull())
        return {};
    if (image.size() != QSize(smallIconSize, smallIconSize))
        image = image.scaled(smallIconSize, smallIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(image);
}
