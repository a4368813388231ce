// Animation-only import: the joints of the selected skeletons.

#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MFnIkJoint.h>
#include <maya/MGlobal.h>
#include <maya/MItSelectionList.h>
#include <maya/MSelectionList.h>

#include "import/BvhImport.h"
#include "plugin/JointWalk.h"

void BvhImport::collectTargetJoints(MObjectArray& joints) {
    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    for (MItSelectionList it(selection, MFn::kJoint); !it.isDone(); it.next()) {
        MDagPath path;
        MObject component;
        it.getDagPath(path, component);
        MFnIkJoint selected(path);
        MObject root = findRootJoint(selected);
        joints.append(root);
        MFnDagNode rootFn(root);
        const unsigned int children = rootFn.childCount();
        for (unsigned int i = 0; i < children; ++i) collectJoints(rootFn.child(i), joints);
    }
}
