#pragma once
// Growable array of MPlug.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Indexing out of range never touches memory outside the array: both operator[] return a
/// scratch null plug (reset on every such access). Mutators given a bad index return
/// kInvalidParameter.
class MPlugArray {
public:
    MPlugArray();
    MPlugArray(const MPlugArray& other);
    MPlugArray(unsigned int initializeSize, const MPlug& initialValue);
    MPlugArray(const MPlug src[], unsigned int count);
    ~MPlugArray();
    const MPlug& operator[](unsigned int index) const;
    MPlug& operator[](unsigned int index);
    MPlugArray& operator=(const MPlugArray& other);
    MStatus set(const MPlug& element, unsigned int index);
    /// Grows with null plugs or shrinks.
    MStatus setLength(unsigned int length);
    unsigned int length() const;
    MStatus remove(unsigned int index);
    /// `index` may equal length() (appends).
    MStatus insert(const MPlug& element, unsigned int index);
    MStatus append(const MPlug& element);
    MStatus copy(const MPlugArray& source);
    MStatus clear();

private:
    MPlug* data_;
    unsigned int length_;
    unsigned int capacity_;
};

OPENMAYA_NAMESPACE_CLOSE
