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
    /// Renames the node and returns the name actually given, as the host does:
    /// - a name holds letters, digits and '_'; any other character becomes '_', and a name
    ///   (or namespace) starting with a digit gets a '_' before it ("pelvis.R" -> "pelvis_R");
    /// - ':' separates namespaces ("ns:Hips"); a namespace that does not exist fails, keeping
    ///   the old name, unless `createNamespace` (then it and its parents are made);
    /// - siblings never share a name (curves: no two curves): a clashing name gets a number
    ///   appended, or its trailing number replaced by the next free one (joint, joint1 ...);
    /// - an empty name fails and keeps the old one.
    MString setName(const MString& name, bool createNamespace = false,
                    MStatus* ReturnStatus = NULL);
    OPENMAYA_DEPRECATED(2019, "Use setName(const MString&, bool, MStatus*) instead.")
    MString setName(const MString& name, MStatus* ReturnStatus);
    /// The attribute object of the node by long or short name: a transform's translateX/tx
    /// ... rotateZ/rz and rotateAxisX/rax ..., a joint's jointOrientX/jox ..., a constraint's
    /// outputs constraintTranslateX/ctx ... and constraintRotateX/crx ..., a unit
    /// conversion's input, output and conversionFactor, a layer blend node's inputA, inputB
    /// (inputAX ... inputBZ for rotations), weightA, weightB and output (outputX ...), a
    /// curve's input and output. Unknown names give the null object and kInvalidParameter.
    MObject attribute(const MString& attrName, MStatus* ReturnStatus = NULL) const;
    /// The number of attributes of the node; attribute(index) below it.
    unsigned int attributeCount(MStatus* ReturnStatus = NULL) const;
    /// Attributes by index, in the order of the list above: a transform's are translateX, Y,
    /// Z, rotateX, Y, Z, rotateAxisX, Y, Z, then a joint's jointOrientX, Y, Z.
    MObject attribute(unsigned int index, MStatus* ReturnStatus = NULL) const;
    /// Replaces `array` by the node's plugs that take part in a connection, either way.
    MStatus getConnections(MPlugArray& array) const;
    MPlug findPlug(const MObject& attr, bool wantNetworkedPlug, MStatus* ReturnStatus = NULL) const;
    MPlug findPlug(const MString& attrName, bool wantNetworkedPlug,
                   MStatus* ReturnStatus = NULL) const;
    OPENMAYA_DEPRECATED(2019, "Use findPlug(const MObject&, bool, MStatus*) instead.")
    MPlug findPlug(const MObject& attr, MStatus* ReturnStatus = NULL) const;
    OPENMAYA_DEPRECATED(2019, "Use findPlug(const MString&, bool, MStatus*) instead.")
    MPlug findPlug(const MString& attrName, MStatus* ReturnStatus = NULL) const;
};

OPENMAYA_NAMESPACE_CLOSE
