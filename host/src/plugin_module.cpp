// Loading and unloading of plug-in modules, in the order the host uses.

#include <dlfcn.h>
#include <link.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <standin/Standin.h>

#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <string>

#include "SceneImpl.h"

namespace standin {
namespace {

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
    void* symbol = dlsym(handle, name.mangled.c_str());
    if (symbol == nullptr) symbol = dlsym(handle, name.plain);
    return reinterpret_cast<EntryPoint>(symbol);
}

std::string dlMessage() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown dynamic loader error";
}

/// The host reads MApiVersion as a C string, so the symbol must hold a zero byte within
/// its own extent; a symbol of unknown size is trusted as the host would.
bool holdsZeroTerminatedText(const void* address) {
    Dl_info info;
    const ElfW(Sym)* symbol = nullptr;
    if (dladdr1(address, &info, reinterpret_cast<void**>(const_cast<ElfW(Sym)**>(&symbol)),
                RTLD_DL_SYMENT) == 0 ||
        symbol == nullptr || symbol->st_size == 0)
        return true;
    return std::memchr(address, 0, symbol->st_size) != nullptr;
}

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
    const std::size_t slash = path.rfind('/');
    object->name = slash == std::string::npos ? path : path.substr(slash + 1);
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
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = path + ": cannot be loaded: " + dlMessage();
        return false;
    }
    dlerror();
    const void* version = dlsym(handle, "MApiVersion");
    if (version == nullptr || !holdsZeroTerminatedText(version)) {
        error = path + ": not a plug-in (no MApiVersion text)";
        dlclose(handle);
        return false;
    }
    const EntryPoint initialize = findEntry(handle, kInitialize);
    const EntryPoint uninitialize = findEntry(handle, kUninitialize);
    if (initialize == nullptr || uninitialize == nullptr) {
        error = path + ": not a plug-in (" +
                (initialize == nullptr ? "initializePlugin" : "uninitializePlugin") +
                " is missing)";
        dlclose(handle);
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
    dlclose(handle_);
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
