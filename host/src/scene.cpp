// The in-memory scene: object handles, nodes, unique names and the test API.

#include <maya/MObject.h>
#include <maya/MPlug.h>
#include <standin/Standin.h>

#include <algorithm>
#include <cstring>

#include "SceneImpl.h"

namespace standin {
namespace detail {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

/// One part of a node name (between namespace separators) as the host keeps it: letters,
/// digits and '_' only, every other character (a UTF-8 sequence counts as one) becoming
/// '_', and a '_' before a leading digit.
std::string legalPart(const std::string& part) {
    std::string out;
    for (size_t i = 0; i < part.size(); ++i) {
        const char c = part[i];
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0xC0) {  // the lead byte of a sequence: one '_' for the whole character
            while (i + 1 < part.size() && (static_cast<unsigned char>(part[i + 1]) & 0xC0) == 0x80)
                ++i;
        }
        out += isLetter(c) || isDigit(c) || c == '_' ? c : '_';
    }
    if (!out.empty() && isDigit(out[0])) out.insert(out.begin(), '_');
    return out;
}

/// Names are unique among the children of one parent (DAG nodes) or among all other nodes
/// (curves and the nodes outside the DAG); the key of a name in its scope.
std::string scopedKey(const Object* object, const std::string& name) {
    const void* scope = nullptr;
    if (isDagKind(object->kind)) {
        const Node* node = static_cast<const Node*>(object);
        scope = node->parents.empty() ? nullptr : node->parents.front();
    }
    std::string key(reinterpret_cast<const char*>(&scope), sizeof scope);
    return key + name;
}

void splitTrailingNumber(const std::string& name, std::string& stem, uint64_t& number,
                         bool& hasNumber) {
    size_t end = name.size();
    while (end > 0 && isDigit(name[end - 1])) --end;
    stem = name.substr(0, end);
    hasNumber = end < name.size();
    number = 0;
    for (size_t i = end; i < name.size(); ++i) {
        // Saturate: numbers this long never clash in practice.
        if (number > 100000000000000ULL) break;
        number = number * 10 + uint64_t(name[i] - '0');
    }
}

void releaseName(Object* object) {
    if (object->name.empty()) return;
    Scene& s = scene();
    const std::string key = scopedKey(object, object->name);
    auto it = s.names.find(key);
    if (it != s.names.end() && it->second == object) s.names.erase(it);
    for (auto [at, end] = s.byName.equal_range(object->name); at != end; ++at) {
        if (at->second == object) {
            s.byName.erase(at);
            break;
        }
    }
    std::string stem;
    uint64_t number = 0;
    bool hasNumber = false;
    splitTrailingNumber(object->name, stem, number, hasNumber);
    if (hasNumber && number > 0) {
        auto hint = s.freeHint.find(scopedKey(object, stem));
        if (hint != s.freeHint.end() && number < hint->second) hint->second = number;
    }
    object->name.clear();
}

}  // namespace

namespace {

/// A new scene's time slider: frames 1 to 120 of film, at frame 1.
void resetTimeSlider(Scene& s) {
    s.minTicks = s.currentTicks = kTicksPerSecond / 24;
    s.maxTicks = 120 * kTicksPerSecond / 24;
}

}  // namespace

Scene::Scene() : world(std::make_unique<Node>(Kind::World)) { resetTimeSlider(*this); }

std::vector<std::string>& scriptEditor() {
    static std::vector<std::string> lines;
    return lines;
}

void addScriptEditorLine(std::string line) {
    std::vector<std::string>& lines = scriptEditor();
    if (lines.size() >= 10000) lines.erase(lines.begin(), lines.begin() + 5000);
    lines.push_back(std::move(line));
}

void reset() {
    Scene& s = scene();
    s.activeSelection.clear();
    s.names.clear();
    s.byName.clear();
    s.namespaces.clear();
    s.freeHint.clear();
    s.objects.clear();
    s.world = std::make_unique<Node>(Kind::World);
    ++s.generation;
    // Generation 0 marks the shared attribute objects, which stay valid across scenes.
    if (s.generation == 0) s.generation = 1;
    s.userDefinedTicks = 0;
    resetTimeSlider(s);
    touch();
    resetUIUnit();
}

