#pragma once
// Base class of file translators.

#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// The base answers: reader and writer fail with kFailure, every have* question and
/// canBeOpened are false, defaultExtension and filter are empty, identifyFile says
/// kNotMyFileType.
class MPxFileTranslator {
public:
    enum MFileKind { kIsMyFileType, kCouldBeMyFileType, kNotMyFileType };
    enum FileAccessMode {
        kUnknownAccessMode,
        kOpenAccessMode,
        kReferenceAccessMode,
        kImportAccessMode,
        kSaveAccessMode,
        kExportAccessMode,
        kExportActiveAccessMode
    };
    MPxFileTranslator();
    virtual ~MPxFileTranslator();
    virtual MStatus reader(const MFileObject& file, const MString& optionsString,
                           FileAccessMode mode);
    virtual MStatus writer(const MFileObject& file, const MString& optionsString,
                           FileAccessMode mode);
    virtual bool haveReadMethod() const;
    virtual bool haveWriteMethod() const;
    virtual bool haveNamespaceSupport() const;
    /// Whether the host may hand the translator several files in one call; false.
    virtual bool allowMultipleFileOptimization() const;
    virtual bool haveReferenceMethod() const;
    virtual MString defaultExtension() const;
    virtual MString filter() const;
    virtual bool canBeOpened() const;
    virtual MFileKind identifyFile(const MFileObject& file, const char* buffer, short size) const;
    /// The access mode of the file operation in progress; kUnknownAccessMode outside one.
    static FileAccessMode fileAccessMode();
};

OPENMAYA_NAMESPACE_CLOSE
