#pragma once
// Growable array of MTime.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Indexing out of range never touches memory outside the array: both operator[] return a
/// scratch default time (reset on every such access). Mutators given a bad index return
/// kInvalidParameter.
class MTimeArray {
public:
    MTimeArray();
    MTimeArray(const MTimeArray& other);
    MTimeArray(const MTime src[], unsigned int count);
    MTimeArray(unsigned int initialSize, const MTime& initialValue);
    ~MTimeArray();
    MTimeArray& operator=(const MTimeArray& other);
    const MTime& operator[](unsigned int index) const;
    MTime& operator[](unsigned int index);
    MStatus set(const MTime& element, unsigned int index);
    /// Grows with default times or shrinks.
    MStatus setLength(unsigned int length);
    unsigned int length() const;
    MStatus remove(unsigned int index);
    /// `index` may equal length() (appends).
    MStatus insert(const MTime& element, unsigned int index);
    MStatus append(const MTime& element);
    MStatus copy(const MTimeArray& source);
    MStatus clear();

private:
    MTime* data_;
    unsigned int length_;
    unsigned int capacity_;
};

OPENMAYA_NAMESPACE_CLOSE