void Curve::compact() {
    if (first == 0) return;
    if (!ticks.empty()) ticks.eraseAt(0, first);
    if (!inputs.empty()) inputs.eraseAt(0, first);
    values.eraseAt(0, first);
    first = 0;
}

MFn::Type apiTypeOf(const Object* object) {
    if (object == nullptr) return MFn::kInvalid;
    switch (object->kind) {
        case Kind::World:
            return kWorldType;
        case Kind::Transform:
            return MFn::kTransform;
        case Kind::Joint:
            return MFn::kJoint;
        case Kind::HikJoint:
            return kHikJointType;
        case Kind::ParentConstraint:
            return MFn::kParentConstraint;
        case Kind::OrientConstraint:
            return MFn::kOrientConstraint;
        case Kind::PointConstraint:
            return MFn::kPointConstraint;
        case Kind::UnitConversion:
            return MFn::kUnitConversion;
        case Kind::BlendAdditiveDL:
            return MFn::kBlendNodeDoubleLinear;
        case Kind::BlendAdditiveRotation:
            return MFn::kBlendNodeAdditiveRotation;
        case Kind::Attribute:
            return kAttributeType;
        case Kind::Plugin:
            return kPluginType;
        case Kind::Curve:
            return static_cast<MFn::Type>(MFn::kAnimCurveTimeToAngular +
                                          static_cast<const Curve*>(object)->type);
    }
    return MFn::kInvalid;
}

bool hasFnOf(const Object* object, MFn::Type type) {
    if (object == nullptr || type == MFn::kInvalid) return false;
    if (type == MFn::kBase || type == apiTypeOf(object)) return true;
    switch (object->kind) {
        case Kind::ParentConstraint:
        case Kind::OrientConstraint:
        case Kind::PointConstraint:
            if (type == MFn::kConstraint) return true;
            [[fallthrough]];
        case Kind::Joint:
        case Kind::HikJoint:
            if (type == MFn::kJoint && !isConstraintKind(object->kind)) return true;
            [[fallthrough]];
        case Kind::Transform:
            if (type == MFn::kTransform) return true;
            [[fallthrough]];
        case Kind::World:
            return type == MFn::kDagNode || type == MFn::kDependencyNode ||
                   type == MFn::kNamedObject;
        case Kind::Curve:
            return type == MFn::kAnimCurve || type == MFn::kDependencyNode ||
                   type == MFn::kNamedObject;
        case Kind::BlendAdditiveDL:
        case Kind::BlendAdditiveRotation:
            if (type == MFn::kBlendNodeBase) return true;
            [[fallthrough]];
        case Kind::UnitConversion:
            return type == MFn::kDependencyNode || type == MFn::kNamedObject;
        case Kind::Attribute:
        case Kind::Plugin:
            return false;
    }
    return false;
}

const char* typeNameOf(MFn::Type type) {
    switch (static_cast<int>(type)) {
        case MFn::kInvalid:
            return "kInvalid";
        case MFn::kBase:
            return "kBase";
        case MFn::kNamedObject:
            return "kNamedObject";
        case MFn::kModel:
            return "kModel";
        case MFn::kDependencyNode:
            return "kDependencyNode";
        case MFn::kAddDoubleLinear:
            return "kAddDoubleLinear";
        case MFn::kAffect:
            return "kAffect";
        case MFn::kAnimCurve:
            return "kAnimCurve";
        case MFn::kAnimCurveTimeToAngular:
            return "kAnimCurveTimeToAngular";
        case MFn::kAnimCurveTimeToDistance:
            return "kAnimCurveTimeToDistance";
        case MFn::kAnimCurveTimeToTime:
            return "kAnimCurveTimeToTime";
        case MFn::kAnimCurveTimeToUnitless:
            return "kAnimCurveTimeToUnitless";
        case MFn::kAnimCurveUnitlessToAngular:
            return "kAnimCurveUnitlessToAngular";
        case MFn::kAnimCurveUnitlessToDistance:
            return "kAnimCurveUnitlessToDistance";
        case MFn::kAnimCurveUnitlessToTime:
            return "kAnimCurveUnitlessToTime";
        case MFn::kAnimCurveUnitlessToUnitless:
            return "kAnimCurveUnitlessToUnitless";
        case MFn::kDagNode:
            return "kDagNode";
        case MFn::kTransform:
            return "kTransform";
        case MFn::kIkEffector:
            return "kIkEffector";
        case MFn::kIkHandle:
            return "kIkHandle";
        case MFn::kJoint:
            return "kJoint";
        case MFn::kOrientConstraint:
            return "kOrientConstraint";
        case MFn::kPointConstraint:
            return "kPointConstraint";
        case MFn::kParentConstraint:
            return "kParentConstraint";
        case MFn::kUnitConversion:
            return "kUnitConversion";
        case MFn::kConstraint:
            return "kConstraint";
        case MFn::kBlendNodeBase:
            return "kBlendNodeBase";
        case MFn::kBlendNodeDoubleLinear:
            return "kBlendNodeDoubleLinear";
        case MFn::kBlendNodeAdditiveRotation:
            return "kBlendNodeAdditiveRotation";
        case kHikJointType:
            return "kHikFKJoint";
        case kWorldType:
            return "kWorld";
        case kAttributeType:
            return "kAttribute";
        case kPluginType:
            return "kPlugin";
        default:
            return "kInvalid";
    }
}

