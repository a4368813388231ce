#pragma once
// The time slider: playback range and current time.

#include <maya/MStatus.h>
#include <maya/MTime.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// A new scene plays frames 1 to 120 of film and stands at frame 1. Times are returned in
/// the UI unit. Setting a time that is no number, or a range whose end lies before its
/// start, fails with kInvalidParameter and changes nothing.
class MAnimControl {
public:
    MAnimControl();
    virtual ~MAnimControl();
    static MTime minTime();
    static MTime maxTime();
    static MStatus setMinTime(MTime newMinTime);
    static MStatus setMaxTime(MTime newMaxTime);
    static MStatus setMinMaxTime(MTime min, MTime max);
    static MTime currentTime();
    static MStatus setCurrentTime(const MTime& newTime);
};

OPENMAYA_NAMESPACE_CLOSE
