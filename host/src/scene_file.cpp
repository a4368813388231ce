// Scene files of the stand-in host: the whole in-memory scene as JSON.
//
// Everything here goes through the public SDK calls plus the stand-in's own node helpers,
// so a scene file shows the scene exactly as a plug-in sees it.
//
// Layout of the written text: one node, one curve per line, so that large scenes stay
// diffable and no pretty-printer has to indent millions of key numbers.

#include <maya/MAnimControl.h>
#include <maya/MDGModifier.h>
#include <maya/MDagPath.h>
#include <maya/MDoubleArray.h>
#include <maya/MEulerRotation.h>
#include <maya/MFn.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MObjectArray.h>
#include <maya/MPlug.h>
#include <maya/MPlugArray.h>
#include <maya/MSelectionList.h>
#include <maya/MTime.h>
#include <maya/MTimeArray.h>
#include <maya/MTransformationMatrix.h>
#include <maya/MVector.h>
#include <standin/Standin.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace standin {
namespace {

using Json = nlohmann::ordered_json;

/// The attribute values that the nodes outside the DAG keep in the file, by long name.
constexpr const char* kNodeFields[] = {"conversionFactor", "weightA", "weightB"};

/// JSON has no NaN or infinity; such key values (a capture can hold "nan") are written as
/// the strings "nan", "inf" and "-inf" so that they survive a save and load.
Json numberToJson(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return value;
}

bool numberFromJson(const Json& j, bool allowNonFinite, double& out) {
    if (j.is_number()) {
        out = j.get<double>();
        return true;
    }
    if (!allowNonFinite || !j.is_string()) return false;
    const std::string& s = j.get_ref<const std::string&>();
    if (s == "nan") {
        out = std::numeric_limits<double>::quiet_NaN();
    } else if (s == "inf") {
        out = std::numeric_limits<double>::infinity();
    } else if (s == "-inf") {
        out = -std::numeric_limits<double>::infinity();
    } else {
        return false;
    }
    return true;
}

/// Messages stay on one line whatever the parser quoted from the input.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

std::string jsonQuoted(const std::string& text) { return Json(text).dump(); }

/// The DAG in file order: parents first, siblings in child order. A node with several
/// parents is listed once, under its first parent, where its full path leads.
void collectNodes(std::vector<MObject>& out) {
    std::vector<MObject> stack;
    const std::vector<MObject> top = topLevelNodes();
    for (auto it = top.rbegin(); it != top.rend(); ++it) stack.push_back(*it);
    while (!stack.empty()) {
        MObject node = stack.back();
        stack.pop_back();
        out.push_back(node);
        MFnDagNode dag(node);
        const unsigned int count = dag.childCount();
        for (unsigned int i = count; i-- > 0;) {
            MObject child = dag.child(i);
            MFnDagNode childDag(child);
            if (childDag.parentCount() > 0 && childDag.parent(0) == node) stack.push_back(child);
        }
    }
}

/// Three angles as a JSON array, or nothing (null) when all are zero: the optional rotation
/// fields are left out then, so scenes without them read and write as they always did.
Json anglesToJson(const MEulerRotation& r) {
    if (r.x == 0.0 && r.y == 0.0 && r.z == 0.0) return Json();
    return Json::array({numberToJson(r.x), numberToJson(r.y), numberToJson(r.z)});
}

Json nodeToJson(const MObject& node, const std::string& path) {
    MFnTransform transform(node);
    const MVector t = transform.getTranslation(MSpace::kTransform);
    Json j = Json::object();
    j["path"] = path;
    j["type"] = nodeTypeName(node);
    j["translate"] = Json::array({numberToJson(t.x), numberToJson(t.y), numberToJson(t.z)});
    j["rotateOrder"] = static_cast<int>(transform.rotationOrder());
    MEulerRotation rotate;
    transform.getRotation(rotate);
    MEulerRotation orient;
    if (node.hasFn(MFn::kJoint)) MFnIkJoint(node).getOrientation(orient);
    double axis[3];
    getRotateAxis(node, axis);
    const MEulerRotation axisAngles(axis[0], axis[1], axis[2]);
    const std::pair<const char*, Json> angles[] = {{"rotate", anglesToJson(rotate)},
                                                   {"jointOrient", anglesToJson(orient)},
                                                   {"rotateAxis", anglesToJson(axisAngles)}};
    for (const auto& [key, value] : angles)
        if (!value.is_null()) j[key] = value;
    MFnDagNode dag(node);
    const unsigned int parents = dag.parentCount();
    if (parents > 1) {
        Json extra = Json::array();
        for (unsigned int i = 1; i < parents; ++i) extra.push_back(fullPath(dag.parent(i)));
        j["instanceParents"] = std::move(extra);
    }
    MObject target;
    double offsetTranslate[3], offsetRotate[3];
    if (getConstraint(node, target, offsetTranslate, offsetRotate)) {
        if (!target.isNull()) j["target"] = fullPath(target);
        j["offsetTranslate"] =
            Json::array({numberToJson(offsetTranslate[0]), numberToJson(offsetTranslate[1]),
                         numberToJson(offsetTranslate[2])});
        j["offsetRotate"] =
            Json::array({numberToJson(offsetRotate[0]), numberToJson(offsetRotate[1]),
                         numberToJson(offsetRotate[2])});
    }
    return j;
}

/// A node outside the DAG: its name for a path, its type and the values of kNodeFields it has.
Json dependencyNodeToJson(const MObject& node) {
    MFnDependencyNode dep(node);
    Json j = Json::object();
    j["path"] = dep.name().asChar();
    j["type"] = nodeTypeName(node);
    for (const char* field : kNodeFields) {
        const MObject attr = dep.attribute(field);
        if (!attr.isNull()) j[field] = numberToJson(MPlug(node, attr).asDouble());
    }
    return j;
}

/// Where a plug's node is in a file: its full path in the DAG, its name outside it.
std::string plugName(const MPlug& plug) {
    const MObject node = plug.node();
    const std::string where =
        node.hasFn(MFn::kDagNode) ? fullPath(node) : MFnDependencyNode(node).name().asChar();
    return where + "." + plug.partialName(false, false, false, false, false, true).asChar();
}

/// The curve written with `plug`: the one whose output drives it, when `plug` is the first
/// plug that output drives (a curve is written once; further plugs it drives are left out).
MObject curveWrittenAt(const MPlug& plug) {
    const MPlug source = plug.source();
    if (source.isNull() || !source.node().hasFn(MFn::kAnimCurve)) return MObject();
    MPlugArray driven;
    source.destinations(driven);
    return driven.length() > 0 && driven[0] == plug ? source.node() : MObject();
}

/// Appends a number as the shortest text that reads back to the same double; the strings
/// of numberToJson for values that are not finite.
void appendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += std::isnan(value) ? "\"nan\"" : value > 0 ? "\"inf\"" : "\"-inf\"";
        return;
    }
    char buffer[32];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, static_cast<std::size_t>(r.ptr - buffer));
}

