#pragma once
// A long computation that shows its progress and that the user can interrupt.

#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// The host runs one computation at a time: beginComputation while another is running does
/// nothing for this object. Interrupts come from the user (standin::requestInterrupt, which
/// bvhhost calls on Ctrl-C) and are seen only by an interruptible computation, in
/// isInterruptRequested; one asked for while none runs waits for the next. The progress
/// members fail with kFailure unless this object's computation was begun with a progress bar;
/// the value is kept within the range. Ending the computation (or destroying the object)
/// clears an interrupt that isInterruptRequested reported; one it never reported is not
/// dropped but waits for the next computation.
class MComputation {
public:
    MComputation();
    virtual ~MComputation();
    void beginComputation(bool showProgressBar = false, bool isInterruptable = true,
                          bool useWaitCursor = true);
    bool isInterruptRequested();
    void endComputation();
    MStatus setProgressRange(const int minValue, const int maxValue);
    int progressMin(MStatus* ReturnStatus = NULL) const;
    int progressMax(MStatus* ReturnStatus = NULL) const;
    MStatus setProgress(const int amount);
    int progress(MStatus* ReturnStatus = NULL) const;
    MStatus setProgressStatus(const MString&);
    static const char* className();

private:
    bool active_ = false;
};

OPENMAYA_NAMESPACE_CLOSE
