// Function sets for nodes, plugs and DAG paths.

#include <maya/MDagPath.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnBase.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MMatrix.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>
#include <maya/MQuaternion.h>
#include <maya/MString.h>
#include <maya/MVector.h>
#include <standin/Standin.h>

#include <algorithm>
#include <climits>

#include "Calls.h"
#include "Rotations.h"
#include "SceneImpl.h"

using standin::detail::Access;
using standin::detail::eulerOrderOf;
using standin::detail::Kind;
using standin::detail::Node;
using standin::detail::setStatus;

namespace {

bool validOrder(int order) {
    return order >= MTransformationMatrix::kXYZ && order <= MTransformationMatrix::kZYX;
}

/// A transform-type node (not the world), or null.
Node* transformNode(const MObject& object) {
    Node* n = Access::node(object);
    return n != nullptr && n->isTransform() ? n : nullptr;
}

}  // namespace

MFnBase::MFnBase() = default;
MFnBase::~MFnBase() = default;
MFn::Type MFnBase::type() const {
    STANDIN_CALL("MFnBase::type");
    return MFn::kBase;
}
bool MFnBase::hasObj(MFn::Type t) const {
    STANDIN_CALL("MFnBase::hasObj");
    return t == type() || t == MFn::kBase ||
           (type() == MFn::kDependencyNode && (t == MFn::kDagNode || t == MFn::kTransform ||
                                               t == MFn::kJoint || t == MFn::kAnimCurve)) ||
           (type() == MFn::kDagNode && (t == MFn::kTransform || t == MFn::kJoint)) ||
           (type() == MFn::kTransform && t == MFn::kJoint);
}
bool MFnBase::hasObj(const MObject& object) const {
    STANDIN_CALL("MFnBase::hasObj");
    return object.hasFn(type());
}

MObject MFnBase::object(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnBase::object");
    setStatus(ReturnStatus, object_.isNull() ? MS::kInvalidParameter : MS::kSuccess);
    return object_;
}

void MFnBase::attach(const MObject& object, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnBase::attach");
    if (!object.isNull() && object.hasFn(type())) {
        object_ = object;
        setStatus(ReturnStatus, MS::kSuccess);
    } else {
        object_ = MObject();
        setStatus(ReturnStatus, MS::kInvalidParameter);
    }
}

MStatus MFnBase::setObject(MObject& object) {
    STANDIN_CALL("MFnBase::setObject");
    MStatus status;
    attach(object, &status);
    return status;
}

MStatus MFnBase::setObject(const MObject& object) {
    STANDIN_CALL("MFnBase::setObject");
    MStatus status;
    attach(object, &status);
    return status;
}

const char* MFnBase::className() {
    STANDIN_CALL("MFnBase::className");
    return "MFnBase";
}
const char* MFnBase::typeString(MFn::Type t) {
    STANDIN_CALL("MFnBase::typeString");
    return standin::detail::typeNameOf(t);
}
bool MFnBase::isValid(MFn::Type t) {
    STANDIN_CALL("MFnBase::isValid");
    // The values the enumeration names (the stand-in's own kinds lie between them, unnamed).
    return t != MFn::kInvalid && std::string(standin::detail::typeNameOf(t)) != "kInvalid" &&
           (static_cast<int>(t) <= static_cast<int>(MFn::kJoint) ||
            static_cast<int>(t) > static_cast<int>(standin::detail::kPluginType));
}

MFnDependencyNode::MFnDependencyNode() = default;
MFnDependencyNode::MFnDependencyNode(MObject& object, MStatus* ReturnStatus)
    : MFnDependencyNode(static_cast<const MObject&>(object), ReturnStatus) {}
MFnDependencyNode::MFnDependencyNode(const MObject& object, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnDependencyNode::MFnDependencyNode");
    attach(object, ReturnStatus);
}
MFnDependencyNode::~MFnDependencyNode() = default;
MFn::Type MFnDependencyNode::type() const {
    STANDIN_CALL("MFnDependencyNode::type");
    return MFn::kDependencyNode;
}

