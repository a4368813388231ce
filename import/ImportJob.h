#pragma once
// One import: from the option string and a BVH file to joints and keyed animation curves.

#include <maya/MObject.h>
#include <maya/MObjectArray.h>
#include <maya/MStatus.h>
#include <maya/MString.h>

#include <string>

#include "import/ImportSettings.h"

namespace bvh {
class Reader;
}

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

struct ReadSteps;
class ChannelBinder;

/// Runs one read with the settings of a translator object, into the scene, in steps, each
/// with what it takes and gives:
/// 1. applyOptions: the option string -> the object's settings, for this read and the next;
/// 2. openFile: the path -> a bvh::Reader;
/// 3. prepareDestination: the selection -> the target joints, each once (animation only;
///    "Select a joint" without one), or a new "bvh_import" transform;
/// 4. readAndKey: the reader, one line at a time -> its table of nodes and channels, and
///    for each part of the table:
///    - joinNodes: the table -> a joint per node, built or matched (NodeTargets), and the
///      curve that takes each channel's values with the joints' rotation order (ChannelBinder
///      filling a KeyPlan: where each attribute's keys go is decided there, before any key);
///    - each frame row and the KeyPlan -> keys (MotionKeyer, which owns the key times, the
///      Euler filter and the keys gathered for one hand-over per curve);
/// 5. report: how the reading ended -> re-keying at whole steps (notFloatingKey), the
///    messages, the status and the ImportResult.
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
    /// How the reading of the lines ended.
    enum class Ending { kEndOfFile, kEndTime, kCancelled, kError };

    void applyOptions(const MString& options);
    bool openFile(bvh::Reader& reader);
    bool prepareDestination(MObjectArray& targets);
    Ending readAndKey(ReadSteps& steps);
    /// False when the user cancelled meanwhile.
    bool joinNodes(ReadSteps& steps);
    MStatus report(ReadSteps& steps, Ending ending);
    /// One warning for the attributes the file would key that keep what drives them.
    void reportLeftAlone(const ChannelBinder& binder) const;

    ImportSettings& settings_;
    MObject& importTransform_;
    ImportResult& result_;
    std::string path_;
};

}  // namespace bvhimport
