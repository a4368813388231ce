#pragma once
// Internal model of the stand-in scene, shared by the host sources. Not installed: plug-in
// and test code use the SDK headers and standin/Standin.h instead.

#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MSelectionList.h>
#include <maya/MStatus.h>
#include <maya/MTime.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "KeyBuffer.h"

namespace standin {
namespace detail {

/// Stores `code` in an SDK status out-argument when the caller passed one.
inline void setStatus(MStatus* status, MStatus::MStatusCode code) {
    if (status != nullptr) *status = code;
}

enum class Kind { World, Transform, Joint, HikJoint, Attribute, Curve, Plugin };

/// apiType values of kinds that the stand-in enumeration does not name. All lie below 128
/// and outside the named values.
constexpr MFn::Type kHikJointType = static_cast<MFn::Type>(122);
constexpr MFn::Type kWorldType = static_cast<MFn::Type>(123);
constexpr MFn::Type kAttributeType = static_cast<MFn::Type>(124);
constexpr MFn::Type kPluginType = static_cast<MFn::Type>(125);

/// Number of keyable attributes of a transform: translateX, Y, Z, rotateX, Y, Z.
constexpr int kAttributeCount = 6;

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    Kind kind;
    std::string name;
};

struct Curve;

/// A DAG node (world, transform or joint). The world has no parents; every other node has
/// at least one (the world for a top-level node).
struct Node : Object {
    using Object::Object;
    bool isTransform() const { return kind != Kind::World; }
    bool isJoint() const { return kind == Kind::Joint || kind == Kind::HikJoint; }

    std::vector<Node*> parents;
    std::vector<Node*> children;
    double translate[3] = {0, 0, 0};
    double rotate[3] = {0, 0, 0};
    double orient[3] = {0, 0, 0};
    int rotationOrder = 1;  // MTransformationMatrix::RotationOrder, stored as given
    Curve* curves[kAttributeCount] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
};

/// One of the six attributes; shared by all nodes and never destroyed.
struct Attribute : Object {
    Attribute(int i, const char* longN, const char* shortN)
        : Object(Kind::Attribute), index(i), shortName(shortN) {
        name = longN;
    }
    int index;
    const char* shortName;
    bool isRotate() const { return index >= 3; }
};

/// An animation curve. Keys live in ticks[first..] / values[first..]: removing the first
/// key only advances `first`, so emptying a curve from the front is linear overall.
struct Curve : Object {
    Curve() : Object(Kind::Curve) {}
    size_t size() const { return ticks.size() - first; }
    int64_t tick(size_t i) const { return ticks[first + i]; }
    double& value(size_t i) { return values[first + i]; }
    void compact();

    int type = 0;  // MFnAnimCurve::AnimCurveType
    Node* node = nullptr;
    int attribute = -1;
    KeyBuffer<int64_t> ticks;
    KeyBuffer<double> values;
    size_t first = 0;
    mutable size_t cursor = 0;  // segment of the last evaluation, relative to `first`
};

struct Scene {
    Scene();
    unsigned int generation = 1;
    std::unique_ptr<Node> world;
    std::vector<std::unique_ptr<Object>> objects;  // every node and curve but the world
    std::unordered_map<std::string, Object*> names;
    /// Per name stem: every stem+N with 1 <= N < value is known to be taken.
    std::unordered_map<std::string, uint64_t> freeHint;
    MSelectionList activeSelection;
    /// Length of MTime::kUserDef in ticks; 0: the unit is not defined.
    int64_t userDefinedTicks = 0;
};

Scene& scene();
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
    0,                                // kInvalid
    kTicksPerSecond * 3600,           // kHours
    kTicksPerSecond * 60,             // kMinutes
    kTicksPerSecond,                  // kSeconds
    kTicksPerSecond / 1000,           // kMilliseconds
    kTicksPerSecond / 15,             // kGames
    kTicksPerSecond / 24,             // kFilm
    kTicksPerSecond / 25,             // kPALFrame
    kTicksPerSecond / 30,             // kNTSCFrame
    kTicksPerSecond / 48,             // kShowScan
    kTicksPerSecond / 50,             // kPALField
    kTicksPerSecond / 60,             // kNTSCField
    kTicksPerSecond / 2,              // k2FPS
    kTicksPerSecond / 3,              // k3FPS
    kTicksPerSecond / 4,              // k4FPS
    kTicksPerSecond / 5,              // k5FPS
    kTicksPerSecond / 6,              // k6FPS
    kTicksPerSecond / 8,              // k8FPS
    kTicksPerSecond / 10,             // k10FPS
    kTicksPerSecond / 12,             // k12FPS
    kTicksPerSecond / 16,             // k16FPS
    kTicksPerSecond / 20,             // k20FPS
    kTicksPerSecond / 40,             // k40FPS
    kTicksPerSecond / 75,             // k75FPS
    kTicksPerSecond / 80,             // k80FPS
    kTicksPerSecond / 100,            // k100FPS
    kTicksPerSecond / 120,            // k120FPS
    kTicksPerSecond / 125,            // k125FPS
    kTicksPerSecond / 150,            // k150FPS
    kTicksPerSecond / 200,            // k200FPS
    kTicksPerSecond / 240,            // k240FPS
    kTicksPerSecond / 250,            // k250FPS
    kTicksPerSecond / 300,            // k300FPS
    kTicksPerSecond / 375,            // k375FPS
    kTicksPerSecond / 400,            // k400FPS
    kTicksPerSecond / 500,            // k500FPS
    kTicksPerSecond / 600,            // k600FPS
    kTicksPerSecond / 750,            // k750FPS
    kTicksPerSecond / 1200,           // k1200FPS
    kTicksPerSecond / 1500,           // k1500FPS
    kTicksPerSecond / 2000,           // k2000FPS
    kTicksPerSecond / 3000,           // k3000FPS
    kTicksPerSecond / 6000,           // k6000FPS
    kTicksPerSecond * 1001 / 24000,   // k23_976FPS
    kTicksPerSecond * 1001 / 30000,   // k29_97FPS
    kTicksPerSecond * 1001 / 30000,   // k29_97DF (same rate; frame numbering differs)
    kTicksPerSecond * 1001 / 48000,   // k47_952FPS
    kTicksPerSecond * 1001 / 60000,   // k59_94FPS
    kTicksPerSecond / 44100,          // k44100FPS
    kTicksPerSecond / 48000,          // k48000FPS
    kTicksPerSecond / 90,             // k90FPS
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

const Attribute* attributeByIndex(int index);
const Attribute* attributeByName(const std::string& name);

MFn::Type apiTypeOf(const Object* object);
bool hasFnOf(const Object* object, MFn::Type type);
const char* typeNameOf(MFn::Type type);

/// Gives `object` the unique name nearest `requested` and returns it.
const std::string& assignName(Object* object, const std::string& requested);
/// Creates a DAG node under `parent` (the world when null) with a unique name.
Node* createNode(Kind kind, Node* parent, const std::string& requestedName);
/// Creates a curve driving `attribute` of `node` (none when node is null).
Curve* createCurve(int type, Node* node, int attribute);
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
    static Node* node(const MObject& o);
    static Curve* curve(const MObject& o);
    static const Attribute* attribute(const MObject& o);
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
MTime::Unit& uiUnitRef();
}  // namespace detail
}  // namespace standin
