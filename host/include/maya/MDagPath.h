#pragma once
// A path from the world down to one DAG node.

#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MDagPath {
public:
    /// The empty (invalid) path.
    MDagPath();
    MDagPath(const MDagPath& src);
    virtual ~MDagPath();
    bool hasFn(MFn::Type type, MStatus* ReturnStatus = nullptr) const;
    MFn::Type apiType(MStatus* ReturnStatus = nullptr) const;
    /// True when the path is not empty and every step is still a parent-child link.
    bool isValid(MStatus* ReturnStatus = nullptr) const;
    /// The last node of the path; null for the empty path.
    MObject node(MStatus* ReturnStatus = nullptr) const;
    MObject transform(MStatus* ReturnStatus = nullptr) const;
    /// Number of nodes below the world.
    unsigned int length(MStatus* ReturnStatus = nullptr) const;
    unsigned int childCount(MStatus* ReturnStatus = nullptr) const;
    /// Extends the path by a child of its last node (of the world when empty).
    MStatus push(const MObject& child);
    MStatus pop(unsigned int num = 1);
    /// "|a|b"; empty for the empty path.
    MString fullPathName(MStatus* ReturnStatus = nullptr) const;
    /// The last node's name (names are unique in the whole scene).
    MString partialPathName(MStatus* ReturnStatus = nullptr) const;
    MDagPath& operator=(const MDagPath& src);
    bool operator==(const MDagPath& other) const;
    /// The path through first parents.
    static MStatus getAPathTo(const MObject& node, MDagPath& path);

private:
    friend struct standin::detail::Access;
    MObject* nodes_;
    unsigned int length_;
    unsigned int capacity_;
};

OPENMAYA_NAMESPACE_CLOSE
