#pragma once
// An ordered list of selected nodes, DAG paths and plugs.

#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MSelectionList {
public:
    enum MergeStrategy { kMergeNormal = 0, kXORWithList, kRemoveFromList };
    MSelectionList();
    MSelectionList(const MSelectionList& src);
    virtual ~MSelectionList();
    MSelectionList& operator=(const MSelectionList& src);
    MStatus clear();
    bool isEmpty(MStatus* ReturnStatus = NULL) const;
    unsigned int length(MStatus* ReturnStatus = NULL) const;
    MStatus getDependNode(unsigned int index, MObject& depNode) const;
    /// Fails with kInvalidParameter for an item that is not a DAG node.
    MStatus getDagPath(unsigned int index, MDagPath& dagPath,
                       MObject& component = MObject::kNullObj) const;
    MStatus getPlug(unsigned int index, MPlug& plug) const;
    /// With mergeWithExisting an item already in the list is not added again.
    MStatus add(const MObject& object, const bool mergeWithExisting = false);
    MStatus add(const MDagPath& object, const MObject& component = MObject::kNullObj,
                const bool mergeWithExisting = false);
    /// Adds the nodes whose name or full path matches; '*' and '?' are wildcards. Fails
    /// with kInvalidParameter when nothing matches.
    MStatus add(const MString& matchString, const bool searchChildNamespacesToo = false);
    MStatus add(const MPlug& plug, const bool mergeWithExisting = false);

private:
    friend struct standin::detail::Access;
    struct Items;
    Items* items_;
};

OPENMAYA_NAMESPACE_CLOSE
