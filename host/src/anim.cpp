// Animation curves and the animation queries.

#include <maya/MAnimUtil.h>
#include <maya/MDagPath.h>
#include <maya/MDoubleArray.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>
#include <maya/MSelectionList.h>
#include <maya/MTime.h>
#include <maya/MTimeArray.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "Calls.h"
#include "SceneImpl.h"

using standin::detail::Access;
using standin::detail::Curve;
using standin::detail::Node;
using standin::detail::setStatus;

namespace {

bool timeInput(const Curve* c) { return c->type <= MFnAnimCurve::kAnimCurveTU; }

/// First key index whose time is not before `t`.
size_t lowerBound(const Curve* c, int64_t t) {
    const auto begin = c->ticks.begin() + std::ptrdiff_t(c->first);
    return size_t(std::lower_bound(begin, c->ticks.end(), t) - begin);
}

unsigned int addKeyTicks(Curve* c, int64_t t, double value) {
    const size_t n = c->size();
    if (n == 0 || t > c->tick(n - 1)) {
        c->ticks.push_back(t);
        c->values.push_back(value);
        return unsigned(n);
    }
    const size_t at = lowerBound(c, t);
    if (at < n && c->tick(at) == t) {
        c->value(at) = value;
        return unsigned(at);
    }
    c->ticks.insertAt(c->first + at, t);
    c->values.insertAt(c->first + at, value);
    c->cursor = 0;
    return unsigned(at);
}

/// Linear interpolation between keys, holding the end values outside them.
double evaluateTicks(const Curve* c, double t) {
    const size_t n = c->size();
    if (n == 0) return 0.0;
    const int64_t* ticks = c->ticks.data() + c->first;
    const double* values = c->values.data() + c->first;
    if (t <= double(ticks[0])) return values[0];
    if (t >= double(ticks[n - 1])) return values[n - 1];
    // Segment s spans [ticks[s], ticks[s+1]). Sequential evaluation stays in the cached
    // segment or moves to the next one.
    size_t s = c->cursor;
    if (s + 1 >= n || !(double(ticks[s]) <= t && t < double(ticks[s + 1]))) {
        if (s + 2 < n && double(ticks[s + 1]) <= t && t < double(ticks[s + 2])) {
            ++s;
        } else {
            const int64_t* up = std::upper_bound(
                ticks, ticks + n, t, [](double value, int64_t k) { return value < double(k); });
            s = size_t(up - ticks) - 1;
        }
        c->cursor = s;
    }
    const double t0 = double(ticks[s]);
    // At a key's own time the value is the key's, whatever the next key holds (an infinite
    // next value would otherwise give inf * 0).
    if (t == t0) return values[s];
    const double t1 = double(ticks[s + 1]);
    const double f = (t - t0) / (t1 - t0);
    return values[s] + (values[s + 1] - values[s]) * f;
}

int defaultTypeFor(const standin::detail::Attribute* a) {
    return a->isRotate() ? MFnAnimCurve::kAnimCurveTA : MFnAnimCurve::kAnimCurveTL;
}

}  // namespace

MFnAnimCurve::MFnAnimCurve() = default;
MFnAnimCurve::MFnAnimCurve(MObject& object, MStatus* ReturnStatus)
    : MFnAnimCurve(static_cast<const MObject&>(object), ReturnStatus) {}
MFnAnimCurve::MFnAnimCurve(const MObject& object, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::MFnAnimCurve");
    attach(object, ReturnStatus);
}
MFnAnimCurve::MFnAnimCurve(const MPlug& plug, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::MFnAnimCurve");
    Node* n = Access::node(plug.node());
    const standin::detail::Attribute* a = Access::attribute(plug.attribute());
    Curve* c = n != nullptr && a != nullptr ? n->curves[a->index] : nullptr;
    attach(c != nullptr ? Access::make(c) : MObject(), ReturnStatus);
}
MFnAnimCurve::~MFnAnimCurve() = default;
MFn::Type MFnAnimCurve::type() const {
    STANDIN_CALL("MFnAnimCurve::type");
    return MFn::kAnimCurve;
}

