#pragma once
// Growable array of int.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Indexing out of range never touches memory outside the array: the const operator[]
/// returns 0 and the non-const one a reference to a scratch element that is reset to 0 on
/// every such access. Mutators given a bad index return kInvalidParameter.
class MIntArray {
public:
    MIntArray();
    MIntArray(const MIntArray& other);
    MIntArray(const int src[], unsigned int count);
    MIntArray(unsigned int initialSize, int initialValue = 0);
    ~MIntArray();
    MIntArray& operator=(const MIntArray& other);
    int operator[](unsigned int index) const;
    int& operator[](unsigned int index);
    MStatus set(int element, unsigned int index);
    /// Grows with zeros or shrinks.
    MStatus setLength(unsigned int length);
    unsigned int length() const;
    MStatus remove(unsigned int index);
    /// `index` may equal length() (appends).
    MStatus insert(int element, unsigned int index);
    MStatus append(int element);
    MStatus copy(const MIntArray& source);
    MStatus clear();

private:
    int* data_;
    unsigned int length_;
    unsigned int capacity_;
};

OPENMAYA_NAMESPACE_CLOSE
