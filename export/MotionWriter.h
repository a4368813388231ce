#pragma once
// The MOTION section.

#include <maya/MTime.h>

#include <string>
#include <vector>

#include "bvh/OutputFile.h"
#include "export/ChannelTable.h"
#include "export/ExportSettings.h"
#include "plugin/LongTask.h"

namespace bvhexport {

/// Text of the failure when no exported joint has an animated channel.
inline constexpr const char* kNoCurveProblem = "could not be finded animationCurve";
/// Text of the failure when the user cancels the export.
inline constexpr const char* kCancelledProblem = "export cancelled; the file was not written";

/// Writes "MOTION", "Frames:", "Frame Time:" and one line per key, UI frame or sample of the
/// channels of `table` (see planMotion), rotations in degrees (pi taken as 3.14159), positions
/// minus their channel's offset, times `settings.scale`. Every value is the attribute's value
/// at the line's time, as the host shows it then: a curve directly on it evaluated there,
/// anything else that drives it read in that time's context.
///
/// Key mode writes a line at each key time: of the first curve that has keys when every
/// channel has its own curve (each channel written at that curve's key times: a key there, or
/// the curve's value there), of every time-input curve that moves the joints when something
/// else drives them (see DrivingCurves), or at each frame of the playback range when no curve
/// moves them (with a warning). Sample times are start + k * step.
///
/// Stores the adjusted startFrame and endFrame in `settings`; `sampleTime` is left in the UI
/// unit at the last sample. `task` shows the lines written and is asked between lines whether
/// the user cancelled. Appends to `warnings` what the user should know about a file written:
/// that no curve moves the joints, that key mode's keys are not one frame apart. Returns an
/// empty text, or a one-line reason when nothing can be written (no channel at all, a range
/// that planMotion refuses, or the user cancelled).
std::string writeMotion(bvh::OutputFile& out, const ChannelTable& table, ExportSettings& settings,
                        MTime& sampleTime, LongTask& task, std::vector<std::string>& warnings);

}  // namespace bvhexport
