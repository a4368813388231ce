// The dependency graph as the SDK shows it: plugs' connections and values, evaluation
// contexts, graph modifiers, the time slider, and the angle and length values plugs hand out.
// The values themselves come from Evaluation.h.

#include <maya/MAngle.h>
#include <maya/MAnimControl.h>
#include <maya/MDGContext.h>
#include <maya/MDGContextGuard.h>
#include <maya/MDGModifier.h>
#include <maya/MDistance.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>
#include <maya/MTime.h>

#include <vector>

#include "Calls.h"
#include "Evaluation.h"
#include "SceneImpl.h"

using standin::detail::Access;
using standin::detail::PlugRef;
using standin::detail::setStatus;

namespace standin {
namespace detail {

namespace {

/// The current evaluation context: normal, or at a time (in ticks).
struct CurrentContext {
    bool timed = false;
    double ticks = 0;
    MTime time;  ///< as given: ticks turned back into a time may differ in the last bit
};

CurrentContext& current() {
    static CurrentContext context;
    return context;
}

/// A time in ticks as an MTime in the UI unit.
MTime uiTime(double ticks) {
    const MTime::Unit ui = MTime::uiUnit();
    return MTime(ticks / static_cast<double>(ticksPerUnit(ui)), ui);
}

}  // namespace

Ticks contextTicks() {
    const CurrentContext& context = current();
    return context.timed ? context.ticks : static_cast<Ticks>(scene().currentTicks);
}

/// The changes an MDGModifier has queued and those its doIt made.
struct ModifierOperations {
    struct Operation {
        bool connect;
        PlugRef from;
        PlugRef to;
    };
    std::vector<Operation> queued;
    std::vector<Operation> done;
};

}  // namespace detail
}  // namespace standin

namespace {

using standin::detail::ModifierOperations;

/// The value of a valid plug in the current context, with kInvalidParameter for a plug whose
/// node has no such attribute, or (with `refused`) for an attribute of that unit.
double valueOf(const MPlug& plug, MStatus* ReturnStatus, bool refuse,
               standin::detail::Unit refused) {
    const PlugRef p = Access::plug(plug);
    if (!p.valid() || (refuse && standin::detail::attributeAt(p.node, p.slot)->unit == refused)) {
        setStatus(ReturnStatus, MS::kInvalidParameter);
        return 0.0;
    }
    setStatus(ReturnStatus, MS::kSuccess);
    return standin::detail::plugValue(p, standin::detail::contextTicks());
}

/// The plugs that `plug` drives, appended.
bool appendDestinations(const PlugRef& plug, MPlugArray& array) {
    bool any = false;
    if (!plug.valid()) return false;
    for (const standin::detail::Output& out : plug.node->outputs) {
        if (out.from != plug.slot) continue;
        array.append(Access::plugOf(out.to));
        any = true;
    }
    return any;
}

/// Queues a change after checking that both plugs exist.
MStatus queue(ModifierOperations& operations, bool connect, const MPlug& source,
              const MPlug& destination) {
    const PlugRef from = Access::plug(source);
    const PlugRef to = Access::plug(destination);
    if (!from.valid() || !to.valid()) return MS::kInvalidParameter;
    operations.queued.push_back({connect, from, to});
    return MS::kSuccess;
}

constexpr double kPi = 3.14159265358979323846;

/// Size of one unit in the internal unit (radians, centimetres); 0 for no unit.
double angleUnitSize(MAngle::Unit unit) {
    switch (unit) {
        case MAngle::kRadians:
            return 1.0;
        case MAngle::kDegrees:
            return kPi / 180.0;
        case MAngle::kAngMinutes:
            return kPi / (180.0 * 60.0);
        case MAngle::kAngSeconds:
            return kPi / (180.0 * 3600.0);
        default:
            return 0.0;
    }
}

double distanceUnitSize(MDistance::Unit unit) {
    switch (unit) {
        case MDistance::kInches:
            return 2.54;
        case MDistance::kFeet:
            return 30.48;
        case MDistance::kYards:
            return 91.44;
        case MDistance::kMiles:
            return 160934.4;
        case MDistance::kMillimeters:
            return 0.1;
        case MDistance::kCentimeters:
            return 1.0;
        case MDistance::kKilometers:
            return 100000.0;
        case MDistance::kMeters:
            return 100.0;
        default:
            return 0.0;
    }
}

/// `value` of unit size `from` in units of size `to`; 0 and kInvalidParameter when `to` is 0.
double convert(double value, double from, double to, MStatus* ReturnStatus) {
    setStatus(ReturnStatus, to > 0 ? MS::kSuccess : MS::kInvalidParameter);
    if (!(to > 0)) return 0.0;
    return from == to ? value : value * from / to;
}

}  // namespace

