#include "import/ImportJob.h"

#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

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

void report(const std::string& path, const bvh::ReadMessage& message) {
    const std::string where = bvhio::fileLine(path, static_cast<long long>(message.line));
    if (message.error)
        bvhio::reportError(where, message.text + "; the import stopped");
    else
        bvhio::reportWarning(where, message.text);
}

/// The step that decides where the nodes of the file go.
NodeTargets::Mode targetMode(const ImportSettings& settings) {
    if (settings.importSkelton == 2)
        return settings.matchBy == "name" ? NodeTargets::Mode::kByName
                                          : NodeTargets::Mode::kByPosition;
    return settings.importSkelton == 1 ? NodeTargets::Mode::kBuild : NodeTargets::Mode::kNoJoints;
}

}  // namespace

MStatus ImportJob::run(const std::string& path, const MString& options) {
    // 1. Options: per-read resets, then the option string, the frame rate.
    settings_.resetForRead();
    applyImportOptions(options, settings_);
    deriveFrameRate(settings_);
    result_ = ImportResult();
    result_.rotationOrder = settings_.rotationOrder;

    bvh::Reader reader;
    if (!reader.open(path)) {
        bvhio::reportError(path, "could not be opened for reading");
        return MS::kFailure;
    }
    const std::string problem = checkImportSettings(settings_);
    if (!problem.empty()) {
        bvhio::reportError(path, problem);
        return MS::kFailure;
    }

    // 2. Destination: the selected skeletons, or a new transform.
    const NodeTargets::Mode mode = targetMode(settings_);
    MObjectArray targets;
    if (settings_.importSkelton == 2) {
        appendSkeletonJoints(selectedSkeletons(SkeletonTop::kSkeletonRoot), targets);
        if (targets.length() == 0) {
            bvhio::reportError(path, "Select a joint");
            return MS::kFailure;
        }
    } else {
        MFnTransform transformFn;
        importTransform_ = transformFn.create(MObject::kNullObj);
        transformFn.setName(MString(std::string(bvh::kImportTransformName).c_str()));
    }

    NodeTargets nodes(mode, importTransform_, targets, settings_.scale);
    KeyPlan plan;
    ChannelBinder binder(settings_, plan);
    MotionKeyer keyer(settings_, plan, path);
    const bool keying = settings_.importAnimation == 1;
    reader.setRowLimit(0);

    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(path, sizeError);
    LongTask task(sizeError ? 0 : size);
    bool cancelled = false;
    // Warnings about CHANNELS lines wait until their nodes are joined: only those of nodes
    // whose values are keyed are told.
    std::vector<bvh::ReadMessage> pending;
    std::vector<bvh::ReadMessage> errors;

    // 4 and 5. Joints and curves for the part of the table read since the last time.
    const auto joinNodes = [&]() {
        std::vector<bvh::ReadMessage> bound;
        const bvh::HierarchyTable& table = reader.table();
        while (nodes.joints().size() < table.nodes.size() && !cancelled) {
            nodes.addNodes(table,
                           std::min(table.nodes.size(), nodes.joints().size() + kNodesPerStep));
            if (keying) binder.bind(table, nodes, bound);
            cancelled = task.stopRequested(reader.bytesRead());
        }
        if (keying) {
            binder.bind(table, nodes, bound);  // a CHANNELS line for the last node of a part
            keyer.addCurves();
            reader.setRowLimit(plan.channelsUsed);
        }
        // The file's own warnings come before the binder's on the same line.
        std::vector<bvh::ReadMessage> told;
        for (const bvh::ReadMessage& message : pending) {
            const auto node = static_cast<std::size_t>(message.node);
            if (keying && node < nodes.joints().size() && nodes.counted(node) &&
                !nodes.joints()[node].isNull())
                told.push_back(message);
        }
        pending.clear();
        told.insert(told.end(), bound.begin(), bound.end());
        std::stable_sort(told.begin(), told.end(),
                         [](const bvh::ReadMessage& a, const bvh::ReadMessage& b) {
                             return a.line < b.line;
                         });
        for (const bvh::ReadMessage& message : told) report(path, message);
    };

    // 3 and 6. Read the file; key each frame row.
    bool expecting = false;
    try {
        for (;;) {
            const bvh::Reader::Step step = reader.next();
            for (bvh::ReadMessage& message : reader.takeMessages()) {
                if (message.error)
                    errors.push_back(std::move(message));
                else if (message.node >= 0)
                    pending.push_back(std::move(message));
                else if (keying)
                    report(path, message);  // about the MOTION section
            }
            if (step == bvh::Reader::Step::kEnd || step == bvh::Reader::Step::kError) {
                joinNodes();
                break;
            }
            if (step == bvh::Reader::Step::kHierarchyEnded) joinNodes();
            if (step == bvh::Reader::Step::kFrame && keying) {
                if (!expecting) {
                    // Room for the keys the file announces, no more than the rest of it holds.
                    const bvh::MotionHeaderValues& motion = reader.motion();
                    const std::uint64_t fit = sizeError ? 0 : reader.framesThatFit(size);
                    keyer.expectFrames(motion.declaredFrames < 0
                                           ? 0
                                           : std::min<std::uint64_t>(
                                                 static_cast<std::uint64_t>(motion.declaredFrames),
                                                 fit));
                    expecting = true;
                }
                keyer.keyRow(reader.row(), reader.lineNumber(), reader.motion().frameTime);
                if (keyer.stopped()) break;
            }
            if (cancelled || task.stopRequested(reader.bytesRead())) {
                cancelled = true;
                break;
            }
        }
    } catch (...) {
        // What was keyed before the failure stays, as it would have key by key.
        keyer.finish(reader.motion().frameTime);
        throw;
    }
    reader.close();
    keyer.finish(reader.motion().frameTime);

    // 7. Report.
    result_.rotationOrder = binder.rotationOrder();
    result_.fileRotationOrder = binder.fileRotationOrder();
    if (nodes.builtRoot()) std::copy(nodes.rootOffset(), nodes.rootOffset() + 3, result_.rootOffset);
    nodes.reportRenamed(path);
    const auto finishResult = [&]() {
        result_.frameTime = keyer.frameTime();
        result_.currentFrame = keyer.currentFrame();
        result_.framesKeyed = keyer.framesKeyed();
        result_.stoppedAtEndTime = keyer.stopped();
        result_.keyTimeValue = keyer.keyTimeValue();
    };
    finishResult();
    if (cancelled) {
        bvhio::reportError(bvhio::fileLine(path, static_cast<long long>(reader.lineNumber())),
                           bvhio::textOf("import cancelled after frame ", keyer.currentFrame() - 1,
                                         "; the keys up to it stay, the rest of the file was"
                                         " not read"));
        return MS::kFailure;
    }
    if (!errors.empty()) {
        report(path, errors.front());
        return MS::kFailure;
    }
    if (reader.failed()) {
        bvhio::reportError(path, bvhio::textOf("read error; the import stopped at line ",
                                               reader.lineNumber() + 1));
        return MS::kFailure;
    }
    if (keyer.nonFiniteValues() > 0) {
        const std::size_t count = keyer.nonFiniteValues();
        bvhio::reportWarning(
            bvhio::fileLine(path, static_cast<long long>(keyer.firstNonFiniteLine())),
            bvhio::textOf("not keyed: ", count,
                          count == 1 ? " frame value that is" : " frame values that are",
                          " no finite number (nan, inf), the first on this line"));
    }
    const bvh::MotionHeaderValues& motion = reader.motion();
    const long long framesRead = keyer.currentFrame() - 1;
    if (keying && motion.declaredFrames >= 0 && !keyer.stopped() &&
        framesRead != motion.declaredFrames) {
        bvhio::reportWarning(
            bvhio::fileLine(path, static_cast<long long>(motion.declaredFramesLine)),
            bvhio::textOf("the file declares ", motion.declaredFrames, " frames and holds ",
                          framesRead, " frame lines; all ", framesRead, " are read"));
    }
    nodes.reportUnmatched(path);

    // 7. Whole-step re-keying.
    MStatus status = MS::kSuccess;
    if (settings_.inputKeys != 1 && settings_.notFloatingKey != 0 && !keyer.rekeyWholeSteps())
        status = MS::kFailure;
    result_.keyTimeValue = keyer.keyTimeValue();
    return status;
}

}  // namespace bvhimport