MObject MFnAnimCurve::create(const MObject& node, const MObject& attribute, MDGModifier* modifier,
                             MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::create");
    const standin::detail::Attribute* a = Access::attribute(attribute);
    if (a == nullptr) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MObject();
    }
    return create(node, attribute, static_cast<AnimCurveType>(defaultTypeFor(a)), modifier,
                  ReturnStatus);
}

MObject MFnAnimCurve::create(const MObject& node, const MObject& attribute,
                             AnimCurveType animCurveType, MDGModifier*, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::create");
    Node* n = Access::node(node);
    const standin::detail::Attribute* a = Access::attribute(attribute);
    if (n == nullptr || !n->isTransform() || a == nullptr || animCurveType < kAnimCurveTA ||
        animCurveType >= kAnimCurveUnknown) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MObject();
    }
    object_ = Access::make(standin::detail::createCurve(animCurveType, n, a->index));
    setStatus(ReturnStatus, MS::kSuccess);
    return object_;
}

MObject MFnAnimCurve::create(const MPlug& plug, MDGModifier* modifier, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::create");
    return create(plug.node(), plug.attribute(), modifier, ReturnStatus);
}

MObject MFnAnimCurve::create(const MPlug& plug, AnimCurveType animCurveType, MDGModifier* modifier,
                             MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::create");
    return create(plug.node(), plug.attribute(), animCurveType, modifier, ReturnStatus);
}

MObject MFnAnimCurve::create(AnimCurveType animCurveType, MDGModifier*, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::create");
    if (animCurveType < kAnimCurveTA || animCurveType >= kAnimCurveUnknown) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MObject();
    }
    object_ = Access::make(standin::detail::createCurve(animCurveType, nullptr, -1));
    setStatus(ReturnStatus, MS::kSuccess);
    return object_;
}

