#pragma once
// The import translator: reads a BVH file into joints and animation curves.

#include <maya/MDoubleArray.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MObject.h>
#include <maya/MObjectArray.h>
#include <maya/MPxFileTranslator.h>
#include <maya/MString.h>
#include <maya/MTime.h>
#include <maya/MTimeArray.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "import/CurveKeys.h"
#include "plugin/JointRotation.h"

namespace bvh {
class LineReader;
}

/// Working lists of one read: the file's nodes (ROOT, JOINT and End Site blocks, numbered
/// in file order from 0) and their channels, in the order of the frame-line values.
struct ImportReadState {
    /// One BVH channel: which value of a frame line goes to which curve.
    struct Channel {
        int node = -1;        // index into nodes
        int attribute = -1;   // 0..5 for translateX..rotateZ; -1 for an unknown channel name
        MFnAnimCurve* curveFn = nullptr;  // one of `curves`; null for an unknown channel name
        int curve = -1;                   // its index in `curves`
    };
    /// One node of the file.
    struct Node {
        double offset[3] = {0, 0, 0};  // OFFSET times scale
        int firstChannel = 0;          // its channels are [firstChannel, firstChannel + count)
        int channelCount = 0;
        int positionCount = 0;
        int rotationCount = 0;
        int fileEulerOrder = 0;        // order of its own rotation channels (MEulerRotation)
        bool fullRotation = false;     // rotation converted as a whole into the target order
        int missingAxis = -1;          // 0..2: the axis that two rotation channels leave out
        double previous[3] = {0, 0, 0};  // rotation keyed in the previous keyed frame
        // A target joint with a joint orient or a rotate axis: its three rotate curves are
        // keyed so that its full local rotation is the file's.
        bool posed = false;
        JointRotation rotation;
        int curve[6] = {-1, -1, -1, -1, -1, -1};  // per attribute: index into curves, or -1
    };

    MObjectArray joints;                // node index -> scene joint (created or targeted;
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
    long long declaredFrames = -1;      // the count of the "Frames:" line; -1 without one
    std::size_t declaredFramesLine = 0;
    std::size_t nonFiniteValues = 0;    // frame values that are no finite number (nan, inf)
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

class BvhImport : public MPxFileTranslator {
public:
    BvhImport();
    ~BvhImport() override;

    static void* creator();

    /// Imports the file: a skeleton import (importSkelton other than 2) builds joints under a
    /// new "bvh_import" transform and keys them; an animation-only import (importSkelton 2)
    /// keys the skeletons of the selected joints, matched to the file's nodes by position.
    /// Failure, with one line on standard error naming the file, when the file cannot be
    /// read, no joint is selected for an animation-only import, or an option makes the key
    /// timing meaningless. Never throws.
    MStatus reader(const MFileObject& file, const MString& optionsString,
                   FileAccessMode mode) override;

    bool haveReadMethod() const override { return true; }
    bool haveWriteMethod() const override { return false; }
    MString defaultExtension() const override { return "bvh"; }
    bool canBeOpened() const override { return false; }
    MFileKind identifyFile(const MFileObject& file, const char* buffer, short size) const override;

    // Import state. Options keep their values from one read to the next on the same object,
    // unless the next option string names them; a new object starts with the registered
    // default option string.
    MObject importTransform;
    double frameRateNum = 24.0;
    double frameTime = 1.0 / 24.0;
    int importSkelton = 1;
    int importAnimation = 1;
    int importFrameRange = 1;
    int startFrame = 1;
    int endFrame = 100;
    int currentFrame = 1;
    int pasteTimeRange = 1;
    double keyTimeValue = 0.0;
    double endTime = 999999.0;
    double rootOffset[3] = {0, 0, 0};
    int inputKeys = 1;
    int frameRate = 1;
    MString frameRateUnit;
    int notFloatingKey = 0;
    MTimeArray keyTimes;
    MDoubleArray previousValues;
    double scale = 1.0;
    MString rotationOrder;
    int fileRotationOrder = 0;
    bool orderWarned_ = false;  // this read has warned of a rotationOrder the host cannot hold
    int framesKeyed = 0;
    int stopReading = 0;
    MTime keyTime;
    /// Whether the keys of a curve that had none before the read are handed to the host in
    /// one call per curve at the end of the read (the scene is the same either way; one call
    /// per key costs far more in the host).
    bool keysPerCurve = true;

    MString matchBy = "position";  ///< animation-only import: "position" or "name"

    /// Applies an option string of key=value; pairs to the members.
    void applyOptions(const MString& optionsString);
    /// Derives frameRateNum from frameRateUnit when frameRate is 1.
    void deriveFrameRate();

    /// Hands one hierarchy line (tabs already blanks) to the skeleton builder.
    void parseHierarchyLine(std::string_view line, ImportReadState& state);
    /// Binds the channels of a CHANNELS line to curves of the current node's joint.
    void parseChannelsLine(std::string_view line, std::size_t keywordPos, ImportReadState& state);
    /// Hands one motion line to the keyer.
    void parseMotionLine(std::string_view line, ImportReadState& state);
    /// Keys one frame line whose values are already split into state.tokens.
    void keyFrameLine(ImportReadState& state);
    /// Appends the skeletons of the selected joints, root first, depth-first.
    void collectTargetJoints(MObjectArray& joints);
    /// Matching by name: the target joint named as the file node `name`, taken from
    /// state.targets; the null object when none is left.
    MObject targetByName(ImportReadState& state, std::string_view name);
    /// Matching by name: one warning with the counts, and the first few names, of the file's
    /// nodes that found no joint and of the joints that no node drives. Nothing when all match.
    void warnUnmatched(const ImportReadState& state);

private:
    MStatus readFile(const std::string& path, bvh::LineReader& reader);
    bool rekeyWholeSteps(const std::string& path, ImportReadState& state, double startTime);
    void endAtEndTime(ImportReadState& state);
    /// Keys the three rotate curves of a posed node from the rotation channels [first, last)
    /// of the frame in state.values (radians), at key time number `timeIndex`.
    void keyPosedRotation(ImportReadState& state, ImportReadState::Node& node, int first,
                          int last, MEulerRotation::RotationOrder order, unsigned int timeIndex);
    /// Keys curve number `curve` at the current key time (number `timeIndex` of the read):
    /// gathered while its keys are handed over per curve, added to the host's curve otherwise.
    void keyCurve(ImportReadState& state, int curve, unsigned int timeIndex, double value);
    /// Hands every gathered curve's keys to the host and stops gathering.
    void handOverCurveKeys(ImportReadState& state);
    void advanceKeyTime();

    std::string path_;     // full path of the file being read, for messages
    double readStartTime_ = 0.0;
    bool frameTimeRead_ = false;
};