bool assignName(Object* object, const std::string& requested, bool createNamespace) {
    Scene& s = scene();
    // "a:b:Head": namespaces a and a:b, and the name Head in them. A leading ':' names the
    // root namespace; empty parts between separators are dropped.
    std::vector<std::string> parts;
    for (size_t start = 0; start <= requested.size();) {
        size_t colon = requested.find(':', start);
        if (colon == std::string::npos) colon = requested.size();
        if (colon > start) parts.push_back(legalPart(requested.substr(start, colon - start)));
        start = colon + 1;
    }
    if (parts.empty() || requested.back() == ':') return false;
    std::string space;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        space += (i == 0 ? "" : ":") + parts[i];
        if (s.namespaces.count(space) != 0) continue;
        if (!createNamespace) return false;
        s.namespaces.insert(space);
    }
    const std::string wanted = space.empty() ? parts.back() : space + ":" + parts.back();
    if (object->name == wanted) return true;
    // The old name is free for the new one to take, as a rename in the host.
    releaseName(object);
    auto taken = [&](const std::string& n) { return s.names.count(scopedKey(object, n)) != 0; };
    std::string chosen = wanted;
    if (taken(wanted)) {
        std::string stem;
        uint64_t number = 0;
        bool hasNumber = false;
        splitTrailingNumber(wanted, stem, number, hasNumber);
        uint64_t candidate = hasNumber ? number + 1 : 1;
        uint64_t& hint = s.freeHint.emplace(scopedKey(object, stem), 1).first->second;
        // Every stem+N below the hint is taken, so the search can start there.
        const bool fromHint = candidate <= hint;
        if (fromHint) candidate = hint;
        while (taken(stem + std::to_string(candidate))) ++candidate;
        if (fromHint) hint = candidate + 1;
        chosen = stem + std::to_string(candidate);
    }
    object->name = chosen;
    s.names[scopedKey(object, chosen)] = object;
    s.byName.emplace(chosen, object);
    return true;
}

Node* createNode(Kind kind, Node* parent, const std::string& requestedName) {
    Scene& s = scene();
    if (parent == nullptr) parent = s.world.get();
    auto owned = std::make_unique<Node>(kind);
    Node* node = owned.get();
    s.objects.push_back(std::move(owned));
    node->parents.push_back(parent);
    parent->children.push_back(node);
    if (!assignName(node, requestedName, true)) assignName(node, "transform1", true);
    touch();
    return node;
}

const char* curveTypeName(int type) {
    static const char* const kNames[] = {"animCurveTA", "animCurveTL", "animCurveTT",
                                         "animCurveTU", "animCurveUA", "animCurveUL",
                                         "animCurveUT", "animCurveUU"};
    return type >= 0 && type < 8 ? kNames[type] : "animCurve";
}

