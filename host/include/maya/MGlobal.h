#pragma once
// Static access to global host state: the active selection and user messages.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MGlobal {
public:
    enum MMayaState { kInteractive, kBatch, kLibraryApp, kBaseUIMode };
    enum ListAdjustment {
        kReplaceList,
        kXORWithList,
        kAddToList,
        kRemoveFromList,
        kAddToHeadOfList
    };
    /// Copies the active selection, in selection order.
    static MStatus getActiveSelectionList(MSelectionList& dest,
                                          bool orderedSelectionIfAvailable = false);
    static MStatus setActiveSelectionList(const MSelectionList& src,
                                          ListAdjustment mode = kReplaceList);
    /// Adjusts the active selection by the nodes matching `name` (see MSelectionList::add).
    static MStatus selectByName(const MString& name, ListAdjustment mode = kAddToList);
    /// Add "Error: text", "Warning: text" or the text as a line of the Script Editor (kept by
    /// the stand-in for its tools and tests to read; nothing is printed).
    static void displayError(const MString& theError);
    static void displayWarning(const MString& theWarning);
    static void displayInfo(const MString& theMessage);
    static MString mayaVersion();
    static int apiVersion();

private:
    MGlobal() = delete;
};

OPENMAYA_NAMESPACE_CLOSE
