#pragma once
// Makes a context current for the life of a scope.

#include <maya/MDGContext.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// The context given is current from construction to destruction, which makes the one that
/// was current before current again. Guards nest.
class MDGContextGuard {
public:
    ~MDGContextGuard();
    MDGContextGuard(const MDGContext& tempContext);

private:
    MDGContextGuard();
    MDGContextGuard(const MDGContextGuard&);
    MDGContext previous_;
};

OPENMAYA_NAMESPACE_CLOSE
