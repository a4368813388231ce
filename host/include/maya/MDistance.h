#pragma once
// A length: a value counted in a unit.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Plugs hand out lengths in centimetres, the internal unit.
class MDistance {
public:
    enum Unit {
        kInvalid,
        kInches,
        kFeet,
        kYards,
        kMiles,
        kMillimeters,
        kCentimeters,
        kKilometers,
        kMeters,
        kLast
    };
    MDistance();
    MDistance(double value, Unit unitSystem = kCentimeters);
    MDistance(const MDistance& src);
    ~MDistance();
    MDistance& operator=(const MDistance& src);
    Unit unit() const;
    double value() const;
    /// kInvalidParameter, changing nothing, for kInvalid, kLast and values outside the list.
    MStatus setUnit(Unit newUnit);
    MStatus setValue(double newValue);
    /// The length in `newUnit`; 0 and kInvalidParameter for a value that is no unit.
    double as(Unit newUnit, MStatus* ReturnStatus = NULL) const;
    double asCentimeters() const;

private:
    double val;
    Unit valUnit;
};

OPENMAYA_NAMESPACE_CLOSE