Curve* createCurve(int type, PlugRef destination) {
    Scene& s = scene();
    auto owned = std::make_unique<Curve>();
    Curve* curve = owned.get();
    s.objects.push_back(std::move(owned));
    curve->type = type;
    std::string name = curveTypeName(type) + std::string("1");
    const Attribute* attribute = attributeAt(destination.node, destination.slot);
    if (attribute != nullptr && connect({curve, 1}, destination))
        name = destination.node->name + "_" + attribute->name;
    assignName(curve, name, true);
    touch();
    return curve;
}

bool isAncestorOrSelf(const Node* a, const Node* b) {
    if (a == b) return true;
    for (const Node* p : b->parents) {
        if (isAncestorOrSelf(a, p)) return true;
    }
    return false;
}

void firstPathOf(Node* node, std::vector<Node*>& path) {
    path.clear();
    for (Node* n = node; n != nullptr && n->kind != Kind::World;
         n = n->parents.empty() ? nullptr : n->parents.front()) {
        path.push_back(n);
    }
    std::reverse(path.begin(), path.end());
}

std::string fullPathOf(const Node* node) {
    std::vector<Node*> path;
    firstPathOf(const_cast<Node*>(node), path);
    std::string out;
    for (const Node* n : path) {
        out += '|';
        out += n->name;
    }
    return out;
}

MObject Access::make(Object* object) {
    MObject o;
    o.object_ = object;
    // Attributes and plug-in objects outlive scene resets; generation 0 keeps them valid.
    o.generation_ =
        object == nullptr || object->kind == Kind::Attribute || object->kind == Kind::Plugin
            ? 0
            : scene().generation;
    return o;
}

MPlug Access::plugOf(PlugRef p) {
    const Attribute* a = attributeAt(p.node, p.slot);
    if (a == nullptr) return MPlug();
    return MPlug(make(p.node), make(const_cast<Attribute*>(a)));
}

}  // namespace detail
}  // namespace standin

using standin::detail::Access;

MObject MObject::kNullObj;

MObject::MObject() : object_(nullptr), generation_(0) {}
MObject::MObject(const MObject& other) = default;
MObject::~MObject() = default;
MObject& MObject::operator=(const MObject& other) = default;

bool MObject::hasFn(MFn::Type fs) const { return standin::detail::hasFnOf(Access::get(*this), fs); }

bool MObject::isNull() const { return Access::get(*this) == nullptr; }

MFn::Type MObject::apiType() const { return standin::detail::apiTypeOf(Access::get(*this)); }

const char* MObject::apiTypeStr() const { return standin::detail::typeNameOf(apiType()); }

bool MObject::operator==(const MObject& other) const {
    return Access::get(*this) == Access::get(other);
}

bool MObject::operator!=(const MObject& other) const { return !(*this == other); }

