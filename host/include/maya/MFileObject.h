#pragma once
// A file name as the host hands it to a translator.

#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Names are kept as plain text: no environment expansion, directory mapping or search
/// path. The full name is the path followed by the name; the path keeps its final '/'.
class MFileObject {
public:
    enum MFileResolveMethod {
        kNone = (1 << 0),
        kExact = (1 << 1),
        kDirMap = (1 << 2),
        kReferenceMappings = (1 << 3),
        kRelative = (1 << 4),
        kBaseName = (1 << 5),
        kInputFile = kExact | kDirMap | kRelative | kBaseName,
        kInputReference = kInputFile | kReferenceMappings,
        kStrict = kExact | kDirMap
    };
    MFileObject();
    MFileObject(const MFileObject& other);
    virtual ~MFileObject();
    MFileObject& operator=(const MFileObject& other);
    /// Replaces the name part, keeping the path.
    MStatus setRawName(const MString& fileName);
    /// Replaces the path part, keeping the name; a '/' is added when missing.
    MStatus setRawPath(const MString& filePath);
    /// Sets path and name from one text, split after its last '/'.
    MStatus setRawFullName(const MString& fullFileName);
    MStatus overrideResolvedFullName(const MString& fullFileName, bool reresolveType = false);
    MString rawName() const;
    MString rawPath() const;
    MString rawFullName() const;
    MString expandedPath() const;
    MString expandedFullName() const;
    MString resolvedName() const;
    MString resolvedPath() const;
    MString resolvedFullName() const;
    /// One path: the full name's.
    unsigned int pathCount();
    MString ithPath(unsigned int index);
    MString ithFullName(unsigned int index);
    /// True when a file of that full name exists.
    bool exists();
    bool exists(unsigned int index);
    /// True when a name or path has been set.
    bool isSet() const;
    OPENMAYA_DEPRECATED(2019, "Use MFileObject::setRawName instead.")
    MStatus setName(const MString& fileName);
    OPENMAYA_DEPRECATED(2019, "Use MFileObject::setRawFullName instead.")
    MStatus setFullName(const MString& fileName);
    OPENMAYA_DEPRECATED(2019, "Use MFileObject::resolvedName instead.")
    MString name() const;
    OPENMAYA_DEPRECATED(2019, "Use MFileObject::expandedPath or MFileObject::resolvedPath instead.")
    MString path() const;
    OPENMAYA_DEPRECATED(2019,
                        "Use MFileObject::expandedFullName or MFileObject::resolvedFullName instead.")
    MString fullName() const;

private:
    MString path_;
    MString name_;
    MString resolved_;
    bool resolvedOverride_;
};

OPENMAYA_NAMESPACE_CLOSE