MString MFnDependencyNode::name(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDependencyNode::name");
    standin::detail::Object* o = Access::get(object_);
    if (o == nullptr) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MString();
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return MString(o->name.c_str());
}

MString MFnDependencyNode::setName(const MString& name, bool createNamespace,
                                   MStatus* ReturnStatus) {
    STANDIN_CALL("MFnDependencyNode::setName");
    standin::detail::Object* o = Access::get(object_);
    if (o == nullptr || o->kind == Kind::World || name.length() == 0 ||
        !standin::detail::assignName(o, std::string(name.asChar(), name.length()),
                                     createNamespace)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return o == nullptr ? MString() : MString(o->name.c_str());
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return MString(o->name.c_str());
}

MString MFnDependencyNode::setName(const MString& name, MStatus* ReturnStatus) {
    return setName(name, false, ReturnStatus);
}

MObject MFnDependencyNode::attribute(const MString& attrName, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDependencyNode::attribute");
    const standin::detail::Attribute* a = standin::detail::attributeNamed(
        Access::get(object_), std::string(attrName.asChar(), attrName.length()));
    setStatus(ReturnStatus, a != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return Access::make(const_cast<standin::detail::Attribute*>(a));
}

unsigned int MFnDependencyNode::attributeCount(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDependencyNode::attributeCount");
    const standin::detail::Object* o = Access::get(object_);
    setStatus(ReturnStatus, o != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return o != nullptr ? unsigned(o->attributes.count) : 0u;
}

MObject MFnDependencyNode::attribute(unsigned int index, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDependencyNode::attribute");
    const standin::detail::Attribute* a =
        index <= unsigned(INT_MAX) ? standin::detail::attributeAt(Access::get(object_), int(index))
                                   : nullptr;
    setStatus(ReturnStatus, a != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return Access::make(const_cast<standin::detail::Attribute*>(a));
}

MStatus MFnDependencyNode::getConnections(MPlugArray& array) const {
    STANDIN_CALL("MFnDependencyNode::getConnections");
    standin::detail::Object* o = Access::get(object_);
    if (o == nullptr) return MS::kInvalidParameter;
    array.clear();
    for (int slot = 0; slot < o->attributes.count; ++slot) {
        const standin::detail::PlugRef plug{o, slot};
        if (standin::detail::isSourcePlug(plug) || standin::detail::sourceOf(plug).valid())
            array.append(Access::plugOf(plug));
    }
    return MS::kSuccess;
}

MPlug MFnDependencyNode::findPlug(const MObject& attr, bool, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDependencyNode::findPlug");
    if (!Access::plug(object_, attr).valid()) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MPlug();
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return MPlug(object_, attr);
}

MPlug MFnDependencyNode::findPlug(const MString& attrName, bool wantNetworkedPlug,
                                  MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDependencyNode::findPlug");
    MStatus status;
    const MObject attr = attribute(attrName, &status);
    if (!status) {
        setStatus(ReturnStatus, status.statusCode());
        return MPlug();
    }
    return findPlug(attr, wantNetworkedPlug, ReturnStatus);
}

MPlug MFnDependencyNode::findPlug(const MObject& attr, MStatus* ReturnStatus) const {
    return findPlug(attr, false, ReturnStatus);
}
MPlug MFnDependencyNode::findPlug(const MString& attrName, MStatus* ReturnStatus) const {
    return findPlug(attrName, false, ReturnStatus);
}

MFnDagNode::MFnDagNode() = default;
MFnDagNode::MFnDagNode(MObject& object, MStatus* ret)
    : MFnDagNode(static_cast<const MObject&>(object), ret) {}
MFnDagNode::MFnDagNode(const MObject& object, MStatus* ret) {
    STANDIN_CALL("MFnDagNode::MFnDagNode");
    attach(object, ret);
}
MFnDagNode::MFnDagNode(const MDagPath& object, MStatus* ret) {
    STANDIN_CALL("MFnDagNode::MFnDagNode");
    attach(object.node(), ret);
}
MFn::Type MFnDagNode::type() const {
    STANDIN_CALL("MFnDagNode::type");
    return MFn::kDagNode;
}

MObject MFnDagNode::create(const MString& type, MObject& parent, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnDagNode::create");
    return create(type, MString(), parent, ReturnStatus);
}

MObject MFnDagNode::create(const MString& type, const MString& name, MObject& parent,
                           MStatus* ReturnStatus) {
    STANDIN_CALL("MFnDagNode::create");
    Kind kind;
    if (!standin::detail::kindOfTypeName(std::string(type.asChar(), type.length()), kind) ||
        !standin::detail::isDagKind(kind)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MObject();
    }
    Node* p = nullptr;
    if (!parent.isNull()) {
        p = Access::node(parent);
        if (p == nullptr) {
            setStatus(ReturnStatus, MS::kInvalidParameter);
            return MObject();
        }
    }
    std::string requested = name.length() != 0 ? std::string(name.asChar(), name.length())
                                               : std::string(type.asChar()) + "1";
    object_ = Access::make(standin::detail::createNode(kind, p, requested));
    setStatus(ReturnStatus, MS::kSuccess);
    return object_;
}

unsigned int MFnDagNode::parentCount(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDagNode::parentCount");
    Node* n = Access::node(object_);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return n != nullptr ? unsigned(n->parents.size()) : 0u;
}

MObject MFnDagNode::parent(unsigned int i, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDagNode::parent");
    Node* n = Access::node(object_);
    if (n == nullptr || i >= n->parents.size()) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MObject();
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return Access::make(n->parents[i]);
}

unsigned int MFnDagNode::childCount(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDagNode::childCount");
    Node* n = Access::node(object_);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return n != nullptr ? unsigned(n->children.size()) : 0u;
}

MObject MFnDagNode::child(unsigned int i, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDagNode::child");
    Node* n = Access::node(object_);
    if (n == nullptr || i >= n->children.size()) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MObject();
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return Access::make(n->children[i]);
}

MStatus MFnDagNode::addChild(MObject& child, unsigned int index, bool keepExistingParents) {
    STANDIN_CALL("MFnDagNode::addChild");
    Node* self = Access::node(object_);
    Node* c = Access::node(child);
    if (self == nullptr || c == nullptr || c->kind == Kind::World) return MS::kInvalidParameter;
    if (standin::detail::isAncestorOrSelf(c, self)) return MS::kInvalidParameter;
    const bool alreadyChild =
        std::find(c->parents.begin(), c->parents.end(), self) != c->parents.end();
    if (!keepExistingParents) {
        for (Node* p : c->parents) {
            p->children.erase(std::remove(p->children.begin(), p->children.end(), c),
                              p->children.end());
        }
        c->parents.clear();
    } else if (alreadyChild) {
        return MS::kInvalidParameter;
    }
    standin::detail::touch();
    const size_t at = std::min<size_t>(index, self->children.size());
    self->children.insert(self->children.begin() + std::ptrdiff_t(at), c);
    c->parents.push_back(self);
    return MS::kSuccess;
}

MStatus MFnDagNode::getPath(MDagPath& path) const {
    STANDIN_CALL("MFnDagNode::getPath");
    return MDagPath::getAPathTo(object_, path);
}

MDagPath MFnDagNode::dagPath(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDagNode::dagPath");
    MDagPath path;
    const MStatus status = getPath(path);
    setStatus(ReturnStatus, status.statusCode());
    return path;
}

MString MFnDagNode::fullPathName(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDagNode::fullPathName");
    Node* n = Access::node(object_);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return n != nullptr ? MString(standin::detail::fullPathOf(n).c_str()) : MString();
}

MString MFnDagNode::partialPathName(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnDagNode::partialPathName");
    return name(ReturnStatus);
}

MStatus MFnDagNode::setObject(const MDagPath& path) {
    STANDIN_CALL("MFnDagNode::setObject");
    return MFnBase::setObject(path.node());
}
MStatus MFnDagNode::setObject(MObject& object) {
    STANDIN_CALL("MFnDagNode::setObject");
    return MFnBase::setObject(object);
}
MStatus MFnDagNode::setObject(const MObject& object) {
    STANDIN_CALL("MFnDagNode::setObject");
    return MFnBase::setObject(object);
}

MFnTransform::MFnTransform() = default;
MFnTransform::MFnTransform(MObject& object, MStatus* ReturnStatus)
    : MFnTransform(static_cast<const MObject&>(object), ReturnStatus) {}
MFnTransform::MFnTransform(const MDagPath& object, MStatus* ret) {
    STANDIN_CALL("MFnTransform::MFnTransform");
    attach(object.node(), ret);
}
MFnTransform::MFnTransform(const MObject& object, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnTransform::MFnTransform");
    attach(object, ReturnStatus);
}
MFnTransform::~MFnTransform() = default;
MFn::Type MFnTransform::type() const {
    STANDIN_CALL("MFnTransform::type");
    return MFn::kTransform;
}

MObject MFnTransform::create(MObject parent, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnTransform::create");
    return MFnDagNode::create("transform", parent, ReturnStatus);
}

MVector MFnTransform::getTranslation(MSpace::Space, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnTransform::getTranslation");
    Node* n = transformNode(object_);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return n != nullptr ? MVector(n->translate[0], n->translate[1], n->translate[2]) : MVector();
}

MStatus MFnTransform::setTranslation(const MVector& vec, MSpace::Space) {
    STANDIN_CALL("MFnTransform::setTranslation");
    Node* n = transformNode(object_);
    if (n == nullptr) return MS::kInvalidParameter;
    standin::detail::touch();
    n->translate[0] = vec.x;
    n->translate[1] = vec.y;
    n->translate[2] = vec.z;
    return MS::kSuccess;
}

MTransformationMatrix::RotationOrder MFnTransform::rotationOrder(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnTransform::rotationOrder");
    Node* n = transformNode(object_);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return n != nullptr ? static_cast<MTransformationMatrix::RotationOrder>(n->rotationOrder)
                        : MTransformationMatrix::kInvalid;
}

MStatus MFnTransform::setRotationOrder(MTransformationMatrix::RotationOrder order, bool reorder) {
    STANDIN_CALL("MFnTransform::setRotationOrder");
    Node* n = transformNode(object_);
    // The host refuses anything but its six orders and keeps the order it has.
    if (n == nullptr || !validOrder(order)) return MS::kInvalidParameter;
    standin::detail::touch();
    if (reorder && validOrder(n->rotationOrder) && validOrder(order) && order != n->rotationOrder) {
        const MEulerRotation r =
            MEulerRotation(n->rotate[0], n->rotate[1], n->rotate[2], eulerOrderOf(n->rotationOrder))
                .reorder(eulerOrderOf(order));
        n->rotate[0] = r.x;
        n->rotate[1] = r.y;
        n->rotate[2] = r.z;
    }
    n->rotationOrder = order;
    return MS::kSuccess;
}

MStatus MFnTransform::getRotation(MEulerRotation& rotation) const {
    STANDIN_CALL("MFnTransform::getRotation");
    Node* n = transformNode(object_);
    if (n == nullptr) return MS::kInvalidParameter;
    rotation.setValue(n->rotate[0], n->rotate[1], n->rotate[2], eulerOrderOf(n->rotationOrder));
    return MS::kSuccess;
}

MStatus MFnTransform::setRotation(const MEulerRotation& rotation) {
    STANDIN_CALL("MFnTransform::setRotation");
    Node* n = transformNode(object_);
    if (n == nullptr) return MS::kInvalidParameter;
    standin::detail::touch();
    MEulerRotation r = rotation;
    if (validOrder(n->rotationOrder)) {
        if (eulerOrderOf(n->rotationOrder) != r.order) r.reorderIt(eulerOrderOf(n->rotationOrder));
    } else {
        n->rotationOrder = int(r.order) + 1;
    }
    n->rotate[0] = r.x;
    n->rotate[1] = r.y;
    n->rotate[2] = r.z;
    return MS::kSuccess;
}

MStatus MFnTransform::getRotation(double rotation[3],
                                  MTransformationMatrix::RotationOrder& order) const {
    STANDIN_CALL("MFnTransform::getRotation");
    Node* n = transformNode(object_);
    if (n == nullptr || rotation == nullptr) return MS::kInvalidParameter;
    for (int i = 0; i < 3; ++i) rotation[i] = n->rotate[i];
    order = static_cast<MTransformationMatrix::RotationOrder>(n->rotationOrder);
    return MS::kSuccess;
}

MStatus MFnTransform::setRotation(const double rotation[3],
                                  MTransformationMatrix::RotationOrder order) {
    STANDIN_CALL("MFnTransform::setRotation");
    if (rotation == nullptr || !validOrder(order)) return MS::kInvalidParameter;
    return setRotation(MEulerRotation(rotation[0], rotation[1], rotation[2], eulerOrderOf(order)));
}

MQuaternion MFnTransform::rotateOrientation(MSpace::Space, MStatus* ReturnStatus) const {
    Node* n = transformNode(object_);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    if (n == nullptr) return MQuaternion();
    if (n->rotateAxis[0] == 0.0 && n->rotateAxis[1] == 0.0 && n->rotateAxis[2] == 0.0)
        return MQuaternion();
    return MEulerRotation(n->rotateAxis[0], n->rotateAxis[1], n->rotateAxis[2]).asQuaternion();
}

MStatus MFnTransform::setRotateOrientation(const MQuaternion& quat, MSpace::Space, bool balance) {
    Node* n = transformNode(object_);
    if (n == nullptr) return MS::kInvalidParameter;
    standin::detail::touch();
    const bool identity = quat.x == 0.0 && quat.y == 0.0 && quat.z == 0.0;
    const MEulerRotation axis = identity ? MEulerRotation() : quat.asEulerRotation();
    if (balance && validOrder(n->rotationOrder)) {
        const MEulerRotation::RotationOrder order = eulerOrderOf(n->rotationOrder);
        const MMatrix before =
            MEulerRotation(n->rotateAxis[0], n->rotateAxis[1], n->rotateAxis[2]).asMatrix() *
            MEulerRotation(n->rotate[0], n->rotate[1], n->rotate[2], order).asMatrix();
        const MEulerRotation rotate =
            MEulerRotation::decompose(axis.asMatrix().transpose() * before, order);
        n->rotate[0] = rotate.x;
        n->rotate[1] = rotate.y;
        n->rotate[2] = rotate.z;
    }
    n->rotateAxis[0] = axis.x;
    n->rotateAxis[1] = axis.y;
    n->rotateAxis[2] = axis.z;
    return MS::kSuccess;
}

MFnIkJoint::MFnIkJoint() = default;
MFnIkJoint::MFnIkJoint(MObject& object, MStatus* ReturnStatus)
    : MFnIkJoint(static_cast<const MObject&>(object), ReturnStatus) {}
MFnIkJoint::MFnIkJoint(const MDagPath& object, MStatus* ret) {
    STANDIN_CALL("MFnIkJoint::MFnIkJoint");
    attach(object.node(), ret);
}
MFnIkJoint::MFnIkJoint(const MObject& object, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnIkJoint::MFnIkJoint");
    attach(object, ReturnStatus);
}
MFnIkJoint::~MFnIkJoint() = default;
MFn::Type MFnIkJoint::type() const {
    STANDIN_CALL("MFnIkJoint::type");
    return MFn::kJoint;
}

MObject MFnIkJoint::create(MObject parent, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnIkJoint::create");
    return MFnDagNode::create("joint", parent, ReturnStatus);
}

MStatus MFnIkJoint::getOrientation(MEulerRotation& rotation) const {
    STANDIN_CALL("MFnIkJoint::getOrientation");
    Node* n = transformNode(object_);
    if (n == nullptr || !n->isJoint()) return MS::kInvalidParameter;
    rotation.setValue(n->orient[0], n->orient[1], n->orient[2], MEulerRotation::kXYZ);
    return MS::kSuccess;
}

MStatus MFnIkJoint::setOrientation(const MEulerRotation& rotation) {
    STANDIN_CALL("MFnIkJoint::setOrientation");
    Node* n = transformNode(object_);
    if (n == nullptr || !n->isJoint()) return MS::kInvalidParameter;
    standin::detail::touch();
    const MEulerRotation r =
        rotation.order == MEulerRotation::kXYZ ? rotation : rotation.reorder(MEulerRotation::kXYZ);
    n->orient[0] = r.x;
    n->orient[1] = r.y;
    n->orient[2] = r.z;
    return MS::kSuccess;
}

MPlug::MPlug() = default;
MPlug::MPlug(const MPlug& in) = default;
MPlug::MPlug(const MObject& node, const MObject& attribute) : node_(node), attribute_(attribute) {
    STANDIN_CALL("MPlug::MPlug");
}
MPlug::~MPlug() = default;
MPlug& MPlug::operator=(const MPlug& other) = default;

MObject MPlug::attribute(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::attribute");
    setStatus(ReturnStatus, attribute_.isNull() ? MS::kInvalidParameter : MS::kSuccess);
    return attribute_;
}

MObject MPlug::node(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::node");
    setStatus(ReturnStatus, node_.isNull() ? MS::kInvalidParameter : MS::kSuccess);
    return node_;
}

MString MPlug::name(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::name");
    return partialName(true, false, false, false, false, true, ReturnStatus);
}

MString MPlug::partialName(bool includeNodeName, bool, bool, bool, bool, bool useLongNames,
                           MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::partialName");
    standin::detail::Object* n = Access::get(node_);
    const standin::detail::Attribute* a = Access::attribute(attribute_);
    if (n == nullptr || a == nullptr) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MString();
    }
    setStatus(ReturnStatus, MS::kSuccess);
    std::string text;
    if (includeNodeName) text = n->name + ".";
    text += useLongNames ? a->name : std::string(a->shortName);
    return MString(text.c_str());
}

bool MPlug::isNull(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::isNull");
    setStatus(ReturnStatus, MS::kSuccess);
    return node_.isNull() || attribute_.isNull();
}

bool MPlug::operator==(const MPlug& other) const {
    return node_ == other.node_ && attribute_ == other.attribute_;
}

bool MPlug::operator!=(const MPlug& other) const { return !(*this == other); }

namespace standin {

bool getRotateAxis(const MObject& node, double xyz[3]) {
    Node* n = transformNode(node);
    if (n == nullptr) return false;
    for (int i = 0; i < 3; ++i) xyz[i] = n->rotateAxis[i];
    return true;
}

bool setRotateAxis(const MObject& node, const double xyz[3]) {
    Node* n = transformNode(node);
    if (n == nullptr) return false;
    detail::touch();
    for (int i = 0; i < 3; ++i) n->rotateAxis[i] = xyz[i];
    return true;
}

namespace detail {
void Access::setPath(MDagPath& p, const std::vector<Node*>& nodes) {
    p.pop(p.length_);
    for (Node* n : nodes) p.push(Access::make(n));
}
}  // namespace detail
}  // namespace standin

MDagPath::MDagPath() : nodes_(nullptr), length_(0), capacity_(0) {
    STANDIN_CALL("MDagPath::MDagPath");
}

MDagPath::MDagPath(const MDagPath& src) : MDagPath() {
    STANDIN_CALL("MDagPath::MDagPath");
    *this = src;
}

MDagPath::~MDagPath() { delete[] nodes_; }

MDagPath& MDagPath::operator=(const MDagPath& src) {
    if (this == &src) return *this;
    if (src.length_ > capacity_) {
        delete[] nodes_;
        nodes_ = new MObject[src.length_];
        capacity_ = src.length_;
    }
    for (unsigned int i = 0; i < src.length_; ++i) nodes_[i] = src.nodes_[i];
    length_ = src.length_;
    return *this;
}

bool MDagPath::operator==(const MDagPath& other) const {
    if (length_ != other.length_) return false;
    for (unsigned int i = 0; i < length_; ++i) {
        if (nodes_[i] != other.nodes_[i]) return false;
    }
    return true;
}

bool MDagPath::isValid(MStatus* ReturnStatus) const {
    STANDIN_CALL("MDagPath::isValid");
    setStatus(ReturnStatus, MS::kSuccess);
    if (length_ == 0) return false;
    Node* parent = standin::detail::scene().world.get();
    for (unsigned int i = 0; i < length_; ++i) {
        Node* n = Access::node(nodes_[i]);
        if (n == nullptr || std::find(parent->children.begin(), parent->children.end(), n) ==
                                parent->children.end()) {
            return false;
        }
        parent = n;
    }
    return true;
}

MObject MDagPath::node(MStatus* ReturnStatus) const {
    STANDIN_CALL("MDagPath::node");
    if (length_ == 0 || nodes_[length_ - 1].isNull()) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MObject();
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return nodes_[length_ - 1];
}

MObject MDagPath::transform(MStatus* ReturnStatus) const {
    STANDIN_CALL("MDagPath::transform");
    return node(ReturnStatus);
}

bool MDagPath::hasFn(MFn::Type type, MStatus* ReturnStatus) const {
    STANDIN_CALL("MDagPath::hasFn");
    return node(ReturnStatus).hasFn(type);
}

MFn::Type MDagPath::apiType(MStatus* ReturnStatus) const {
    STANDIN_CALL("MDagPath::apiType");
    return node(ReturnStatus).apiType();
}

unsigned int MDagPath::length(MStatus* ReturnStatus) const {
    STANDIN_CALL("MDagPath::length");
    setStatus(ReturnStatus, MS::kSuccess);
    return length_;
}

unsigned int MDagPath::childCount(MStatus* ReturnStatus) const {
    STANDIN_CALL("MDagPath::childCount");
    Node* n =
        length_ == 0 ? standin::detail::scene().world.get() : Access::node(nodes_[length_ - 1]);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return n != nullptr ? unsigned(n->children.size()) : 0u;
}

MStatus MDagPath::push(const MObject& child) {
    STANDIN_CALL("MDagPath::push");
    Node* parent =
        length_ == 0 ? standin::detail::scene().world.get() : Access::node(nodes_[length_ - 1]);
    Node* c = Access::node(child);
    if (parent == nullptr || c == nullptr ||
        std::find(parent->children.begin(), parent->children.end(), c) == parent->children.end()) {
        return MS::kInvalidParameter;
    }
    if (length_ == capacity_) {
        const unsigned int grown = capacity_ < 8 ? 8 : capacity_ * 2;
        MObject* fresh = new MObject[grown];
        for (unsigned int i = 0; i < length_; ++i) fresh[i] = nodes_[i];
        delete[] nodes_;
        nodes_ = fresh;
        capacity_ = grown;
    }
    nodes_[length_++] = child;
    return MS::kSuccess;
}

MStatus MDagPath::pop(unsigned int num) {
    STANDIN_CALL("MDagPath::pop");
    if (num > length_) return MS::kInvalidParameter;
    for (unsigned int i = 0; i < num; ++i) nodes_[--length_] = MObject();
    return MS::kSuccess;
}

MString MDagPath::fullPathName(MStatus* ReturnStatus) const {
    STANDIN_CALL("MDagPath::fullPathName");
    std::string text;
    for (unsigned int i = 0; i < length_; ++i) {
        standin::detail::Object* o = Access::get(nodes_[i]);
        if (o == nullptr) {
            setStatus(ReturnStatus, MS::kInvalidParameter);
            return MString();
        }
        text += '|';
        text += o->name;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return MString(text.c_str());
}

MString MDagPath::partialPathName(MStatus* ReturnStatus) const {
    STANDIN_CALL("MDagPath::partialPathName");
    standin::detail::Object* o = length_ == 0 ? nullptr : Access::get(nodes_[length_ - 1]);
    setStatus(ReturnStatus, o != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return o != nullptr ? MString(o->name.c_str()) : MString();
}

MStatus MDagPath::getAPathTo(const MObject& node, MDagPath& path) {
    STANDIN_CALL("MDagPath::getAPathTo");
    Node* n = Access::node(node);
    if (n == nullptr || n->kind == Kind::World) {
        path.pop(path.length_);
        return MS::kInvalidParameter;
    }
    std::vector<Node*> nodes;
    standin::detail::firstPathOf(n, nodes);
    Access::setPath(path, nodes);
    return MS::kSuccess;
}
