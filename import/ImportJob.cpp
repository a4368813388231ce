#include "import/ImportJob.h"

#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "bvh/FilePath.h"
#include "bvh/Reader.h"
#include "bvh/Vocabulary.h"
#include "import/ChannelBinder.h"
#include "import/KeyPlan.h"
#include "import/MotionKeyer.h"
#include "import/NodeTargets.h"
#include "plugin/LongTask.h"
#include "plugin/Messages.h"
#include "plugin/SelectedSkeletons.h"

namespace bvhimport {

namespace {

/// Nodes joined per step of the joints and curves, between two looks at the user's Esc.
constexpr std::size_t kNodesPerStep = 1024;

void tell(const std::string& path, const bvh::ReadMessage& message) {
    const std::string where = bvhio::fileLine(path, static_cast<long long>(message.line));
    if (message.error)
        bvhio::reportError(where, message.text + "; the import stopped");
    else
        bvhio::reportWarning(where, message.text);
}

/// Where the nodes of the file go.
NodeTargets::Mode targetMode(const ImportSettings& settings) {
    if (settings.importSkelton == 2)
        return settings.matchBy == "name" ? NodeTargets::Mode::kByName
                                          : NodeTargets::Mode::kByPosition;
    return settings.importSkelton == 1 ? NodeTargets::Mode::kBuild : NodeTargets::Mode::kNoJoints;
}

std::uint64_t sizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(bvh::pathFromUtf8(path), error);
    return error ? 0 : size;
}

}  // namespace

/// The objects the steps of one read fill and pass on, each owned by its step.
struct ReadSteps {
    ReadSteps(bvh::Reader& fileReader, const ImportSettings& settings, const std::string& path,
              const MObject& transform, const MObjectArray& targets)
        : reader(fileReader),
          nodes(targetMode(settings), transform, targets, settings.scale),
          binder(settings, plan),
          keyer(settings, plan, path),
          keying(settings.importAnimation == 1),
          size(sizeOf(path)),
          task(size) {}

    bvh::Reader& reader;  ///< the file: its table, frame rows and messages
    NodeTargets nodes;    ///< a joint per node
    KeyPlan plan;         ///< where each channel's values go
    ChannelBinder binder;
    MotionKeyer keyer;  ///< the keys
    const bool keying;  ///< the MOTION section is keyed (importAnimation 1)
    const std::uint64_t size;  ///< of the file; 0 when not known (a pipe)
    LongTask task;
    /// Warnings about CHANNELS lines, until their nodes are joined: only those of nodes whose
    /// values are keyed are told.
    std::vector<bvh::ReadMessage> pending;
    std::vector<bvh::ReadMessage> errors;
};

MStatus ImportJob::run(const std::string& path, const MString& options) {
    path_ = path;
    applyOptions(options);
    bvh::Reader reader;
    if (!openFile(reader)) return MS::kFailure;
    MObjectArray targets;
    if (!prepareDestination(targets)) return MS::kFailure;
    ReadSteps steps(reader, settings_, path_, importTransform_, targets);
    Ending ending = Ending::kError;
    try {
        ending = readAndKey(steps);
    } catch (...) {
        // What was keyed before the failure stays, as it would have key by key.
        steps.keyer.finish(reader.motion().frameTime);
        throw;
    }
    return report(steps, ending);
}

void ImportJob::applyOptions(const MString& options) {
    // Per-read resets, then the option string, then the frame rate it names.
    settings_.resetForRead();
    applyImportOptions(options, settings_);
    deriveFrameRate(settings_);
    result_ = ImportResult();
    result_.rotationOrder = settings_.rotationOrder;
}

bool ImportJob::openFile(bvh::Reader& reader) {
    if (!reader.open(path_)) {
        bvhio::reportError(path_, "could not be opened for reading");
        return false;
    }
    const std::string problem = checkImportSettings(settings_);
    if (!problem.empty()) bvhio::reportError(path_, problem);
    return problem.empty();
}

bool ImportJob::prepareDestination(MObjectArray& targets) {
    if (settings_.importSkelton == 2) {
        appendSkeletonJoints(selectedSkeletons(SkeletonTop::kSkeletonRoot), targets);
        if (targets.length() == 0) bvhio::reportError(path_, "Select a joint");
        return targets.length() != 0;
    }
    MFnTransform transformFn;
    importTransform_ = transformFn.create(MObject::kNullObj);
    transformFn.setName(MString(std::string(bvh::kImportTransformName).c_str()));
    return true;
}

ImportJob::Ending ImportJob::readAndKey(ReadSteps& steps) {
    bvh::Reader& reader = steps.reader;
    reader.setRowLimit(0);  // until channels are bound
    bool expecting = false;
    for (;;) {
        const bvh::Reader::Step step = reader.next();
        for (bvh::ReadMessage& message : reader.takeMessages()) {
            if (message.error)
                steps.errors.push_back(std::move(message));
            else if (message.node >= 0)
                steps.pending.push_back(std::move(message));
            else if (steps.keying)
                tell(path_, message);  // about the MOTION section
        }
        if (step == bvh::Reader::Step::kEnd || step == bvh::Reader::Step::kError) {
            const bool joined = joinNodes(steps);
            if (step == bvh::Reader::Step::kError) return Ending::kError;
            return joined ? Ending::kEndOfFile : Ending::kCancelled;
        }
        if (step == bvh::Reader::Step::kHierarchyEnded && !joinNodes(steps))
            return Ending::kCancelled;
        if (step == bvh::Reader::Step::kFrame && steps.keying) {
            if (!expecting) {
                // Room for the keys the file announces, no more than the rest of it holds.
                const long long declared = reader.motion().declaredFrames;
                steps.keyer.expectFrames(
                    declared < 0 || steps.size == 0
                        ? 0
                        : std::min<std::uint64_t>(static_cast<std::uint64_t>(declared),
                                                  reader.framesThatFit(steps.size)));
                expecting = true;
            }
            steps.keyer.keyRow(reader.row(), reader.lineNumber(), reader.motion().frameTime);
            if (steps.keyer.stopped()) return Ending::kEndTime;
        }
        if (steps.task.stopRequested(reader.bytesRead())) return Ending::kCancelled;
    }
}

