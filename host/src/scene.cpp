// The in-memory scene: object handles, nodes, unique names and the test API.

#include <maya/MObject.h>
#include <standin/Standin.h>

#include <algorithm>
#include <cstring>

#include "SceneImpl.h"

namespace standin {
namespace detail {

namespace {

const Attribute kAttributes[kAttributeCount] = {
    {0, "translateX", "tx"}, {1, "translateY", "ty"}, {2, "translateZ", "tz"},
    {3, "rotateX", "rx"},    {4, "rotateY", "ry"},    {5, "rotateZ", "rz"},
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

/// Replaces the characters that would break paths or tokens.
std::string sanitize(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F || c == '|') c = '_';
    }
    return out;
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
    auto it = s.names.find(object->name);
    if (it != s.names.end() && it->second == object) s.names.erase(it);
    std::string stem;
    uint64_t number = 0;
    bool hasNumber = false;
    splitTrailingNumber(object->name, stem, number, hasNumber);
    if (hasNumber && number > 0) {
        auto hint = s.freeHint.find(stem);
        if (hint != s.freeHint.end() && number < hint->second) hint->second = number;
    }
    object->name.clear();
}

}  // namespace

Scene::Scene() : world(std::make_unique<Node>(Kind::World)) {}

Scene& scene() {
    static Scene instance;
    return instance;
}

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
    s.freeHint.clear();
    s.objects.clear();
    s.world = std::make_unique<Node>(Kind::World);
    ++s.generation;
    // Generation 0 marks the shared attribute objects, which stay valid across scenes.
    if (s.generation == 0) s.generation = 1;
    s.userDefinedTicks = 0;
    resetUIUnit();
}

void Curve::compact() {
    if (first == 0) return;
    ticks.eraseAt(0, first);
    values.eraseAt(0, first);
    first = 0;
}

const Attribute* attributeByIndex(int index) {
    return index >= 0 && index < kAttributeCount ? &kAttributes[index] : nullptr;
}

const Attribute* attributeByName(const std::string& name) {
    for (const Attribute& a : kAttributes) {
        if (name == a.name || name == a.shortName) return &a;
    }
    return nullptr;
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
        case Kind::Joint:
        case Kind::HikJoint:
            if (type == MFn::kJoint) return true;
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

const std::string& assignName(Object* object, const std::string& requested) {
    Scene& s = scene();
    const std::string wanted = sanitize(requested);
    if (object->name == wanted) return object->name;
    // The old name is free for the new one to take, as a rename in the host.
    releaseName(object);
    auto taken = [&](const std::string& n) { return s.names.count(n) != 0; };
    std::string chosen = wanted;
    if (taken(wanted)) {
        std::string stem;
        uint64_t number = 0;
        bool hasNumber = false;
        splitTrailingNumber(wanted, stem, number, hasNumber);
        uint64_t candidate = hasNumber ? number + 1 : 1;
        uint64_t& hint = s.freeHint.emplace(stem, 1).first->second;
        // Every stem+N below the hint is taken, so the search can start there.
        const bool fromHint = candidate <= hint;
        if (fromHint) candidate = hint;
        while (taken(stem + std::to_string(candidate))) ++candidate;
        if (fromHint) hint = candidate + 1;
        chosen = stem + std::to_string(candidate);
    }
    object->name = chosen;
    s.names[chosen] = object;
    return object->name;
}

Node* createNode(Kind kind, Node* parent, const std::string& requestedName) {
    Scene& s = scene();
    if (parent == nullptr) parent = s.world.get();
    auto owned = std::make_unique<Node>(kind);
    Node* node = owned.get();
    s.objects.push_back(std::move(owned));
    node->parents.push_back(parent);
    parent->children.push_back(node);
    assignName(node, requestedName);
    return node;
}

Curve* createCurve(int type, Node* node, int attribute) {
    Scene& s = scene();
    auto owned = std::make_unique<Curve>();
    Curve* curve = owned.get();
    s.objects.push_back(std::move(owned));
    curve->type = type;
    static const char* const kTypeNames[] = {"animCurveTA", "animCurveTL", "animCurveTT",
                                             "animCurveTU", "animCurveUA", "animCurveUL",
                                             "animCurveUT", "animCurveUU"};
    std::string name = type >= 0 && type < 8 ? kTypeNames[type] : "animCurve";
    name += '1';
    if (node != nullptr && attribute >= 0 && attribute < kAttributeCount) {
        Curve*& slot = node->curves[attribute];
        if (slot != nullptr) {
            slot->node = nullptr;
            slot->attribute = -1;
        }
        slot = curve;
        curve->node = node;
        curve->attribute = attribute;
        name = node->name + "_" + kAttributes[attribute].name;
    }
    assignName(curve, name);
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

Node* Access::node(const MObject& o) {
    Object* object = get(o);
    if (object == nullptr) return nullptr;
    switch (object->kind) {
        case Kind::World:
        case Kind::Transform:
        case Kind::Joint:
        case Kind::HikJoint:
            return static_cast<Node*>(object);
        default:
            return nullptr;
    }
}

Curve* Access::curve(const MObject& o) {
    Object* object = get(o);
    return object != nullptr && object->kind == Kind::Curve ? static_cast<Curve*>(object) : nullptr;
}

const Attribute* Access::attribute(const MObject& o) {
    Object* object = get(o);
    return object != nullptr && object->kind == Kind::Attribute
               ? static_cast<const Attribute*>(object)
               : nullptr;
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

void setUserDefinedUnit(long long ticks) { detail::scene().userDefinedTicks = ticks > 0 ? ticks : 0; }

MObject createNode(const std::string& type, const MObject& parent, const std::string& name) {
    detail::Kind kind;
    if (type == "transform") {
        kind = detail::Kind::Transform;
    } else if (type == "joint") {
        kind = detail::Kind::Joint;
    } else if (type == "hikFKJoint") {
        kind = detail::Kind::HikJoint;
    } else {
        return MObject();
    }
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

std::vector<MObject> topLevelNodes() {
    std::vector<MObject> out;
    for (detail::Node* n : detail::scene().world->children) out.push_back(Access::make(n));
    return out;
}

MObject findNode(const std::string& nameOrPath) {
    detail::Scene& s = detail::scene();
    if (nameOrPath.empty()) return MObject();
    if (nameOrPath.find('|') == std::string::npos) {
        auto it = s.names.find(nameOrPath);
        return it == s.names.end() ? MObject() : Access::make(it->second);
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
        auto it = s.names.find(steps[0]);
        if (it == s.names.end() || it->second->kind == detail::Kind::Curve) return MObject();
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
        case detail::Kind::Transform:
            return "transform";
        case detail::Kind::Joint:
            return "joint";
        case detail::Kind::HikJoint:
            return "hikFKJoint";
        case detail::Kind::World:
            return "world";
        case detail::Kind::Curve: {
            static const char* const kNames[] = {"animCurveTA", "animCurveTL", "animCurveTT",
                                                 "animCurveTU", "animCurveUA", "animCurveUL",
                                                 "animCurveUT", "animCurveUU"};
            const int t = static_cast<detail::Curve*>(object)->type;
            return t >= 0 && t < 8 ? kNames[t] : "animCurve";
        }
        case detail::Kind::Attribute:
            return "attribute";
        case detail::Kind::Plugin:
            return "plugin";
    }
    return std::string();
}

}  // namespace standin
