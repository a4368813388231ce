// The value of a plug at a time (see Evaluation.h).

#include "Evaluation.h"

#include <maya/MEulerRotation.h>

#include <algorithm>
#include <cmath>

namespace standin {
namespace detail {

namespace {

/// Slots shared by every transform-type node (graph.cpp lists them in this order).
constexpr int kTranslate = 0;
constexpr int kRotate = 3;
constexpr int kRotateAxis = 6;
constexpr int kJointOrient = 9;

/// The evaluation that values are computed for: one number per time and state of the scene.
std::uint64_t evaluationOf(Ticks t) {
    static std::uint64_t stamp = 0;
    static std::uint64_t version = 0;
    static Ticks ticks = 0;
    const Scene& s = scene();
    // Compared bit for bit, so that a NaN time is an evaluation of its own every time.
    if (stamp == 0 || s.version != version || !(t == ticks)) {
        ++stamp;
        version = s.version;
        ticks = t;
    }
    return stamp;
}

/// The object's stored values, emptied when they belong to an earlier evaluation.
EvalCache& cacheOf(Object* object, std::uint64_t stamp) {
    EvalCache& cache = object->cache;
    if (cache.stamp != stamp) {
        const std::size_t slots = static_cast<std::size_t>(attributesOf(object->kind).count);
        cache.stamp = stamp;
        cache.values.assign(slots, 0.0);
        cache.state.assign(slots, 0);
    }
    return cache;
}

MEulerRotation::RotationOrder eulerOrder(int transformOrder) {
    // MTransformationMatrix kXYZ..kZYX are 1..6; anything else turns as XYZ.
    return transformOrder >= 1 && transformOrder <= 6
               ? static_cast<MEulerRotation::RotationOrder>(transformOrder - 1)
               : MEulerRotation::kXYZ;
}

MEulerRotation anglesAt(Node* node, int firstSlot, Ticks t, MEulerRotation::RotationOrder order) {
    return MEulerRotation(plugValue({node, firstSlot}, t), plugValue({node, firstSlot + 1}, t),
                          plugValue({node, firstSlot + 2}, t), order);
}

/// The rotation part of a node's local matrix around its rotate values: rotate axis before,
/// joint orient after (identity for a node that is not a joint).
void rotationFrame(Node* node, Ticks t, MMatrix& axis, MMatrix& orient) {
    axis = anglesAt(node, kRotateAxis, t, MEulerRotation::kXYZ).asMatrix();
    orient = node->isJoint() ? anglesAt(node, kJointOrient, t, MEulerRotation::kXYZ).asMatrix()
                             : MMatrix();
}

MMatrix localMatrix(Node* node, Ticks t) {
    MMatrix axis, orient;
    rotationFrame(node, t, axis, orient);
    MMatrix local =
        axis * anglesAt(node, kRotate, t, eulerOrder(node->rotationOrder)).asMatrix() * orient;
    for (int i = 0; i < 3; ++i) local.matrix[3][i] = plugValue({node, kTranslate + i}, t);
    return local;
}

MMatrix rotationOnly(const MMatrix& m) {
    MMatrix r = m;
    r.matrix[3][0] = r.matrix[3][1] = r.matrix[3][2] = 0.0;
    return r;
}

/// Works out every output of a constraint at `t` into its cache: the local translate and
/// rotate of the node it sits under (its first parent) that give the world transform the
/// constraint asks for. Without a target the node keeps its own values.
void solveConstraint(Node* constraint, Ticks t, EvalCache& cache) {
    Node* node = constraint->parents.empty() ? nullptr : constraint->parents.front();
    // Every output is under way until all are known: a rig whose target hangs below the node
    // it moves reads 0 where the cycle closes.
    for (std::size_t s = kJointOrient; s < cache.state.size(); ++s)
        if (cache.state[s] == 0) cache.state[s] = 1;
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
        const MMatrix parent =
            node->parents.empty() ? MMatrix() : worldMatrix(node->parents.front(), t);
        const MMatrix parentRotation = rotationOnly(parent).transpose();  // its inverse
        const MMatrix goal = worldMatrix(target, t);
        // Offset, in column form translate * rotate: in rows, the rotation then the translation.
        MMatrix offset = MEulerRotation(constraint->offsetRotate[0], constraint->offsetRotate[1],
                                        constraint->offsetRotate[2])
                             .asMatrix();
        for (int i = 0; i < 3; ++i) offset.matrix[3][i] = constraint->offsetTranslate[i];
        if (translates) {
            double world[3];
            for (int i = 0; i < 3; ++i) {
                world[i] = constraint->kind == Kind::PointConstraint
                               ? goal.matrix[3][i] + constraint->offsetTranslate[i]
                               : (offset * goal).matrix[3][i];
                world[i] -= parent.matrix[3][i];
            }
            for (int i = 0; i < 3; ++i) {
                translate[i] = 0.0;
                for (int k = 0; k < 3; ++k) translate[i] += world[k] * parentRotation.matrix[k][i];
            }
        }
        if (rotates) {
            const MMatrix worldRotation = rotationOnly(offset * goal);
            MMatrix axis, orient;
            rotationFrame(node, t, axis, orient);
            const MMatrix local = worldRotation * parentRotation;
            const MEulerRotation angles = MEulerRotation::decompose(
                axis.transpose() * local * orient.transpose(), eulerOrder(node->rotationOrder));
            rotate[0] = angles.x;
            rotate[1] = angles.y;
            rotate[2] = angles.z;
        }
    }
    // The outputs follow the transform attributes: translate X, Y, Z, then rotate X, Y, Z.
    std::size_t slot = kJointOrient;
    for (int i = 0; translates && i < 3; ++i) cache.values[slot++] = translate[i];
    for (int i = 0; rotates && i < 3; ++i) cache.values[slot++] = rotate[i];
    for (std::size_t s = kJointOrient; s < slot; ++s) cache.state[s] = 2;
}

/// The value a node computes for its output in `slot`.
double outputValue(Object* object, int slot, Ticks t) {
    switch (object->kind) {
        case Kind::Curve: {
            const Curve* curve = static_cast<const Curve*>(object);
            return curveValue(curve, curve->timeInput() ? t : plugValue({object, 0}, t));
        }
        case Kind::UnitConversion:
            return plugValue({object, 0}, t) * plugValue({object, 2}, t);
        case Kind::BlendAdditiveDL:
            return plugValue({object, 0}, t) * plugValue({object, 2}, t) +
                   plugValue({object, 1}, t) * plugValue({object, 3}, t);
        case Kind::BlendAdditiveRotation: {
            const int axis = slot - 8;
            return plugValue({object, axis}, t) * plugValue({object, 6}, t) +
                   plugValue({object, 3 + axis}, t) * plugValue({object, 7}, t);
        }
        default:
            return 0.0;
    }
}

}  // namespace

double* ownValue(PlugRef plug) {
    const Attribute* attribute = attributeAt(plug.node, plug.slot);
    if (attribute == nullptr || attribute->output) return nullptr;
    Object* object = plug.node;
    const int slot = plug.slot;
    if (isDagKind(object->kind)) {
        Node* node = static_cast<Node*>(object);
        double* groups[] = {node->translate, node->rotate, node->rotateAxis, node->orient};
        return &groups[slot / 3][slot % 3];
    }
    if (isDepNodeKind(object->kind)) return &static_cast<DepNode*>(object)->values[slot];
    if (object->kind == Kind::Curve) return &static_cast<Curve*>(object)->inputValue;
    return nullptr;
}

double plugValue(PlugRef plug, Ticks t) {
    const Attribute* attribute = attributeAt(plug.node, plug.slot);
    if (attribute == nullptr) return 0.0;
    EvalCache& cache = cacheOf(plug.node, evaluationOf(t));
    const std::size_t slot = static_cast<std::size_t>(plug.slot);
    if (cache.state[slot] == 2) return cache.values[slot];
    double* own = ownValue(plug);
    if (cache.state[slot] == 1) return own != nullptr ? *own : 0.0;  // a cycle closes here
    cache.state[slot] = 1;
    const PlugRef source = sourceOf(plug);
    double value = 0.0;
    if (source.valid()) {
        value = plugValue(source, t);
    } else if (own != nullptr) {
        value = *own;
    } else if (isConstraintKind(plug.node->kind)) {
        solveConstraint(static_cast<Node*>(plug.node), t, cache);
        return cache.values[slot];
    } else {
        value = outputValue(plug.node, plug.slot, t);
    }
    // The evaluation may have moved on (a cycle's inner values are not stored twice).
    EvalCache& stored = cacheOf(plug.node, evaluationOf(t));
    stored.values[slot] = value;
    stored.state[slot] = 2;
    return value;
}

double curveValue(const Curve* c, double input) {
    const size_t n = c->size();
    if (n == 0) return 0.0;
    const bool time = c->timeInput();
    const double* values = c->values.data() + c->first;
    auto key = [&](size_t i) {
        return time ? static_cast<double>(c->ticks[c->first + i]) : c->inputs[c->first + i];
    };
    if (input <= key(0)) return values[0];
    if (input >= key(n - 1)) return values[n - 1];
    // Segment s spans [key(s), key(s+1)). Sequential evaluation stays in the cached segment
    // or moves to the next one.
    size_t s = c->cursor;
    if (s + 1 >= n || !(key(s) <= input && input < key(s + 1))) {
        if (s + 2 < n && key(s + 1) <= input && input < key(s + 2)) {
            ++s;
        } else {
            size_t low = 0, high = n - 1;  // key(low) <= input < key(high)
            while (high - low > 1) {
                const size_t middle = low + (high - low) / 2;
                (key(middle) <= input ? low : high) = middle;
            }
            s = low;
        }
        c->cursor = s;
    }
    const double t0 = key(s);
    // At a key's own input the value is the key's, whatever the next key holds (an infinite
    // next value would otherwise give inf * 0).
    if (input == t0) return values[s];
    const double t1 = key(s + 1);
    const double f = (input - t0) / (t1 - t0);
    return values[s] + (values[s + 1] - values[s]) * f;
}

MMatrix worldMatrix(Node* node, Ticks t) {
    if (node == nullptr || !node->isTransform()) return MMatrix();
    const std::uint64_t stamp = evaluationOf(t);
    if (node->worldStamp == stamp && !node->worldBusy) return node->world;
    if (node->worldBusy) return MMatrix();  // a node placed by its own descendant
    node->worldBusy = true;
    const MMatrix parent =
        node->parents.empty() ? MMatrix() : worldMatrix(node->parents.front(), t);
    const MMatrix world = localMatrix(node, t) * parent;
    node->worldBusy = false;
    node->world = world;
    node->worldStamp = evaluationOf(t);
    return world;
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
    for (int step = 0; step < 64; ++step) {
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
