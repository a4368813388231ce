#pragma once
// Internal model of the stand-in scene, shared by the host sources. Not installed: plug-in
// and test code use the SDK headers and standin/Standin.h instead.

#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MPlug.h>
#include <maya/MSelectionList.h>
#include <maya/MStatus.h>
#include <maya/MTime.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "KeyBuffer.h"

namespace standin {
namespace detail {

/// Stores `code` in an SDK status out-argument when the caller passed one.
inline void setStatus(MStatus* status, MStatus::MStatusCode code) {
    if (status != nullptr) *status = code;
}

/// What an object is. World to PointConstraint are DAG nodes (Node), UnitConversion to
/// BlendAdditiveRotation dependency nodes outside the DAG (DepNode).
enum class Kind {
    World,
    Transform,
    Joint,
    HikJoint,
    ParentConstraint,
    OrientConstraint,
    PointConstraint,
    UnitConversion,
    BlendAdditiveDL,
    BlendAdditiveRotation,
    Attribute,
    Curve,
    Plugin
};

inline bool isDagKind(Kind k) { return k <= Kind::PointConstraint; }
inline bool isDepNodeKind(Kind k) {
    return k >= Kind::UnitConversion && k <= Kind::BlendAdditiveRotation;
}
inline bool isConstraintKind(Kind k) {
    return k >= Kind::ParentConstraint && k <= Kind::PointConstraint;
}

/// apiType values of kinds that the stand-in enumeration does not name. All lie below 128
/// and outside the named values.
constexpr MFn::Type kHikJointType = static_cast<MFn::Type>(122);
constexpr MFn::Type kWorldType = static_cast<MFn::Type>(123);
constexpr MFn::Type kAttributeType = static_cast<MFn::Type>(124);
constexpr MFn::Type kPluginType = static_cast<MFn::Type>(125);

struct Object;

/// One plug: the attribute in slot `slot` of an object (see attributesOf).
struct PlugRef {
    Object* node = nullptr;
    int slot = -1;
    bool valid() const { return node != nullptr; }
    bool operator==(const PlugRef& other) const { return node == other.node && slot == other.slot; }
    bool operator!=(const PlugRef& other) const { return !(*this == other); }
};

/// A connection leaving a plug of an object: from its slot `from` to `to`.
struct Output {
    int from = -1;
    PlugRef to;
};

/// Values an object computed for its outputs in one evaluation (see Evaluation.h), by slot:
/// a value is known when its mark is 2 * the evaluation's stamp, under way at 2 * stamp + 1.
struct EvalCache {
    std::vector<std::uint64_t> marks;
    std::vector<double> values;
};

struct Attribute;

/// The attributes of a kind, by slot.
struct AttributeList {
    const Attribute* const* items = nullptr;
    int count = 0;
};
AttributeList attributesOf(Kind kind);

struct Object {
    explicit Object(Kind k) : kind(k), attributes(attributesOf(k)) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    Kind kind;
    AttributeList attributes;
    std::string name;
    /// By slot: the source of the plug when it is the destination of a connection.
    std::vector<PlugRef> inputs;
    /// Connections from this object's plugs, in the order they were made.
    std::vector<Output> outputs;
    EvalCache cache;
};

struct Curve;

/// A rigid transform in the row-vector convention: a point p goes to p * r + t.
struct Frame {
    double r[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double t[3] = {0, 0, 0};
};

/// A DAG node (world, transform, joint or constraint). The world has no parents; every
/// other node has at least one (the world for a top-level node).
struct Node : Object {
    using Object::Object;
    bool isTransform() const { return kind != Kind::World; }
    bool isJoint() const { return kind == Kind::Joint || kind == Kind::HikJoint; }

