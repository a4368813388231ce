#pragma once
// One attribute of one node.

#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MPlug {
public:
    /// The null plug.
    MPlug();
    MPlug(const MPlug& in);
    MPlug(const MObject& node, const MObject& attribute);
    virtual ~MPlug();
    MObject attribute(MStatus* ReturnStatus = nullptr) const;
    MObject node(MStatus* ReturnStatus = nullptr) const;
    /// "nodeName.attributeLongName", e.g. "Hips.rotateX"; empty for a null plug.
    MString name(MStatus* ReturnStatus = nullptr) const;
    /// The short attribute name ("rx"), the long one with `useLongNames`, preceded by
    /// "nodeName." with `includeNodeName`. The other flags change nothing here.
    MString partialName(bool includeNodeName = false, bool includeNonMandatoryIndices = false,
                        bool includeInstancedIndices = false, bool useAlias = false,
                        bool useFullAttributePath = false, bool useLongNames = false,
                        MStatus* ReturnStatus = nullptr) const;
    /// True when the node or the attribute is null.
    bool isNull(MStatus* ReturnStatus = nullptr) const;
    MPlug& operator=(const MPlug& other);
    /// Same node and attribute.
    bool operator==(const MPlug& other) const;
    bool operator!=(const MPlug& other) const;

private:
    MObject node_;
    MObject attribute_;
};

OPENMAYA_NAMESPACE_CLOSE