/// Keys are written directly rather than through a JSON value per key: a scene holds
/// millions of them. A driven-key curve names the plug that drives its input (null when
/// none does) and keys values over its input's values.
void appendCurves(const MObject& node, std::string& out, bool& first, MTime::Unit ui) {
    MFnDependencyNode dep(node);
    const unsigned int attributes = dep.attributeCount();
    for (unsigned int a = 0; a < attributes; ++a) {
        const MPlug plug(node, dep.attribute(a));
        const MObject curveObject = curveWrittenAt(plug);
        if (curveObject.isNull()) continue;
        MFnAnimCurve curve(curveObject);
        const bool driven = curve.isUnitlessInput();
        const unsigned int n = curve.numKeys();
        out += first ? "\n  {\"plug\": " : ",\n  {\"plug\": ";
        first = false;
        out += jsonQuoted(plugName(plug));
        if (driven) {
            const MPlug input = MFnDependencyNode(curveObject).findPlug("input", false).source();
            out += ", \"input\": ";
            out += input.isNull() ? "null" : jsonQuoted(plugName(input));
        }
        out += ", \"keys\": [";
        for (unsigned int k = 0; k < n; ++k) {
            out += k == 0 ? "[" : ",[";
            appendNumber(out, driven ? curve.unitlessInput(k) : curve.time(k).as(ui));
            out += ',';
            appendNumber(out, curve.value(k));
            out += ']';
        }
        out += "]}";
    }
}

/// The connections of the node's plugs that the curves do not already state, as
/// ["SOURCE.attribute", "DESTINATION.attribute"] pairs.
void appendConnections(const MObject& node, Json& connections) {
    MFnDependencyNode dep(node);
    const unsigned int attributes = dep.attributeCount();
    for (unsigned int a = 0; a < attributes; ++a) {
        const MPlug plug(node, dep.attribute(a));
        const MPlug source = plug.source();
        if (source.isNull() || source.node().hasFn(MFn::kAnimCurve)) continue;
        connections.push_back(Json::array({plugName(source), plugName(plug)}));
    }
}