namespace standin {

void resetScene() { detail::reset(); }

std::vector<std::string> scriptEditorLines() { return detail::scriptEditor(); }
void clearScriptEditor() { detail::scriptEditor().clear(); }

void setUserDefinedUnit(long long ticks) {
    detail::scene().userDefinedTicks = ticks > 0 ? ticks : 0;
}

MObject createNode(const std::string& type, const MObject& parent, const std::string& name) {
    detail::Kind kind;
    if (!detail::kindOfTypeName(type, kind)) return MObject();
    if (!detail::isDagKind(kind)) return Access::make(detail::createDepNode(kind, name));
    detail::Node* parentNode = nullptr;
    if (!parent.isNull()) {
        parentNode = Access::node(parent);
        if (parentNode == nullptr) return MObject();
    }
    std::string requested = name;
    if (requested.empty()) requested = type + "1";
    return Access::make(detail::createNode(kind, parentNode, requested));
}

bool addParent(const MObject& node, const MObject& parent) {
    detail::Node* child = Access::node(node);
    detail::Node* p = parent.isNull() ? detail::scene().world.get() : Access::node(parent);
    if (child == nullptr || p == nullptr || child->kind == detail::Kind::World) return false;
    if (std::find(child->parents.begin(), child->parents.end(), p) != child->parents.end()) {
        return false;
    }
    if (detail::isAncestorOrSelf(child, p)) return false;
    child->parents.push_back(p);
    p->children.push_back(child);
    return true;
}

bool knownNodeType(const std::string& type, bool* dag) {
    detail::Kind kind;
    if (!detail::kindOfTypeName(type, kind)) return false;
    if (dag != nullptr) *dag = detail::isDagKind(kind);
    return true;
}

bool setConstraint(const MObject& constraint, const MObject& target,
                   const double offsetTranslate[3], const double offsetRotate[3]) {
    detail::Node* c = Access::node(constraint);
    detail::Node* t = target.isNull() ? nullptr : Access::node(target);
    if (c == nullptr || !detail::isConstraintKind(c->kind)) return false;
    if (!target.isNull() && (t == nullptr || !t->isTransform())) return false;
    c->target = t;
    for (int i = 0; i < 3; ++i) {
        c->offsetTranslate[i] = offsetTranslate[i];
        c->offsetRotate[i] = offsetRotate[i];
    }
    detail::touch();
    return true;
}

bool getConstraint(const MObject& constraint, MObject& target, double offsetTranslate[3],
                   double offsetRotate[3]) {
    const detail::Node* c = Access::node(constraint);
    if (c == nullptr || !detail::isConstraintKind(c->kind)) return false;
    target = c->target != nullptr ? Access::make(c->target) : MObject();
    for (int i = 0; i < 3; ++i) {
        offsetTranslate[i] = c->offsetTranslate[i];
        offsetRotate[i] = c->offsetRotate[i];
    }
    return true;
}

std::vector<MObject> dependencyNodes() {
    std::vector<MObject> out;
    for (const auto& owned : detail::scene().objects)
        if (detail::isDepNodeKind(owned->kind)) out.push_back(Access::make(owned.get()));
    return out;
}

std::vector<MObject> topLevelNodes() {
    std::vector<MObject> out;
    for (detail::Node* n : detail::scene().world->children) out.push_back(Access::make(n));
    return out;
}

MObject findNode(const std::string& nameOrPath) {
    detail::Scene& s = detail::scene();
    if (nameOrPath.empty()) return MObject();
    if (nameOrPath.find('|') == std::string::npos) {
        // A name that more than one node holds names none of them.
        if (s.byName.count(nameOrPath) != 1) return MObject();
        return Access::make(s.byName.find(nameOrPath)->second);
    }
    // A path: walk down from the world, or for a relative path from any node whose name
    // matches the first step.
    std::vector<std::string> steps;
    size_t start = 0;
    const bool absolute = nameOrPath[0] == '|';
    if (absolute) start = 1;
    while (start <= nameOrPath.size()) {
        size_t bar = nameOrPath.find('|', start);
        if (bar == std::string::npos) bar = nameOrPath.size();
        steps.push_back(nameOrPath.substr(start, bar - start));
        start = bar + 1;
    }
    detail::Node* current = nullptr;
    size_t i = 0;
    if (absolute) {
        current = s.world.get();
    } else {
        if (s.byName.count(steps[0]) != 1) return MObject();
        auto it = s.byName.find(steps[0]);
        if (!detail::isDagKind(it->second->kind)) return MObject();
        current = static_cast<detail::Node*>(it->second);
        i = 1;
    }
    for (; i < steps.size(); ++i) {
        detail::Node* next = nullptr;
        for (detail::Node* c : current->children) {
            if (c->name == steps[i]) {
                next = c;
                break;
            }
        }
        if (next == nullptr) return MObject();
        current = next;
    }
    if (current->kind == detail::Kind::World) return MObject();
    return Access::make(current);
}

std::string fullPath(const MObject& node) {
    detail::Node* n = Access::node(node);
    return n == nullptr ? std::string() : detail::fullPathOf(n);
}

std::string nodeTypeName(const MObject& node) {
    detail::Object* object = Access::get(node);
    if (object == nullptr) return std::string();
    switch (object->kind) {
        case detail::Kind::Curve:
            return detail::curveTypeName(static_cast<detail::Curve*>(object)->type);
        case detail::Kind::Attribute:
            return "attribute";
        case detail::Kind::Plugin:
            return "plugin";
        default:
            return detail::typeNameOfKind(object->kind);
    }
}

}  // namespace standin