// --- MPlug: connections and values ---------------------------------------------------------

bool MPlug::connectedTo(MPlugArray& array, bool asDst, bool asSrc, MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::connectedTo");
    const PlugRef p = Access::plug(*this);
    setStatus(ReturnStatus, p.valid() ? MS::kSuccess : MS::kInvalidParameter);
    array.clear();
    if (!p.valid()) return false;
    const PlugRef source = standin::detail::sourceOf(p);
    if (asDst && source.valid()) array.append(Access::plugOf(source));
    if (asSrc) appendDestinations(p, array);
    return array.length() > 0;
}

bool MPlug::isConnected(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::isConnected");
    return isDestination(ReturnStatus) || isSource();
}

MPlug MPlug::source(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::source");
    const PlugRef p = Access::plug(*this);
    setStatus(ReturnStatus, p.valid() ? MS::kSuccess : MS::kInvalidParameter);
    return p.valid() ? Access::plugOf(standin::detail::sourceOf(p)) : MPlug();
}

bool MPlug::destinations(MPlugArray& theDestinations, MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::destinations");
    const PlugRef p = Access::plug(*this);
    setStatus(ReturnStatus, p.valid() ? MS::kSuccess : MS::kInvalidParameter);
    theDestinations.clear();
    return appendDestinations(p, theDestinations);
}

bool MPlug::isSource(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::isSource");
    const PlugRef p = Access::plug(*this);
    setStatus(ReturnStatus, p.valid() ? MS::kSuccess : MS::kInvalidParameter);
    return p.valid() && standin::detail::isSourcePlug(p);
}

bool MPlug::isDestination(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::isDestination");
    const PlugRef p = Access::plug(*this);
    setStatus(ReturnStatus, p.valid() ? MS::kSuccess : MS::kInvalidParameter);
    return standin::detail::sourceOf(p).valid();
}

double MPlug::asDouble(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::asDouble");
    return valueOf(*this, ReturnStatus, false, standin::detail::Unit::Number);
}

MAngle MPlug::asMAngle(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::asMAngle");
    return MAngle(valueOf(*this, ReturnStatus, true, standin::detail::Unit::Distance),
                  MAngle::kRadians);
}

MDistance MPlug::asMDistance(MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::asMDistance");
    return MDistance(valueOf(*this, ReturnStatus, true, standin::detail::Unit::Angle),
                     MDistance::kCentimeters);
}

// The forms with a context make it current for the one read, as a guard would.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
double MPlug::asDouble(const MDGContext& context, MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::asDouble");
    const MDGContextGuard guard(context);
    return asDouble(ReturnStatus);
}

MDistance MPlug::asMDistance(const MDGContext& context, MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::asMDistance");
    const MDGContextGuard guard(context);
    return asMDistance(ReturnStatus);
}

MAngle MPlug::asMAngle(const MDGContext& context, MStatus* ReturnStatus) const {
    STANDIN_CALL("MPlug::asMAngle");
    const MDGContextGuard guard(context);
    return asMAngle(ReturnStatus);
}
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

MStatus MPlug::setDouble(double value) {
    STANDIN_CALL("MPlug::setDouble");
    const PlugRef p = Access::plug(*this);
    double* own = standin::detail::ownValue(p);
    if (own == nullptr || standin::detail::sourceOf(p).valid()) return MS::kInvalidParameter;
    standin::detail::touch();
    *own = value;
    return MS::kSuccess;
}

