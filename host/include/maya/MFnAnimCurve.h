#pragma once
// Function set for animation curves: keys of a value over time.

#include <maya/MFnDependencyNode.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MAnimCurveChange;
class MDGModifier;

/// Keys are kept sorted by time; key times are whole ticks (1/141120000 s), so a time that
/// was keyed is always found again. Adding a key at a keyed time replaces its value.
/// Tangent types are accepted and ignored: evaluation interpolates linearly between keys
/// and holds the first and last values outside them (0 with no keys). Rotation curves
/// (TA) hold radians, translation curves (TL) centimetres, time curves (TT) seconds.
/// Non-finite key times are refused with kInvalidParameter; finite times beyond about
/// 10^6 years are clamped. An index out of range gives kInvalidParameter and 0.
/// Driven-key curves (unitless input: UA, UL, UU) key values over their input's values in
/// the same way, through the members that take a unitless input; their input is the plug
/// "input", their value the plug "output" (see MPlug for what a curve drives). The
/// time-valued driven-key type (UT) holds no keys (kNotImplemented). A member meant for the
/// other input kind fails with kInvalidParameter.
class MFnAnimCurve : public MFnDependencyNode {
public:
    enum AnimCurveType {
        kAnimCurveTA,
        kAnimCurveTL,
        kAnimCurveTT,
        kAnimCurveTU,
        kAnimCurveUA,
        kAnimCurveUL,
        kAnimCurveUT,
        kAnimCurveUU,
        kAnimCurveUnknown
    };
    enum TangentType {
        kTangentGlobal,
        kTangentFixed,
        kTangentLinear,
        kTangentFlat,
        kTangentSmooth,
        kTangentStep,
        kTangentSlow,
        kTangentFast,
        kTangentClamped,
        kTangentPlateau,
        kTangentStepNext,
        kTangentAuto,
        kTangentAutoMix,
        kTangentAutoEase,
        kTangentAutoCustom
    };
    enum InfinityType {
        kConstant = 0,
        kLinear = 1,
        kCycle = 3,
        kCycleRelative = 4,
        kOscillate = 5
    };
    typedef double TangentValue;

    MFnAnimCurve();
    MFnAnimCurve(MObject& object, MStatus* ReturnStatus = NULL);
    /// Attaches to the curve that drives `plug`; kInvalidParameter when there is none.
    MFnAnimCurve(const MPlug& plug, MStatus* ReturnStatus = NULL);
    MFnAnimCurve(const MObject& object, MStatus* ReturnStatus = NULL);
    virtual ~MFnAnimCurve();
    MFn::Type type() const override;

    /// Creates a curve that drives `attribute` of `node`, attaches to it and returns it. The
    /// type follows the attribute: TA for angles, TL for lengths, TU for plain numbers. As in
    /// the host, a plug that is already the destination of a connection (a curve's among
    /// them), or an output, takes no curve: kInvalidParameter and the null object.
    MObject create(const MObject& node, const MObject& attribute, MDGModifier* modifier = NULL,
                   MStatus* ReturnStatus = NULL);
    MObject create(const MObject& node, const MObject& attribute, AnimCurveType animCurveType,
                   MDGModifier* modifier = NULL, MStatus* ReturnStatus = NULL);
    MObject create(const MPlug& plug, MDGModifier* modifier = NULL, MStatus* ReturnStatus = NULL);
    MObject create(const MPlug& plug, AnimCurveType animCurveType, MDGModifier* modifier = NULL,
                   MStatus* ReturnStatus = NULL);
    /// Creates an unconnected curve.
    MObject create(AnimCurveType animCurveType, MDGModifier* modifier = NULL,
                   MStatus* ReturnStatus = NULL);
    AnimCurveType animCurveType(MStatus* ReturnStatus = NULL) const;
    /// The type of curve that keys `plug` over time (TA, TL or TU by the attribute's unit),
    /// or over a driver's values (UA, UL or UU); kAnimCurveUnknown and kInvalidParameter for
    /// a plug whose node has no such attribute.
    AnimCurveType timedAnimCurveTypeForPlug(MPlug& plug, MStatus* ReturnStatus = NULL) const;
    AnimCurveType unitlessAnimCurveTypeForPlug(MPlug& plug, MStatus* ReturnStatus = NULL) const;
    /// T* curves are keyed over time, U* curves over their input's values (driven keys).
    bool isTimeInput(MStatus* ReturnStatus = NULL) const;
    bool isUnitlessInput(MStatus* ReturnStatus = NULL) const;

