#pragma once
// How the dependency graph is evaluated: normally (what the scene shows at its current time)
// or at a given time.

#include <maya/MStatus.h>
#include <maya/MTime.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Plug values are read in the current context (see MPlug). It is the normal context unless
/// an MDGContextGuard (or makeCurrent) has made another one current.
class MDGContext {
public:
    /// The normal context: the current time of the time slider (MAnimControl::currentTime).
    MDGContext();
    /// The context at `when`.
    MDGContext(const MTime& when);
    MDGContext(const MDGContext& in);
    ~MDGContext();
    bool isNormal(MStatus* ReturnStatus = NULL) const;
    MDGContext& operator=(const MDGContext& other);
    static const char* className();
    static const MDGContext current();
    /// Makes this the current context and returns the one that was.
    const MDGContext makeCurrent(MStatus* ReturnStatus = NULL) const;

private:
    bool timed_;
    MTime time_;
};

OPENMAYA_NAMESPACE_CLOSE