    std::vector<Node*> parents;
    std::vector<Node*> children;
    double translate[3] = {0, 0, 0};
    double rotate[3] = {0, 0, 0};
    double orient[3] = {0, 0, 0};      // joint orient, XYZ (joints only)
    double rotateAxis[3] = {0, 0, 0};  // rotate axis, XYZ
    int rotationOrder = 1;             // MTransformationMatrix::RotationOrder, stored as given
    /// Constraints only: the one target (null: none) and the offsets kept from it.
    Node* target = nullptr;
    double offsetTranslate[3] = {0, 0, 0};
    double offsetRotate[3] = {0, 0, 0};  // radians, XYZ
    /// World transform for one evaluation (see Evaluation.h): known when worldMark is
    /// 2 * its stamp, under way at 2 * stamp + 1.
    std::uint64_t worldMark = 0;
    Frame world;
};

/// A dependency node outside the DAG: its attributes' own values by slot.
struct DepNode : Object {
    explicit DepNode(Kind k);
    std::vector<double> values;
};

/// Unit of an attribute's values: radians, centimetres or plain numbers.
enum class Unit { Angle, Distance, Number };

/// One attribute of a node type; shared by all nodes of the types that have it and never
/// destroyed.
struct Attribute : Object {
    Attribute(int s, const char* longN, const char* shortN, Unit u, bool out = false)
        : Object(Kind::Attribute), slot(s), shortName(shortN), unit(u), output(out) {
        name = longN;
    }
    int slot;
    const char* shortName;
    Unit unit;
    /// Computed by its node (an output): never the destination of a connection.
    bool output;
    bool isRotate() const { return unit == Unit::Angle; }
};

/// The attribute of `object` in `slot`, or null.
inline const Attribute* attributeAt(const Object* object, int slot) {
    if (object == nullptr || slot < 0 || slot >= object->attributes.count) return nullptr;
    return object->attributes.items[slot];
}
/// The attribute of `object` by long or short name, or null.
const Attribute* attributeNamed(const Object* object, const std::string& name);

/// An animation curve. Keys live in ticks[first..] (time input) or inputs[first..] (unitless
/// input) and values[first..]: removing the first key only advances `first`, so emptying a
/// curve from the front is linear overall. Slot 0 is its input, slot 1 its output.
struct Curve : Object {
    Curve() : Object(Kind::Curve) {}
    bool timeInput() const { return type <= 3; }  // kAnimCurveTA..kAnimCurveTU
    size_t size() const { return values.size() - first; }
    int64_t tick(size_t i) const { return ticks[first + i]; }
    double input(size_t i) const { return inputs[first + i]; }
    double& value(size_t i) { return values[first + i]; }
    void compact();