    /// Adds a key (or replaces the value of the key at that time) and returns its index.
    /// Adding after the last key is an amortised constant-time append.
    unsigned int addKey(const MTime& time, double value, TangentType tangentInType = kTangentGlobal,
                        TangentType tangentOutType = kTangentGlobal,
                        MAnimCurveChange* change = NULL, MStatus* ReturnStatus = NULL);
    unsigned int addKey(const MTime& timeInput, const MTime& timeValue,
                        TangentType tangentInType = kTangentGlobal,
                        TangentType tangentOutType = kTangentGlobal,
                        MAnimCurveChange* change = NULL, MStatus* ReturnStatus = NULL);
    unsigned int addKey(double unitlessInput, double value,
                        TangentType tangentInType = kTangentGlobal,
                        TangentType tangentOutType = kTangentGlobal,
                        MAnimCurveChange* change = NULL, MStatus* ReturnStatus = NULL);
    unsigned int addKey(double unitlessInput, const MTime& time,
                        TangentType tangentInType = kTangentGlobal,
                        TangentType tangentOutType = kTangentGlobal,
                        MAnimCurveChange* change = NULL, MStatus* ReturnStatus = NULL);
    MStatus addKeyframe(const MTime& time, double value, MAnimCurveChange* change = NULL);
    MStatus addKeyframe(const MTime& time, double value, TangentType tangentInType,
                        TangentType tangentOutType, MAnimCurveChange* change = NULL);
    /// Merges the keys times[i] = values[i] into the curve; a new key at a keyed time
    /// replaces the existing value, or, with keepExistingKeys, leaves it. Among new keys at
    /// one time the last wins. Null or unequal-length arrays, or a non-finite time, fail
    /// with kInvalidParameter and change nothing.
    MStatus addKeys(MTimeArray* times, MDoubleArray* values,
                    TangentType tangentInType = kTangentGlobal,
                    TangentType tangentOutType = kTangentGlobal, bool keepExistingKeys = false,
                    MAnimCurveChange* change = NULL);
    /// Removes the key at `index`; removing the first or last key is constant time.
    MStatus remove(unsigned int index, MAnimCurveChange* change = NULL);

    /// The value at `atTime` (see the class comment); a NaN time gives 0 and
    /// kInvalidParameter. Evaluating at increasing times is constant time per call.
    double evaluate(const MTime& atTime, MStatus* ReturnStatus = NULL) const;
    MStatus evaluate(const MTime& atTime, double& value) const;
    /// For time curves (TT): the value as a time in the UI unit.
    MStatus evaluate(const MTime& atTime, MTime& timeValue) const;
    MStatus evaluate(const double& atUnitlessInput, double& value) const;
    unsigned int numKeys(MStatus* ReturnStatus = NULL) const;
    OPENMAYA_DEPRECATED(2016, "Use MFnAnimCurve::numKeys instead.")
    unsigned int numKeyframes(MStatus* ReturnStatus = NULL) const;
    /// The key's time in the UI unit.
    MTime time(unsigned int index, MStatus* ReturnStatus = NULL) const;
    /// The key's value in internal units (radians for TA).
    double value(unsigned int index, MStatus* ReturnStatus = NULL) const;
    /// The key's input value (driven-key curves).
    double unitlessInput(unsigned int index, MStatus* ReturnStatus = NULL) const;
    MStatus setValue(unsigned int index, double value, MAnimCurveChange* change = NULL);
    /// True and `index` set when a key lies exactly at `time`; `index` unchanged otherwise.
    bool find(const MTime& time, unsigned int& index, MStatus* ReturnStatus = NULL) const;
    bool find(double unitlessInput, unsigned int& index, MStatus* ReturnStatus = NULL) const;
    /// The index of the key nearest to `time` (the earlier on a tie); kInvalidParameter
    /// and 0 with no keys.
    unsigned int findClosest(const MTime& time, MStatus* ReturnStatus = NULL) const;
    unsigned int findClosest(double unitlessInput, MStatus* ReturnStatus = NULL) const;
};

OPENMAYA_NAMESPACE_CLOSE
