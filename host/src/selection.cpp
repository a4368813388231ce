// Selection lists, their iterator and the global active selection.

#include <maya/MDagPath.h>
#include <maya/MGlobal.h>
#include <maya/MItSelectionList.h>
#include <maya/MPlug.h>
#include <maya/MSelectionList.h>
#include <maya/MString.h>
#include <maya/MStringArray.h>
#include <standin/Standin.h>

#include <iostream>
#include <vector>

#include "Calls.h"
#include "SceneImpl.h"

using standin::detail::Access;

namespace {

/// Glob match with '*' (any run) and '?' (any one character).
bool globMatch(const char* pattern, const char* text) {
    const char* starP = nullptr;
    const char* starT = nullptr;
    while (*text != '\0') {
        if (*pattern == '?' || *pattern == *text) {
            ++pattern;
            ++text;
        } else if (*pattern == '*') {
            starP = pattern++;
            starT = text;
        } else if (starP != nullptr) {
            pattern = starP + 1;
            text = ++starT;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace

struct MSelectionList::Items {
    enum class Kind { Node, Dag, Plug };
    struct Item {
        Kind kind;
        MObject node;
        MDagPath path;
        MPlug plug;
    };
    std::vector<Item> items;

    bool contains(const Item& item) const {
        for (const Item& i : items) {
            if (i.kind == item.kind && i.node == item.node && i.path == item.path &&
                i.plug == item.plug) {
                return true;
            }
        }
        return false;
    }
    void add(const Item& item, bool merge) {
        if (merge && contains(item)) return;
        items.push_back(item);
    }
};

MSelectionList::MSelectionList() : items_(new Items) {
    STANDIN_CALL("MSelectionList::MSelectionList");
}
MSelectionList::MSelectionList(const MSelectionList& src) : items_(new Items(*src.items_)) {
    STANDIN_CALL("MSelectionList::MSelectionList");
}
MSelectionList::~MSelectionList() { delete items_; }

MSelectionList& MSelectionList::operator=(const MSelectionList& src) {
    if (this != &src) *items_ = *src.items_;
    return *this;
}

MStatus MSelectionList::clear() {
    STANDIN_CALL("MSelectionList::clear");
    items_->items.clear();
    return MS::kSuccess;
}

bool MSelectionList::isEmpty(MStatus* ReturnStatus) const {
    STANDIN_CALL("MSelectionList::isEmpty");
    if (ReturnStatus != nullptr) *ReturnStatus = MS::kSuccess;
    return items_->items.empty();
}

unsigned int MSelectionList::length(MStatus* ReturnStatus) const {
    STANDIN_CALL("MSelectionList::length");
    if (ReturnStatus != nullptr) *ReturnStatus = MS::kSuccess;
    return unsigned(items_->items.size());
}

MStatus MSelectionList::getDependNode(unsigned int index, MObject& depNode) const {
    STANDIN_CALL("MSelectionList::getDependNode");
    if (index >= items_->items.size()) return MS::kInvalidParameter;
    const Items::Item& item = items_->items[index];
    depNode = item.kind == Items::Kind::Plug ? item.plug.node() : item.node;
    return depNode.isNull() ? MS::kInvalidParameter : MS::kSuccess;
}

MStatus MSelectionList::getDagPath(unsigned int index, MDagPath& dagPath,
                                   MObject& component) const {
    STANDIN_CALL("MSelectionList::getDagPath");
    if (index >= items_->items.size()) return MS::kInvalidParameter;
    const Items::Item& item = items_->items[index];
    if (item.kind != Items::Kind::Dag) return MS::kInvalidParameter;
    dagPath = item.path;
    // No components are ever selected; leave the shared null default untouched.
    if (&component != &MObject::kNullObj) component = MObject();
    return MS::kSuccess;
}

MStatus MSelectionList::getPlug(unsigned int index, MPlug& plug) const {
    STANDIN_CALL("MSelectionList::getPlug");
    if (index >= items_->items.size()) return MS::kInvalidParameter;
    const Items::Item& item = items_->items[index];
    if (item.kind != Items::Kind::Plug) return MS::kInvalidParameter;
    plug = item.plug;
    return MS::kSuccess;
}

MStatus MSelectionList::add(const MObject& object, const bool mergeWithExisting) {
    STANDIN_CALL("MSelectionList::add");
    if (object.isNull()) return MS::kInvalidParameter;
    // A DAG node given as an object is selected through its first path, as the host does.
    if (object.hasFn(MFn::kDagNode) && Access::node(object) != nullptr &&
        Access::node(object)->kind != standin::detail::Kind::World) {
        MDagPath path;
        MDagPath::getAPathTo(object, path);
        items_->add({Items::Kind::Dag, object, path, MPlug()}, mergeWithExisting);
        return MS::kSuccess;
    }
    items_->add({Items::Kind::Node, object, MDagPath(), MPlug()}, mergeWithExisting);
    return MS::kSuccess;
}

MStatus MSelectionList::add(const MDagPath& object, const MObject&, const bool mergeWithExisting) {
    STANDIN_CALL("MSelectionList::add");
    if (!object.isValid()) return MS::kInvalidParameter;
    items_->add({Items::Kind::Dag, object.node(), object, MPlug()}, mergeWithExisting);
    return MS::kSuccess;
}

MStatus MSelectionList::add(const MString& matchString, const bool) {
    STANDIN_CALL("MSelectionList::add");
    const std::string pattern(matchString.asChar(), matchString.length());
    if (pattern.empty()) return MS::kInvalidParameter;
    if (pattern.find_first_of("*?") == std::string::npos) {
        const MObject found = standin::findNode(pattern);
        if (found.isNull()) return MS::kInvalidParameter;
        return add(found, true);
    }
    bool any = false;
    standin::detail::Scene& s = standin::detail::scene();
    for (const auto& owned : s.objects) {
        standin::detail::Object* o = owned.get();
        const bool byPath = pattern[0] == '|';
        std::string subject = o->name;
        if (byPath) {
            if (!standin::detail::isDagKind(o->kind)) continue;
            subject = standin::detail::fullPathOf(static_cast<standin::detail::Node*>(o));
        }
        if (globMatch(pattern.c_str(), subject.c_str())) {
            add(Access::make(o), true);
            any = true;
        }
    }
    return any ? MS::kSuccess : MS::kInvalidParameter;
}

MStatus MSelectionList::add(const MPlug& plug, const bool mergeWithExisting) {
    STANDIN_CALL("MSelectionList::add");
    if (plug.isNull()) return MS::kInvalidParameter;
    items_->add({Items::Kind::Plug, plug.node(), MDagPath(), plug}, mergeWithExisting);
    return MS::kSuccess;
}

MItSelectionList::MItSelectionList(const MSelectionList& list, MFn::Type filter,
                                   MStatus* ReturnStatus)
    : list_(new MSelectionList(list)), filter_(filter), index_(0) {
    STANDIN_CALL("MItSelectionList::MItSelectionList");
    skipFiltered();
    if (ReturnStatus != nullptr) *ReturnStatus = MS::kSuccess;
}

MItSelectionList::~MItSelectionList() { delete list_; }

void MItSelectionList::skipFiltered() {
    STANDIN_CALL("MItSelectionList::skipFiltered");
    if (filter_ == MFn::kInvalid) return;
    while (index_ < list_->length()) {
        MObject node;
        list_->getDependNode(index_, node);
        if (node.hasFn(filter_)) return;
        ++index_;
    }
}

bool MItSelectionList::isDone(MStatus* ReturnStatus) {
    STANDIN_CALL("MItSelectionList::isDone");
    if (ReturnStatus != nullptr) *ReturnStatus = MS::kSuccess;
    return index_ >= list_->length();
}

MStatus MItSelectionList::next() {
    STANDIN_CALL("MItSelectionList::next");
    if (index_ >= list_->length()) return MS::kFailure;
    ++index_;
    skipFiltered();
    return MS::kSuccess;
}

MStatus MItSelectionList::reset() {
    STANDIN_CALL("MItSelectionList::reset");
    index_ = 0;
    skipFiltered();
    return MS::kSuccess;
}

MStatus MItSelectionList::getDependNode(MObject& depNode) {
    STANDIN_CALL("MItSelectionList::getDependNode");
    return list_->getDependNode(index_, depNode);
}

MStatus MItSelectionList::getDagPath(MDagPath& dagPath, MObject& component) {
    STANDIN_CALL("MItSelectionList::getDagPath");
    return list_->getDagPath(index_, dagPath, component);
}

MStatus MItSelectionList::getDagPath(MDagPath& dagPath) {
    STANDIN_CALL("MItSelectionList::getDagPath");
    return list_->getDagPath(index_, dagPath);
}

MStatus MItSelectionList::getPlug(MPlug& plug) {
    STANDIN_CALL("MItSelectionList::getPlug");
    return list_->getPlug(index_, plug);
}

MStatus MItSelectionList::getStrings(MStringArray& array) {
    STANDIN_CALL("MItSelectionList::getStrings");
    array.clear();
    if (index_ >= list_->length()) return MS::kFailure;
    MPlug plug;
    if (list_->getPlug(index_, plug)) {
        array.append(plug.name());
        return MS::kSuccess;
    }
    MDagPath path;
    if (list_->getDagPath(index_, path)) {
        array.append(path.fullPathName());
        return MS::kSuccess;
    }
    MObject node;
    list_->getDependNode(index_, node);
    standin::detail::Object* o = Access::get(node);
    array.append(MString(o != nullptr ? o->name.c_str() : ""));
    return MS::kSuccess;
}

MItSelectionList::selItemType MItSelectionList::itemType(MStatus* ReturnStatus) {
    STANDIN_CALL("MItSelectionList::itemType");
    if (ReturnStatus != nullptr) *ReturnStatus = MS::kSuccess;
    if (index_ >= list_->length()) {
        if (ReturnStatus != nullptr) *ReturnStatus = MS::kFailure;
        return kUnknownItem;
    }
    MPlug plug;
    if (list_->getPlug(index_, plug)) return kPlugSelectionItem;
    MDagPath path;
    if (list_->getDagPath(index_, path)) return kDagSelectionItem;
    MObject node;
    list_->getDependNode(index_, node);
    return node.hasFn(MFn::kAnimCurve) ? kAnimSelectionItem : kDNselectionItem;
}

MStatus MItSelectionList::setFilter(MFn::Type filter) {
    STANDIN_CALL("MItSelectionList::setFilter");
    filter_ = filter;
    return reset();
}

bool MItSelectionList::hasComponents(MStatus* ReturnStatus) const {
    STANDIN_CALL("MItSelectionList::hasComponents");
    if (ReturnStatus != nullptr) *ReturnStatus = MS::kSuccess;
    return false;
}

const char* MItSelectionList::className() {
    STANDIN_CALL("MItSelectionList::className");
    return "MItSelectionList";
}

namespace {

/// Applies `adjust` with `src` to the active selection.
void adjustActive(const MSelectionList& src, MGlobal::ListAdjustment adjust) {
    MSelectionList& active = standin::detail::scene().activeSelection;
    auto& activeItems = Access::selectionItems(active).items;
    // A copy: `src` may be the active list itself.
    const auto srcItems = Access::selectionItems(src).items;
    auto sameItem = [](const auto& a, const auto& b) {
        return a.kind == b.kind && a.node == b.node && a.path == b.path && a.plug == b.plug;
    };
    auto indexIn = [&](const auto& list, const auto& item) -> long {
        for (size_t i = 0; i < list.size(); ++i) {
            if (sameItem(list[i], item)) return long(i);
        }
        return -1;
    };
    switch (adjust) {
        case MGlobal::kReplaceList:
            activeItems = srcItems;
            break;
        case MGlobal::kAddToList:
            for (const auto& item : srcItems) {
                if (indexIn(activeItems, item) < 0) activeItems.push_back(item);
            }
            break;
        case MGlobal::kAddToHeadOfList: {
            auto head = srcItems;
            for (const auto& item : activeItems) {
                if (indexIn(head, item) < 0) head.push_back(item);
            }
            activeItems = head;
            break;
        }
        case MGlobal::kRemoveFromList:
            for (const auto& item : srcItems) {
                const long at = indexIn(activeItems, item);
                if (at >= 0) activeItems.erase(activeItems.begin() + at);
            }
            break;
        case MGlobal::kXORWithList:
            for (const auto& item : srcItems) {
                const long at = indexIn(activeItems, item);
                if (at >= 0) {
                    activeItems.erase(activeItems.begin() + at);
                } else {
                    activeItems.push_back(item);
                }
            }
            break;
    }
}

}  // namespace

MStatus MGlobal::getActiveSelectionList(MSelectionList& dest, bool) {
    STANDIN_CALL("MGlobal::getActiveSelectionList");
    dest = standin::detail::scene().activeSelection;
    return MS::kSuccess;
}

MStatus MGlobal::setActiveSelectionList(const MSelectionList& src, ListAdjustment mode) {
    STANDIN_CALL("MGlobal::setActiveSelectionList");
    if (mode < kReplaceList || mode > kAddToHeadOfList) return MS::kInvalidParameter;
    adjustActive(src, mode);
    return MS::kSuccess;
}

MStatus MGlobal::selectByName(const MString& name, ListAdjustment mode) {
    STANDIN_CALL("MGlobal::selectByName");
    MSelectionList list;
    const MStatus status = list.add(name);
    if (!status) return status;
    return setActiveSelectionList(list, mode);
}

void MGlobal::displayError(const MString& theError) {
    STANDIN_CALL("MGlobal::displayError");
    standin::detail::addScriptEditorLine("Error: " +
                                         std::string(theError.asChar(), theError.length()));
}

void MGlobal::displayWarning(const MString& theWarning) {
    STANDIN_CALL("MGlobal::displayWarning");
    standin::detail::addScriptEditorLine("Warning: " +
                                         std::string(theWarning.asChar(), theWarning.length()));
}

void MGlobal::displayInfo(const MString& theMessage) {
    STANDIN_CALL("MGlobal::displayInfo");
    standin::detail::addScriptEditorLine(std::string(theMessage.asChar(), theMessage.length()));
}

MString MGlobal::mayaVersion() {
    STANDIN_CALL("MGlobal::mayaVersion");
    return "7.0";
}

int MGlobal::apiVersion() {
    STANDIN_CALL("MGlobal::apiVersion");
    return 700;
}
