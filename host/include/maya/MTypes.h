#pragma once
// Basic types shared by the host API headers: the API namespace and its forward
// declarations, export marks, the creator function type and the transformation spaces.

#include <maya/MApiNamespace.h>
#include <maya/MDeprecate.h>

#include <cstddef>

#if defined(_WIN32)
#define PLUGIN_EXPORT __declspec(dllexport)
#else
#define DLL_PUBLIC __attribute__((visibility("default")))
#define PLUGIN_EXPORT DLL_PUBLIC
#endif

/// A creator returns a new heap object that the host owns and later deletes.
typedef void* (*MCreatorFunction)();

OPENMAYA_MAJOR_NAMESPACE_OPEN

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

OPENMAYA_NAMESPACE_CLOSE
