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
#include "Evaluation.h"
#include "SceneImpl.h"

using standin::detail::Access;
using standin::detail::Curve;
using standin::detail::Kind;
using standin::detail::Node;
using standin::detail::PlugRef;
using standin::detail::setStatus;

namespace {

/// First key index whose time is not before `t`.
size_t lowerBound(const Curve* c, int64_t t) {
    const auto begin = c->ticks.begin() + std::ptrdiff_t(c->first);
    return size_t(std::lower_bound(begin, c->ticks.end(), t) - begin);
}

/// First key index whose input is not below `input`, for a driven-key curve.
size_t lowerBoundInput(const Curve* c, double input) {
    const auto begin = c->inputs.begin() + std::ptrdiff_t(c->first);
    return size_t(std::lower_bound(begin, c->inputs.end(), input) - begin);
}

unsigned int addKeyTicks(Curve* c, int64_t t, double value) {
    standin::detail::touch();
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

/// The same for a driven-key curve, whose keys are ordered by their input values.
unsigned int addKeyInput(Curve* c, double input, double value) {
    standin::detail::touch();
    const size_t at = lowerBoundInput(c, input);
    if (at < c->size() && c->input(at) == input) {
        c->value(at) = value;
        return unsigned(at);
    }
    c->inputs.insertAt(c->first + at, input);
    c->values.insertAt(c->first + at, value);
    c->cursor = 0;
    return unsigned(at);
}

/// A driven-key curve (unitless input) that holds numbers, not times.
bool numberInput(const Curve* c) {
    return c->type == MFnAnimCurve::kAnimCurveUA || c->type == MFnAnimCurve::kAnimCurveUL ||
           c->type == MFnAnimCurve::kAnimCurveUU;
}

/// The curve type that keys an attribute over time (or over a driver's values): by the
/// attribute's unit, angular, linear or unitless.
MFnAnimCurve::AnimCurveType defaultTypeFor(const standin::detail::Attribute* a) {
    switch (a->unit) {
        case standin::detail::Unit::Angle:
            return MFnAnimCurve::kAnimCurveTA;
        case standin::detail::Unit::Distance:
            return MFnAnimCurve::kAnimCurveTL;
        case standin::detail::Unit::Number:
            break;
    }
    return MFnAnimCurve::kAnimCurveTU;
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
    const PlugRef source = standin::detail::sourceOf(Access::plug(plug));
    const bool curve = source.valid() && source.node->kind == standin::detail::Kind::Curve;
    attach(curve ? Access::make(source.node) : MObject(), ReturnStatus);
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
    return create(node, attribute, defaultTypeFor(a), modifier, ReturnStatus);
}

MObject MFnAnimCurve::create(const MObject& node, const MObject& attribute,
                             AnimCurveType animCurveType, MDGModifier*, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::create");
    const PlugRef plug = Access::plug(node, attribute);
    // As in the host, an attribute that something else drives (a curve among them) takes no
    // curve of its own, and an output takes none at all.
    if (!plug.valid() || animCurveType < kAnimCurveTA || animCurveType >= kAnimCurveUnknown ||
        !standin::detail::destinationProblem(plug).empty()) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return MObject();
    }
    object_ = Access::make(standin::detail::createCurve(animCurveType, plug));
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
    object_ = Access::make(standin::detail::createCurve(animCurveType, PlugRef()));
    setStatus(ReturnStatus, MS::kSuccess);
    return object_;
}

MFnAnimCurve::AnimCurveType MFnAnimCurve::animCurveType(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::animCurveType");
    const Curve* c = Access::curve(object_);
    setStatus(ReturnStatus, c != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return c != nullptr ? static_cast<AnimCurveType>(c->type) : kAnimCurveUnknown;
}

MFnAnimCurve::AnimCurveType MFnAnimCurve::timedAnimCurveTypeForPlug(MPlug& plug,
                                                                    MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::timedAnimCurveTypeForPlug");
    const PlugRef p = Access::plug(plug);
    const standin::detail::Attribute* a = standin::detail::attributeAt(p.node, p.slot);
    setStatus(ReturnStatus, a != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return a != nullptr ? defaultTypeFor(a) : kAnimCurveUnknown;
}

MFnAnimCurve::AnimCurveType MFnAnimCurve::unitlessAnimCurveTypeForPlug(
    MPlug& plug, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::unitlessAnimCurveTypeForPlug");
    const AnimCurveType timed = timedAnimCurveTypeForPlug(plug, ReturnStatus);
    // UA, UL and UU follow TA, TL and TU four places on.
    return timed == kAnimCurveUnknown ? timed : static_cast<AnimCurveType>(timed + 4);
}

bool MFnAnimCurve::isTimeInput(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::isTimeInput");
    const Curve* c = Access::curve(object_);
    setStatus(ReturnStatus, c != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return c != nullptr && c->timeInput();
}

bool MFnAnimCurve::isUnitlessInput(MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::isUnitlessInput");
    const Curve* c = Access::curve(object_);
    setStatus(ReturnStatus, c != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    return c != nullptr && !c->timeInput();
}

unsigned int MFnAnimCurve::addKey(const MTime& time, double value, TangentType, TangentType,
                                  MAnimCurveChange*, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::addKey");
    Curve* c = Access::curve(object_);
    int64_t t = 0;
    if (c == nullptr || !c->timeInput() || !standin::detail::toTicks(time, t)) {
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

unsigned int MFnAnimCurve::addKey(double unitlessInput, double value, TangentType, TangentType,
                                  MAnimCurveChange*, MStatus* ReturnStatus) {
    STANDIN_CALL("MFnAnimCurve::addKey");
    Curve* c = Access::curve(object_);
    if (c == nullptr || !numberInput(c) || !std::isfinite(unitlessInput)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return 0;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return addKeyInput(c, unitlessInput, value);
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
    if (c == nullptr || !c->timeInput() || times == nullptr || values == nullptr ||
        times->length() != values->length()) {
        return MS::kInvalidParameter;
    }
    const unsigned int count = times->length();
    standin::detail::touch();
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
    standin::detail::touch();
    c->cursor = 0;
    standin::detail::KeyBuffer<int64_t>& keys = c->ticks;
    standin::detail::KeyBuffer<double>& inputs = c->inputs;
    if (index == 0) {
        ++c->first;
        // Give the space back once most of the buffer is dead.
        if (c->first > 64 && c->first * 2 > c->values.size()) c->compact();
        if (c->size() == 0) {
            keys.clear();
            inputs.clear();
            c->values.clear();
            c->first = 0;
        }
    } else {
        (c->timeInput() ? keys.eraseAt(c->first + index) : inputs.eraseAt(c->first + index));
        c->values.eraseAt(c->first + index);
    }
    return MS::kSuccess;
}

double MFnAnimCurve::evaluate(const MTime& atTime, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::evaluate");
    const Curve* c = Access::curve(object_);
    const double t = standin::detail::exactTicks(atTime);
    if (c == nullptr || !c->timeInput() || std::isnan(t)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return 0.0;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return standin::detail::curveValue(c, t);
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

MStatus MFnAnimCurve::evaluate(const double& atUnitlessInput, double& value) const {
    STANDIN_CALL("MFnAnimCurve::evaluate");
    const Curve* c = Access::curve(object_);
    if (c == nullptr || !numberInput(c) || std::isnan(atUnitlessInput))
        return MS::kInvalidParameter;
    value = standin::detail::curveValue(c, atUnitlessInput);
    return MS::kSuccess;
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
    const MTime::Unit ui = standin::detail::uiUnitRef();
    if (c == nullptr || !c->timeInput() || index >= c->size()) {
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

double MFnAnimCurve::unitlessInput(unsigned int index, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::unitlessInput");
    const Curve* c = Access::curve(object_);
    if (c == nullptr || c->timeInput() || index >= c->size()) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return 0.0;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return c->input(index);
}

MStatus MFnAnimCurve::setValue(unsigned int index, double value, MAnimCurveChange*) {
    STANDIN_CALL("MFnAnimCurve::setValue");
    Curve* c = Access::curve(object_);
    if (c == nullptr || index >= c->size()) return MS::kInvalidParameter;
    standin::detail::touch();
    c->value(index) = value;
    return MS::kSuccess;
}

bool MFnAnimCurve::find(const MTime& time, unsigned int& index, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::find");
    const Curve* c = Access::curve(object_);
    int64_t t = 0;
    if (c == nullptr || !c->timeInput() || !standin::detail::toTicks(time, t)) {
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

bool MFnAnimCurve::find(double unitlessInput, unsigned int& index, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::find");
    const Curve* c = Access::curve(object_);
    if (c == nullptr || !numberInput(c) || std::isnan(unitlessInput)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return false;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    const size_t at = lowerBoundInput(c, unitlessInput);
    if (at < c->size() && c->input(at) == unitlessInput) {
        index = unsigned(at);
        return true;
    }
    return false;
}

unsigned int MFnAnimCurve::findClosest(const MTime& time, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::findClosest");
    const Curve* c = Access::curve(object_);
    int64_t t = 0;
    if (c == nullptr || c->size() == 0 || !c->timeInput() || !standin::detail::toTicks(time, t)) {
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

unsigned int MFnAnimCurve::findClosest(double unitlessInput, MStatus* ReturnStatus) const {
    STANDIN_CALL("MFnAnimCurve::findClosest");
    const Curve* c = Access::curve(object_);
    if (c == nullptr || c->size() == 0 || !numberInput(c) || std::isnan(unitlessInput)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return 0;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    const size_t at = lowerBoundInput(c, unitlessInput);
    if (at == 0) return 0;
    if (at == c->size()) return unsigned(at - 1);
    return unitlessInput - c->input(at - 1) <= c->input(at) - unitlessInput ? unsigned(at - 1)
                                                                            : unsigned(at);
}

namespace {

/// The curves that drive the plug, as MAnimUtil reports them (see MAnimUtil.h).
std::vector<Curve*> curvesDriving(const PlugRef& plug) {
    std::vector<Curve*> curves;
    if (plug.valid()) standin::detail::curvesDriving(plug, curves);
    return curves;
}

}  // namespace

bool MAnimUtil::isAnimated(const MObject& node, bool, MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::isAnimated");
    standin::detail::Object* n = Access::get(node);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    const int count = n != nullptr ? n->attributes.count : 0;
    for (int slot = 0; slot < count; ++slot)
        if (!curvesDriving({n, slot}).empty()) return true;
    return false;
}

bool MAnimUtil::isAnimated(const MDagPath& path, bool checkParent, MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::isAnimated");
    return isAnimated(path.node(), checkParent, ReturnStatus);
}

bool MAnimUtil::isAnimated(const MPlug& plug, bool, MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::isAnimated");
    const PlugRef p = Access::plug(plug);
    setStatus(ReturnStatus, p.valid() ? MS::kSuccess : MS::kInvalidParameter);
    return !curvesDriving(p).empty();
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
    standin::detail::Object* n = Access::get(node);
    setStatus(ReturnStatus, n != nullptr ? MS::kSuccess : MS::kInvalidParameter);
    if (n == nullptr) return false;
    bool found = false;
    const standin::detail::AttributeList& attributes = n->attributes;
    for (int slot = 0; slot < attributes.count; ++slot) {
        if (curvesDriving({n, slot}).empty()) continue;
        animatedPlugs.append(MPlug(
            node, Access::make(const_cast<standin::detail::Attribute*>(attributes.items[slot]))));
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
    const PlugRef p = Access::plug(plug);
    setStatus(ReturnStatus, p.valid() ? MS::kSuccess : MS::kInvalidParameter);
    const std::vector<Curve*> curves = curvesDriving(p);
    for (Curve* curve : curves) animation.append(Access::make(curve));
    return !curves.empty();
}

bool MAnimUtil::findSetDrivenKeyAnimation(const MPlug& plug, MObjectArray& animation,
                                          MPlugArray& drivers, MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::findSetDrivenKeyAnimation");
    const PlugRef p = Access::plug(plug);
    setStatus(ReturnStatus, p.valid() ? MS::kSuccess : MS::kInvalidParameter);
    bool found = false;
    for (Curve* curve : curvesDriving(p)) {
        if (curve->timeInput()) continue;
        animation.append(Access::make(curve));
        const PlugRef driver = standin::detail::sourceOf({curve, 0});
        drivers.append(driver.valid() ? Access::plugOf(driver) : MPlug());
        found = true;
    }
    return found;
}

bool MAnimUtil::findConstraint(const MPlug& plug, MObject& constraint, MObjectArray& targets,
                               MStatus* ReturnStatus) {
    STANDIN_CALL("MAnimUtil::findConstraint");
    const PlugRef p = Access::plug(plug);
    setStatus(ReturnStatus, p.valid() ? MS::kSuccess : MS::kInvalidParameter);
    Node* found = p.valid() ? standin::detail::constraintDriving(p) : nullptr;
    if (found == nullptr) return false;
    constraint = Access::make(found);
    if (found->target != nullptr) targets.append(Access::make(found->target));
    return true;
}