struct NodeEntry {
    std::string path;
    std::string type;
    std::string name;
    int parent = -1;  // index into the node list, -1 for the world
    double translate[3] = {0, 0, 0};
    int rotateOrder = MTransformationMatrix::kXYZ;
    // Radians; rotate in the node's rotation order, the other two in XYZ. Absent is zero.
    double rotate[3] = {0, 0, 0};
    double jointOrient[3] = {0, 0, 0};
    double rotateAxis[3] = {0, 0, 0};
    std::vector<std::string> instanceParentPaths;
    std::vector<int> instanceParents;
    bool dag = true;
    // Constraints: the target's path and index, the offsets kept from it.
    std::string targetPath;
    int target = -1;
    double offsetTranslate[3] = {0, 0, 0};
    double offsetRotate[3] = {0, 0, 0};
    // Nodes outside the DAG: values of kNodeFields given in the file.
    std::vector<std::pair<const char*, double>> fields;
};

/// A plug named in the file: a node of the list and an attribute's name.
struct PlugEntry {
    int node = -1;
    std::string attribute;
    std::string text;  // as the file gives it, for messages
};

/// The keys of one curve as read, before the UI unit (which may come later in the file)
/// turns the times into host times.
struct KeyList {
    std::vector<double> times;
    std::vector<double> values;
};

struct CurveEntry {
    PlugEntry plug;
    bool driven = false;            // a driven-key curve, keyed over its input's values
    PlugEntry input;                // what drives its input (node -1: nothing)
    const KeyList* keys = nullptr;  // points into ScenePlan::keyLists
};

struct ScenePlan {
    MTime::Unit uiUnit = MTime::kFilm;
    std::vector<NodeEntry> nodes;
    std::vector<CurveEntry> curves;
    std::vector<std::pair<PlugEntry, PlugEntry>> connections;
    std::vector<int> selection;
    /// Key lists by curve index; curves point into it (node-based, so moving keeps them).
    std::unordered_map<std::size_t, KeyList> keyLists;
};

/// Builds the document as JSON values, except for the key lists of the curves: those are
/// read straight into plain arrays, as a value per key would cost far more than the key.
/// The key lists are found at root["curves"][i]["keys"] and stored under the index i.
class SceneReader {
public:
    using number_integer_t = Json::number_integer_t;
    using number_unsigned_t = Json::number_unsigned_t;
    using number_float_t = Json::number_float_t;
    using string_t = Json::string_t;
    using binary_t = Json::binary_t;

    bool null() { return keysMode_ != KeysMode::Off ? badKey() : leaf(nullptr); }
    bool boolean(bool b) { return keysMode_ != KeysMode::Off ? badKey() : leaf(b); }
    bool number_integer(number_integer_t n) {
        return keysMode_ != KeysMode::Off ? keyNumber(static_cast<double>(n)) : leaf(n);
    }
    bool number_unsigned(number_unsigned_t n) {
        return keysMode_ != KeysMode::Off ? keyNumber(static_cast<double>(n)) : leaf(n);
    }
    bool number_float(number_float_t n, const string_t&) {
        return keysMode_ != KeysMode::Off ? keyNumber(n) : leaf(n);
    }
    bool string(string_t& s) {
        if (keysMode_ == KeysMode::Off) return leaf(std::move(s));
        double v = 0;
        if (keysMode_ != KeysMode::InPair || slot_ != 1 || !numberFromJson(Json(s), true, v))
            return badKey();
        return keyNumber(v);
    }
    bool binary(binary_t& b) { return keysMode_ != KeysMode::Off ? badKey() : leaf(std::move(b)); }
    bool start_object(std::size_t) {
        if (keysMode_ != KeysMode::Off) return badKey();
        Json* object = value(Json::object());
        stack_.push_back(object);
        return true;
    }
    bool key(string_t& k) {
        if (stack_.size() == 1) {
            rootKey_ = k;
            // A repeated "curves" replaces the earlier list, and so do its key lists.
            if (k == "curves") keyLists_.clear();
        }
        if (stack_.size() == 3 && k == "keys" && rootKey_ == "curves" && stack_[1]->is_array()) {
            // Decided by the next event: only an array is read as a key list.
            pendingKeys_ = true;
            element_ = nullptr;
            return true;
        }
        pendingKeys_ = false;
        element_ = &(*stack_.back())[k];
        return true;
    }
    bool end_object() {
        stack_.pop_back();
        return true;
    }
    bool start_array(std::size_t) {
        if (pendingKeys_) {
            pendingKeys_ = false;
            keysMode_ = KeysMode::InList;
            curveIndex_ = stack_[1]->size() - 1;
            current_ = KeyList();
            return true;
        }
        if (keysMode_ == KeysMode::InList) {
            keysMode_ = KeysMode::InPair;
            slot_ = 0;
            return true;
        }
        if (keysMode_ == KeysMode::InPair) return badKey();
        Json* array = value(Json::array());
        stack_.push_back(array);
        return true;
    }
    bool end_array() {
        if (keysMode_ == KeysMode::InPair) {
            if (slot_ != 2) return badKey();
            current_.times.push_back(pair_[0]);
            current_.values.push_back(pair_[1]);
            keysMode_ = KeysMode::InList;
            return true;
        }
        if (keysMode_ == KeysMode::InList) {
            keyLists_[curveIndex_] = std::move(current_);
            keysMode_ = KeysMode::Off;
            return true;
        }
        stack_.pop_back();
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
        error_ = oneLine(e.what());
        return false;
    }

