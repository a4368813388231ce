#pragma once
// One import: from the option string and a BVH file to joints and keyed animation curves.

#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

#include <string>

#include "import/ImportSettings.h"

namespace bvhimport {

/// What one read found and did, kept by the translator object for whoever asks; the settings
/// are never changed by a read.
struct ImportResult {
    /// The order the joints were given and rotations converted into: the rotationOrder
    /// option, "auto" resolved from the file's first CHANNELS line bound.
    std::string rotationOrder;
    int fileRotationOrder = 0;  ///< Euler order of the last CHANNELS line bound
    double frameTime = 0;       ///< seconds per frame the keys were spaced by
    double rootOffset[3] = {0, 0, 0};  ///< the last root joint built: its OFFSET times scale
    int currentFrame = 1;              ///< number of the next frame line
    int framesKeyed = 0;
    bool stoppedAtEndTime = false;
    double keyTimeValue = 0;  ///< the next key time, UI unit
};

/// Runs one read with the settings of a translator object, into the scene.
///
/// The steps, each with what it takes and gives:
/// 1. options: the option string -> the object's settings, for this read and the next;
/// 2. destination: the selection (animation only: "Select a joint" without joints) or a new
///    "bvh_import" transform -> NodeTargets;
/// 3. read: the file -> bvh::Reader's table of nodes and channels, and frame rows;
/// 4. joints: each part of the table -> a joint per node, built or matched (NodeTargets);
/// 5. curves: the table and the joints -> KeyPlan, the curve of every attribute a channel
///    keys, and the joints' rotation order (ChannelBinder);
/// 6. keys: each frame row and the plan -> keys (MotionKeyer), handed over per curve;
/// 7. re-keying at whole steps (notFloatingKey), and the report -> status and messages.
class ImportJob {
public:
    /// `settings` keep the options applied, for the next read on the same object.
    ImportJob(ImportSettings& settings, MObject& importTransform, ImportResult& result)
        : settings_(settings), importTransform_(importTransform), result_(result) {}

    /// Reads the file at `path` with `options`: a skeleton import (importSkelton other than
    /// 2) builds joints under a new "bvh_import" transform and keys them; an animation-only
    /// import (importSkelton 2) keys the skeletons of the selected joints. Failure, with one
    /// line on standard error naming the file, when the file cannot be read, no joint is
    /// selected for an animation-only import, or an option makes the key timing meaningless.
    MStatus run(const std::string& path, const MString& options);

private:
    ImportSettings& settings_;
    MObject& importTransform_;
    ImportResult& result_;
};

}  // namespace bvhimport
