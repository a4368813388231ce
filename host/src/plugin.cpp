// Plug-in function set, translator registry, translator base class and file objects.

#define MNoVersionString
#include <maya/MFileObject.h>
#include <maya/MFnPlugin.h>
#include <maya/MPxFileTranslator.h>
#include <standin/Standin.h>

#include <algorithm>
#include <filesystem>

#include "SceneImpl.h"

using standin::detail::setStatus;

namespace {

std::vector<standin::TranslatorInfo>& registry() {
    static std::vector<standin::TranslatorInfo> translators;
    return translators;
}

std::string text(const char* s) { return s != nullptr ? std::string(s) : std::string(); }

std::string text(const MString& s) { return std::string(s.asChar(), s.length()); }

}  // namespace

namespace standin {

const std::vector<TranslatorInfo>& registeredTranslators() { return registry(); }

const TranslatorInfo* findTranslator(const std::string& name) {
    for (const TranslatorInfo& t : registry()) {
        if (t.name == name) return &t;
    }
    return nullptr;
}

}  // namespace standin

const MString MFnPlugin::kDefaultDataLocation;

MFnPlugin::MFnPlugin() : vendor_("Unknown"), version_("Unknown"), apiVersion_("Any") {}

MFnPlugin::MFnPlugin(MObject& object, const char* vendor, const char* version,
                     const char* requiredApiVersion, MStatus* ReturnStatus)
    : vendor_(vendor), version_(version), apiVersion_(requiredApiVersion) {
    // The host hands the plug-in an object of its own; any object stands for it here.
    object_ = object;
    setStatus(ReturnStatus, MS::kSuccess);
}

MFnPlugin::MFnPlugin(const MObject& object, const char* vendor, const char* version,
                     const char* requiredApiVersion, MStatus* ReturnStatus)
    : vendor_(vendor), version_(version), apiVersion_(requiredApiVersion) {
    object_ = object;
    setStatus(ReturnStatus, MS::kSuccess);
}

MFnPlugin::~MFnPlugin() = default;

MFn::Type MFnPlugin::type() const { return standin::detail::kPluginType; }

MString MFnPlugin::vendor(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, MS::kSuccess);
    return vendor_;
}

MString MFnPlugin::version(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, MS::kSuccess);
    return version_;
}

MString MFnPlugin::apiVersion(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, MS::kSuccess);
    return apiVersion_;
}

MString MFnPlugin::name(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, MS::kSuccess);
    return MString();
}

MStatus MFnPlugin::registerFileTranslator(const MString& translatorName, const char* pixmapName,
                                          MCreatorFunction creatorFunction,
                                          const char* optionsScriptName,
                                          const char* defaultOptionsString, bool requiresFullMel,
                                          MString /*dataStorageLocation*/) {
    const std::string name = text(translatorName);
    if (name.empty() || creatorFunction == nullptr || standin::findTranslator(name) != nullptr) {
        return MS::kFailure;
    }
    standin::TranslatorInfo info;
    info.name = name;
    info.pixmap = text(pixmapName);
    info.creator = creatorFunction;
    info.optionsScript = text(optionsScriptName);
    info.defaultOptions = text(defaultOptionsString);
    info.requiresFullMel = requiresFullMel;
    info.owner = standin::detail::Access::get(object_);
    registry().push_back(info);
    return MS::kSuccess;
}

MStatus MFnPlugin::deregisterFileTranslator(const MString& translatorName) {
    const std::string name = text(translatorName);
    auto& all = registry();
    // A name that another module registered is not this module's to remove (a second,
    // failed load of a module must not take the first one's translators with it).
    const void* owner = standin::detail::Access::get(object_);
    auto it = std::find_if(all.begin(), all.end(), [&](const standin::TranslatorInfo& t) {
        return t.name == name && t.owner == owner;
    });
    if (it == all.end()) return MS::kFailure;
    all.erase(it);
    return MS::kSuccess;
}

MPxFileTranslator::MPxFileTranslator() = default;
MPxFileTranslator::~MPxFileTranslator() = default;

MStatus MPxFileTranslator::reader(const MFileObject&, const MString&, FileAccessMode) {
    return MS::kFailure;
}

