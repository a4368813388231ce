#pragma once
// Growable array of double.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Indexing out of range never touches memory outside the array: the const operator[]
/// returns 0 and the non-const one a reference to a scratch element that is reset to 0 on
/// every such access. Mutators given a bad index return kInvalidParameter.
class MDoubleArray {
public:
    MDoubleArray();
    MDoubleArray(const MDoubleArray& other);
    MDoubleArray(const double src[], unsigned int count);
    MDoubleArray(const float src[], unsigned int count);
    MDoubleArray(unsigned int initialSize, double initialValue = 0);
    ~MDoubleArray();
    MDoubleArray& operator=(const MDoubleArray& other);
    double operator[](unsigned int index) const;
    double& operator[](unsigned int index);
    MStatus set(double element, unsigned int index);
    MStatus set(float element, unsigned int index);
    /// Grows with zeros or shrinks.
    MStatus setLength(unsigned int length);
    unsigned int length() const;
    MStatus remove(unsigned int index);
    /// `index` may equal length() (appends).
    MStatus insert(double element, unsigned int index);
    MStatus append(double element);
    MStatus copy(const MDoubleArray& source);
    MStatus clear();
    MStatus get(double array[]) const;
    MStatus get(float array[]) const;

private:
    double* data_;
    unsigned int length_;
    unsigned int capacity_;
};

OPENMAYA_NAMESPACE_CLOSE
