#pragma once
// An angle: a value counted in a unit.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Plugs hand out angles in radians, the internal unit.
class MAngle {
public:
    enum Unit { kInvalid, kRadians, kDegrees, kAngMinutes, kAngSeconds, kLast };
    MAngle();
    MAngle(const MAngle& src);
    MAngle(double value, Unit u = kRadians);
    ~MAngle();
    MAngle& operator=(const MAngle& other);
    Unit unit() const;
    double value() const;
    /// kInvalidParameter, changing nothing, for kInvalid, kLast and values outside the list.
    MStatus setUnit(Unit newUnit);
    MStatus setValue(double newValue);
    /// The angle in `otherUnit`; 0 and kInvalidParameter for a value that is no unit.
    double as(Unit otherUnit, MStatus* ReturnStatus = NULL) const;
    double asRadians() const;
    double asDegrees() const;

private:
    double val;
    Unit valUnit;
};

OPENMAYA_NAMESPACE_CLOSE