    const Json& root() const { return root_; }
    std::unordered_map<std::size_t, KeyList>& keyLists() { return keyLists_; }
    const std::string& error() const { return error_; }

private:
    enum class KeysMode { Off, InList, InPair };

    template <typename Value>
    bool leaf(Value&& v) {
        value(std::forward<Value>(v));
        return true;
    }
    template <typename Value>
    Json* value(Value&& v) {
        if (pendingKeys_) {
            pendingKeys_ = false;
            element_ = &(*stack_.back())["keys"];
        }
        if (stack_.empty()) {
            root_ = Json(std::forward<Value>(v));
            return &root_;
        }
        if (stack_.back()->is_array()) {
            stack_.back()->push_back(Json(std::forward<Value>(v)));
            return &stack_.back()->back();
        }
        *element_ = Json(std::forward<Value>(v));
        return element_;
    }
    bool keyNumber(double v) {
        // Times must be numbers; a value may also be one of the non-finite strings.
        if (keysMode_ != KeysMode::InPair || slot_ > 1) return badKey();
        if (slot_ == 0 && !std::isfinite(v)) return badKey();
        pair_[slot_++] = v;
        return true;
    }
    bool badKey() {
        error_ = "curves[" + std::to_string(curveIndex_) + "]: key " +
                 std::to_string(current_.times.size()) + " is not [time, value]";
        return false;
    }

    Json root_;
    std::vector<Json*> stack_;
    Json* element_ = nullptr;
    std::string rootKey_;
    bool pendingKeys_ = false;
    KeysMode keysMode_ = KeysMode::Off;
    std::size_t curveIndex_ = 0;
    int slot_ = 0;
    double pair_[2] = {0, 0};
    KeyList current_;
    std::unordered_map<std::size_t, KeyList> keyLists_;
    std::string error_;
};

class PlanError {
public:
    explicit PlanError(std::string message) : message(std::move(message)) {}
    std::string message;
};

[[noreturn]] void refuse(const std::string& message) { throw PlanError(message); }

