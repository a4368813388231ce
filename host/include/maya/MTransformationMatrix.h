#pragma once
// Transformation matrix of a transform node; only its rotation order enumeration is
// provided here.

#include <maya/MApiNamespace.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MTransformationMatrix {
public:
    enum RotationOrder {
        kInvalid = 0,
        kXYZ = 1,
        kYZX = 2,
        kZXY = 3,
        kXZY = 4,
        kYXZ = 5,
        kZYX = 6,
        kLast = 7
    };
};

OPENMAYA_NAMESPACE_CLOSE
