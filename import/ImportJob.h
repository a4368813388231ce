#pragma once
// One import: from the option string and a BVH file to joints and keyed animation curves.

#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MObject.h>
#include <maya/MObjectArray.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTime.h>
#include <maya/MTimeArray.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "import/CurveKeys.h"
#include "import/ImportSettings.h"
#include "plugin/JointRotation.h"

namespace bvh {
class LineReader;
}

namespace bvhimport {

/// Working lists of one read: the file's nodes (ROOT, JOINT and End Site blocks, numbered
/// in file order from 0) and their channels, in the order of the frame-line values.
struct ImportReadState {
    /// One BVH channel: which value of a frame line goes to which curve.
    struct Channel {
        int attribute = -1;  // 0..5 for translateX..rotateZ; -1 for an unknown channel name
        /// The index in `curves` of the curve its values key; -1 when they key none (an
        /// unknown channel name, a node without a joint, a posed joint's rotation).
        int curve = -1;
    };
    /// One node of the file.
    struct Node {
        double offset[3] = {0, 0, 0};  // OFFSET times scale
        int firstChannel = 0;          // its channels are [firstChannel, firstChannel + count)
        int channelCount = 0;
        int rotationCount = 0;
        int fileEulerOrder = 0;          // order of its own rotation channels (MEulerRotation)
        bool fullRotation = false;       // rotation converted as a whole into the target order
        int missingAxis = -1;            // 0..2: the axis that two rotation channels leave out
        double previous[3] = {0, 0, 0};  // rotation keyed in the previous keyed frame
        // A target joint with a joint orient or a rotate axis: its three rotate curves are
        // keyed so that its full local rotation is the file's.
        bool posed = false;
        JointRotation rotation;
        int curve[6] = {-1, -1, -1, -1, -1, -1};  // per attribute: index into curves, or -1
    };

    MObjectArray joints;  // node index -> scene joint (created or targeted;
                          // null for a node matched to no joint by name)
    /// Matching by name: the joints of the selected skeletons, in list order, and whether a
    /// node of the file has taken each.
    MObjectArray targets;
    std::vector<bool> targetTaken;
    /// Compared name -> indices into targets not yet taken, the last one next.
    std::unordered_map<std::string, std::vector<unsigned int>> targetsByName;
    std::vector<std::string> unmatchedNodes;  // the first few file nodes without a joint
    std::size_t unmatchedNodeCount = 0;
    std::vector<Node> nodes;
    std::vector<Channel> channels;
    /// Every curve the read keys, attached once; channels that name the same attribute of a
    /// node share one.
    std::vector<std::unique_ptr<MFnAnimCurve>> curves;
    /// Per curve: its keys gathered for one hand-over at the end of the read, or null for a
    /// curve keyed one key at a time (it had keys before the read, or gathering had stopped
    /// when it was bound).
    std::vector<std::unique_ptr<CurveKeys>> curveKeys;
    /// Whether keys are still gathered: until a key time does not follow the one before (a
    /// time that is not finite, or steps too small to tell apart); what the host does with
    /// repeated or unordered times within one addKeys call is not documented, so from then on
    /// every key is handed over on its own, as before.
    bool gatherKeys = false;
    std::vector<std::string> depthNames;  // name of the block open at each depth
    std::vector<MObject> depthJoints;     // joint created at each depth
    int jointIndex = -1;                  // node of the most recent OFFSET line
    unsigned int depth = 0;
    std::vector<std::string_view> tokens;  // reused token list
    std::vector<double> values;            // reused frame values
    std::size_t lineNumber = 0;
    long long declaredFrames = -1;  // the count of the "Frames:" line; -1 without one
    std::size_t declaredFramesLine = 0;
    std::size_t nonFiniteValues = 0;  // frame values that are no finite number (nan, inf)
    std::size_t firstNonFiniteLine = 0;
    /// Set when the file cannot be imported from the current line on: what is wrong with it.
    std::string error;
    /// Joints whose name in the scene is not the file's: how many, and the first few.
    struct Renamed {
        std::size_t count = 0;
        std::string first;  // "file name -> scene name" pairs
        void note(std::string_view fileName, std::string_view sceneName);
    } renamed;
};

/// Appends the skeletons of the selected joints, root first, depth-first: the joints an
/// animation-only import keys.
void collectTargetJoints(MObjectArray& joints);

/// Runs one read into the settings of a translator object, which keep what the read leaves
/// in them (the options applied, "auto" resolved, the root offset, the file's frame time and
/// rotation order), and into its import transform.
class ImportJob {
public:
    ImportJob(ImportSettings& settings, MObject& importTransform)
        : settings_(settings), importTransform_(importTransform) {}

    /// Reads the file at `path` with `options`: a skeleton import (importSkelton other than
    /// 2) builds joints under a new "bvh_import" transform and keys them; an animation-only
    /// import (importSkelton 2) keys the skeletons of the selected joints. Failure, with one
    /// line on standard error naming the file, when the file cannot be read, no joint is
    /// selected for an animation-only import, or an option makes the key timing meaningless.
    MStatus run(const std::string& path, const MString& options);

    // Where the read ended.
    int currentFrame() const { return currentFrame_; }  ///< number of the next frame line
    int framesKeyed() const { return framesKeyed_; }
    bool stoppedAtEndTime() const { return stopReading_; }
    double keyTimeValue() const { return keyTimeValue_; }  ///< the next key time, UI unit

private:
    // The driver.
    MStatus readFile(bvh::LineReader& reader);
    bool rekeyWholeSteps();
    // The hierarchy parser.
    void parseHierarchyLine(std::string_view line);
    void parseChannelsLine(std::string_view line, std::size_t keywordPos);
    // The motion keyer.
    void parseMotionLine(std::string_view line);
    void keyFrameLine();
    /// Keys the three rotate curves of a posed node from the rotation channels [first, last)
    /// of the frame in state_.values (radians), at the current key time.
    void keyPosedRotation(ImportReadState::Node& node, int first, int last,
                          MEulerRotation::RotationOrder order);
    /// Keys curve number `curve` at the current key time (the next of keyTimes_): gathered
    /// while its keys are handed over per curve, added to the host's curve otherwise; a value
    /// that is no finite number gets no key.
    void keyCurve(int curve, double value);
    /// Hands every gathered curve's keys to the host and stops gathering.
    void handOverCurveKeys();
    void endAtEndTime();
    void advanceKeyTime();
    // The target matcher.
    /// Matching by name: the target joint named as the file node `name`, taken from
    /// state_.targets; the null object when none is left.
    MObject targetByName(std::string_view name);
    /// Matching by name: one warning with the counts, and the first few names, of the file's
    /// nodes that found no joint and of the joints that no node drives. Nothing when all match.
    void warnUnmatched() const;

    ImportSettings& settings_;
    MObject& importTransform_;
    std::string path_;  ///< full path of the file being read, for messages
    ImportReadState state_;
    double keyTimeValue_ = 0.0;
    MTime keyTime_;
    MTimeArray keyTimes_;  ///< the key time of every keyed frame, in order
    int currentFrame_ = 1;
    int framesKeyed_ = 0;
    bool stopReading_ = false;
    bool orderWarned_ = false;  ///< this read has warned of a rotationOrder the host cannot hold
};

}  // namespace bvhimport
