#include "export/libav.h"

#include <dlfcn.h>

#include <string>

namespace quillon {
namespace {

#define QUILLON_TEXT(x) #x
#define QUILLON_MAJOR(x) QUILLON_TEXT(x)

// The libraries of the major versions the headers describe: another major
// version would not match the structures compiled against.
constexpr const char* kLibraries[] = {
    "libavutil.so." QUILLON_MAJOR(LIBAVUTIL_VERSION_MAJOR),
    "libswresample.so." QUILLON_MAJOR(LIBSWRESAMPLE_VERSION_MAJOR),
    "libavcodec.so." QUILLON_MAJOR(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." QUILLON_MAJOR(LIBAVFORMAT_VERSION_MAJOR),
};

const Libav* Open() {
    static Libav lib;
    void* handles[std::size(kLibraries)] = {};
    for (size_t k = 0; k < std::size(kLibraries); ++k) {
        handles[k] = ::dlopen(kLibraries[k], RTLD_NOW | RTLD_GLOBAL);
        if (!handles[k]) return nullptr;
    }
    auto find = [&](const char* name) -> void* {
        for (void* handle : handles)
            if (void* symbol = ::dlsym(handle, name)) return symbol;
        return nullptr;
    };
    bool complete = true;
#define QUILLON_LIBAV_RESOLVE(name)                                        \
    lib.name = reinterpret_cast<decltype(lib.name)>(find(QUILLON_TEXT(name))); \
    complete = complete && lib.name != nullptr;
    QUILLON_LIBAV_FUNCTIONS(QUILLON_LIBAV_RESOLVE)
#undef QUILLON_LIBAV_RESOLVE
    return complete ? &lib : nullptr;
}

}  // namespace

const Libav* LoadLibav() {
    static const Libav* const lib = Open();
    return lib;
}

}  // namespace quillon