const Json* member(const Json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

/// Reads three numbers (non-finite ones as numberToJson writes them) into `values`; false
/// when the member is absent.
bool readTriple(const Json& object, const char* key, double values[3], const std::string& where) {
    const Json* t = member(object, key);
    if (t == nullptr) return false;
    if (!t->is_array() || t->size() != 3 || !numberFromJson((*t)[0], true, values[0]) ||
        !numberFromJson((*t)[1], true, values[1]) || !numberFromJson((*t)[2], true, values[2]))
        refuse(where + ": \"" + key + "\" is not three numbers");
    return true;
}

void planNodes(const Json& list, ScenePlan& plan, std::unordered_map<std::string, int>& byPath) {
    if (!list.is_array()) refuse("\"nodes\" is not an array");
    plan.nodes.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Json& j = list[i];
        const std::string where = "nodes[" + std::to_string(i) + "]";
        if (!j.is_object()) refuse(where + " is not an object");
        NodeEntry node;
        const Json* path = member(j, "path");
        if (path == nullptr || !path->is_string()) refuse(where + ": \"path\" is missing");
        node.path = path->get<std::string>();
        const Json* type = member(j, "type");
        if (type == nullptr || !type->is_string()) refuse(where + ": \"type\" is missing");
        node.type = type->get<std::string>();
        if (!knownNodeType(node.type, &node.dag))
            refuse(where + ": unknown node type " + jsonQuoted(node.type));
        const std::size_t bar = node.path.rfind('|');
        if (!node.dag) {
            // Outside the DAG a node has a name and no parent.
            if (node.path.empty() || bar != std::string::npos)
                refuse(where + ": " + jsonQuoted(node.path) + " is not the name of a " + node.type +
                       " (no \"|\": it has no place in the DAG)");
            node.name = node.path;
            for (const char* field : kNodeFields) {
                const Json* value = member(j, field);
                double number = 0;
                if (value == nullptr) continue;
                if (!numberFromJson(*value, true, number))
                    refuse(where + ": \"" + field + "\" is not a number");
                node.fields.emplace_back(field, number);
            }
        } else {
            if (node.path.empty() || node.path[0] != '|' || bar + 1 == node.path.size())
                refuse(where + ": " + jsonQuoted(node.path) + " is not a full DAG path");
            node.name = node.path.substr(bar + 1);
            if (bar > 0) {
                auto parent = byPath.find(node.path.substr(0, bar));
                if (parent == byPath.end())
                    refuse(where + ": the parent of " + jsonQuoted(node.path) + " is missing");
                node.parent = parent->second;
            }
            readTriple(j, "translate", node.translate, where);
            readTriple(j, "rotate", node.rotate, where);
            readTriple(j, "rotateAxis", node.rotateAxis, where);
            if (readTriple(j, "jointOrient", node.jointOrient, where) && node.type != "joint" &&
                node.type != "hikFKJoint")
                refuse(where + ": \"jointOrient\" on a node that is not a joint");
            if (const Json* order = member(j, "rotateOrder")) {
                if (!order->is_number_integer() || order->get<long long>() < 0 ||
                    order->get<long long>() >= MTransformationMatrix::kLast)
                    refuse(where + ": \"rotateOrder\" is not a rotation order number");
                node.rotateOrder = order->get<int>();
            }
            if (const Json* extra = member(j, "instanceParents")) {
                if (!extra->is_array()) refuse(where + ": \"instanceParents\" is not an array");
                for (const Json& p : *extra) {
                    if (!p.is_string()) refuse(where + ": \"instanceParents\" holds a non-path");
                    node.instanceParentPaths.push_back(p.get<std::string>());
                }
            }
            if (const Json* target = member(j, "target")) {
                if (!target->is_string()) refuse(where + ": \"target\" is not a path");
                node.targetPath = target->get<std::string>();
            }
            readTriple(j, "offsetTranslate", node.offsetTranslate, where);
            readTriple(j, "offsetRotate", node.offsetRotate, where);
        }
        if (!byPath.emplace(node.path, static_cast<int>(plan.nodes.size())).second)
            refuse(where + ": " + jsonQuoted(node.path) + " is listed twice");
        plan.nodes.push_back(std::move(node));
    }
    // A further parent or a target may come later in the list than the node itself.
    for (std::size_t i = 0; i < plan.nodes.size(); ++i) {
        NodeEntry& node = plan.nodes[i];
        const std::string where = "nodes[" + std::to_string(i) + "]: ";
        for (const std::string& path : node.instanceParentPaths) {
            auto found = byPath.find(path);
            if (found == byPath.end())
                refuse(where + "the instance parent " + jsonQuoted(path) + " of " +
                       jsonQuoted(node.path) + " is missing");
            node.instanceParents.push_back(found->second);
        }
        if (node.targetPath.empty()) continue;
        auto found = byPath.find(node.targetPath);
        if (found == byPath.end() || !plan.nodes[static_cast<std::size_t>(found->second)].dag)
            refuse(where + "the target " + jsonQuoted(node.targetPath) + " of " +
                   jsonQuoted(node.path) + " is no node of the DAG");
        node.target = found->second;
    }
}

/// A plug named "node.attribute", the node by its path (or name outside the DAG).
PlugEntry planPlug(const Json& text, const std::unordered_map<std::string, int>& byPath,
                   const std::string& where) {
    if (!text.is_string()) refuse(where + " is not a plug name");
    PlugEntry plug;
    plug.text = text.get<std::string>();
    const std::size_t dot = plug.text.rfind('.');
    if (dot == std::string::npos)
        refuse(where + ": " + jsonQuoted(plug.text) + " is not node.attribute");
    auto node = byPath.find(plug.text.substr(0, dot));
    if (node == byPath.end()) refuse(where + ": no node for plug " + jsonQuoted(plug.text));
    plug.node = node->second;
    plug.attribute = plug.text.substr(dot + 1);
    return plug;
}

void planCurves(const Json& list, ScenePlan& plan,
                const std::unordered_map<std::string, int>& byPath) {
    const std::unordered_map<std::size_t, KeyList>& keyLists = plan.keyLists;
    if (!list.is_array()) refuse("\"curves\" is not an array");
    std::unordered_set<std::string> seen;
    plan.curves.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Json& j = list[i];
        const std::string where = "curves[" + std::to_string(i) + "]";
        if (!j.is_object()) refuse(where + " is not an object");
        const Json* plugJson = member(j, "plug");
        if (plugJson == nullptr || !plugJson->is_string()) refuse(where + ": \"plug\" is missing");
        CurveEntry curve;
        curve.plug = planPlug(*plugJson, byPath, where);
        if (!seen.insert(std::to_string(curve.plug.node) + "." + curve.plug.attribute).second)
            refuse(where + ": " + jsonQuoted(curve.plug.text) + " has a second curve");
        if (const Json* input = member(j, "input")) {
            curve.driven = true;
            if (!input->is_null()) curve.input = planPlug(*input, byPath, where + ": \"input\"");
        }
        auto keys = keyLists.find(i);
        if (keys == keyLists.end() || member(j, "keys") != nullptr)
            refuse(where + ": \"keys\" is not a list of [time, value]");
        curve.keys = &keys->second;
        plan.curves.push_back(std::move(curve));
    }
}

