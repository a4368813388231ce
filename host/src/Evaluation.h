#pragma once
// What the host shows: the value of a plug at a time. Values follow connections through
// animation curves (time-input curves at the time, driven-key curves at their input's value),
// unit conversions, additive layer blend nodes and constraints, down to the attributes'
// own values. MPlug, MFnAnimCurve, MAnimUtil and the scene files all answer from here, so
// the stand-in states each of these rules once.
//
// Computed values (the outputs of curves, conversions, layers and constraints, and world
// transforms) are worked out once per evaluation, a time and a state of the scene: asked for
// again at the same time of an unchanged scene (touch() marks every change), they are the
// stored ones, so that a constraint's six outputs or a node feeding many others cost one
// computation. A cycle of connections reads 0 at the output where it closes (or, through
// plain attributes only, the own value of the plug after 1000 steps).

#include <vector>

#include "SceneImpl.h"

namespace standin {
namespace detail {

/// A time as (fractional) ticks, as exactTicks gives it.
using Ticks = double;

/// The ticks at which plugs are evaluated in the current context: its time, or the current
/// time of the time slider in the normal context.
Ticks contextTicks();

/// The value of `plug` at `t`, in internal units (radians, centimetres): its source's value
/// when it is the destination of a connection; otherwise a computed output's value, or the
/// plug's own value.
double plugValue(PlugRef plug, Ticks t);

/// The plug's own value, as it holds it without a connection; null for outputs, which
/// hold none.
double* ownValue(PlugRef plug);

/// The value of a curve for `input`: ticks for a time-input curve, the input's value for a
/// driven-key curve. Linear between keys, the end values held outside them, 0 without keys.
double curveValue(const Curve* curve, double input);

/// The animation curves that drive `plug` (what the host calls its animation): the curve
/// whose output drives it, or those reached through unit conversions and the inputs of layer
/// blend nodes (base layer first), each once. Curves of either input kind; nothing is
/// followed past a curve, a constraint or any other node.
void curvesDriving(PlugRef plug, std::vector<Curve*>& curves);

/// The constraint whose output drives `plug`, directly or through unit conversions; null
/// when none does.
Node* constraintDriving(PlugRef plug);

}  // namespace detail
}  // namespace standin
