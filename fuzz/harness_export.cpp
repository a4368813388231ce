#include "fuzz/harness_export.h"

#include <maya/MAnimUtil.h>
#include <maya/MDGModifier.h>
#include <maya/MFileObject.h>
#include <maya/MFn.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MPxFileTranslator.h>
#include <maya/MString.h>
#include <maya/MTime.h>
#include <maya/MTransformationMatrix.h>
#include <maya/MVector.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>
#include <vector>

#include "bvh/Text.h"
#include "bvh/Vocabulary.h"
#include "export/BvhExport.h"
#include "export/ExportSettings.h"
#include "fuzz/harness_common.h"
#include "import/BvhImport.h"
#include "plugin/SelectedSkeletons.h"

namespace bvhfuzz {

namespace exportcheck {

namespace fs = std::filesystem;

constexpr unsigned kMaxNodes = 24;
constexpr unsigned kMaxKeys = 12;
constexpr double kMaxLines = 20000;
constexpr const char* kPreviousText = "previous file\n";
const char* const kAttributes[6] = {"translateX", "translateY", "translateZ",
                                    "rotateX",    "rotateY",    "rotateZ"};

double drawDouble(ByteReader& in) {
    static const double kSpecial[] = {0.0,
                                      -0.0,
                                      1.0,
                                      -2.5,
                                      90.0,
                                      180.0,
                                      -179.5,
                                      1e-7,
                                      123456.789,
                                      1e300,
                                      -1e300,
                                      std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      std::numeric_limits<double>::denorm_min(),
                                      3.14159 / 2};
    const unsigned kind = in.below(4);
    if (kind == 0) return in.pick(kSpecial);
    // One draw per statement: the order of draws must not depend on the compiler.
    const double fraction = (static_cast<int>(in.byte()) - 128) / 8.0;
    return fraction + static_cast<int>(in.byte() % 16) * 10.0;
}

std::string drawName(ByteReader& in) {
    static const char* const kNames[] = {
        "Hips",           "Spine",   "Head",   "LeftArm",           "End",      "Site",
        "ROOT",           "JOINT",   "OFFSET", "CHANNELS",          "a}b",      "a{b",
        "mixamorig:Hips", "Frames:", "Time:",  "HIERARCHY",         "MOTION",   "bvh_import",
        "Effector",       "nan",     "-1",     "\xc3\xa9t\xc3\xa9", "\xff\xfe", "two words",
        "EndSite",        "x"};
    if (in.below(16) == 15) return std::string(300, 'n');
    return in.pick(kNames);
}

/// Option values that matter for each key: mostly meaningful ones, some junk (no number,
/// empty, a second "="), and small frame ranges only, so that no input asks for a huge file.
std::string drawValue(ByteReader& in, const std::string& key) {
    static const char* const kTexts[] = {"",     "abc", "2=3",  "nan", "inf",
                                         "-inf", "-0",  "0x10", "1.5", " 1"};
    static const char* const kModes[] = {"1", "2", "3", "1", "2", "3", "0", "4", "-1", "1"};
    static const char* const kRates[] = {"24",  "30",  "0.5",  "1000", "0",      "-24",
                                         "nan", "inf", "-inf", "abc",  "1e-300", "1e9"};
    static const char* const kScales[] = {"1",   "2",   "0.5",   "-1",     "0",
                                          "nan", "inf", "1e300", "1e-300", "abc"};
    if (in.below(8) == 0) return in.pick(kTexts);
    if (key == "exportMode" || key == "exportKeyRange") return in.pick(kModes);
    if (key == "frameRateNum") return in.pick(kRates);
    if (key == "scale") return in.pick(kScales);
    return std::to_string(in.range(-20, 120));
}

std::string drawOptions(ByteReader& in) {
    static const char* const kKeys[] = {"exportMode",
                                        "frameRate",
                                        "frameRateUnit",
                                        "frameRateNum",
                                        "exportKeyRange",
                                        "exportFrameRange",
                                        "startFrame",
                                        "endFrame",
                                        "scale",
                                        "rotationOrder",
                                        "ExportMode",
                                        "scale ",
                                        "",
                                        "junk",
                                        "exportMode",
                                        "startFrame"};
    std::string options;
    const unsigned items = in.below(9);
    for (unsigned i = 0; i < items; ++i) {
        const std::string key = in.pick(kKeys);
        if (in.below(8) == 0) {
            options += key + ";";  // no "=": ignored
            continue;
        }
        options += key + "=" + drawValue(in, key) + ";";
    }
    return options;
}

void addCurve(ByteReader& in, const MObject& node, const char* attribute) {
    MFnDependencyNode nodeFn(node);
    const MObject attr = nodeFn.attribute(attribute);
    MFnAnimCurve curve;
    curve.create(node, attr);
    // Draws are arranged so that an input that has run out of bytes still builds a scene
    // worth exporting: many nodes below the first, every attribute keyed, keys in order.
    const unsigned keys = kMaxKeys - in.below(kMaxKeys + 1);
    const bool ordered = !in.flag();
    double time = in.range(-10, 10);
    for (unsigned k = 0; k < keys; ++k) {
        if (ordered)
            time += 0.25 * (1 + in.below(8));
        else
            time = in.range(-20, 40) * 0.5;
        curve.addKey(MTime(time, MTime::uiUnit()), drawDouble(in), MFnAnimCurve::kTangentGlobal,
                     MFnAnimCurve::kTangentGlobal);
    }
}

/// True once a scene drives some attribute through a rig (see addRig): its values then come
/// from the host's evaluation, which the round-trip check does not repeat.
bool rigged = false;

/// A plug of a transform-type node by attribute name.
MPlug plugOf(const MObject& node, const char* attribute) {
    return MPlug(node, MFnDependencyNode(node).attribute(attribute));
}

/// Connects `from` to `to`; nothing when the host refuses (a driven destination, an output).
void connectPlugs(const MPlug& from, const MPlug& to) {
    MDGModifier modifier;
    modifier.connect(from, to);
    if (modifier.doIt()) rigged = true;
}

/// A few attributes of the nodes driven as in a rig: through a unit conversion, an additive
/// layer, a driven key, a constraint or a plain connection from another node, cycles and
/// already animated attributes included (the host refuses what it must).
void addRig(ByteReader& in, const std::vector<MObject>& nodes) {
    static const char* const kDriven[] = {"translateX",  "translateY",  "translateZ",
                                          "rotateX",     "rotateY",     "rotateZ",
                                          "rotateAxisY", "jointOrientZ"};
    static const char* const kConstraints[] = {"parentConstraint", "orientConstraint",
                                               "pointConstraint"};
    const unsigned count = in.below(4);
    for (unsigned i = 0; i < count; ++i) {
        const MObject node = nodes[in.below(static_cast<unsigned>(nodes.size()))];
        const MObject other = nodes[in.below(static_cast<unsigned>(nodes.size()))];
        const MPlug target = plugOf(node, in.pick(kDriven));
        const MPlug source = plugOf(other, in.pick(kDriven));
        switch (in.below(5)) {
            case 0: {
                const MObject conversion = standin::createNode("unitConversion", MObject(), "");
                plugOf(conversion, "conversionFactor").setDouble(drawDouble(in));
                addCurve(in, conversion, "input");
                connectPlugs(plugOf(conversion, "output"), target);
                break;
            }
            case 1: {
                const MObject layer = standin::createNode("animBlendNodeAdditiveDL", MObject(), "");
                plugOf(layer, "weightB").setDouble(drawDouble(in));
                connectPlugs(source, plugOf(layer, "inputA"));
                addCurve(in, layer, "inputB");
                connectPlugs(plugOf(layer, "output"), target);
                break;
            }
            case 2: {
                MFnAnimCurve curve;
                MPlug driven = target;
                if (curve.create(driven, curve.unitlessAnimCurveTypeForPlug(driven)).isNull())
                    break;
                const unsigned keys = in.below(kMaxKeys);
                for (unsigned k = 0; k < keys; ++k)
                    curve.addKey(in.range(-20, 20) * 0.5, drawDouble(in));
                connectPlugs(source, MFnDependencyNode(curve.object()).findPlug("input", false));
                break;
            }
            case 3: {
                const MObject constraint =
                    standin::createNode(in.pick(kConstraints), node, "constraint");
                const double offset[3] = {drawDouble(in), drawDouble(in), drawDouble(in)};
                standin::setConstraint(constraint, other, offset, offset);
                static const char* const kOutputs[][2] = {
                    {"constraintTranslateX", "translateX"}, {"constraintTranslateY", "translateY"},
                    {"constraintTranslateZ", "translateZ"}, {"constraintRotateX", "rotateX"},
                    {"constraintRotateY", "rotateY"},       {"constraintRotateZ", "rotateZ"}};
                MFnDependencyNode fn(constraint);
                for (const auto& [output, attribute] : kOutputs) {
                    const MObject attr = fn.attribute(output);
                    if (!attr.isNull())
                        connectPlugs(MPlug(constraint, attr), plugOf(node, attribute));
                }
                break;
            }
            default:
                connectPlugs(source, target);
        }
    }
}

/// A random tree of nodes with offsets, rotation orders, curves and now and then a rig;
/// returns the nodes.
std::vector<MObject> buildScene(ByteReader& in) {
    MTime::setUIUnit(static_cast<MTime::Unit>(in.range(0, 53)));  // kInvalid to kLast
    static const char* const kTypes[] = {"joint", "joint",     "joint",     "joint",
                                         "joint", "transform", "transform", "hikFKJoint"};
    std::vector<MObject> nodes;
    const unsigned count = kMaxNodes - in.below(kMaxNodes);
    // The selection is drawn before the nodes, so that short inputs still select something
    // (and inputs that run out of bytes select the first node).
    std::vector<unsigned> picks(in.below(8) == 7 ? 0 : 1 + in.below(3));
    for (unsigned& pick : picks) pick = in.below(count);
    for (unsigned i = 0; i < count; ++i) {
        const MObject parent = i == 0 || in.below(6) == 5 ? MObject() : nodes[in.below(i)];
        const std::string type = in.pick(kTypes);
        const MObject node = standin::createNode(type, parent, drawName(in));
        MFnTransform fn(node);
        const double x = drawDouble(in), y = drawDouble(in), z = drawDouble(in);
        fn.setTranslation(MVector(x, y, z), MSpace::kTransform);
        if (in.flag())
            fn.setRotationOrder(static_cast<MTransformationMatrix::RotationOrder>(in.range(0, 7)),
                                false);
        const unsigned animated = ~in.byte();
        for (int a = 0; a < 6; ++a)
            if (animated & (1u << a)) addCurve(in, node, kAttributes[a]);
        nodes.push_back(node);
    }
    rigged = false;
    if (in.below(4) == 0) addRig(in, nodes);
    std::vector<MObject> selection;
    for (unsigned pick : picks) selection.push_back(nodes[pick]);
    selectNodes(selection);
    return nodes;
}

/// The joint the export takes as its root: the top of the first selected joint's skeleton as
/// the selection marks it (the plug-in's own statement of that rule, which the export cases
/// check on their own).
MObject exportRoot() {
    const std::vector<SelectedSkeleton> skeletons = selectedSkeletons(SkeletonTop::kTopmostSelected);
    return skeletons.empty() ? MObject() : skeletons.front().root;
}

/// Joints in the subtree of `root`, `root` included, passing through other nodes.
std::size_t countJoints(const MObject& root) {
    std::size_t count = 0;
    std::vector<MObject> stack{root};
    while (!stack.empty()) {
        MObject node = stack.back();
        stack.pop_back();
        if (node.hasFn(MFn::kJoint)) ++count;
        MFnDagNode fn(node);
        for (unsigned i = 0; i < fn.childCount(); ++i) stack.push_back(fn.child(i));
    }
    return count;
}

MObject curveOf(const MObject& node, int attribute) {
    MFnDependencyNode fn(node);
    MPlug plug(node, fn.attribute(kAttributes[attribute]));
    MObjectArray curves;
    if (!MAnimUtil::isAnimated(plug, false) || !MAnimUtil::findAnimation(plug, curves) ||
        curves.length() == 0)
        return MObject();
    return curves[0];
}

/// The file's text; a written file's line ends ("\r\n" on Windows) read back as "\n".
std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// What the layout check learned from a written file.
struct Written {
    std::size_t blocks = 0;
    std::size_t channels = 0;
    std::vector<std::string> rootChannels;  // channel names of the ROOT block
    long long frames = 0;
    std::vector<std::vector<double>> lines;
};

std::string checkLayout(const std::string& text, Written& out) {
    if (text.empty() || text.back() != '\n') return "the file does not end with a line feed";
    std::vector<std::string_view> lines;
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        lines.push_back(rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
    std::size_t i = 0;
    if (lines[i++] != "HIERARCHY") return "the first line is not HIERARCHY";
    int depth = 0;
    bool inRoot = false;
    std::vector<std::string_view> tokens;
    for (;; ++i) {
        if (i >= lines.size()) return "no MOTION line";
        std::string_view line = lines[i];
        if (line == "MOTION") break;
        std::size_t tabs = 0;
        while (tabs < line.size() && line[tabs] == '\t') ++tabs;
        line.remove_prefix(tabs);
        if (line.rfind("ROOT ", 0) == 0 || line.rfind("JOINT ", 0) == 0 || line == "End Site") {
            if (static_cast<int>(tabs) != depth) return "a block header at the wrong depth";
            inRoot = out.blocks == 0;
            ++out.blocks;
        } else if (line == "{") {
            ++depth;
        } else if (line == "}") {
            if (--depth < 0) return "more } than blocks";
            inRoot = false;
        } else if (line.rfind("OFFSET ", 0) == 0) {
            bvh::splitBlanks(line, tokens);
            if (tokens.size() != 4) return "an OFFSET line without three numbers";
        } else if (line.rfind("CHANNELS ", 0) == 0) {
            bvh::splitBlanks(line, tokens);
            if (tokens.size() < 2 || std::to_string(tokens.size() - 2) != tokens[1])
                return "a CHANNELS count that disagrees with its names: " + std::string(line);
            out.channels += tokens.size() - 2;
            if (inRoot)
                for (std::size_t t = 2; t < tokens.size(); ++t)
                    out.rootChannels.emplace_back(tokens[t]);
        } else {
            return "an unexpected hierarchy line: " + std::string(line);
        }
    }
    if (depth != 0) return "unbalanced braces";
    if (++i >= lines.size() || lines[i].rfind("Frames: ", 0) != 0) return "no Frames: line";
    out.frames = std::atoll(std::string(lines[i].substr(8)).c_str());
    if (++i >= lines.size() || lines[i].rfind("Frame Time: ", 0) != 0) return "no Frame Time: line";
    const double frameTime = bvh::parseDouble(lines[i].substr(12));
    if (!(frameTime > 0) || !std::isfinite(frameTime)) return "a frame time that is no duration";
    for (++i; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.empty() || line.back() != ' ') return "a frame line that does not end in a blank";
        bvh::splitBlanks(line, tokens);
        if (tokens.size() != out.channels)
            return "a frame line with " + std::to_string(tokens.size()) + " values for " +
                   std::to_string(out.channels) + " channels";
        std::vector<double> values;
        for (std::string_view token : tokens) values.push_back(bvh::parseDouble(token));
        out.lines.push_back(std::move(values));
    }
    if (static_cast<long long>(out.lines.size()) != (out.frames > 0 ? out.frames : 0))
        return "Frames: " + std::to_string(out.frames) + " but " +
               std::to_string(out.lines.size()) + " frame lines";
    return {};
}

bool close(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    if (std::isinf(a) || std::isinf(b)) return a == b;
    return std::fabs(a - b) <= 1e-5 * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

/// The value the export should write for line `m` of a root position channel, or false when
/// the rules of the mode leave it to another curve. Key mode writes every channel at the key
/// times of `leading`, the first curve with keys (null when it is no curve of the root).
bool expectedRootValue(const MObject& curveObject, const MObject& leading,
                       const bvhexport::ExportSettings& settings, int uiUnit, std::size_t m,
                       double& sample, double& value) {
    MFnAnimCurve curve(curveObject);
    if (settings.exportMode == 1) {
        if (leading.isNull()) return false;
        MFnAnimCurve leadingFn(leading);
        const long long first = settings.exportKeyRange == 1 ? 0 : settings.startFrame - 1;
        const long long key = first + static_cast<long long>(m);
        if (key < 0 || key >= static_cast<long long>(leadingFn.numKeys())) return false;
        const MTime time = leadingFn.time(static_cast<unsigned>(key));
        unsigned index = 0;
        if (curveObject == leading)
            value = curve.value(static_cast<unsigned>(key));
        else if (curve.find(time, index))
            value = curve.value(index);
        else
            value = curve.evaluate(time);
        return true;
    }
    value = curve.evaluate(MTime(sample, static_cast<MTime::Unit>(uiUnit)));
    return true;
}

/// Reads a written file back and compares it with the scene it came from.
std::string checkRoundTrip(const std::string& path, const Written& written,
                           const bvhexport::ExportSettings& settings, const MObject& root) {
    std::ostringstream captured;
    std::streambuf* saved = std::cerr.rdbuf(captured.rdbuf());
    std::cerr.clear();
    BvhImport importer;
    MFileObject file;
    file.setRawFullName(MString(path.c_str()));
    const CallTimer timer;
    const MStatus status = importer.reader(file, "", MPxFileTranslator::kImportAccessMode);
    const std::string slow = timer.check("reading the file back");
    std::cerr.rdbuf(saved);
    std::cerr.clear();
    if (!slow.empty()) return slow;
    if (status != MS::kSuccess) return "a written file failed to import: " + captured.str();
    // Values that are no numbers are written as such and read back without a key, with one
    // warning. Joints that groups kept apart in the scene may share a name and become
    // siblings in the file, which the host then numbers, with one warning. Any other message
    // is a fault.
    std::string messages;
    std::istringstream reported(captured.str());
    for (std::string line; std::getline(reported, line);) {
        if (line.find(": warning: not keyed: ") != std::string::npos) continue;
        if (line.find(" joint names are not names the host can hold or clash with a sibling's") !=
            std::string::npos)
            continue;
        messages += line + "\n";
    }
    if (!messages.empty()) return "a written file imported with messages: " + messages;

    const MObject transform = importer.importTransform();
    MFnDagNode transformFn(transform);
    const std::size_t joints =
        transformFn.childCount() == 0 ? 0 : countJoints(transformFn.child(0));
    if (joints != written.blocks)
        return "the file has " + std::to_string(written.blocks) + " blocks, the import made " +
               std::to_string(joints) + " joints";
    if (joints == 0) return {};
    const MObject imported = transformFn.child(0);

    // Every channel curve of the root holds one key per frame line whose value is a number.
    const std::size_t lines = written.lines.size();
    std::size_t column = 0;
    const int uiUnit = static_cast<int>(MTime::uiUnit());
    MObject leading;
    for (const std::string& name : written.rootChannels) {
        const MObject curve = curveOf(root, bvh::channelIndex(name));
        if (!curve.isNull() && MFnAnimCurve(curve).numKeys() > 0) {
            leading = curve;
            break;
        }
    }
    for (const std::string& name : written.rootChannels) {
        const int attribute = bvh::channelIndex(name);
        const MObject importedCurve = curveOf(imported, attribute);
        if (importedCurve.isNull()) return "the import made no curve for root channel " + name;
        MFnAnimCurve importedFn(importedCurve);
        // A rotation converted as a whole gets no key on a line where any of its angles is
        // no number; whether it is converted depends on its order, so rotations are held
        // between the lines where all the root's angles are numbers and those where its own is.
        std::size_t finite = 0;
        std::size_t allFinite = 0;
        for (const std::vector<double>& line : written.lines) {
            if (!std::isfinite(line[column])) continue;
            ++finite;
            bool all = true;
            for (std::size_t c = 0; c < written.rootChannels.size(); ++c)
                if (bvh::channelIndex(written.rootChannels[c]) >= 3 && !std::isfinite(line[c]))
                    all = false;
            if (all) ++allFinite;
        }
        const std::size_t keys = importedFn.numKeys();
        const bool rotation = attribute >= 3;
        if (finite > 0 && (rotation ? keys < allFinite || keys > finite : keys != finite))
            return "root channel " + name + " has " + std::to_string(keys) + " keys for " +
                   std::to_string(finite) + " frame values";
        // Root positions are written absolute and read back as they are (a rig's values are
        // the host's evaluation, not repeated here).
        if (attribute < 3 && lines > 0 && !rigged) {
            const MObject sceneCurve = curveOf(root, attribute);
            const double step =
                settings.exportMode == 3
                    ? (1 / bvhexport::secondsPerFrame(uiUnit)) / settings.frameRateNum
                    : 1.0;
            double sample = settings.startFrame;  // sample m lies at startFrame + m * step
            unsigned key = 0;  // the imported key of line m, when its value is a number
            for (std::size_t m = 0; m < lines;
                 ++m, sample = settings.startFrame + static_cast<double>(m) * step) {
                const bool keyed = std::isfinite(written.lines[m][column]);
                key += keyed ? 1 : 0;
                double expected = 0;
                if (!expectedRootValue(sceneCurve, leading, settings, uiUnit, m, sample, expected))
                    continue;
                expected *= settings.scale;
                const double got = keyed ? importedFn.value(key - 1) : expected;
                if (!close(written.lines[m][column], expected) || !close(got, expected)) {
                    std::ostringstream problem;
                    problem << "root " << name << " line " << m << ": scene " << expected
                            << ", file " << written.lines[m][column] << ", imported " << got;
                    return problem.str();
                }
            }
        }
        ++column;
    }
    return {};
}

enum class Target { kNew, kExisting, kMissingFolder, kDirectory, kFullDevice };

std::string exportOnce(ByteReader& in, BvhExport& translator, const fs::path& folder, int round) {
    std::string options = drawOptions(in);
    static const Target kTargets[] = {
        Target::kNew,      Target::kNew,           Target::kNew,       Target::kExisting,
        Target::kExisting, Target::kMissingFolder, Target::kDirectory, Target::kFullDevice};
    const Target target = in.pick(kTargets);

    // Keep resampling within a few thousand lines; the writer honours any range it is given.
    bvhexport::ExportSettings settings = translator.settings();
    bvhexport::applyExportOptions(MString(options.c_str()), settings);
    if (settings.exportMode == 3 && settings.frameRateNum > 0 &&
        std::isfinite(settings.frameRateNum)) {
        const double step = (1 / bvhexport::secondsPerFrame(static_cast<int>(MTime::uiUnit()))) /
                            settings.frameRateNum;
        const double lines =
            std::floor(static_cast<double>(settings.endFrame - settings.startFrame) / step) + 1;
        if (lines > kMaxLines) {
            options += "exportMode=2;";
            settings.exportMode = 2;
        }
    }

    std::string path;
    switch (target) {
        case Target::kNew:
        case Target::kExisting:
            path = (folder / ("out" + std::to_string(round) + ".bvh")).string();
            fs::remove(path);
            if (target == Target::kExisting) std::ofstream(path, std::ios::binary) << kPreviousText;
            break;
        case Target::kMissingFolder:
            path = (folder / "missing" / "out.bvh").string();
            break;
        case Target::kDirectory:
            path = (folder / "folder.bvh").string();
            fs::create_directories(path);
            break;
        case Target::kFullDevice:
            path = "/dev/full";
            break;
    }

    const MObject root = exportRoot();
    std::ostringstream captured;
    std::streambuf* saved = std::cerr.rdbuf(captured.rdbuf());
    std::cerr.clear();
    MFileObject file;
    file.setRawFullName(MString(path.c_str()));
    const CallTimer timer;
    const MStatus status = translator.writer(file, MString(options.c_str()),
                                             MPxFileTranslator::kExportActiveAccessMode);
    std::cerr.rdbuf(saved);
    std::cerr.clear();
    const std::string messages = captured.str();
    const bool ok = status == MS::kSuccess;
    const std::string slow = timer.check("the export");
    if (!slow.empty()) return "export " + std::to_string(round) + ": " + slow;

    const std::string what = "export " + std::to_string(round) + " (" + options + ")";
    if (std::getenv("BVHFUZZ_TRACE") != nullptr && round == 0)
        std::printf("%s", sceneDigest().c_str());
    if (std::getenv("BVHFUZZ_TRACE") != nullptr)
        std::printf("%s to %s: %s %s", what.c_str(), path.c_str(), ok ? "success" : "failure",
                    messages.empty() ? "\n" : messages.c_str());
    for (std::size_t start = 0; start < messages.size();) {
        const std::size_t end = messages.find('\n', start);
        if (end == std::string::npos) return what + ": message without a line end";
        if (messages.compare(start, path.size(), path) != 0)
            return what +
                   ": message does not start with the path: " + messages.substr(start, end - start);
        start = end + 1;
    }
    if (!ok && messages.empty()) return what + ": failure without a message";
    if (ok && target != Target::kNew && target != Target::kExisting)
        return what + ": success writing to " + path;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().front() == '.')
            return what + ": left " + entry.path().string() + " behind";
    if (target != Target::kNew && target != Target::kExisting) return {};
    if (!ok) {
        if (target == Target::kExisting && readText(path) != kPreviousText)
            return what + ": a failed export changed the file that was there";
        if (target == Target::kNew && fs::exists(path))
            return what + ": a failed export left a file";
        return {};
    }
    if (root.isNull()) return what + ": success without a selected joint";

    Written written;
    std::string problem = checkLayout(readText(path), written);
    if (problem.empty() && written.blocks != countJoints(root))
        problem = "the file has " + std::to_string(written.blocks) + " blocks for " +
                  std::to_string(countJoints(root)) + " joints";
    if (problem.empty()) problem = checkRoundTrip(path, written, settings, root);
    return problem.empty() ? problem : what + ": " + problem;
}

}  // namespace exportcheck

std::string runExportInput(const std::uint8_t* data, std::size_t size) {
    namespace fs = std::filesystem;
    static const fs::path folder = [] {
        const fs::path base =
            fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        return base / ("bvhfuzz-export-" + std::to_string(processId()));
    }();
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);

    // The scene is drawn from the front of the input, the exports from its back.
    ByteReader sceneBytes(data, size);
    ByteReader runBytes(data, size, true);
    standin::resetScene();
    exportcheck::buildScene(sceneBytes);
    std::string problem;
    BvhExport translator;
    const int exports = 1 + static_cast<int>(runBytes.below(3));
    for (int round = 0; round < exports && problem.empty(); ++round)
        problem = exportcheck::exportOnce(runBytes, translator, folder, round);
    standin::resetScene();
    fs::remove_all(folder, ec);
    return problem;
}

}  // namespace bvhfuzz
