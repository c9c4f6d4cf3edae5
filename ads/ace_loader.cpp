// The lazy loader behind ace's wrappers: the engine library is opened on the
// first call of any engine function, and each function is looked up on its
// own first call. Resolved addresses are published through atomics, so that
// after the first call a wrapper costs one acquire load; the first resolution
// of every function is serialised by one mutex.
#include "ads/ace.h"

#include <QString>

#include <dlfcn.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>

namespace ace::detail {

namespace {

constexpr std::array<const char*, kFunctionCount> kFunctionNames = {
#define ACE_NAME(name) #name,
    ACE_ENGINE_FUNCTIONS(ACE_NAME)
#undef ACE_NAME
};

std::mutex gLoaderMutex;
void* gLibrary = nullptr;                               // guarded by gLoaderMutex
std::string gLibraryName;                               // guarded by gLoaderMutex

// The file to load: the environment's choice when it names one, else the
// name fixed at build time.
std::string RequestedLibraryFile()
{
    const char* override = std::getenv("VARNEL_ENGINE_LIBRARY");
    if (override && *override)
        return override;
    return VARNEL_ENGINE_FILE;
}

std::filesystem::path ExecutableFolder()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : exe.parent_path();
}

// A bare file name is looked for next to the executable first, then left to
// the dynamic loader's search; a name with a folder is used as it stands.
std::string LocateLibrary(const std::string& file)
{
    if (file.find('/') != std::string::npos)
        return file;
    const std::filesystem::path folder = ExecutableFolder();
    if (!folder.empty()) {
        std::error_code error;
        const std::filesystem::path beside = folder / file;
        if (std::filesystem::exists(beside, error))
            return beside.string();
    }
    return file;
}

void* OpenLibraryLocked()
{
    if (gLibrary)
        return gLibrary;
    const std::string file = RequestedLibraryFile();
    void* library = dlopen(LocateLibrary(file).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        throw EExternalException(
            QStringLiteral("The engine library \"%1\" cannot be loaded: %2")
                .arg(QString::fromLocal8Bit(file.c_str()), QString::fromLocal8Bit(reason ? reason : "unknown reason")),
            kModuleNotFoundCode);
    }
    gLibrary = library;
    gLibraryName = file;
    return gLibrary;
}

} // namespace

std::atomic<void*> gResolved[kFunctionCount];

const char* FunctionName(FunctionId id)
{
    return kFunctionNames[size_t(id)];
}

void* Resolve(FunctionId id)
{
    std::lock_guard lock(gLoaderMutex);
    std::atomic<void*>& slot = gResolved[size_t(id)];
    if (void* known = slot.load(std::memory_order_acquire))
        return known;
    void* library = OpenLibraryLocked();
    dlerror();
    void* address = dlsym(library, FunctionName(id));
    if (!address) {
        throw EExternalException(
            QStringLiteral("The engine function \"%1\" cannot be found in \"%2\"")
                .arg(QString::fromLatin1(FunctionName(id)), QString::fromLocal8Bit(gLibraryName.c_str())),
            kProcedureNotFoundCode);
    }
    slot.store(address, std::memory_order_release);
    return address;
}

} // namespace ace::detail

namespace ace {

// The library stays mapped: handles and threads of the engine may outlive
// the loader's knowledge of it, and opening the same file again yields it back.
void ResetLoaderForTests()
{
    std::lock_guard lock(detail::gLoaderMutex);
    for (std::atomic<void*>& slot : detail::gResolved)
        slot.store(nullptr, std::memory_order_release);
    detail::gLibrary = nullptr;
    detail::gLibraryName.clear();
}

} // namespace ace
