#pragma once
// Function set for dependency nodes: names, attributes and plugs.

#include <maya/MFnBase.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MFnDependencyNode : public MFnBase {
public:
    enum MAttrClass { kLocalDynamicAttr = 1, kNormalAttr, kExtensionAttr, kInvalidAttr };
    MFnDependencyNode();
    MFnDependencyNode(MObject& object, MStatus* ReturnStatus = NULL);
    MFnDependencyNode(const MObject& object, MStatus* ReturnStatus = NULL);
    virtual ~MFnDependencyNode();
    MFn::Type type() const override;
    MString name(MStatus* ReturnStatus = NULL) const;
    /// Renames the node and returns the name actually given. Names are unique in the whole
    /// scene: a clashing name gets a number appended, or its trailing number replaced by
    /// the next free one (joint, joint1, joint2 ...). White space, control characters and
    /// '|' become '_'. An empty name fails and keeps the old one. Namespaces are not
    /// modelled: a ':' is an ordinary character.
    MString setName(const MString& name, bool createNamespace = false,
                    MStatus* ReturnStatus = NULL);
    OPENMAYA_DEPRECATED(2019, "Use setName(const MString&, bool, MStatus*) instead.")
    MString setName(const MString& name, MStatus* ReturnStatus);
    /// The attribute object of a transform or joint by long or short name (translateX/tx
    /// ... rotateZ/rz); unknown names give the null object and kInvalidParameter.
    MObject attribute(const MString& attrName, MStatus* ReturnStatus = NULL) const;
    /// Attributes by index: 0..5 are translateX, Y, Z, rotateX, Y, Z.
    MObject attribute(unsigned int index, MStatus* ReturnStatus = NULL) const;
    MPlug findPlug(const MObject& attr, bool wantNetworkedPlug, MStatus* ReturnStatus = NULL) const;
    MPlug findPlug(const MString& attrName, bool wantNetworkedPlug,
                   MStatus* ReturnStatus = NULL) const;
    OPENMAYA_DEPRECATED(2019, "Use findPlug(const MObject&, bool, MStatus*) instead.")
    MPlug findPlug(const MObject& attr, MStatus* ReturnStatus = NULL) const;
    OPENMAYA_DEPRECATED(2019, "Use findPlug(const MString&, bool, MStatus*) instead.")
    MPlug findPlug(const MString& attrName, MStatus* ReturnStatus = NULL) const;
};

OPENMAYA_NAMESPACE_CLOSE