MFnAnimCurve::AnimCurveType MFnAnimCurve::animCurveType(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::animCurveType");
    const Curve* c = Access::curve(object_);
    setStatus(ReturnStatus, c != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return c != nullptr ? static_cast<AnimCurveType>(c->type) : kAnimCurveUnknown;
}

unsigned int MFnAnimCurve::addKey(const MTime& time, double value, TangentType, TangentType,
                                  MAnimCurveChange*, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::addKey");
    Curve* c = Access::curve(object_);
    int64_t t = 0;
    if (c == nullptr || !timeInput(c) || !standin::detail::toTicks(time, t)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return 0;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return addKeyTicks(c, t, value);
}

unsigned int MFnAnimCurve::addKey(const MTime& timeInput, const MTime& timeValue,
                                  TangentType tangentInType, TangentType tangentOutType,
                                  MAnimCurveChange* change, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::addKey");
    return addKey(timeInput, timeValue.as(MTime::kSeconds), tangentInType, tangentOutType, change,
                  ReturnStatus);
}

unsigned int MFnAnimCurve::addKey(double, double, TangentType, TangentType, MAnimCurveChange*,
                                  MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::addKey");
    setStatus(ReturnStatus,
              Access::curve(object_) == nullptr ? MS::kInvalidParameter : MS::kNotImplemented);
    return 0;
}

unsigned int MFnAnimCurve::addKey(double, const MTime&, TangentType, TangentType, MAnimCurveChange*,
                                  MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::addKey");
    setStatus(ReturnStatus,
              Access::curve(object_) == nullptr ? MS::kInvalidParameter : MS::kNotImplemented);
    return 0;
}

MStatus MFnAnimCurve::addKeyframe(const MTime& time, double value, MAnimCurveChange* change) {
    STANDIN_CALL("MFnAnimCurve::addKeyframe");
    MStatus status;
    addKey(time, value, kTangentGlobal, kTangentGlobal, change, &status);
    return status;
}

MStatus MFnAnimCurve::addKeyframe(const MTime& time, double value, TangentType tangentInType,
                                  TangentType tangentOutType, MAnimCurveChange* change) {
    STANDIN_CALL("MFnAnimCurve::addKeyframe");
    MStatus status;
    addKey(time, value, tangentInType, tangentOutType, change, &status);
    return status;
}

MStatus MFnAnimCurve::addKeys(MTimeArray* times, MDoubleArray* values, TangentType, TangentType,
                              bool keepExistingKeys, MAnimCurveChange*) {
    STANDIN_CALL("MFnAnimCurve::addKeys");
    Curve* c = Access::curve(object_);
    if (c == nullptr || !timeInput(c) || times == nullptr || values == nullptr ||
        times->length() != values->length()) {
        return MS::kInvalidParameter;
    }
    const unsigned int count = times->length();
    c->compact();
    c->cursor = 0;
    // The common case, keys in order after the existing ones, is appended as it comes.
    const size_t before = c->ticks.size();
    c->ticks.reserve(before + count);
    c->values.reserve(before + count);
    bool inOrder = true;
    for (unsigned int i = 0; i < count; ++i) {
        int64_t t = 0;
        if (!standin::detail::toTicks((*times)[i], t)) {
            c->ticks.truncate(before);
            c->values.truncate(before);
            return MS::kInvalidParameter;
        }
        if (!c->ticks.empty() && t <= c->ticks.back()) {
            inOrder = false;
            break;
        }
        c->ticks.push_back(t);
        c->values.push_back((*values)[i]);
    }
    if (inOrder) return MS::kSuccess;
    c->ticks.truncate(before);
    c->values.truncate(before);

    std::vector<int64_t> newTicks(count);
    for (unsigned int i = 0; i < count; ++i) {
        if (!standin::detail::toTicks((*times)[i], newTicks[i])) return MS::kInvalidParameter;
    }
    // Order the new keys by time; among equal times the later one in the input wins.
    std::vector<unsigned int> order(count);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](unsigned int a, unsigned int b) { return newTicks[a] < newTicks[b]; });
    std::vector<int64_t> addTicks;
    std::vector<double> addValues;
    addTicks.reserve(count);
    addValues.reserve(count);
    for (unsigned int idx : order) {
        if (!addTicks.empty() && addTicks.back() == newTicks[idx]) {
            addValues.back() = (*values)[idx];
        } else {
            addTicks.push_back(newTicks[idx]);
            addValues.push_back((*values)[idx]);
        }
    }
    standin::detail::KeyBuffer<int64_t> mergedTicks;
    standin::detail::KeyBuffer<double> mergedValues;
    mergedTicks.reserve(c->ticks.size() + addTicks.size());
    mergedValues.reserve(c->ticks.size() + addTicks.size());
    size_t a = 0, b = 0;
    while (a < c->ticks.size() || b < addTicks.size()) {
        if (b == addTicks.size() || (a < c->ticks.size() && c->ticks[a] < addTicks[b])) {
            mergedTicks.push_back(c->ticks[a]);
            mergedValues.push_back(c->values[a]);
            ++a;
        } else if (a == c->ticks.size() || addTicks[b] < c->ticks[a]) {
            mergedTicks.push_back(addTicks[b]);
            mergedValues.push_back(addValues[b]);
            ++b;
        } else {
            mergedTicks.push_back(c->ticks[a]);
            mergedValues.push_back(keepExistingKeys ? c->values[a] : addValues[b]);
            ++a;
            ++b;
        }
    }
    c->ticks.swap(mergedTicks);
    c->values.swap(mergedValues);
    return MS::kSuccess;
}

