// The dependency graph of the stand-in scene: the node types and their attributes, and the
// connections between plugs.

#include <algorithm>
#include <string>

#include "SceneImpl.h"

namespace standin {
namespace detail {

namespace {

using U = Unit;

// Every transform, joint and constraint has these first, in this order.
const Attribute kTranslateX{0, "translateX", "tx", U::Distance};
const Attribute kTranslateY{1, "translateY", "ty", U::Distance};
const Attribute kTranslateZ{2, "translateZ", "tz", U::Distance};
const Attribute kRotateX{3, "rotateX", "rx", U::Angle};
const Attribute kRotateY{4, "rotateY", "ry", U::Angle};
const Attribute kRotateZ{5, "rotateZ", "rz", U::Angle};
const Attribute kRotateAxisX{6, "rotateAxisX", "rax", U::Angle};
const Attribute kRotateAxisY{7, "rotateAxisY", "ray", U::Angle};
const Attribute kRotateAxisZ{8, "rotateAxisZ", "raz", U::Angle};
#define STANDIN_TRANSFORM_ATTRIBUTES                                                          \
    &kTranslateX, &kTranslateY, &kTranslateZ, &kRotateX, &kRotateY, &kRotateZ, &kRotateAxisX, \
        &kRotateAxisY, &kRotateAxisZ

const Attribute kJointOrientX{9, "jointOrientX", "jox", U::Angle};
const Attribute kJointOrientY{10, "jointOrientY", "joy", U::Angle};
const Attribute kJointOrientZ{11, "jointOrientZ", "joz", U::Angle};

// Constraint outputs: the constrained node's local translate and rotate.
const Attribute kConstraintTranslateX{9, "constraintTranslateX", "ctx", U::Distance, true};
const Attribute kConstraintTranslateY{10, "constraintTranslateY", "cty", U::Distance, true};
const Attribute kConstraintTranslateZ{11, "constraintTranslateZ", "ctz", U::Distance, true};
const Attribute kParentRotateX{12, "constraintRotateX", "crx", U::Angle, true};
const Attribute kParentRotateY{13, "constraintRotateY", "cry", U::Angle, true};
const Attribute kParentRotateZ{14, "constraintRotateZ", "crz", U::Angle, true};
const Attribute kOrientRotateX{9, "constraintRotateX", "crx", U::Angle, true};
const Attribute kOrientRotateY{10, "constraintRotateY", "cry", U::Angle, true};
const Attribute kOrientRotateZ{11, "constraintRotateZ", "crz", U::Angle, true};

const Attribute kConversionInput{0, "input", "i", U::Number};
const Attribute kConversionOutput{1, "output", "o", U::Number, true};
const Attribute kConversionFactor{2, "conversionFactor", "cf", U::Number};

const Attribute kInputA{0, "inputA", "ia", U::Distance};
const Attribute kInputB{1, "inputB", "ib", U::Distance};
const Attribute kWeightA{2, "weightA", "wa", U::Number};
const Attribute kWeightB{3, "weightB", "wb", U::Number};
const Attribute kBlendOutput{4, "output", "o", U::Distance, true};

const Attribute kInputAX{0, "inputAX", "iax", U::Angle};
const Attribute kInputAY{1, "inputAY", "iay", U::Angle};
const Attribute kInputAZ{2, "inputAZ", "iaz", U::Angle};
const Attribute kInputBX{3, "inputBX", "ibx", U::Angle};
const Attribute kInputBY{4, "inputBY", "iby", U::Angle};
const Attribute kInputBZ{5, "inputBZ", "ibz", U::Angle};
const Attribute kRotationWeightA{6, "weightA", "wa", U::Number};
const Attribute kRotationWeightB{7, "weightB", "wb", U::Number};
const Attribute kOutputX{8, "outputX", "ox", U::Angle, true};
const Attribute kOutputY{9, "outputY", "oy", U::Angle, true};
const Attribute kOutputZ{10, "outputZ", "oz", U::Angle, true};

const Attribute kCurveInput{0, "input", "i", U::Number};
const Attribute kCurveOutput{1, "output", "o", U::Number, true};

const Attribute* const kTransformList[] = {STANDIN_TRANSFORM_ATTRIBUTES};
const Attribute* const kJointList[] = {STANDIN_TRANSFORM_ATTRIBUTES, &kJointOrientX, &kJointOrientY,
                                       &kJointOrientZ};
const Attribute* const kParentList[] = {STANDIN_TRANSFORM_ATTRIBUTES,
                                        &kConstraintTranslateX,
                                        &kConstraintTranslateY,
                                        &kConstraintTranslateZ,
                                        &kParentRotateX,
                                        &kParentRotateY,
                                        &kParentRotateZ};
const Attribute* const kPointList[] = {STANDIN_TRANSFORM_ATTRIBUTES, &kConstraintTranslateX,
                                       &kConstraintTranslateY, &kConstraintTranslateZ};
const Attribute* const kOrientList[] = {STANDIN_TRANSFORM_ATTRIBUTES, &kOrientRotateX,
                                        &kOrientRotateY, &kOrientRotateZ};
const Attribute* const kConversionList[] = {&kConversionInput, &kConversionOutput,
                                            &kConversionFactor};
const Attribute* const kBlendList[] = {&kInputA, &kInputB, &kWeightA, &kWeightB, &kBlendOutput};
const Attribute* const kRotationList[] = {
    &kInputAX,         &kInputAY,         &kInputAZ, &kInputBX, &kInputBY, &kInputBZ,
    &kRotationWeightA, &kRotationWeightB, &kOutputX, &kOutputY, &kOutputZ};
const Attribute* const kCurveList[] = {&kCurveInput, &kCurveOutput};
#undef STANDIN_TRANSFORM_ATTRIBUTES

template <std::size_t N>
AttributeList listOf(const Attribute* const (&items)[N]) {
    return {items, static_cast<int>(N)};
}

struct TypeName {
    Kind kind;
    const char* name;
};
const TypeName kTypeNames[] = {
    {Kind::Transform, "transform"},
    {Kind::Joint, "joint"},
    {Kind::HikJoint, "hikFKJoint"},
    {Kind::ParentConstraint, "parentConstraint"},
    {Kind::OrientConstraint, "orientConstraint"},
    {Kind::PointConstraint, "pointConstraint"},
    {Kind::UnitConversion, "unitConversion"},
    {Kind::BlendAdditiveDL, "animBlendNodeAdditiveDL"},
    {Kind::BlendAdditiveRotation, "animBlendNodeAdditiveRotation"},
};

}  // namespace

AttributeList attributesOf(Kind kind) {
    switch (kind) {
        case Kind::Transform:
            return listOf(kTransformList);
        case Kind::Joint:
        case Kind::HikJoint:
            return listOf(kJointList);
        case Kind::ParentConstraint:
            return listOf(kParentList);
        case Kind::OrientConstraint:
            return listOf(kOrientList);
        case Kind::PointConstraint:
            return listOf(kPointList);
        case Kind::UnitConversion:
            return listOf(kConversionList);
        case Kind::BlendAdditiveDL:
            return listOf(kBlendList);
        case Kind::BlendAdditiveRotation:
            return listOf(kRotationList);
        case Kind::Curve:
            return listOf(kCurveList);
        case Kind::World:
        case Kind::Attribute:
        case Kind::Plugin:
            break;
    }
    return {};
}

const Attribute* attributeNamed(const Object* object, const std::string& name) {
    if (object == nullptr) return nullptr;
    const AttributeList list = object->attributes;
    for (int i = 0; i < list.count; ++i)
        if (name == list.items[i]->name || name == list.items[i]->shortName) return list.items[i];
    return nullptr;
}

const char* typeNameOfKind(Kind kind) {
    for (const TypeName& t : kTypeNames)
        if (t.kind == kind) return t.name;
    return kind == Kind::World ? "world" : "";
}

bool kindOfTypeName(const std::string& name, Kind& kind) {
    for (const TypeName& t : kTypeNames) {
        if (name == t.name) {
            kind = t.kind;
            return true;
        }
    }
    return false;
}

DepNode::DepNode(Kind k) : Object(k) {
    values.assign(static_cast<std::size_t>(attributes.count), 0.0);
    // Conversions pass values on unchanged and layers count fully until told otherwise.
    if (k == Kind::UnitConversion) values[kConversionFactor.slot] = 1.0;
    if (k == Kind::BlendAdditiveDL) values[kWeightA.slot] = values[kWeightB.slot] = 1.0;
    if (k == Kind::BlendAdditiveRotation)
        values[kRotationWeightA.slot] = values[kRotationWeightB.slot] = 1.0;
}

DepNode* createDepNode(Kind kind, const std::string& requestedName) {
    Scene& s = scene();
    auto owned = std::make_unique<DepNode>(kind);
    DepNode* node = owned.get();
    s.objects.push_back(std::move(owned));
    const std::string fallback = std::string(typeNameOfKind(kind)) + "1";
    if (!assignName(node, requestedName.empty() ? fallback : requestedName, true))
        assignName(node, fallback, true);
    touch();
    return node;
}

std::string destinationProblem(PlugRef to) {
    const Attribute* destination = attributeAt(to.node, to.slot);
    if (destination == nullptr) return "no such plug";
    if (destination->output) return "the destination is an output";
    if (sourceOf(to).valid()) return "the destination already has an input";
    return {};
}

std::string connectionProblem(PlugRef from, PlugRef to) {
    if (attributeAt(from.node, from.slot) == nullptr) return "no such plug";
    if (from == to) return "a plug cannot drive itself";
    return destinationProblem(to);
}

bool connect(PlugRef from, PlugRef to) {
    if (!connectionProblem(from, to).empty()) return false;
    std::vector<PlugRef>& inputs = to.node->inputs;
    if (inputs.size() <= static_cast<std::size_t>(to.slot))
        inputs.resize(static_cast<std::size_t>(to.slot) + 1);
    inputs[static_cast<std::size_t>(to.slot)] = from;
    from.node->outputs.push_back({from.slot, to});
    touch();
    return true;
}

bool disconnect(PlugRef from, PlugRef to) {
    if (!from.valid() || sourceOf(to) != from) return false;
    to.node->inputs[static_cast<std::size_t>(to.slot)] = PlugRef();
    std::vector<Output>& outputs = from.node->outputs;
    outputs.erase(std::find_if(outputs.begin(), outputs.end(),
                               [&](const Output& o) { return o.from == from.slot && o.to == to; }));
    touch();
    return true;
}

}  // namespace detail
}  // namespace standin