// --- MDGContext and MDGContextGuard --------------------------------------------------------

MDGContext::MDGContext() : timed_(false) {}
MDGContext::MDGContext(const MTime& when) : timed_(true), time_(when) {}
MDGContext::MDGContext(const MDGContext& in) = default;
MDGContext::~MDGContext() = default;
MDGContext& MDGContext::operator=(const MDGContext& other) = default;

bool MDGContext::isNormal(MStatus* ReturnStatus) const {
    setStatus(ReturnStatus, MS::kSuccess);
    return !timed_;
}

const char* MDGContext::className() { return "MDGContext"; }

const MDGContext MDGContext::current() {
    const standin::detail::CurrentContext& context = standin::detail::current();
    return context.timed ? MDGContext(context.time) : MDGContext();
}

const MDGContext MDGContext::makeCurrent(MStatus* ReturnStatus) const {
    const MDGContext previous = current();
    standin::detail::CurrentContext& context = standin::detail::current();
    context.timed = timed_;
    context.ticks = timed_ ? standin::detail::exactTicks(time_) : 0.0;
    context.time = time_;
    setStatus(ReturnStatus, MS::kSuccess);
    return previous;
}

MDGContextGuard::MDGContextGuard(const MDGContext& tempContext)
    : previous_(tempContext.makeCurrent()) {
    STANDIN_CALL("MDGContextGuard::MDGContextGuard");
}

MDGContextGuard::~MDGContextGuard() { previous_.makeCurrent(); }

// --- MDGModifier ---------------------------------------------------------------------------

MDGModifier::MDGModifier() : operations_(new ModifierOperations) {}
MDGModifier::~MDGModifier() { delete operations_; }

MStatus MDGModifier::connect(const MObject& sourceNode, const MObject& sourceAttr,
                             const MObject& destNode, const MObject& destAttr) {
    STANDIN_CALL("MDGModifier::connect");
    return queue(*operations_, true, MPlug(sourceNode, sourceAttr), MPlug(destNode, destAttr));
}

MStatus MDGModifier::disconnect(const MObject& sourceNode, const MObject& sourceAttr,
                                const MObject& destNode, const MObject& destAttr) {
    STANDIN_CALL("MDGModifier::disconnect");
    return queue(*operations_, false, MPlug(sourceNode, sourceAttr), MPlug(destNode, destAttr));
}

MStatus MDGModifier::connect(const MPlug& source, const MPlug& dest) {
    STANDIN_CALL("MDGModifier::connect");
    return queue(*operations_, true, source, dest);
}

MStatus MDGModifier::disconnect(const MPlug& source, const MPlug& dest) {
    STANDIN_CALL("MDGModifier::disconnect");
    return queue(*operations_, false, source, dest);
}

MStatus MDGModifier::doIt() {
    STANDIN_CALL("MDGModifier::doIt");
    std::vector<ModifierOperations::Operation> queued;
    queued.swap(operations_->queued);
    for (const ModifierOperations::Operation& op : queued) {
        const bool made = op.connect ? standin::detail::connect(op.from, op.to)
                                     : standin::detail::disconnect(op.from, op.to);
        if (!made) return MS::kFailure;
        operations_->done.push_back(op);
    }
    return MS::kSuccess;
}

MStatus MDGModifier::undoIt() {
    STANDIN_CALL("MDGModifier::undoIt");
    std::vector<ModifierOperations::Operation>& done = operations_->done;
    for (auto op = done.rbegin(); op != done.rend(); ++op) {
        if (op->connect)
            standin::detail::disconnect(op->from, op->to);
        else
            standin::detail::connect(op->from, op->to);
    }
    done.clear();
    return MS::kSuccess;
}

// --- MAnimControl --------------------------------------------------------------------------

