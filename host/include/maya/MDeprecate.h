#pragma once
// Marks members that the host SDK keeps for old plug-ins but asks new code not to call. A
// call compiles with a warning naming the replacement, as with the host's own headers, so a
// build with warnings as errors refuses it.

#define OPENMAYA_DEPRECATED(version, message) [[deprecated(message)]]