void planConnections(const Json& list, ScenePlan& plan,
                     const std::unordered_map<std::string, int>& byPath) {
    if (!list.is_array()) refuse("\"connections\" is not an array");
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string where = "connections[" + std::to_string(i) + "]";
        const Json& pair = list[i];
        if (!pair.is_array() || pair.size() != 2)
            refuse(where + " is not a pair [\"SOURCE.attribute\", \"DESTINATION.attribute\"]");
        plan.connections.emplace_back(planPlug(pair[0], byPath, where),
                                      planPlug(pair[1], byPath, where));
    }
}

ScenePlan planScene(const std::string& text) {
    SceneReader reader;
    if (!Json::sax_parse(text, &reader)) refuse(reader.error());
    const Json& root = reader.root();
    if (!root.is_object()) refuse("the top level is not a JSON object");
    ScenePlan plan;
    plan.keyLists = std::move(reader.keyLists());
    if (const Json* unit = member(root, "uiUnit")) {
        if (!unit->is_string() || !unitFromName(unit->get<std::string>(), plan.uiUnit))
            refuse("unknown \"uiUnit\" " + unit->dump());
    }
    std::unordered_map<std::string, int> byPath;
    if (const Json* nodes = member(root, "nodes")) planNodes(*nodes, plan, byPath);
    if (const Json* curves = member(root, "curves")) planCurves(*curves, plan, byPath);
    if (const Json* connections = member(root, "connections"))
        planConnections(*connections, plan, byPath);
    if (const Json* selection = member(root, "selection")) {
        if (!selection->is_array()) refuse("\"selection\" is not an array");
        for (const Json& s : *selection) {
            auto found = s.is_string() ? byPath.find(s.get<std::string>()) : byPath.end();
            if (found == byPath.end()) refuse("selection: no node " + s.dump());
            plan.selection.push_back(found->second);
        }
    }
    return plan;
}

/// The plug a file names, on the nodes made from it; the null plug (and `error`) when the
/// node has no such attribute.
MPlug madePlug(const PlugEntry& entry, const std::vector<MObject>& made, const std::string& where,
               std::string& error) {
    const MObject node = made[static_cast<std::size_t>(entry.node)];
    const MObject attr = MFnDependencyNode(node).attribute(entry.attribute.c_str());
    if (attr.isNull()) {
        error = where + ": unknown attribute in " + jsonQuoted(entry.text);
        return MPlug();
    }
    return MPlug(node, attr);
}

/// Connects `from` to `to`, or says why it cannot.
bool connectPlugs(const MPlug& from, const MPlug& to, const std::string& where,
                  std::string& error) {
    MDGModifier modifier;
    modifier.connect(from, to);
    if (modifier.doIt()) return true;
    error = where + ": " + jsonQuoted(plugName(from)) + " cannot drive " +
            jsonQuoted(plugName(to)) +
            (from == to            ? " (a plug cannot drive itself)"
             : to.isDestination() ? " (it has an input already)"
                                  : " (it is an output)");
    return false;
}

bool buildNode(const NodeEntry& entry, const MObject& parent, const std::string& where,
               MObject& node, std::string& error) {
    node = createNode(entry.type, parent, entry.name);
    // The host renames a node whose name clashes or is not allowed; the file named a path
    // (or name) that then does not exist, so the file cannot be loaded faithfully.
    const std::string made = node.isNull() ? std::string()
                             : entry.dag   ? fullPath(node)
                                           : MFnDependencyNode(node).name().asChar();
    if (node.isNull() || made != entry.path) {
        error = where + ": cannot make " + jsonQuoted(entry.path) +
                (node.isNull() ? std::string() : " (the host named it " + jsonQuoted(made) + ")");
        return false;
    }
    if (!entry.dag) {
        MFnDependencyNode dep(node);
        for (const auto& [field, value] : entry.fields) {
            const MObject attr = dep.attribute(field);
            if (!attr.isNull()) MPlug(node, attr).setDouble(value);
        }
        return true;
    }
    MFnTransform transform(node);
    transform.setTranslation(MVector(entry.translate[0], entry.translate[1], entry.translate[2]),
                             MSpace::kTransform);
    if (!transform.setRotationOrder(
            static_cast<MTransformationMatrix::RotationOrder>(entry.rotateOrder), false)) {
        error = where + ": rotateOrder " + std::to_string(entry.rotateOrder) +
                " is not a rotation order (1 to 6)";
        return false;
    }
    MEulerRotation rotate;
    transform.getRotation(rotate);  // for the node's order
    rotate.setValue(entry.rotate[0], entry.rotate[1], entry.rotate[2], rotate.order);
    if (!rotate.isZero(0.0)) transform.setRotation(rotate);
    setRotateAxis(node, entry.rotateAxis);
    if (node.hasFn(MFn::kJoint))
        MFnIkJoint(node).setOrientation(
            MEulerRotation(entry.jointOrient[0], entry.jointOrient[1], entry.jointOrient[2]));
    return true;
}

