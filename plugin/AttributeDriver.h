#pragma once
// What drives a joint's attribute, as far as keys can reach it: one statement for the export
// (which evaluates such a curve itself) and the import (which keys it).

#include <maya/MObject.h>
#include <maya/MPlug.h>

/// Whether `node` is an animation curve whose input is time (not a driven key).
bool isTimeCurve(const MObject& node);

/// The curve that keys of an attribute go to, when a connection drives the attribute.
struct KeyedDriver {
    /// A time-input animation curve that drives the attribute directly or through one unit
    /// conversion; null when something a key cannot set drives it (a constraint, a driven
    /// key, an animation layer's blend node, any other node).
    MObject curve;
    /// The attribute shows the curve's value times this: a unit conversion's factor, else 1.
    double factor = 1;
};

/// The keyed driver of the attribute that `source` (its MPlug::source()) drives.
KeyedDriver keyedDriverOf(const MPlug& source);
