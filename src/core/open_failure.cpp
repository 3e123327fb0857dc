#include "core/open_failure.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

std::string ForError(int error, const Host& host) {
    switch (error) {
        case ENOENT:
        case ENOTDIR: return host.Tr("файл не найден");
        case EACCES:
        case EPERM: return host.Tr("нет доступа к файлу");
        case EBUSY:
        case ETXTBSY: return host.Tr("файл занят другим приложением");
        default: return host.Tr("файл не открылся: ") + std::strerror(error);
    }
}

}  // namespace

std::string OpenFailureText(const std::string& path, const Host& host) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return ForError(errno, host);
    if (S_ISDIR(st.st_mode) || !S_ISREG(st.st_mode)) return host.Tr("это не обычный файл");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ForError(errno, host);
    ::close(fd);
    return host.Tr("файл не открылся: ") + std::strerror(EIO);
}

}  // namespace quillon