bool ImportJob::joinNodes(ReadSteps& steps) {
    const bvh::HierarchyTable& table = steps.reader.table();
    std::vector<bvh::ReadMessage> bound;
    bool cancelled = false;
    while (steps.nodes.joints().size() < table.nodes.size() && !cancelled) {
        steps.nodes.addNodes(table, std::min(table.nodes.size(),
                                             steps.nodes.joints().size() + kNodesPerStep));
        if (steps.keying) steps.binder.bind(table, steps.nodes, bound);
        cancelled = steps.task.stopRequested(steps.reader.bytesRead());
    }
    if (steps.keying) {
        steps.binder.bind(table, steps.nodes, bound);  // a CHANNELS line for a part's last node
        steps.keyer.addCurves();
        steps.reader.setRowLimit(steps.plan.channelsUsed);
    }
    // The file's own warnings come before the binder's on the same line.
    std::vector<bvh::ReadMessage> told;
    for (const bvh::ReadMessage& message : steps.pending) {
        const auto node = static_cast<std::size_t>(message.node);
        if (steps.keying && node < steps.nodes.joints().size() && steps.nodes.counted(node) &&
            !steps.nodes.joints()[node].isNull())
            told.push_back(message);
    }
    steps.pending.clear();
    told.insert(told.end(), bound.begin(), bound.end());
    std::stable_sort(told.begin(), told.end(),
                     [](const bvh::ReadMessage& a, const bvh::ReadMessage& b) {
                         return a.line < b.line;
                     });
    for (const bvh::ReadMessage& message : told) tell(path_, message);
    return !cancelled;
}

void ImportJob::reportLeftAlone(const ChannelBinder& binder) const {
    const std::size_t count = binder.leftAloneCount();
    if (count == 0) return;
    std::string text = count == 1 ? "1 attribute is" : std::to_string(count) + " attributes are";
    text += " driven by constraints, driven keys, animation layers or other connections and";
    text += count == 1 ? " keeps its value, not the file's" : " keep their values, not the file's";
    bvhio::reportWarning(path_, text + bvhio::namesShown(binder.leftAloneNames(), count));
}

MStatus ImportJob::report(ReadSteps& steps, Ending ending) {
    bvh::Reader& reader = steps.reader;
    MotionKeyer& keyer = steps.keyer;
    reader.close();
    keyer.finish(reader.motion().frameTime);
    result_.rotationOrder = steps.binder.rotationOrder();
    result_.fileRotationOrder = steps.binder.fileRotationOrder();
    if (steps.nodes.builtRoot())
        std::copy(steps.nodes.rootOffset(), steps.nodes.rootOffset() + 3, result_.rootOffset);
    result_.frameTime = keyer.frameTime();
    result_.currentFrame = keyer.currentFrame();
    result_.framesKeyed = keyer.framesKeyed();
    result_.stoppedAtEndTime = keyer.stopped();
    result_.keyTimeValue = keyer.keyTimeValue();

    steps.nodes.reportRenamed(path_);
    if (ending == Ending::kCancelled) {
        bvhio::reportError(bvhio::fileLine(path_, static_cast<long long>(reader.lineNumber())),
                           bvhio::textOf("import cancelled after frame ", keyer.currentFrame() - 1,
                                         "; the keys up to it stay, the rest of the file was"
                                         " not read"));
        return MS::kFailure;
    }
    if (ending == Ending::kError) {
        tell(path_, steps.errors.front());
        return MS::kFailure;
    }
    if (reader.failed()) {
        bvhio::reportError(path_, bvhio::textOf("read error; the import stopped at line ",
                                                reader.lineNumber() + 1));
        return MS::kFailure;
    }
    if (keyer.nonFiniteValues() > 0) {
        const std::size_t count = keyer.nonFiniteValues();
        bvhio::reportWarning(
            bvhio::fileLine(path_, static_cast<long long>(keyer.firstNonFiniteLine())),
            bvhio::textOf("not keyed: ", count,
                          count == 1 ? " frame value that is" : " frame values that are",
                          " no finite number (nan, inf), the first on this line"));
    }
    const bvh::MotionHeaderValues& motion = reader.motion();
    const long long framesRead = keyer.currentFrame() - 1;
    if (steps.keying && motion.declaredFrames >= 0 && ending != Ending::kEndTime &&
        framesRead != motion.declaredFrames) {
        bvhio::reportWarning(
            bvhio::fileLine(path_, static_cast<long long>(motion.declaredFramesLine)),
            bvhio::textOf("the file declares ", motion.declaredFrames, " frames and holds ",
                          framesRead, " frame lines; all ", framesRead, " are read"));
    }
    steps.nodes.reportUnmatched(path_);
    reportLeftAlone(steps.binder);

    MStatus status = MS::kSuccess;
    if (settings_.inputKeys != 1 && settings_.notFloatingKey != 0 && !keyer.rekeyWholeSteps())
        status = MS::kFailure;
    result_.keyTimeValue = keyer.keyTimeValue();
    return status;
}

}  // namespace bvhimport
