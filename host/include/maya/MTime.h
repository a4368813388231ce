#pragma once
// A time: a value counted in a unit.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Every unit of kHours..k90FPS is a whole number of ticks of 1/141120000 second, so
/// conversions between them of whole values are exact. kUserDef is a unit only once the
/// scene has been given a user-defined frame length (a test hook of the stand-in). kInvalid,
/// kLast, values outside the enumeration and an unset kUserDef are not units: a time in
/// one of them reads as 0 in every unit, and converting to one gives 0.
class MTime {
public:
    enum Unit {
        kInvalid,
        kHours,
        kMinutes,
        kSeconds,
        kMilliseconds,
        kGames,
        k15FPS = kGames,
        kFilm,
        k24FPS = kFilm,
        kPALFrame,
        k25FPS = kPALFrame,
        kNTSCFrame,
        k30FPS = kNTSCFrame,
        kShowScan,
        k48FPS = kShowScan,
        kPALField,
        k50FPS = kPALField,
        kNTSCField,
        k60FPS = kNTSCField,
        k2FPS,
        k3FPS,
        k4FPS,
        k5FPS,
        k6FPS,
        k8FPS,
        k10FPS,
        k12FPS,
        k16FPS,
        k20FPS,
        k40FPS,
        k75FPS,
        k80FPS,
        k100FPS,
        k120FPS,
        k125FPS,
        k150FPS,
        k200FPS,
        k240FPS,
        k250FPS,
        k300FPS,
        k375FPS,
        k400FPS,
        k500FPS,
        k600FPS,
        k750FPS,
        k1200FPS,
        k1500FPS,
        k2000FPS,
        k3000FPS,
        k6000FPS,
        k23_976FPS,
        k29_97FPS,
        k29_97DF,
        k47_952FPS,
        k59_94FPS,
        k44100FPS,
        k48000FPS,
        k90FPS,
        kUserDef,
        kLast
    };
    /// Value 0 in kFilm.
    // The plain members are inline: a time is handed out and read for every key.
    MTime() : value_(0.0), unit_(kFilm) {}
    MTime(const MTime& other) = default;
    MTime(double time_val, Unit unit = kFilm) : value_(time_val), unit_(unit) {}
    ~MTime() = default;
    Unit unit() const { return unit_; }
    double value() const { return value_; }
    /// Keeps the value number and changes the unit; fails for a unit that is not a unit.
    MStatus setUnit(Unit new_unit);
    MStatus setValue(double new_value);
    /// The time counted in `other_unit`.
    double as(Unit other_unit) const;
    double asUnits(Unit other_unit) const;
    MTime& operator=(const MTime& rhs) = default;
    /// Comparisons compare the real times, whatever the units.
    bool operator==(const MTime& rhs) const;
    bool operator!=(const MTime& rhs) const;
    bool operator<=(const MTime& rhs) const;
    bool operator>=(const MTime& rhs) const;
    bool operator<(const MTime& rhs) const;
    bool operator>(const MTime& rhs) const;
    /// Adds (subtracts) one unit of the time's own unit.
    MTime& operator++();
    /// Both forms advance the time by one unit and return it, as the host's do.
    MTime& operator++(int);
    MTime& operator--();
    MTime& operator--(int);
    /// Results keep the left operand's unit; a double counts in that unit.
    MTime operator+(const MTime& rhs) const;
    MTime operator+(double rhs) const;
    MTime operator-(const MTime& rhs) const;
    MTime operator-(double rhs) const;
    MTime& operator+=(const MTime& rhs);
    MTime& operator+=(double rhs);
    MTime& operator-=(const MTime& rhs);
    MTime& operator-=(double rhs);
    MTime operator*(double rhs) const;
    MTime& operator*=(double rhs);
    /// The unit that the user interface shows; kFilm in a new scene.
    static Unit uiUnit();
    /// Fails, leaving the UI unit unchanged, for a unit that is not a unit.
    static MStatus setUIUnit(Unit newUnit);
    static const char* className();

private:
    double value_;
    Unit unit_;
};

OPENMAYA_NAMESPACE_CLOSE
