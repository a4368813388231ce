#pragma once
// Three-component double vector.

#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MVector {
public:
    enum Axis { kXaxis, kYaxis, kZaxis, kWaxis };
    /// The zero vector.
    MVector();
    MVector(const MVector& other);
    MVector(double xx, double yy, double zz = 0.0);
    MVector(const double d[3]);
    ~MVector();
    MVector& operator=(const MVector& src);
    /// Components 0..2; any other index reads 0 (const) or a scratch element.
    double operator()(unsigned int i) const;
    double& operator()(unsigned int i);
    double operator[](unsigned int i) const;
    /// Index 0, 1, 2 for x, y, z; any other index refers to z.
    double& operator[](unsigned int i);
    MVector& operator*=(double scalar);
    MVector& operator/=(double scalar);
    MVector operator/(double scalar) const;
    /// Dot product.
    double operator*(const MVector& right) const;
    /// Cross product.
    MVector operator^(const MVector& right) const;
    /// Exact component comparison.
    bool operator==(const MVector& other) const;
    bool operator!=(const MVector& other) const;
    double length() const;

    double x, y, z;
};

OPENMAYA_NAMESPACE_CLOSE