bool buildCurve(const CurveEntry& entry, const std::vector<MObject>& made, MTime::Unit uiUnit,
                const std::string& where, std::string& error) {
    MPlug plug = madePlug(entry.plug, made, where, error);
    if (plug.isNull()) return false;
    MFnAnimCurve curve;
    MStatus status;
    if (entry.driven)
        curve.create(plug, curve.unitlessAnimCurveTypeForPlug(plug), nullptr, &status);
    else
        curve.create(plug, nullptr, &status);
    if (!status) {
        error = where + ": " + jsonQuoted(entry.plug.text) + " cannot take a curve" +
                (plug.isDestination() ? " (it has an input already)" : " (it is an output)");
        return false;
    }
    const std::vector<double>& t = entry.keys->times;
    const std::vector<double>& v = entry.keys->values;
    if (entry.driven) {
        for (std::size_t k = 0; k < t.size(); ++k) curve.addKey(t[k], v[k]);
        if (entry.input.node < 0) return true;
        const MPlug driver = madePlug(entry.input, made, where, error);
        return !driver.isNull() &&
               connectPlugs(driver, MFnDependencyNode(curve.object()).findPlug("input", false),
                            where, error);
    }
    if (t.empty()) return true;
    MTimeArray times(static_cast<unsigned int>(t.size()), MTime());
    for (std::size_t k = 0; k < t.size(); ++k)
        times[static_cast<unsigned int>(k)] = MTime(t[k], uiUnit);
    MDoubleArray values(v.data(), static_cast<unsigned int>(t.size()));
    if (!curve.addKeys(&times, &values)) {
        error = "cannot key " + entry.plug.text;
        return false;
    }
    return true;
}

bool buildScene(ScenePlan& plan, std::string& error) {
    resetScene();
    MTime::setUIUnit(plan.uiUnit);
    std::vector<MObject> made(plan.nodes.size());
    for (std::size_t i = 0; i < plan.nodes.size(); ++i) {
        const NodeEntry& entry = plan.nodes[i];
        const MObject parent = entry.parent < 0 ? MObject::kNullObj : made[entry.parent];
        if (!buildNode(entry, parent, "nodes[" + std::to_string(i) + "]", made[i], error))
            return false;
    }
    for (std::size_t i = 0; i < plan.nodes.size(); ++i) {
        const NodeEntry& entry = plan.nodes[i];
        for (int p : entry.instanceParents) {
            if (!addParent(made[i], made[p])) {
                error = "nodes[" + std::to_string(i) + "]: " + jsonQuoted(plan.nodes[p].path) +
                        " cannot be a further parent of " + jsonQuoted(entry.path);
                return false;
            }
        }
        const MObject target = entry.target < 0 ? MObject() : made[entry.target];
        if (entry.dag) setConstraint(made[i], target, entry.offsetTranslate, entry.offsetRotate);
    }
    for (std::size_t i = 0; i < plan.curves.size(); ++i)
        if (!buildCurve(plan.curves[i], made, plan.uiUnit, "curves[" + std::to_string(i) + "]",
                        error))
            return false;
    for (std::size_t i = 0; i < plan.connections.size(); ++i) {
        const std::string where = "connections[" + std::to_string(i) + "]";
        const MPlug from = madePlug(plan.connections[i].first, made, where, error);
        const MPlug to =
            from.isNull() ? MPlug() : madePlug(plan.connections[i].second, made, where, error);
        if (to.isNull() || !connectPlugs(from, to, where, error)) return false;
    }
    MSelectionList selection;
    for (int index : plan.selection) selection.add(made[index]);
    MGlobal::setActiveSelectionList(selection);
    return true;
}

}  // namespace

