#include <maya/MTime.h>
#include <standin/Standin.h>

#include <cmath>
#include <string>

#include "SceneImpl.h"

namespace standin {
namespace detail {

void resetUIUnit() { uiUnitRef() = MTime::kFilm; }

}  // namespace detail
}  // namespace standin

using standin::detail::exactTicks;
using standin::detail::ticksPerUnit;

MStatus MTime::setUnit(Unit new_unit) {
    if (ticksPerUnit(new_unit) == 0) return MS::kInvalidParameter;
    unit_ = new_unit;
    return MS::kSuccess;
}

MStatus MTime::setValue(double new_value) {
    value_ = new_value;
    return MS::kSuccess;
}

double MTime::as(Unit other_unit) const {
    const int64_t to = ticksPerUnit(other_unit);
    if (to == 0) return 0.0;
    const int64_t from = ticksPerUnit(unit_);
    if (from == to) return value_;
    return value_ * static_cast<double>(from) / static_cast<double>(to);
}

double MTime::asUnits(Unit other_unit) const { return as(other_unit); }

bool MTime::operator==(const MTime& rhs) const { return exactTicks(*this) == exactTicks(rhs); }
bool MTime::operator!=(const MTime& rhs) const { return !(*this == rhs); }
bool MTime::operator<=(const MTime& rhs) const { return exactTicks(*this) <= exactTicks(rhs); }
bool MTime::operator>=(const MTime& rhs) const { return exactTicks(*this) >= exactTicks(rhs); }
bool MTime::operator<(const MTime& rhs) const { return exactTicks(*this) < exactTicks(rhs); }
bool MTime::operator>(const MTime& rhs) const { return exactTicks(*this) > exactTicks(rhs); }

MTime& MTime::operator++() {
    value_ += 1.0;
    return *this;
}

MTime& MTime::operator++(int) { return ++*this; }

MTime& MTime::operator--() {
    value_ -= 1.0;
    return *this;
}

MTime& MTime::operator--(int) { return --*this; }

MTime MTime::operator+(const MTime& rhs) const { return MTime(value_ + rhs.as(unit_), unit_); }
MTime MTime::operator+(double rhs) const { return MTime(value_ + rhs, unit_); }
MTime MTime::operator-(const MTime& rhs) const { return MTime(value_ - rhs.as(unit_), unit_); }
MTime MTime::operator-(double rhs) const { return MTime(value_ - rhs, unit_); }

MTime& MTime::operator+=(const MTime& rhs) {
    value_ += rhs.as(unit_);
    return *this;
}

MTime& MTime::operator+=(double rhs) {
    value_ += rhs;
    return *this;
}

MTime& MTime::operator-=(const MTime& rhs) {
    value_ -= rhs.as(unit_);
    return *this;
}

MTime& MTime::operator-=(double rhs) {
    value_ -= rhs;
    return *this;
}

MTime MTime::operator*(double rhs) const { return MTime(value_ * rhs, unit_); }

MTime& MTime::operator*=(double rhs) {
    value_ *= rhs;
    return *this;
}

MTime::Unit MTime::uiUnit() { return standin::detail::uiUnitRef(); }

MStatus MTime::setUIUnit(Unit newUnit) {
    if (ticksPerUnit(newUnit) == 0) return MS::kInvalidParameter;
    standin::detail::uiUnitRef() = newUnit;
    return MS::kSuccess;
}

const char* MTime::className() { return "MTime"; }

namespace standin {

namespace {

/// Host names of the units, indexed by MTime::Unit.
const char* const kUnitNames[] = {
    "",         "hour",     "min",     "sec",       "millisec", "game",    "film",      "pal",
    "ntsc",     "show",     "palf",    "ntscf",     "2fps",     "3fps",    "4fps",      "5fps",
    "6fps",     "8fps",     "10fps",   "12fps",     "16fps",    "20fps",   "40fps",     "75fps",
    "80fps",    "100fps",   "120fps",  "125fps",    "150fps",   "200fps",  "240fps",    "250fps",
    "300fps",   "375fps",   "400fps",  "500fps",    "600fps",   "750fps",  "1200fps",   "1500fps",
    "2000fps",  "3000fps",  "6000fps", "23.976fps", "29.97fps", "29.97df", "47.952fps", "59.94fps",
    "44100fps", "48000fps", "90fps",
};
static_assert(sizeof kUnitNames / sizeof kUnitNames[0] == MTime::kUserDef, "one name per unit");

}  // namespace

bool unitFromName(const std::string& name, MTime::Unit& unit) {
    if (name.empty()) return false;
    for (int u = 1; u < static_cast<int>(MTime::kUserDef); ++u) {
        if (name == kUnitNames[u]) {
            unit = static_cast<MTime::Unit>(u);
            return true;
        }
    }
    return false;
}

std::string unitName(MTime::Unit unit) {
    const int u = static_cast<int>(unit);
    if (u <= 0 || u >= static_cast<int>(MTime::kUserDef)) return std::string();
    return kUnitNames[u];
}

}  // namespace standin