MStatus MPxFileTranslator::writer(const MFileObject&, const MString&, FileAccessMode) {
    return MS::kFailure;
}

bool MPxFileTranslator::haveReadMethod() const { return false; }
bool MPxFileTranslator::haveWriteMethod() const { return false; }
bool MPxFileTranslator::haveNamespaceSupport() const { return false; }
bool MPxFileTranslator::allowMultipleFileOptimization() const { return false; }
bool MPxFileTranslator::haveReferenceMethod() const { return false; }
MString MPxFileTranslator::defaultExtension() const { return MString(); }
MString MPxFileTranslator::filter() const { return MString(); }
bool MPxFileTranslator::canBeOpened() const { return false; }

MPxFileTranslator::MFileKind MPxFileTranslator::identifyFile(const MFileObject&, const char*,
                                                             short) const {
    return kNotMyFileType;
}

MPxFileTranslator::FileAccessMode MPxFileTranslator::fileAccessMode() { return kUnknownAccessMode; }

MFileObject::MFileObject() : resolvedOverride_(false) {}
MFileObject::MFileObject(const MFileObject& other) = default;
MFileObject::~MFileObject() = default;
MFileObject& MFileObject::operator=(const MFileObject& other) = default;

MStatus MFileObject::setRawName(const MString& fileName) {
    name_ = fileName;
    resolvedOverride_ = false;
    return MS::kSuccess;
}

MStatus MFileObject::setRawPath(const MString& filePath) {
    path_ = filePath;
    if (path_.length() != 0 && path_.asChar()[path_.length() - 1] != '/') path_ += "/";
    resolvedOverride_ = false;
    return MS::kSuccess;
}

MStatus MFileObject::setRawFullName(const MString& fullFileName) {
    const int slash = fullFileName.rindex('/');
    if (slash < 0) {
        path_.clear();
        name_ = fullFileName;
    } else {
        path_ = fullFileName.substring(0, slash);
        name_ = fullFileName.substring(slash + 1, int(fullFileName.length()) - 1);
    }
    resolvedOverride_ = false;
    return MS::kSuccess;
}

MStatus MFileObject::overrideResolvedFullName(const MString& fullFileName, bool) {
    resolved_ = fullFileName;
    resolvedOverride_ = true;
    return MS::kSuccess;
}

MString MFileObject::rawName() const { return name_; }
MString MFileObject::rawPath() const { return path_; }
MString MFileObject::rawFullName() const { return path_ + name_; }
MString MFileObject::expandedPath() const { return path_; }
MString MFileObject::expandedFullName() const { return rawFullName(); }

MString MFileObject::resolvedName() const {
    if (!resolvedOverride_) return name_;
    const int slash = resolved_.rindex('/');
    return slash < 0 ? resolved_ : resolved_.substring(slash + 1, int(resolved_.length()) - 1);
}

MString MFileObject::resolvedPath() const {
    if (!resolvedOverride_) return path_;
    const int slash = resolved_.rindex('/');
    return slash < 0 ? MString() : resolved_.substring(0, slash);
}

MString MFileObject::resolvedFullName() const {
    return resolvedOverride_ ? resolved_ : rawFullName();
}

unsigned int MFileObject::pathCount() { return 1; }
MString MFileObject::ithPath(unsigned int index) { return index == 0 ? path_ : MString(); }
MString MFileObject::ithFullName(unsigned int index) {
    return index == 0 ? resolvedFullName() : MString();
}

bool MFileObject::exists() {
    const MString full = resolvedFullName();
    std::error_code ec;
    return full.length() != 0 &&
           std::filesystem::exists(std::filesystem::u8path(full.asChar()), ec);
}

bool MFileObject::exists(unsigned int index) { return index == 0 && exists(); }

bool MFileObject::isSet() const { return path_.length() != 0 || name_.length() != 0; }

MStatus MFileObject::setName(const MString& fileName) { return setRawName(fileName); }
MStatus MFileObject::setFullName(const MString& fileName) { return setRawFullName(fileName); }
MString MFileObject::name() const { return resolvedName(); }
MString MFileObject::path() const { return resolvedPath(); }
MString MFileObject::fullName() const { return resolvedFullName(); }
