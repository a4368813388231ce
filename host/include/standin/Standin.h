#pragma once
// Test and tool conveniences of the stand-in host. Not part of the host SDK:
// plug-in code (bvh/, import/, export/, plugin/) never includes this header.

#include <maya/MObject.h>
#include <maya/MPxFileTranslator.h>
#include <maya/MTime.h>
#include <maya/MTypes.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace standin {

/// Empties the scene: no nodes, no curves, empty selection, UI time unit film, no
/// user-defined time unit.
void resetScene();

/// The lines given to the Script Editor through MGlobal::displayError ("Error: ..."),
/// displayWarning ("Warning: ...") and displayInfo, oldest first, since the last clear.
std::vector<std::string> scriptEditorLines();
void clearScriptEditor();

/// Makes MTime::kUserDef a unit of `ticks` ticks (1/141120000 s each), as a host with a
/// user-defined frame rate has; 0 or less makes it no unit again.
void setUserDefinedUnit(long long ticks);

/// Creates a node of `type` and gives it `name`, made unique the way the host does it:
/// a DAG node ("transform", "joint", "hikFKJoint" (the node type derived from the joint type),
/// "parentConstraint", "orientConstraint", "pointConstraint") under `parent` (null object:
/// under the world), or a node outside the DAG ("unitConversion", "animBlendNodeAdditiveDL",
/// "animBlendNodeAdditiveRotation"; `parent` is ignored). Returns the null object for an
/// unknown type.
MObject createNode(const std::string& type, const MObject& parent, const std::string& name);

/// True for a type that createNode makes; `dag` (when given) says whether its nodes are
/// DAG nodes.
bool knownNodeType(const std::string& type, bool* dag = nullptr);

/// A constraint's one target (null: none) and the offsets it keeps from it (radians, XYZ),
/// which the SDK sets through attributes the stand-in does not have. False, changing
/// nothing, for anything but a constraint, or a target that is no transform.
bool setConstraint(const MObject& constraint, const MObject& target,
                   const double offsetTranslate[3], const double offsetRotate[3]);
bool getConstraint(const MObject& constraint, MObject& target, double offsetTranslate[3],
                   double offsetRotate[3]);

/// The nodes outside the DAG (unit conversions, blend nodes; not curves), in creation order.
std::vector<MObject> dependencyNodes();

/// Adds `parent` as a further parent of `node` (instancing). The first parent stays first.
bool addParent(const MObject& node, const MObject& parent);

/// The rotate axis of a transform as the host keeps the attribute: three angles in XYZ order,
/// radians. (The SDK hands it out only as a quaternion, MFnTransform::rotateOrientation.)
/// False, changing nothing, for anything but a transform or joint.
bool getRotateAxis(const MObject& node, double xyz[3]);
bool setRotateAxis(const MObject& node, const double xyz[3]);

/// The nodes directly under the world, in creation order.
std::vector<MObject> topLevelNodes();

/// A node found by full DAG path ("|a|b") or, when unique, by short name; null when none.
MObject findNode(const std::string& nameOrPath);

/// Full DAG path of a node through its first parents ("|bvh_import|Hips").
std::string fullPath(const MObject& node);

/// Type name of a node as the scene file writes it ("transform", "joint", "hikFKJoint").
std::string nodeTypeName(const MObject& node);

/// The unit of a host time-unit name ("game", "film", "pal", "ntsc", "show", "palf",
/// "ntscf", "millisec", "sec", "min", "hour", "2fps" ... "6000fps", "23.976fps", "29.97fps",
/// "29.97df", "47.952fps", "59.94fps", "44100fps", "48000fps", "90fps").
/// False, leaving `unit` unchanged, for any other text.
bool unitFromName(const std::string& name, MTime::Unit& unit);
/// The host name of a unit; empty for kInvalid, kUserDef, kLast and other values.
std::string unitName(MTime::Unit unit);

/// Scene files (JSON). On failure the scene is unchanged and `error` says why in one line.
bool saveSceneFile(const std::string& path, std::string& error);
bool loadSceneFile(const std::string& path, std::string& error);
std::string sceneToJson();
bool sceneFromJson(const std::string& text, std::string& error);

/// One registered file translator, as the plug-in gave it at registration.
struct TranslatorInfo {
    std::string name;
    std::string pixmap;
    MCreatorFunction creator = nullptr;
    std::string optionsScript;
    std::string defaultOptions;
    bool requiresFullMel = false;
    /// The plug-in object of the module that registered it: only that module deregisters it.
    const void* owner = nullptr;
};

/// The host's registry of file translators (filled by MFnPlugin::registerFileTranslator).
const std::vector<TranslatorInfo>& registeredTranslators();
const TranslatorInfo* findTranslator(const std::string& name);

/// Loads a plug-in module as the host does: open it with the system's loader (LoadLibraryW on
/// Windows, dlopen elsewhere; the path is UTF-8), check MApiVersion, call initializePlugin.
/// Unloading calls uninitializePlugin and closes the module.
class PluginModule {
public:
    PluginModule() = default;
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;
    /// False with a one-line `error` when the module cannot be opened, lacks an entry point
    /// or MApiVersion, or initializePlugin returns failure (the module stays loaded then,
    /// as in the host, so that it can be unloaded).
    bool load(const std::string& path, std::string& error);
    /// Calls uninitializePlugin and closes the module; false when it returns failure.
    bool unload(std::string& error);
    bool isLoaded() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
    MObject pluginObject_;
};

/// Calls into the host API, counted by kind ("MFnAnimCurve::addKey"): the members of the
/// function sets, plugs, DAG paths, selection lists and their iterator, animation queries,
/// MGlobal and MComputation; not value types (strings, times, arrays, maths). Counted since
/// the last reset; a call the host makes while answering another is not counted.
struct HostCallCount {
    std::string kind;
    std::uint64_t count = 0;
};
/// The kinds called at least once, by name.
std::vector<HostCallCount> hostCalls();
std::uint64_t hostCallTotal();
void resetHostCalls();

/// The user asks to interrupt the running computation (or the next one that starts): what
/// Esc does in the host. Safe to call from a signal handler.
void requestInterrupt();
/// Test hook: the `checks`-th call of MComputation::isInterruptRequested from now on (counted
/// over the computations that can be interrupted) finds an interrupt; 0 or less: never.
void interruptAfterChecks(long checks);
/// True while a computation runs. Safe to call from a signal handler.
bool computationActive();

#ifdef _WIN32
/// The system's words for a Windows error code (GetLastError), as UTF-8 text on one line
/// without the closing full stop.
std::string windowsErrorText(unsigned long code);
#endif

/// What the host's progress bar shows.
struct ProgressState {
    bool showing = false;  ///< false once the computation has ended
    int minimum = 0;
    int maximum = 100;
    int value = 0;
    std::string status;
    long updates = 0;  ///< setProgress calls in this computation
};
/// Called whenever the progress bar of a computation appears, changes or goes away; an empty
/// function removes the observer.
using ProgressObserver = std::function<void(const ProgressState&)>;
void setProgressObserver(ProgressObserver observer);

}  // namespace standin
