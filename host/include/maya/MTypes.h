#pragma once
// Basic types shared by the host API headers: forward declarations, the creator
// function type and the transformation spaces.

#include <cstddef>

class MAnimCurveChange;
class MDagPath;
class MDGModifier;
class MDoubleArray;
class MEulerRotation;
class MFileObject;
class MIntArray;
class MMatrix;
class MObject;
class MObjectArray;
class MPlug;
class MPlugArray;
class MSelectionList;
class MStatus;
class MString;
class MStringArray;
class MTime;
class MTimeArray;
class MVector;

/// A creator returns a new heap object that the host owns and later deletes.
typedef void* (*MCreatorFunction)();

/// Coordinate spaces for transform queries.
class MSpace {
public:
    enum Space {
        kInvalid = 0,
        kTransform = 1,
        kPreTransform = 2,
        kPostTransform = 3,
        kWorld = 4,
        kObject = kPreTransform,
        kLast = 5
    };
};
