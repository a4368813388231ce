// The value of a plug at a time (see Evaluation.h).

#include "Evaluation.h"

#include <maya/MEulerRotation.h>

#include <algorithm>

#include "Rotations.h"

namespace standin {
namespace detail {

namespace {

/// Slots shared by every transform-type node (graph.cpp lists them in this order).
constexpr int kTranslate = 0;
constexpr int kRotate = 3;
constexpr int kRotateAxis = 6;
constexpr int kJointOrient = 9;  // also a constraint's first output

/// Connections followed from one plug before the value is taken to close a cycle.
constexpr int kLongestChain = 1000;

using Stamp = std::uint64_t;

/// The evaluation that values are computed for: one number per time and state of the scene.
Stamp evaluationOf(Ticks t) {
    static Stamp stamp = 0;
    static std::uint64_t version = 0;
    static Ticks ticks = 0;
    const std::uint64_t now = scene().version;
    // Compared bit for bit, so that a NaN time is an evaluation of its own every time.
    if (stamp == 0 || now != version || !(t == ticks)) {
        ++stamp;
        version = now;
        ticks = t;
    }
    return stamp;
}

inline double* ownSlot(PlugRef plug) {
    Object* object = plug.node;
    const int slot = plug.slot;
    if (object == nullptr || slot < 0 || slot >= object->attributes.count) return nullptr;
    if (isDagKind(object->kind)) {
        // Translate, rotate and rotate axis, then a joint's orient (a constraint's outputs).
        Node* node = static_cast<Node*>(object);
        if (slot < 3) return &node->translate[slot];
        if (slot < 6) return &node->rotate[slot - 3];
        if (slot < 9) return &node->rotateAxis[slot - 6];
        return node->isJoint() ? &node->orient[slot - 9] : nullptr;
    }
    if (object->attributes.items[slot]->output) return nullptr;
    if (isDepNodeKind(object->kind)) return &static_cast<DepNode*>(object)->values[slot];
    if (object->kind == Kind::Curve) return &static_cast<Curve*>(object)->inputValue;
    return nullptr;
}

double valueAt(PlugRef plug, Ticks t, Stamp stamp, int depth);
const Frame& worldAt(Node* node, Ticks t, Stamp stamp);

// --- rotations as 3x3 matrices, row-vector convention --------------------------------------

using Rotation = double[3][3];

void multiply(const Rotation& a, const Rotation& b, Rotation& out) {
    Rotation m;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
    std::copy(&m[0][0], &m[0][0] + 9, &out[0][0]);
}

/// a * transpose(b): b's inverse, as rotations are orthonormal.
void multiplyByInverse(const Rotation& a, const Rotation& b, Rotation& out) {
    Rotation m;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = a[r][0] * b[c][0] + a[r][1] * b[c][1] + a[r][2] * b[c][2];
    std::copy(&m[0][0], &m[0][0] + 9, &out[0][0]);
}

/// transpose(a) * b.
void inverseTimes(const Rotation& a, const Rotation& b, Rotation& out) {
    Rotation m;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = a[0][r] * b[0][c] + a[1][r] * b[1][c] + a[2][r] * b[2][c];
    std::copy(&m[0][0], &m[0][0] + 9, &out[0][0]);
}

/// The value of an attribute (a transform's translate, rotate, rotate axis, joint orient, an
/// input of a node outside the DAG or of a curve) in `slot`: its own, read directly, unless
/// something drives it.
double inputValue(Object* node, int slot, Ticks t, Stamp stamp) {
    const std::size_t at = static_cast<std::size_t>(slot);
    if (at < node->inputs.size() && node->inputs[at].node != nullptr)
        return valueAt(node->inputs[at], t, stamp, 1);
    return *ownSlot({node, slot});
}

/// Three attributes from `firstSlot` as angles of `order`.
MEulerRotation anglesAt(Node* node, int firstSlot, Ticks t, Stamp stamp,
                        MEulerRotation::RotationOrder order) {
    return MEulerRotation(inputValue(node, firstSlot, t, stamp),
                          inputValue(node, firstSlot + 1, t, stamp),
                          inputValue(node, firstSlot + 2, t, stamp), order);
}

/// True when three attributes from `firstSlot` hold zeros of their own and nothing drives
/// them: no rotation to apply (most nodes have no rotate axis and no joint orient).
bool stillZero(const Node* node, int firstSlot) {
    const double* own = firstSlot == kRotateAxis ? node->rotateAxis : node->orient;
    if (own[0] != 0.0 || own[1] != 0.0 || own[2] != 0.0) return false;
    const std::vector<PlugRef>& inputs = node->inputs;
    for (std::size_t slot = static_cast<std::size_t>(firstSlot);
         slot < inputs.size() && slot < static_cast<std::size_t>(firstSlot) + 3; ++slot)
        if (inputs[slot].node != nullptr) return false;
    return true;
}

/// Multiplies `rotation` by the XYZ rotation of three angle attributes, before it (`before`)
/// or after it; nothing to do when all three are zero.
void turnBy(Node* node, int firstSlot, Ticks t, Stamp stamp, bool before, Rotation& rotation) {
    if (stillZero(node, firstSlot)) return;
    const MEulerRotation angles = anglesAt(node, firstSlot, t, stamp, MEulerRotation::kXYZ);
    if (angles.x == 0.0 && angles.y == 0.0 && angles.z == 0.0) return;
    Rotation turn;
    rotationRows(angles, turn);
    if (before)
        multiply(turn, rotation, rotation);
    else
        multiply(rotation, turn, rotation);
}

/// The rotation of a node's local matrix around its rotate values `r`: rotate axis before
/// and joint orient after (a joint's only), as the host composes them.
void frameAround(Node* node, Ticks t, Stamp stamp, Rotation& r) {
    turnBy(node, kRotateAxis, t, stamp, true, r);
    if (node->isJoint()) turnBy(node, kJointOrient, t, stamp, false, r);
}

/// Works out every output of a constraint at `t` into its cache: the local translate and
/// rotate of the node it sits under (its first parent) that give the world transform the
/// constraint asks for. Without a target the node keeps its own values.
void solveConstraint(Node* constraint, Ticks t, Stamp stamp) {
    EvalCache& cache = constraint->cache;
    const std::size_t outputs = cache.marks.size();
    // Every output is under way until all are known: a rig whose target hangs below the node
    // it moves reads 0 where the cycle closes.
    for (std::size_t s = kJointOrient; s < outputs; ++s) cache.marks[s] = 2 * stamp + 1;
    Node* node = constraint->parents.empty() ? nullptr : constraint->parents.front();
    const bool translates = constraint->kind != Kind::OrientConstraint;
    const bool rotates = constraint->kind != Kind::PointConstraint;
    double translate[3] = {0, 0, 0};
    double rotate[3] = {0, 0, 0};
    if (node != nullptr && node->isTransform()) {
        for (int i = 0; i < 3; ++i) {
            translate[i] = node->translate[i];
            rotate[i] = node->rotate[i];
        }
    }
    Node* target = constraint->target;
    if (node != nullptr && node->isTransform() && target != nullptr) {
        const Frame parent =
            node->parents.empty() ? Frame() : worldAt(node->parents.front(), t, stamp);
        const Frame goal = worldAt(target, t, stamp);
        // The offset, in column form translate * rotate: in rows, the rotation, then the
        // translation, then the target's transform.
        const MEulerRotation offset(constraint->offsetRotate[0], constraint->offsetRotate[1],
                                    constraint->offsetRotate[2]);
        Rotation world;
        std::copy(&goal.r[0][0], &goal.r[0][0] + 9, &world[0][0]);
        if (!offset.isZero(0.0)) {
            Rotation turn;
            rotationRows(offset, turn);
            multiply(turn, goal.r, world);
        }
        if (translates) {
            double world[3];
            for (int i = 0; i < 3; ++i) {
                world[i] = goal.t[i];
                if (constraint->kind == Kind::PointConstraint)
                    world[i] += constraint->offsetTranslate[i];
                else
                    for (int k = 0; k < 3; ++k)
                        world[i] += constraint->offsetTranslate[k] * goal.r[k][i];
                world[i] -= parent.t[i];
            }
            for (int i = 0; i < 3; ++i)  // world * inverse(parent rotation)
                translate[i] = world[0] * parent.r[i][0] + world[1] * parent.r[i][1] +
                               world[2] * parent.r[i][2];
        }
        if (rotates) {
            // axis * rotate * orient = world rotation * inverse(parent rotation).
            Rotation local;
            multiplyByInverse(world, parent.r, local);
            if (!stillZero(node, kRotateAxis)) {
                Rotation m;
                rotationRows(anglesAt(node, kRotateAxis, t, stamp, MEulerRotation::kXYZ), m);
                inverseTimes(m, local, local);
            }
            if (node->isJoint() && !stillZero(node, kJointOrient)) {
                Rotation m;
                rotationRows(anglesAt(node, kJointOrient, t, stamp, MEulerRotation::kXYZ), m);
                multiplyByInverse(local, m, local);
            }
            const MEulerRotation angles = anglesOfRows(local, eulerOrderOf(node->rotationOrder));
            rotate[0] = angles.x;
            rotate[1] = angles.y;
            rotate[2] = angles.z;
        }
    }
    // The outputs follow the transform attributes: translate X, Y, Z, then rotate X, Y, Z.
    std::size_t slot = kJointOrient;
    for (int i = 0; translates && i < 3; ++i) cache.values[slot++] = translate[i];
    for (int i = 0; rotates && i < 3; ++i) cache.values[slot++] = rotate[i];
    for (std::size_t s = kJointOrient; s < slot; ++s) cache.marks[s] = 2 * stamp;
}

/// The value a node computes for its output in `slot` (a time-input curve's is read at
/// once, see valueAt).
double computedValue(Object* object, int slot, Ticks t, Stamp stamp) {
    auto input = [&](int s) { return inputValue(object, s, t, stamp); };
    switch (object->kind) {
        case Kind::Curve:
            return curveValue(static_cast<const Curve*>(object), input(0));
        case Kind::UnitConversion:
            return input(0) * input(2);
        case Kind::BlendAdditiveDL:
            return input(0) * input(2) + input(1) * input(3);
        case Kind::BlendAdditiveRotation: {
            const int axis = slot - 8;
            return input(axis) * input(6) + input(3 + axis) * input(7);
        }
        default:
            return 0.0;
    }
}

double valueAt(PlugRef plug, Ticks t, Stamp stamp, int depth) {
    // Plain attributes pass their source's value on: followed in a loop, up to a cycle's end.
    for (;; ++depth) {
        const std::vector<PlugRef>& inputs = plug.node->inputs;
        const std::size_t at = static_cast<std::size_t>(plug.slot);
        if (at >= inputs.size() || inputs[at].node == nullptr) break;
        if (depth >= kLongestChain) {
            const double* own = ownSlot(plug);
            return own != nullptr ? *own : 0.0;
        }
        plug = inputs[at];
    }
    Object* node = plug.node;
    // A time-input curve's value costs less than remembering it.
    if (node->kind == Kind::Curve && plug.slot == 1 && static_cast<Curve*>(node)->timeInput())
        return curveValue(static_cast<Curve*>(node), t);
    if (const double* own = ownSlot(plug)) return *own;
    if (attributeAt(node, plug.slot) == nullptr) return 0.0;
    // Any other output: worked out once per evaluation.
    EvalCache& cache = node->cache;
    const std::size_t slot = static_cast<std::size_t>(plug.slot);
    if (cache.marks.empty()) {
        const std::size_t slots = static_cast<std::size_t>(node->attributes.count);
        cache.marks.assign(slots, 0);
        cache.values.assign(slots, 0.0);
    }
    if (cache.marks[slot] == 2 * stamp) return cache.values[slot];
    if (cache.marks[slot] == 2 * stamp + 1) return 0.0;  // a cycle closes here
    if (isConstraintKind(node->kind)) {
        solveConstraint(static_cast<Node*>(node), t, stamp);
        return cache.values[slot];
    }
    cache.marks[slot] = 2 * stamp + 1;
    const double value = computedValue(node, plug.slot, t, stamp);
    cache.values[slot] = value;
    cache.marks[slot] = 2 * stamp;
    return value;
}

const Frame& worldAt(Node* node, Ticks t, Stamp stamp) {
    static const Frame kIdentity;
    if (node == nullptr || !node->isTransform()) return kIdentity;
    if (node->worldMark == 2 * stamp) return node->world;
    if (node->worldMark == 2 * stamp + 1) return kIdentity;  // placed by its own descendant
    node->worldMark = 2 * stamp + 1;
    Frame local;  // the identity until turned
    const MEulerRotation rotate =
        anglesAt(node, kRotate, t, stamp, eulerOrderOf(node->rotationOrder));
    if (rotate.x != 0.0 || rotate.y != 0.0 || rotate.z != 0.0) rotationRows(rotate, local.r);
    frameAround(node, t, stamp, local.r);
    for (int i = 0; i < 3; ++i) local.t[i] = inputValue(node, kTranslate + i, t, stamp);
    const Frame& parent =
        node->parents.empty() ? kIdentity : worldAt(node->parents.front(), t, stamp);
    Frame& world = node->world;
    multiply(local.r, parent.r, world.r);
    for (int i = 0; i < 3; ++i)
        world.t[i] = local.t[0] * parent.r[0][i] + local.t[1] * parent.r[1][i] +
                     local.t[2] * parent.r[2][i] + parent.t[i];
    node->worldMark = 2 * stamp;
    return node->world;
}

}  // namespace

double* ownValue(PlugRef plug) { return ownSlot(plug); }

double plugValue(PlugRef plug, Ticks t) { return valueAt(plug, t, evaluationOf(t), 0); }

namespace {

/// Linear between keys, the end values held outside them; `keys` the key times (ticks) or
/// inputs, `cursor` the segment of the last evaluation.
template <typename Key>
double interpolate(const Key* keys, const double* values, size_t n, double input, size_t& cursor) {
    // No number falls in no segment (with one key there is none to search).
    if (input != input) return input;
    // Segment s spans [keys[s], keys[s+1]). Sequential evaluation stays in the cached segment
    // or moves to the next one.
    size_t s = cursor;
    auto holds = [&](size_t segment) {
        return segment + 1 < n && static_cast<double>(keys[segment]) <= input &&
               input < static_cast<double>(keys[segment + 1]);
    };
    if (!holds(s)) {
        if (input <= static_cast<double>(keys[0])) return values[0];
        if (input >= static_cast<double>(keys[n - 1])) return values[n - 1];
        if (holds(s + 1)) {
            ++s;
        } else {
            size_t low = 0, high = n - 1;  // keys[low] <= input < keys[high]
            while (high - low > 1) {
                const size_t middle = low + (high - low) / 2;
                (static_cast<double>(keys[middle]) <= input ? low : high) = middle;
            }
            s = low;
        }
        cursor = s;
    }
    const double t0 = static_cast<double>(keys[s]);
    // At a key's own input the value is the key's, whatever the next key holds (an infinite
    // next value would otherwise give inf * 0).
    if (input == t0) return values[s];
    const double f = (input - t0) / (static_cast<double>(keys[s + 1]) - t0);
    return values[s] + (values[s + 1] - values[s]) * f;
}

}  // namespace

double curveValue(const Curve* c, double input) {
    const size_t n = c->size();
    if (n == 0) return 0.0;
    const double* values = c->values.data() + c->first;
    return c->timeInput() ? interpolate(c->ticks.data() + c->first, values, n, input, c->cursor)
                          : interpolate(c->inputs.data() + c->first, values, n, input, c->cursor);
}

void curvesDriving(PlugRef plug, std::vector<Curve*>& curves) {
    std::vector<PlugRef> pending{plug};
    std::vector<PlugRef> passed;  // outputs of conversions and blend nodes followed, each once
    while (!pending.empty()) {
        const PlugRef source = sourceOf(pending.back());
        pending.pop_back();
        Object* node = source.node;
        if (node == nullptr) continue;
        if (node->kind == Kind::Curve) {
            Curve* curve = static_cast<Curve*>(node);
            if (std::find(curves.begin(), curves.end(), curve) == curves.end())
                curves.push_back(curve);
            continue;
        }
        const bool layer =
            node->kind == Kind::BlendAdditiveDL || node->kind == Kind::BlendAdditiveRotation;
        if (node->kind != Kind::UnitConversion && !layer) continue;
        if (std::find(passed.begin(), passed.end(), source) != passed.end()) continue;
        passed.push_back(source);
        // Pushed in reverse, so that the base layer (input A) is taken first.
        if (node->kind == Kind::UnitConversion) {
            pending.push_back({node, 0});
        } else if (node->kind == Kind::BlendAdditiveDL) {
            pending.push_back({node, 1});
            pending.push_back({node, 0});
        } else {
            const int axis = source.slot - 8;
            pending.push_back({node, 3 + axis});
            pending.push_back({node, axis});
        }
    }
}

Node* constraintDriving(PlugRef plug) {
    for (int step = 0; step < kLongestChain; ++step) {
        const PlugRef source = sourceOf(plug);
        if (!source.valid()) return nullptr;
        if (isConstraintKind(source.node->kind)) return static_cast<Node*>(source.node);
        if (source.node->kind != Kind::UnitConversion) return nullptr;
        plug = {source.node, 0};
    }
    return nullptr;
}

}  // namespace detail
}  // namespace standin