    int type = 0;  // MFnAnimCurve::AnimCurveType
    KeyBuffer<int64_t> ticks;
    KeyBuffer<double> inputs;
    KeyBuffer<double> values;
    size_t first = 0;
    double inputValue = 0;      // the input's own value when nothing drives it
    mutable size_t cursor = 0;  // segment of the last evaluation, relative to `first`
};

struct Scene {
    Scene();
    unsigned int generation = 1;
    /// Goes up with every change that can change a value at some time (see Evaluation.h).
    std::uint64_t version = 1;
    std::unique_ptr<Node> world;
    std::vector<std::unique_ptr<Object>> objects;  // every node and curve but the world
    /// Every name in its scope (see scopedKey in scene.cpp): siblings never share a name.
    std::unordered_map<std::string, Object*> names;
    /// Every object by its name alone; several may share one.
    std::unordered_multimap<std::string, Object*> byName;
    /// The namespaces, by full name ("a", "a:b").
    std::unordered_set<std::string> namespaces;
    /// Per scope and name stem: every stem+N with 1 <= N < value is known to be taken.
    std::unordered_map<std::string, uint64_t> freeHint;
    MSelectionList activeSelection;
    /// Length of MTime::kUserDef in ticks; 0: the unit is not defined.
    int64_t userDefinedTicks = 0;
    /// The time slider: playback range and current time, in ticks.
    int64_t minTicks = 0;
    int64_t maxTicks = 0;
    int64_t currentTicks = 0;
};

/// The one scene. Inline, as nearly every call of the SDK asks for it (a handle's generation).
inline Scene& scene() {
    static Scene instance;
    return instance;
}
/// Marks the scene changed: values computed for earlier evaluations are stale.
inline void touch() { ++scene().version; }
/// The Script Editor's lines; kept across scenes, as the host keeps its history.
std::vector<std::string>& scriptEditor();
/// Adds a line; the oldest half goes once there are 10,000, so that a long-running process
/// (a fuzzer) keeps a bounded history.
void addScriptEditorLine(std::string line);
/// Destroys every object and starts a new generation of handles.
void reset();

/// Ticks per second of every time unit.
constexpr int64_t kTicksPerSecond = 141120000;
/// Largest key time magnitude in ticks (about 10^6 years).
constexpr int64_t kMaxTicks = int64_t(1) << 62;

/// Ticks per unit, indexed by MTime::Unit; 0 marks values that are not units.
inline constexpr int64_t kTicks[] = {
    0,                               // kInvalid
    kTicksPerSecond * 3600,          // kHours
    kTicksPerSecond * 60,            // kMinutes
    kTicksPerSecond,                 // kSeconds
    kTicksPerSecond / 1000,          // kMilliseconds
    kTicksPerSecond / 15,            // kGames
    kTicksPerSecond / 24,            // kFilm
    kTicksPerSecond / 25,            // kPALFrame
    kTicksPerSecond / 30,            // kNTSCFrame
    kTicksPerSecond / 48,            // kShowScan
    kTicksPerSecond / 50,            // kPALField
    kTicksPerSecond / 60,            // kNTSCField
    kTicksPerSecond / 2,             // k2FPS
    kTicksPerSecond / 3,             // k3FPS
    kTicksPerSecond / 4,             // k4FPS
    kTicksPerSecond / 5,             // k5FPS
    kTicksPerSecond / 6,             // k6FPS
    kTicksPerSecond / 8,             // k8FPS
    kTicksPerSecond / 10,            // k10FPS
    kTicksPerSecond / 12,            // k12FPS
    kTicksPerSecond / 16,            // k16FPS
    kTicksPerSecond / 20,            // k20FPS
    kTicksPerSecond / 40,            // k40FPS
    kTicksPerSecond / 75,            // k75FPS
    kTicksPerSecond / 80,            // k80FPS
    kTicksPerSecond / 100,           // k100FPS
    kTicksPerSecond / 120,           // k120FPS
    kTicksPerSecond / 125,           // k125FPS
    kTicksPerSecond / 150,           // k150FPS
    kTicksPerSecond / 200,           // k200FPS
    kTicksPerSecond / 240,           // k240FPS
    kTicksPerSecond / 250,           // k250FPS
    kTicksPerSecond / 300,           // k300FPS
    kTicksPerSecond / 375,           // k375FPS
    kTicksPerSecond / 400,           // k400FPS
    kTicksPerSecond / 500,           // k500FPS
    kTicksPerSecond / 600,           // k600FPS
    kTicksPerSecond / 750,           // k750FPS
    kTicksPerSecond / 1200,          // k1200FPS
    kTicksPerSecond / 1500,          // k1500FPS
    kTicksPerSecond / 2000,          // k2000FPS
    kTicksPerSecond / 3000,          // k3000FPS
    kTicksPerSecond / 6000,          // k6000FPS
    kTicksPerSecond * 1001 / 24000,  // k23_976FPS
    kTicksPerSecond * 1001 / 30000,  // k29_97FPS
    kTicksPerSecond * 1001 / 30000,  // k29_97DF (same rate; frame numbering differs)
    kTicksPerSecond * 1001 / 48000,  // k47_952FPS
    kTicksPerSecond * 1001 / 60000,  // k59_94FPS
    kTicksPerSecond / 44100,         // k44100FPS
    kTicksPerSecond / 48000,         // k48000FPS
    kTicksPerSecond / 90,            // k90FPS
};
static_assert(sizeof kTicks / sizeof kTicks[0] == MTime::kUserDef, "one entry per unit");

/// Ticks per unit, 0 for kInvalid, kLast, values outside the enumeration and kUserDef
/// while the scene has no user-defined unit.
inline int64_t ticksPerUnit(MTime::Unit unit) {
    const int u = static_cast<int>(unit);
    if (u == static_cast<int>(MTime::kUserDef)) return scene().userDefinedTicks;
    if (u < 0 || u >= static_cast<int>(MTime::kUserDef)) return 0;
    return kTicks[u];
}

/// A time as (fractional) ticks; NaN for a NaN time.
inline double exactTicks(const MTime& time) {
    return time.value() * static_cast<double>(ticksPerUnit(time.unit()));
}

/// A time as whole ticks, rounded half away from zero and clamped; false for a NaN or
/// infinite time.
inline bool toTicks(const MTime& time, int64_t& ticks) {
    const double t = exactTicks(time);
    if (!(t < static_cast<double>(kMaxTicks))) {  // also NaN and +inf
        if (t != t || t == HUGE_VAL) return false;
        ticks = kMaxTicks;
    } else if (!(t > -static_cast<double>(kMaxTicks))) {
        if (t == -HUGE_VAL) return false;
        ticks = -kMaxTicks;
    } else {
        // Within +-2^62 the conversion truncates exactly; a fraction exists only below 2^52.
        int64_t whole = static_cast<int64_t>(t);
        const double fraction = t - static_cast<double>(whole);
        if (fraction >= 0.5)
            ++whole;
        else if (fraction <= -0.5)
            --whole;
        ticks = whole;
    }
    return true;
}

MFn::Type apiTypeOf(const Object* object);
bool hasFnOf(const Object* object, MFn::Type type);
const char* typeNameOf(MFn::Type type);

/// Gives `object` the unique name nearest `requested` and returns it.
/// Gives `object` the name the host makes of `requested` (see MFnDependencyNode::setName);
/// false, keeping the old name, when the name is empty or names a namespace that does not
/// exist and `createNamespace` is false.
bool assignName(Object* object, const std::string& requested, bool createNamespace);
/// Creates a DAG node under `parent` (the world when null) with a unique name.
Node* createNode(Kind kind, Node* parent, const std::string& requestedName);
/// Creates a dependency node of a kind outside the DAG with a unique name.
DepNode* createDepNode(Kind kind, const std::string& requestedName);
/// Creates a curve of `type` (MFnAnimCurve::AnimCurveType) whose output drives
/// `destination` (none when invalid), named after it.
Curve* createCurve(int type, PlugRef destination);
/// "animCurveTA" ... "animCurveUU" for an MFnAnimCurve::AnimCurveType, "animCurve" else.
const char* curveTypeName(int type);
/// Node type names as the host and the scene files write them ("joint", "unitConversion").
const char* typeNameOfKind(Kind kind);
/// The kind of a node type name; false for names of no node the stand-in makes (curves
/// are made by MFnAnimCurve).
bool kindOfTypeName(const std::string& name, Kind& kind);

/// Connections. A destination has one source; an output (Attribute::output) is never a
/// destination, nor is a plug its own source.
/// Empty when `from` can drive `to`; otherwise why not, in a few words.
std::string connectionProblem(PlugRef from, PlugRef to);
/// Empty when some plug could drive `to`: it is no output and has no input yet.
std::string destinationProblem(PlugRef to);
/// Connects (see connectionProblem); false, changing nothing, when it cannot.
bool connect(PlugRef from, PlugRef to);
/// False, changing nothing, when `from` does not drive `to`.
bool disconnect(PlugRef from, PlugRef to);
/// The source of `plug`, invalid when it is no destination.
inline PlugRef sourceOf(PlugRef plug) {
    if (plug.node == nullptr || plug.slot < 0) return {};
    const std::vector<PlugRef>& inputs = plug.node->inputs;
    return static_cast<std::size_t>(plug.slot) < inputs.size()
               ? inputs[static_cast<std::size_t>(plug.slot)]
               : PlugRef();
}

/// True when `plug` drives some other plug.
inline bool isSourcePlug(PlugRef plug) {
    if (plug.node == nullptr) return false;
    for (const Output& out : plug.node->outputs)
        if (out.from == plug.slot) return true;
    return false;
}

/// True when `a` is `b` or an ancestor of `b` through any parents.
bool isAncestorOrSelf(const Node* a, const Node* b);
/// "|a|b" through first parents; empty for the world.
std::string fullPathOf(const Node* node);
/// Parent-first chain from below the world to `node`, through first parents.
void firstPathOf(Node* node, std::vector<Node*>& path);

struct Access {
    static Object* get(const MObject& o) {
        if (o.object_ == nullptr) return nullptr;
        if (o.generation_ != 0 && o.generation_ != scene().generation) return nullptr;
        return o.object_;
    }
    static MObject make(Object* object);
    // Inline: nearly every call of the SDK starts here.
    static Node* node(const MObject& o) {
        Object* object = get(o);
        return object != nullptr && isDagKind(object->kind) ? static_cast<Node*>(object) : nullptr;
    }
    static DepNode* depNode(const MObject& o) {
        Object* object = get(o);
        return object != nullptr && isDepNodeKind(object->kind) ? static_cast<DepNode*>(object)
                                                                : nullptr;
    }
    static Curve* curve(const MObject& o) {
        Object* object = get(o);
        return object != nullptr && object->kind == Kind::Curve ? static_cast<Curve*>(object)
                                                                : nullptr;
    }
    static const Attribute* attribute(const MObject& o) {
        Object* object = get(o);
        return object != nullptr && object->kind == Kind::Attribute
                   ? static_cast<const Attribute*>(object)
                   : nullptr;
    }
    /// The plug of `node` and `attribute`; invalid when the node has no such attribute.
    static PlugRef plug(const MObject& node, const MObject& attribute) {
        Object* object = get(node);
        const Attribute* a = Access::attribute(attribute);
        if (object == nullptr || a == nullptr || attributeAt(object, a->slot) != a) return {};
        return {object, a->slot};
    }
    static PlugRef plug(const MPlug& p) { return plug(p.node_, p.attribute_); }
    static MPlug plugOf(PlugRef p);
    static MObject* pathNodes(const MDagPath& p) { return p.nodes_; }
    static unsigned int pathLength(const MDagPath& p) { return p.length_; }
    static void setPath(MDagPath& p, const std::vector<Node*>& nodes);
    static MSelectionList::Items& selectionItems(const MSelectionList& l) { return *l.items_; }
};

}  // namespace detail
}  // namespace standin

namespace standin {
namespace detail {
void resetUIUnit();
/// The UI time unit.
inline MTime::Unit& uiUnitRef() {
    static MTime::Unit unit = MTime::kFilm;
    return unit;
}
}  // namespace detail
}  // namespace standin