std::string sceneToJson() {
    const MTime::Unit ui = MTime::uiUnit();
    std::vector<MObject> nodes;
    collectNodes(nodes);
    const std::size_t dagNodes = nodes.size();
    for (const MObject& node : dependencyNodes()) nodes.push_back(node);

    std::string out = "{\n\"uiUnit\": " + Json(unitName(ui)).dump() + ",\n\"nodes\": [";
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        out += i == 0 ? "\n  " : ",\n  ";
        out += (i < dagNodes ? nodeToJson(nodes[i], fullPath(nodes[i]))
                             : dependencyNodeToJson(nodes[i]))
                   .dump();
    }
    out += nodes.empty() ? "],\n\"curves\": [" : "\n],\n\"curves\": [";
    bool first = true;
    Json connections = Json::array();
    for (const MObject& node : nodes) {
        appendCurves(node, out, first, ui);
        appendConnections(node, connections);
    }
    out += first ? "]" : "\n]";
    // Left out when empty, so that scenes without connections read and write as they did.
    for (std::size_t i = 0; i < connections.size(); ++i)
        out += (i == 0 ? ",\n\"connections\": [\n  " : ",\n  ") + connections[i].dump();
    out += connections.empty() ? ",\n\"selection\": [" : "\n],\n\"selection\": [";
    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    bool firstSelected = true;
    for (unsigned int i = 0; i < selection.length(); ++i) {
        MObject item;
        selection.getDependNode(i, item);
        const std::string path = item.isNull() ? std::string() : fullPath(item);
        // Only DAG nodes have a path; nothing else can be selected in a stand-in scene.
        if (path.empty()) continue;
        out += firstSelected ? "" : ", ";
        firstSelected = false;
        out += Json(path).dump();
    }
    out += "]\n}\n";
    return out;
}

bool sceneFromJson(const std::string& text, std::string& error) {
    try {
        ScenePlan plan = planScene(text);
        // Keep what was there, so that a file the host cannot build leaves the scene as it
        // was. An empty scene needs no copy, which keeps loading large files cheap.
        const bool hadScene = !topLevelNodes().empty() || !dependencyNodes().empty();
        const std::string previous = hadScene ? sceneToJson() : std::string();
        const MTime::Unit previousUnit = MTime::uiUnit();
        // The time slider is no part of a scene file: kept aside as well.
        const MTime sliderMin = MAnimControl::minTime(), sliderMax = MAnimControl::maxTime();
        const MTime sliderNow = MAnimControl::currentTime();
        if (buildScene(plan, error)) return true;
        if (hadScene) {
            std::string ignored;
            ScenePlan restore = planScene(previous);
            buildScene(restore, ignored);
        } else {
            resetScene();
        }
        MTime::setUIUnit(previousUnit);
        MAnimControl::setMinMaxTime(sliderMin, sliderMax);
        MAnimControl::setCurrentTime(sliderNow);
        return false;
    } catch (const PlanError& e) {
        error = e.message;
    } catch (const std::exception& e) {
        error = oneLine(e.what());
    }
    return false;
}

bool loadSceneFile(const std::string& path, std::string& error) {
    // Paths are UTF-8, as the host's are; on Windows that is not the narrow code page.
    const std::filesystem::path file = std::filesystem::u8path(path);
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) {
        error = path + ": is a directory, not a scene file";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = path + ": cannot be opened for reading";
        return false;
    }
    try {
        std::string text;
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        in.seekg(0, std::ios::beg);
        if (size > 0 && in) {
            text.resize(static_cast<std::size_t>(size));
            in.read(text.data(), size);
        } else {
            // Not a seekable file (a pipe, say): read it as a stream.
            in.clear();
            std::ostringstream stream;
            stream << in.rdbuf();
            text = stream.str();
        }
        if (in.bad() || (size > 0 && !in)) {
            error = path + ": cannot be read";
            return false;
        }
        if (!sceneFromJson(text, error)) {
            error = path + ": " + error;
            return false;
        }
    } catch (const std::exception& e) {
        error = path + ": " + oneLine(e.what());
        return false;
    }
    return true;
}

bool saveSceneFile(const std::string& path, std::string& error) {
    std::string text;
    try {
        text = sceneToJson();
    } catch (const std::exception& e) {
        error = path + ": " + oneLine(e.what());
        return false;
    }
    // Written beside the target and moved into place, so that a failed save never leaves
    // a truncated scene file behind.
    // std::filesystem::rename replaces an existing file on every system (std::rename does
    // not on Windows).
    const std::filesystem::path file = std::filesystem::u8path(path);
    std::filesystem::path temporary = file;
    temporary += ".part";
    std::error_code ec;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = path + ": cannot be opened for writing";
            return false;
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, ec);
            error = path + ": cannot be written";
            return false;
        }
    }
    std::filesystem::rename(temporary, file, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        error = path + ": cannot be replaced";
        return false;
    }
    return true;
}

}  // namespace standin