namespace {

/// Sets the time slider's times at the given places from `times` (their ticks), when each
/// is a number and the range stays in order.
MStatus setSliderTimes(const MTime* min, const MTime* max, const MTime* now) {
    standin::detail::Scene& s = standin::detail::scene();
    int64_t ticks[3] = {s.minTicks, s.maxTicks, s.currentTicks};
    const MTime* given[3] = {min, max, now};
    for (int i = 0; i < 3; ++i)
        if (given[i] != nullptr && !standin::detail::toTicks(*given[i], ticks[i]))
            return MS::kInvalidParameter;
    if (ticks[0] > ticks[1]) return MS::kInvalidParameter;
    s.minTicks = ticks[0];
    s.maxTicks = ticks[1];
    s.currentTicks = ticks[2];
    return MS::kSuccess;
}

}  // namespace

MAnimControl::MAnimControl() = default;
MAnimControl::~MAnimControl() = default;

MTime MAnimControl::minTime() {
    STANDIN_CALL("MAnimControl::minTime");
    return standin::detail::uiTime(double(standin::detail::scene().minTicks));
}

MTime MAnimControl::maxTime() {
    STANDIN_CALL("MAnimControl::maxTime");
    return standin::detail::uiTime(double(standin::detail::scene().maxTicks));
}

MStatus MAnimControl::setMinTime(MTime newMinTime) {
    STANDIN_CALL("MAnimControl::setMinTime");
    return setSliderTimes(&newMinTime, nullptr, nullptr);
}

MStatus MAnimControl::setMaxTime(MTime newMaxTime) {
    STANDIN_CALL("MAnimControl::setMaxTime");
    return setSliderTimes(nullptr, &newMaxTime, nullptr);
}

MStatus MAnimControl::setMinMaxTime(MTime min, MTime max) {
    STANDIN_CALL("MAnimControl::setMinMaxTime");
    return setSliderTimes(&min, &max, nullptr);
}

MTime MAnimControl::currentTime() {
    STANDIN_CALL("MAnimControl::currentTime");
    return standin::detail::uiTime(double(standin::detail::scene().currentTicks));
}

MStatus MAnimControl::setCurrentTime(const MTime& newTime) {
    STANDIN_CALL("MAnimControl::setCurrentTime");
    return setSliderTimes(nullptr, nullptr, &newTime);
}

// --- MAngle and MDistance ------------------------------------------------------------------

MAngle::MAngle() : val(0.0), valUnit(kRadians) {}
MAngle::MAngle(const MAngle& src) = default;
MAngle::MAngle(double value, Unit u) : val(value), valUnit(u) {}
MAngle::~MAngle() = default;
MAngle& MAngle::operator=(const MAngle& other) = default;
MAngle::Unit MAngle::unit() const { return valUnit; }
double MAngle::value() const { return val; }

MStatus MAngle::setUnit(Unit newUnit) {
    if (angleUnitSize(newUnit) == 0.0) return MS::kInvalidParameter;
    valUnit = newUnit;
    return MS::kSuccess;
}

MStatus MAngle::setValue(double newValue) {
    val = newValue;
    return MS::kSuccess;
}

double MAngle::as(Unit otherUnit, MStatus* ReturnStatus) const {
    return convert(val, angleUnitSize(valUnit), angleUnitSize(otherUnit), ReturnStatus);
}

double MAngle::asRadians() const { return as(kRadians); }
double MAngle::asDegrees() const { return as(kDegrees); }

MDistance::MDistance() : val(0.0), valUnit(kCentimeters) {}
MDistance::MDistance(double value, Unit unitSystem) : val(value), valUnit(unitSystem) {}
MDistance::MDistance(const MDistance& src) = default;
MDistance::~MDistance() = default;
MDistance& MDistance::operator=(const MDistance& src) = default;
MDistance::Unit MDistance::unit() const { return valUnit; }
double MDistance::value() const { return val; }

MStatus MDistance::setUnit(Unit newUnit) {
    if (distanceUnitSize(newUnit) == 0.0) return MS::kInvalidParameter;
    valUnit = newUnit;
    return MS::kSuccess;
}

MStatus MDistance::setValue(double newValue) {
    val = newValue;
    return MS::kSuccess;
}

double MDistance::as(Unit newUnit, MStatus* ReturnStatus) const {
    return convert(val, distanceUnitSize(valUnit), distanceUnitSize(newUnit), ReturnStatus);
}

double MDistance::asCentimeters() const { return as(kCentimeters); }
