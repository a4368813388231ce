#pragma once
// Growable array of MObject.

#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Indexing out of range never touches memory outside the array: both operator[] return a
/// scratch null object (reset to null on every such access). Mutators given a bad index
/// return kInvalidParameter.
class MObjectArray {
public:
    MObjectArray();
    MObjectArray(const MObjectArray& other);
    MObjectArray(unsigned int initialSize, const MObject& initialValue = MObject::kNullObj);
    MObjectArray(const MObject src[], unsigned int count);
    ~MObjectArray();
    MObjectArray& operator=(const MObjectArray& other);
    const MObject& operator[](unsigned int index) const;
    MObject& operator[](unsigned int index);
    MStatus set(const MObject& element, unsigned int index);
    /// Grows with null objects or shrinks.
    MStatus setLength(unsigned int length);
    unsigned int length() const;
    MStatus remove(unsigned int index);
    /// `index` may equal length() (appends).
    MStatus insert(const MObject& element, unsigned int index);
    MStatus append(const MObject& element);
    MStatus copy(const MObjectArray& source);
    MStatus clear();

private:
    MObject* data_;
    unsigned int length_;
    unsigned int capacity_;
};

OPENMAYA_NAMESPACE_CLOSE
