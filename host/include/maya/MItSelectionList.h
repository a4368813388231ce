#pragma once
// Iterator over a selection list, optionally filtered by type.

#include <maya/MFn.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Walks a copy of the list made at construction. With a filter other than kInvalid only
/// the items whose node hasFn(filter) are visited (nodes below a selected item are not).
class MItSelectionList {
public:
    enum selItemType {
        kUnknownItem,
        kDagSelectionItem,
        kAnimSelectionItem,
        kDNselectionItem,
        kPlugSelectionItem
    };
    MItSelectionList(const MSelectionList& list, MFn::Type filter = MFn::kInvalid,
                     MStatus* ReturnStatus = NULL);
    virtual ~MItSelectionList();
    bool isDone(MStatus* ReturnStatus = NULL);
    MStatus next();
    MStatus reset();
    MStatus getDependNode(MObject& depNode);
    MStatus getDagPath(MDagPath& dagPath, MObject& component);
    MStatus getDagPath(MDagPath& dagPath);
    MStatus getPlug(MPlug& plug);
    /// Replaces `array` by the current item's name (its full path for a DAG item).
    MStatus getStrings(MStringArray& array);
    selItemType itemType(MStatus* ReturnStatus = NULL);
    /// Sets the filter and restarts.
    MStatus setFilter(MFn::Type filter);
    bool hasComponents(MStatus* ReturnStatus = NULL) const;
    static const char* className();

private:
    MItSelectionList(const MItSelectionList&) = delete;
    MItSelectionList& operator=(const MItSelectionList&) = delete;
    void skipFiltered();

    MSelectionList* list_;
    MFn::Type filter_;
    unsigned int index_;
};

OPENMAYA_NAMESPACE_CLOSE