MStatus MFnAnimCurve::remove(unsigned int index, MAnimCurveChange*) {
    STANDIN_CALL("MFnAnimCurve::remove");
    Curve* c = Access::curve(object_);
    if (c == nullptr || index >= c->size()) return MS::kInvalidParameter;
    c->cursor = 0;
    if (index == 0) {
        ++c->first;
        // Give the space back once most of the buffer is dead.
        if (c->first > 64 && c->first * 2 > c->ticks.size()) c->compact();
        if (c->size() == 0) {
            c->ticks.clear();
            c->values.clear();
            c->first = 0;
        }
    } else {
        c->ticks.eraseAt(c->first + index);
        c->values.eraseAt(c->first + index);
    }
    return MS::kSuccess;
}

double MFnAnimCurve::evaluate(const MTime& atTime, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::evaluate");
    const Curve* c = Access::curve(object_);
    const double t = standin::detail::exactTicks(atTime);
    if (c == nullptr || !timeInput(c) || std::isnan(t)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return 0.0;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return evaluateTicks(c, t);
}

MStatus MFnAnimCurve::evaluate(const MTime& atTime, double& value) const {
    STANDIN_CALL("MFnAnimCurve::evaluate");
    MStatus status;
    const double v = evaluate(atTime, &status);
    if (status) value = v;
    return status;
}

MStatus MFnAnimCurve::evaluate(const MTime& atTime, MTime& timeValue) const {
    STANDIN_CALL("MFnAnimCurve::evaluate");
    MStatus status;
    const double seconds = evaluate(atTime, &status);
    if (status) {
        timeValue = MTime(MTime(seconds, MTime::kSeconds).as(MTime::uiUnit()), MTime::uiUnit());
    }
    return status;
}

MStatus MFnAnimCurve::evaluate(const double&, double&) const {
    STANDIN_CALL("MFnAnimCurve::evaluate");
    return Access::curve(object_) == nullptr ? MS::kInvalidParameter : MS::kNotImplemented;
}

unsigned int MFnAnimCurve::numKeys(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::numKeys");
    const Curve* c = Access::curve(object_);
    setStatus(ReturnStatus, c != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return c != nullptr ? unsigned(c->size()) : 0u;
}

unsigned int MFnAnimCurve::numKeyframes(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::numKeyframes");
    return numKeys(ReturnStatus);
}

MTime MFnAnimCurve::time(unsigned int index, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::time");
    const Curve* c = Access::curve(object_);
    const MTime::Unit ui = MTime::uiUnit();
    if (c == nullptr || index >= c->size()) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MTime(0.0, ui);
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return MTime(double(c->tick(index)) / double(standin::detail::ticksPerUnit(ui)), ui);
}

double MFnAnimCurve::value(unsigned int index, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::value");
    Curve* c = Access::curve(object_);
    if (c == nullptr || index >= c->size()) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return 0.0;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return c->value(index);
}

MStatus MFnAnimCurve::setValue(unsigned int index, double value, MAnimCurveChange*) {
    STANDIN_CALL("MFnAnimCurve::setValue");
    Curve* c = Access::curve(object_);
    if (c == nullptr || index >= c->size()) return MS::kInvalidParameter;
    c->value(index) = value;
    return MS::kSuccess;
}

bool MFnAnimCurve::find(const MTime& time, unsigned int& index, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::find");
    const Curve* c = Access::curve(object_);
    int64_t t = 0;
    if (c == nullptr || !timeInput(c) || !standin::detail::toTicks(time, t)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return false;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    const size_t at = lowerBound(c, t);
    if (at < c->size() && c->tick(at) == t) {
        index = unsigned(at);
        return true;
    }
    return false;
}

bool MFnAnimCurve::find(double, unsigned int&, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::find");
    setStatus(ReturnStatus,
              Access::curve(object_) == nullptr ? MS::kInvalidParameter : MS::kNotImplemented);
    return false;
}

unsigned int MFnAnimCurve::findClosest(const MTime& time, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::findClosest");
    const Curve* c = Access::curve(object_);
    int64_t t = 0;
    if (c == nullptr || c->size() == 0 || !timeInput(c) || !standin::detail::toTicks(time, t)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return 0;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    const size_t at = lowerBound(c, t);
    if (at == 0) return 0;
    if (at == c->size()) return unsigned(at - 1);
    // Differences of clamped tick values cannot overflow: both lie within +-2^62.
    return t - c->tick(at - 1) <= c->tick(at) - t ? unsigned(at - 1) : unsigned(at);
}

unsigned int MFnAnimCurve::findClosest(double, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::findClosest");
    setStatus(ReturnStatus,
              Access::curve(object_) == nullptr ? MS::kInvalidParameter : MS::kNotImplemented);
    return 0;
}

bool MAnimUtil::isAnimated(const MObject& node, bool, MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::isAnimated");
    Node* n = Access::node(node);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    if (n == nullptr) return false;
    for (Curve* c : n->curves) {
        if (c != nullptr) return true;
    }
    return false;
}

bool MAnimUtil::isAnimated(const MDagPath& path, bool checkParent, MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::isAnimated");
    return isAnimated(path.node(), checkParent, ReturnStatus);
}

bool MAnimUtil::isAnimated(const MPlug& plug, bool, MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::isAnimated");
    Node* n = Access::node(plug.node());
    const standin::detail::Attribute* a = Access::attribute(plug.attribute());
    setStatus(ReturnStatus, n != nullptr && a != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return n != nullptr && a != nullptr && n->curves[a->index] != nullptr;
}

bool MAnimUtil::isAnimated(const MSelectionList& selectionList, bool checkParent,
                           MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::isAnimated");
    setStatus(ReturnStatus, MS::kSuccess);
    for (unsigned int i = 0; i < selectionList.length(); ++i) {
        MPlug plug;
        if (selectionList.getPlug(i, plug) && !plug.isNull()) {
            if (isAnimated(plug, checkParent)) return true;
            continue;
        }
        MObject node;
        selectionList.getDependNode(i, node);
        if (isAnimated(node, checkParent)) return true;
    }
    return false;
}

bool MAnimUtil::findAnimatedPlugs(const MObject& node, MPlugArray& animatedPlugs, bool,
                                  MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::findAnimatedPlugs");
    Node* n = Access::node(node);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    if (n == nullptr) return false;
    bool found = false;
    for (int i = 0; i < standin::detail::kAttributeCount; ++i) {
        if (n->curves[i] == nullptr) continue;
        animatedPlugs.append(MPlug(node, Access::make(const_cast<standin::detail::Attribute*>(
                                             standin::detail::attributeByIndex(i)))));
        found = true;
    }
    return found;
}

bool MAnimUtil::findAnimatedPlugs(const MDagPath& path, MPlugArray& animatedPlugs, bool checkParent,
                                  MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::findAnimatedPlugs");
    return findAnimatedPlugs(path.node(), animatedPlugs, checkParent, ReturnStatus);
}

bool MAnimUtil::findAnimatedPlugs(const MSelectionList& selectionList, MPlugArray& animatedPlugs,
                                  bool checkParent, MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::findAnimatedPlugs");
    setStatus(ReturnStatus, MS::kSuccess);
    bool found = false;
    for (unsigned int i = 0; i < selectionList.length(); ++i) {
        MPlug plug;
        if (selectionList.getPlug(i, plug) && !plug.isNull()) {
            if (isAnimated(plug, checkParent)) {
                animatedPlugs.append(plug);
                found = true;
            }
            continue;
        }
        MObject node;
        selectionList.getDependNode(i, node);
        if (findAnimatedPlugs(node, animatedPlugs, checkParent)) found = true;
    }
    return found;
}

bool MAnimUtil::findAnimation(const MPlug& plug, MObjectArray& animation, MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::findAnimation");
    Node* n = Access::node(plug.node());
    const standin::detail::Attribute* a = Access::attribute(plug.attribute());
    setStatus(ReturnStatus, n != nullptr && a != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    if (n == nullptr || a == nullptr || n->curves[a->index] == nullptr) return false;
    animation.append(Access::make(n->curves[a->index]));
    return true;
}
