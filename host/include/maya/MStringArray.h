#pragma once
// Growable array of MString.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <iosfwd>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Indexing out of range never touches memory outside the array: the const operator[]
/// returns an empty string and the non-const one a reference to a scratch element that is
/// reset on every such access. Mutators given a bad index return kInvalidParameter.
class MStringArray {
public:
    MStringArray();
    MStringArray(const MStringArray& other);
    MStringArray(const MString strings[], unsigned int count);
    MStringArray(const char* strings[], unsigned int count);
    MStringArray(unsigned int initialSize, const MString& initialValue);
    ~MStringArray();
    MString operator[](unsigned int index) const;
    MString& operator[](unsigned int index);
    MStringArray& operator=(const MStringArray& other);
    MStatus set(const MString& element, unsigned int index);
    MStatus set(char* element, unsigned int index);
    /// Grows with empty strings or shrinks.
    MStatus setLength(unsigned int length);
    unsigned int length() const;
    MStatus remove(unsigned int index);
    /// `index` may equal length() (appends).
    MStatus insert(const MString& element, unsigned int index);
    MStatus append(const MString& element);
    MStatus clear();
    MStatus get(MString array[]) const;
    void setSizeIncrement(unsigned int newIncrement);
    unsigned int sizeIncrement() const;

private:
    MString* data_;
    unsigned int length_;
    unsigned int capacity_;
    unsigned int increment_;
};

/// Writes the elements as [a, b, c].
std::ostream& operator<<(std::ostream& out, const MStringArray& array);

OPENMAYA_NAMESPACE_CLOSE
