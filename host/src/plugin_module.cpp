// Loading and unloading of plug-in modules, in the order the host uses: with the system's
// dynamic loader, LoadLibraryW on Windows and dlopen elsewhere.

#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <standin/Standin.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#if defined(__GLIBC__)
#include <link.h>
#endif

#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "SceneImpl.h"

namespace standin {
namespace {

#ifdef _WIN32

/// Opens the module at the UTF-8 `path`; null with the system's words in `error` on failure.
void* openModule(const std::string& path, std::string& error) {
    const HMODULE module = LoadLibraryW(std::filesystem::u8path(path).c_str());
    if (module == nullptr) error = windowsErrorText(GetLastError());
    return reinterpret_cast<void*>(module);
}

void* findSymbol(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void closeModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

#else

void* openModule(const std::string& path, std::string& error) {
    dlerror();
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "unknown dynamic loader error";
    }
    return module;
}

void* findSymbol(void* module, const char* name) { return dlsym(module, name); }

void closeModule(void* module) { dlclose(module); }

#endif

using EntryPoint = MStatus (*)(MObject);

/// The entry points are C++ functions (they take and return host classes), so they are
/// found under their mangled names, which hold the API namespace of this host version: a
/// module built against another SDK namespace (or none) is not a plug-in of this host. A
/// module that declares them extern "C" works as well.
#define STANDIN_TEXT(x) STANDIN_TEXT_(x)
#define STANDIN_TEXT_(x) #x
std::string mangledEntry(const std::string& function) {
    const std::string version = STANDIN_TEXT(OPENMAYA_MAJOR_NAMESPACE);
    std::string name = "_Z" + std::to_string(function.size()) + function + "N";
    for (const std::string& part : {std::string(STANDIN_TEXT(AUTODESK_NAMESPACE)),
                                    std::string(STANDIN_TEXT(MAYA_NAMESPACE)), version})
        name += std::to_string(part.size()) + part;
    return name + "7MObjectE";
}
#undef STANDIN_TEXT_
#undef STANDIN_TEXT

struct EntryName {
    std::string mangled;
    const char* plain;
};
const EntryName kInitialize = {mangledEntry("initializePlugin"), "initializePlugin"};
const EntryName kUninitialize = {mangledEntry("uninitializePlugin"), "uninitializePlugin"};

EntryPoint findEntry(void* handle, const EntryName& name) {
    void* symbol = findSymbol(handle, name.mangled.c_str());
    if (symbol == nullptr) symbol = findSymbol(handle, name.plain);
    return reinterpret_cast<EntryPoint>(symbol);
}

/// The host reads MApiVersion as a C string, so the symbol must hold a zero byte within
/// its own extent; a symbol of unknown size is trusted as the host would. Only the GNU C
/// library tells a symbol's size (ELF symbol tables have it); elsewhere every one is trusted.
#if !defined(__GLIBC__)
bool holdsZeroTerminatedText(const void*) { return true; }
#else
bool holdsZeroTerminatedText(const void* address) {
    Dl_info info;
    const ElfW(Sym)* symbol = nullptr;
    if (dladdr1(address, &info, reinterpret_cast<void**>(const_cast<ElfW(Sym)**>(&symbol)),
                RTLD_DL_SYMENT) == 0 ||
        symbol == nullptr || symbol->st_size == 0)
        return true;
    return std::memchr(address, 0, symbol->st_size) != nullptr;
}
#endif

MStatus callEntry(EntryPoint entry, const MObject& plugin, std::string& error) {
    try {
        return entry(plugin);
    } catch (const std::exception& e) {
        error = std::string("an exception left the plug-in: ") + e.what();
    } catch (...) {
        error = "an exception left the plug-in";
    }
    return MStatus(MStatus::kFailure);
}

/// The plug-in objects handed to entry points, one per loaded module object. They are not
/// scene nodes, so they live here rather than in the scene.
std::map<const PluginModule*, std::unique_ptr<detail::Object>>& pluginObjects() {
    static std::map<const PluginModule*, std::unique_ptr<detail::Object>> objects;
    return objects;
}

MObject makePluginObject(const PluginModule* owner, const std::string& path) {
    auto object = std::make_unique<detail::Object>(detail::Kind::Plugin);
    object->name = std::filesystem::u8path(path).filename().u8string();
    MObject handle = detail::Access::make(object.get());
    pluginObjects()[owner] = std::move(object);
    return handle;
}

}  // namespace

PluginModule::~PluginModule() {
    if (handle_ != nullptr) {
        std::string ignored;
        unload(ignored);
    }
}

bool PluginModule::load(const std::string& path, std::string& error) {
    if (handle_ != nullptr) {
        error = path + ": this host object already holds a module";
        return false;
    }
    std::string loaderError;
    void* handle = openModule(path, loaderError);
    if (handle == nullptr) {
        error = path + ": cannot be loaded: " + loaderError;
        return false;
    }
    const void* version = findSymbol(handle, "MApiVersion");
    if (version == nullptr || !holdsZeroTerminatedText(version)) {
        error = path + ": not a plug-in (no MApiVersion text)";
        closeModule(handle);
        return false;
    }
    const EntryPoint initialize = findEntry(handle, kInitialize);
    const EntryPoint uninitialize = findEntry(handle, kUninitialize);
    if (initialize == nullptr || uninitialize == nullptr) {
        error = path + ": not a plug-in (" +
                (initialize == nullptr ? "initializePlugin" : "uninitializePlugin") +
                " is missing)";
        closeModule(handle);
        return false;
    }
    handle_ = handle;
    pluginObject_ = makePluginObject(this, path);
    std::string thrown;
    const MStatus status = callEntry(initialize, pluginObject_, thrown);
    if (!status) {
        // The module stays loaded, as in the host, so that it can still be unloaded.
        error = path + ": initializePlugin failed" + (thrown.empty() ? "" : ": " + thrown);
        return false;
    }
    return true;
}

bool PluginModule::unload(std::string& error) {
    if (handle_ == nullptr) {
        error = "no module is loaded";
        return false;
    }
    const EntryPoint uninitialize = findEntry(handle_, kUninitialize);
    std::string thrown;
    const MStatus status = uninitialize != nullptr ? callEntry(uninitialize, pluginObject_, thrown)
                                                   : MStatus(MStatus::kFailure);
    closeModule(handle_);
    handle_ = nullptr;
    pluginObject_ = MObject();
    pluginObjects().erase(this);
    if (!status) {
        error = "uninitializePlugin failed" + (thrown.empty() ? "" : ": " + thrown);
        return false;
    }
    return true;
}

}  // namespace standin
