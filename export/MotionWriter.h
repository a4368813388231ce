#pragma once
// The MOTION section.

#include <maya/MTime.h>

#include <string>

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
/// channels of `table` (see planMotion; key mode follows the keys of the first curve that has
/// any and writes every channel at that curve's key times: a key there, or the curve's value
/// there), rotations in degrees (pi
/// taken as 3.14159), positions minus their channel's offset, times `settings.scale`. Stores the
/// adjusted startFrame and endFrame in `settings`; `sampleTime` is left in the UI unit at the last
/// sample. `task` shows the lines written and is asked between lines whether the user cancelled.
/// Returns an empty text, or a one-line reason when nothing can be written (no channel at all, a
/// range that planMotion refuses, or the user cancelled).
std::string writeMotion(bvh::OutputFile& out, const ChannelTable& table, ExportSettings& settings,
                        MTime& sampleTime, LongTask& task);

}  // namespace bvhexport
