#pragma once
// 4x4 double matrix in the host's row-vector convention: a point p is transformed as
// p * M, so the translation sits in row 3 and a rotation applied first is the left factor.

#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

#define kMMatrix_Epsilon 1.0e-10

class MMatrix {
public:
    /// The identity matrix.
    MMatrix();
    MMatrix(const MMatrix& src);
    MMatrix(const double m[4][4]);
    ~MMatrix();
    MMatrix& operator=(const MMatrix& src);
    /// Element at `row`, `col` (0..3); out of range reads 0 (const) or a scratch element.
    double operator()(unsigned int row, unsigned int col) const;
    double& operator()(unsigned int row, unsigned int col);
    MMatrix operator*(const MMatrix& right) const;
    MMatrix transpose() const;
    bool operator==(const MMatrix& other) const;
    bool operator!=(const MMatrix& other) const;
    /// Every element within `tolerance` of the other's.
    bool isEquivalent(const MMatrix& other, double tolerance = kMMatrix_Epsilon) const;
    static const MMatrix identity;

    double matrix[4][4];
};

OPENMAYA_NAMESPACE_CLOSE
