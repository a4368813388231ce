#include "fuzz/harness_import.h"

#include <maya/MFileObject.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MPxFileTranslator.h>
#include <maya/MString.h>
#include <maya/MTime.h>
#include <maya/MVector.h>

#include <cstdlib>
#include <iostream>
#include <sstream>

#include "fuzz/harness_common.h"
#include "import/BvhImport.h"

namespace bvhfuzz {

namespace importcheck {

// Larger files are imported once only: the second, comparing run would halve the rate at
// which the fuzzer tries inputs without finding more.
constexpr std::size_t kCompareLimit = 16 * 1024;

/// What one read did.
struct Run {
    bool ok = false;
    int importSkelton = 0;
    std::string messages;  // standard error of the read
    std::string slow;      // set when the read took too long
};

/// Runs the reader on the scratch file with standard error captured.
Run read(const std::string& path, const std::string& options) {
    Run run;
    std::ostringstream captured;
    std::streambuf* saved = std::cerr.rdbuf(captured.rdbuf());
    std::cerr.clear();
    const CallTimer timer;
    {
        BvhImport translator;
        MFileObject file;
        file.setRawFullName(MString(path.c_str()));
        const MStatus status =
            translator.reader(file, MString(options.data(), static_cast<int>(options.size())),
                              MPxFileTranslator::kImportAccessMode);
        run.ok = status == MS::kSuccess;
        run.importSkelton = translator.settings().importSkelton;
    }
    run.slow = timer.check("an import");
    std::cerr.rdbuf(saved);
    std::cerr.clear();
    run.messages = captured.str();
    return run;
}

/// Every message names the file first, on a line of its own; a failure says why.
std::string checkMessages(const Run& run, const std::string& path, const char* what) {
    if (!run.slow.empty()) return std::string(what) + ": " + run.slow;
    std::size_t start = 0;
    while (start < run.messages.size()) {
        std::size_t end = run.messages.find('\n', start);
        if (end == std::string::npos)
            return std::string(what) +
                   ": message without a line end: " + run.messages.substr(start);
        const std::string line = run.messages.substr(start, end - start);
        if (line.compare(0, path.size(), path) != 0)
            return std::string(what) + ": message does not start with the path: " + line;
        start = end + 1;
    }
    if (!run.ok && run.messages.empty()) return std::string(what) + ": failure without a message";
    return {};
}

std::size_t countOccurrences(std::string_view text, std::string_view word) {
    std::size_t count = 0;
    for (std::size_t p = text.find(word); p != std::string_view::npos; p = text.find(word, p + 1))
        ++count;
    return count;
}

/// The joints directly below the "bvh_import" transform of a skeleton import.
MObject firstImportedRoot() {
    const MObject transform = standin::findNode("|bvh_import");
    if (transform.isNull()) return MObject();
    MFnDagNode fn(transform);
    if (fn.childCount() == 0) return MObject();
    return fn.child(0);
}

MObject addJoint(const std::string& type, const MObject& parent, const std::string& name, double x,
                 double y, double z) {
    MObject node = standin::createNode(type, parent, name);
    MFnTransform fn(node);
    fn.setTranslation(MVector(x, y, z), MSpace::kTransform);
    return node;
}

void addKeys(const MObject& node, const char* attribute, int count, double base) {
    MFnDependencyNode nodeFn(node);
    const MObject attr = nodeFn.attribute(attribute);
    MFnAnimCurve curve;
    curve.create(node, attr);
    for (int i = 0; i < count; ++i)
        curve.addKey(MTime(2.0 * i, MTime::uiUnit()), base + i, MFnAnimCurve::kTangentGlobal,
                     MFnAnimCurve::kTangentGlobal);
}

/// An animated skeleton with a group, a derived joint type and a joint named like a keyword
/// inside it; returns two of its joints to select.
std::vector<MObject> buildTargetScene() {
    const MObject world;
    const MObject group = standin::createNode("transform", world, "rig");
    const MObject hips = addJoint("joint", group, "Hips", 0, 90, 0);
    addKeys(hips, "translateX", 3, 0.5);
    addKeys(hips, "rotateY", 4, -1.0);
    const MObject spine = addJoint("joint", hips, "Spine", 0, 10, 0);
    addKeys(spine, "rotateZ", 2, 0.25);
    const MObject head = addJoint("joint", spine, "Head", 0, 20, 0);
    const MObject legGroup = standin::createNode("transform", hips, "legs");
    const MObject leg = addJoint("joint", legGroup, "LeftLeg", 10, -40, 0);
    const MObject foot = addJoint("hikFKJoint", leg, "LeftFoot", 0, -40, 5);
    addJoint("joint", hips, "End", 0, 0, -5);
    return {head, foot};
}

std::string importFile(const std::string& path, const ImportInput& input) {
    // 1. Skeleton import (or whatever the options ask for) into an empty scene.
    standin::resetScene();
    MTime::setUIUnit(static_cast<MTime::Unit>(input.uiUnit));
    const Run first = read(path, input.options);
    std::string problem = checkMessages(first, path, "import");
    if (!problem.empty()) return problem;
    const std::size_t nodes = countNodes();
    if (first.importSkelton == 2) {
        if (first.ok) return "animation-only import with nothing selected reported success";
        if (nodes != 0) return "animation-only import with nothing selected changed the scene";
    } else if (first.ok) {
        if (standin::findNode("|bvh_import").isNull())
            return "skeleton import succeeded without a bvh_import transform";
        if (first.importSkelton != 1 && nodes != 1)
            return "an import that creates no joints created " + std::to_string(nodes - 1);
        if (nodes - 1 > countOccurrences(input.file, "OFFSET"))
            return "more joints than OFFSET lines: " + std::to_string(nodes - 1);
    }

    if (input.file.size() <= kCompareLimit) {
        const std::string scene = sceneDigest();
        standin::resetScene();
        MTime::setUIUnit(static_cast<MTime::Unit>(input.uiUnit));
        const Run again = read(path, input.options);
        if (again.ok != first.ok || again.messages != first.messages)
            return "a second import of the same input reported differently";
        if (sceneDigest() != scene)
            return "a second import of the same input built a different scene";
    }

    // 2. Animation-only import onto the skeleton that the first import built.
    const std::string animationOnly = input.options + ";importSkelton=2";
    const MObject root = firstImportedRoot();
    if (!root.isNull()) {
        selectNodes({root});
        const std::size_t before = countNodes();
        const Run onto = read(path, animationOnly);
        problem = checkMessages(onto, path, "animation-only import onto the import");
        if (!problem.empty()) return problem;
        if (countNodes() != before) return "animation-only import added or removed nodes";
    }

    // 3. Animation-only import onto an animated skeleton, two of its joints selected.
    standin::resetScene();
    MTime::setUIUnit(static_cast<MTime::Unit>(input.uiUnit));
    selectNodes(buildTargetScene());
    const std::size_t before = countNodes();
    const Run targeted = read(path, animationOnly);
    problem = checkMessages(targeted, path, "animation-only import onto a rig");
    if (!problem.empty()) return problem;
    if (countNodes() != before) return "animation-only import onto a rig added or removed nodes";
    return {};
}

}  // namespace importcheck

ImportInput parseImportInput(const std::uint8_t* data, std::size_t size) {
    ImportInput input;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (;;) {
        const bool isOptions = rest.compare(0, 6, "#opts:") == 0;
        const bool isUnit = rest.compare(0, 6, "#unit:") == 0;
        if (!isOptions && !isUnit) break;
        std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) end = rest.size();
        const std::string value(rest.substr(6, end - 6));
        if (isOptions)
            input.options = value;
        else
            // Any value of the host's unit enumeration, valid units or not; values outside it
            // cannot be passed to the host at all.
            input.uiUnit = static_cast<int>(static_cast<unsigned>(std::atoi(value.c_str())) % 54);
        rest.remove_prefix(end < rest.size() ? end + 1 : end);
    }
    input.file = rest;
    return input;
}

std::string runImportInput(const std::uint8_t* data, std::size_t size) {
    static ScratchFile scratch;
    const ImportInput input = parseImportInput(data, size);
    if (!scratch.write(input.file)) return "the scratch file could not be written";
    const std::string problem = importcheck::importFile(scratch.path(), input);
    standin::resetScene();
    return problem;
}

}  // namespace bvhfuzz
