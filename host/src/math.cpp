#include <maya/MEulerRotation.h>
#include <maya/MMatrix.h>
#include <maya/MVector.h>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

/// Axes of an order, first applied first, and its parity: +1 for the cyclic orders XYZ,
/// YZX, ZXY, -1 for the others.
struct OrderAxes {
    int i, j, k;
    double parity;
};

OrderAxes axesOf(MEulerRotation::RotationOrder order) {
    switch (order) {
        case MEulerRotation::kYZX:
            return {1, 2, 0, 1.0};
        case MEulerRotation::kZXY:
            return {2, 0, 1, 1.0};
        case MEulerRotation::kXZY:
            return {0, 2, 1, -1.0};
        case MEulerRotation::kYXZ:
            return {1, 0, 2, -1.0};
        case MEulerRotation::kZYX:
            return {2, 1, 0, -1.0};
        case MEulerRotation::kXYZ:
        default:
            return {0, 1, 2, 1.0};
    }
}

using Mat3 = double[3][3];

/// Column-vector rotation about `axis` by `angle`.
void axisRotation(int axis, double angle, Mat3& m) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    for (int r = 0; r < 3; ++r) {
        for (int col = 0; col < 3; ++col) m[r][col] = r == col ? 1.0 : 0.0;
    }
    const int a = (axis + 1) % 3;
    const int b = (axis + 2) % 3;
    m[a][a] = c;
    m[a][b] = -s;
    m[b][a] = s;
    m[b][b] = c;
}

void multiply(const Mat3& left, const Mat3& right, Mat3& out) {
    Mat3 result;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            result[r][c] =
                left[r][0] * right[0][c] + left[r][1] * right[1][c] + left[r][2] * right[2][c];
        }
    }
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) out[r][c] = result[r][c];
    }
}

/// Column-vector matrix of a rotation: first axis applied first (rightmost factor).
void columnMatrix(const MEulerRotation& e, Mat3& m) {
    const OrderAxes ax = axesOf(e.order);
    const double angles[3] = {e.x, e.y, e.z};
    Mat3 ri, rj, rk;
    axisRotation(ax.i, angles[ax.i], ri);
    axisRotation(ax.j, angles[ax.j], rj);
    axisRotation(ax.k, angles[ax.k], rk);
    multiply(rj, ri, m);
    multiply(rk, m, m);
}

/// Decomposes a column-vector rotation matrix. The first two angles come from the last
/// row of the matrix; the third is taken from what remains after undoing them, which
/// keeps the result exact near gimbal lock, where the first and third axes line up and
/// only their combination is determined.
MEulerRotation decomposeColumn(const Mat3& m, MEulerRotation::RotationOrder order) {
    const OrderAxes ax = axesOf(order);
    const int i = ax.i, j = ax.j, k = ax.k;
    const double s = ax.parity;
    const double cj = std::sqrt(m[k][j] * m[k][j] + m[k][k] * m[k][k]);
    const double thetaI = std::atan2(s * m[k][j], m[k][k]);
    const double thetaJ = std::atan2(-s * m[k][i], cj);
    // R_k = M * R_i^-1 * R_j^-1
    Mat3 undoI, undoJ, rest;
    axisRotation(i, -thetaI, undoI);
    axisRotation(j, -thetaJ, undoJ);
    multiply(m, undoI, rest);
    multiply(rest, undoJ, rest);
    const int a = (k + 1) % 3;
    const int b = (k + 2) % 3;
    const double thetaK = std::atan2(rest[b][a], rest[a][a]);
    double angles[3];
    angles[i] = thetaI;
    angles[j] = thetaJ;
    angles[k] = thetaK;
    return MEulerRotation(angles[0], angles[1], angles[2], order);
}

double wrap(double angle) { return std::remainder(angle, kTwoPi); }

/// `angle` plus the multiple of 2*pi that brings it nearest to `target`.
double nearestTurn(double angle, double target) {
    return angle + kTwoPi * std::nearbyint((target - angle) / kTwoPi);
}

}  // namespace

MVector::MVector() : x(0.0), y(0.0), z(0.0) {}
MVector::MVector(const MVector& other) = default;
MVector::MVector(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}
MVector::MVector(const double d[3]) : x(d[0]), y(d[1]), z(d[2]) {}
MVector::~MVector() = default;
MVector& MVector::operator=(const MVector& src) = default;

double MVector::operator()(unsigned int i) const { return (*this)[i]; }

double& MVector::operator()(unsigned int i) {
    if (i == 0) return x;
    if (i == 1) return y;
    if (i == 2) return z;
    static double scratch;
    scratch = 0.0;
    return scratch;
}

double MVector::operator[](unsigned int i) const {
    return i == 0 ? x : i == 1 ? y : i == 2 ? z : 0.0;
}

MVector& MVector::operator*=(double scalar) {
    x *= scalar;
    y *= scalar;
    z *= scalar;
    return *this;
}

MVector& MVector::operator/=(double scalar) {
    x /= scalar;
    y /= scalar;
    z /= scalar;
    return *this;
}

MVector MVector::operator/(double scalar) const {
    return MVector(x / scalar, y / scalar, z / scalar);
}
double MVector::operator*(const MVector& r) const { return x * r.x + y * r.y + z * r.z; }
MVector MVector::operator^(const MVector& r) const {
    return MVector(y * r.z - z * r.y, z * r.x - x * r.z, x * r.y - y * r.x);
}
bool MVector::operator==(const MVector& o) const { return x == o.x && y == o.y && z == o.z; }
bool MVector::operator!=(const MVector& o) const { return !(*this == o); }
double MVector::length() const { return std::sqrt(x * x + y * y + z * z); }

const MMatrix MMatrix::identity;

MMatrix::MMatrix() {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) matrix[r][c] = r == c ? 1.0 : 0.0;
    }
}
MMatrix::MMatrix(const MMatrix& src) = default;
MMatrix::MMatrix(const double m[4][4]) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) matrix[r][c] = m[r][c];
    }
}
MMatrix::~MMatrix() = default;
MMatrix& MMatrix::operator=(const MMatrix& src) = default;

double MMatrix::operator()(unsigned int row, unsigned int col) const {
    return row < 4 && col < 4 ? matrix[row][col] : 0.0;
}

double& MMatrix::operator()(unsigned int row, unsigned int col) {
    if (row < 4 && col < 4) return matrix[row][col];
    static double scratch;
    scratch = 0.0;
    return scratch;
}

MMatrix MMatrix::operator*(const MMatrix& right) const {
    MMatrix result;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int n = 0; n < 4; ++n) sum += matrix[r][n] * right.matrix[n][c];
            result.matrix[r][c] = sum;
        }
    }
    return result;
}

MMatrix MMatrix::transpose() const {
    MMatrix result;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) result.matrix[r][c] = matrix[c][r];
    }
    return result;
}

bool MMatrix::operator==(const MMatrix& other) const {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (matrix[r][c] != other.matrix[r][c]) return false;
        }
    }
    return true;
}

bool MMatrix::operator!=(const MMatrix& other) const { return !(*this == other); }

bool MMatrix::isEquivalent(const MMatrix& other, double tolerance) const {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (!(std::fabs(matrix[r][c] - other.matrix[r][c]) <= tolerance)) return false;
        }
    }
    return true;
}

const MEulerRotation MEulerRotation::identity;

MEulerRotation::MEulerRotation() : x(0.0), y(0.0), z(0.0), order(kXYZ) {}
MEulerRotation::MEulerRotation(const MEulerRotation& src) = default;
MEulerRotation::MEulerRotation(const MVector& v, RotationOrder ord)
    : x(v.x), y(v.y), z(v.z), order(ord) {}
MEulerRotation::MEulerRotation(double xx, double yy, double zz, RotationOrder ord)
    : x(xx), y(yy), z(zz), order(ord) {}
MEulerRotation::~MEulerRotation() = default;
MEulerRotation& MEulerRotation::operator=(const MEulerRotation& src) = default;

MEulerRotation& MEulerRotation::setValue(double xx, double yy, double zz, RotationOrder ord) {
    x = xx;
    y = yy;
    z = zz;
    order = ord;
    return *this;
}

MMatrix MEulerRotation::asMatrix() const {
    Mat3 m;
    columnMatrix(*this, m);
    MMatrix result;
    // Row-vector convention: the transpose of the column-vector matrix.
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) result.matrix[r][c] = m[c][r];
    }
    return result;
}

MVector MEulerRotation::asVector() const { return MVector(x, y, z); }

double MEulerRotation::operator[](unsigned int i) const {
    return i == 0 ? x : i == 1 ? y : i == 2 ? z : 0.0;
}

bool MEulerRotation::operator==(const MEulerRotation& o) const {
    return x == o.x && y == o.y && z == o.z && order == o.order;
}

bool MEulerRotation::operator!=(const MEulerRotation& o) const { return !(*this == o); }

bool MEulerRotation::isEquivalent(const MEulerRotation& o, double tolerance) const {
    return order == o.order && std::fabs(x - o.x) <= tolerance && std::fabs(y - o.y) <= tolerance &&
           std::fabs(z - o.z) <= tolerance;
}

bool MEulerRotation::isZero(double tolerance) const {
    return std::fabs(x) <= tolerance && std::fabs(y) <= tolerance && std::fabs(z) <= tolerance;
}

MEulerRotation MEulerRotation::reorder(RotationOrder ord) const {
    Mat3 m;
    columnMatrix(*this, m);
    return decomposeColumn(m, ord);
}

MEulerRotation& MEulerRotation::reorderIt(RotationOrder ord) {
    *this = reorder(ord);
    return *this;
}

MEulerRotation MEulerRotation::bound() const { return bound(*this); }

MEulerRotation& MEulerRotation::boundIt() {
    *this = bound(*this);
    return *this;
}

MEulerRotation& MEulerRotation::boundIt(const MEulerRotation& src) {
    *this = bound(src);
    return *this;
}

MEulerRotation MEulerRotation::bound(const MEulerRotation& src) {
    return MEulerRotation(wrap(src.x), wrap(src.y), wrap(src.z), src.order);
}

MEulerRotation MEulerRotation::closestSolution(const MEulerRotation& dst) const {
    return closestSolution(*this, dst);
}

MEulerRotation& MEulerRotation::setToClosestSolution(const MEulerRotation& dst) {
    *this = closestSolution(*this, dst);
    return *this;
}

MEulerRotation& MEulerRotation::setToClosestSolution(const MEulerRotation& src,
                                                     const MEulerRotation& dst) {
    *this = closestSolution(src, dst);
    return *this;
}

MEulerRotation MEulerRotation::closestSolution(const MEulerRotation& src,
                                               const MEulerRotation& dst) {
    const OrderAxes ax = axesOf(src.order);
    const double first[3] = {src.x, src.y, src.z};
    // The second solution: the middle angle mirrored, the outer two turned half around.
    double second[3];
    second[ax.i] = first[ax.i] + kPi;
    second[ax.j] = kPi - first[ax.j];
    second[ax.k] = first[ax.k] + kPi;
    const double target[3] = {dst.x, dst.y, dst.z};
    double a[3], b[3];
    double distanceA = 0.0, distanceB = 0.0;
    for (int n = 0; n < 3; ++n) {
        a[n] = nearestTurn(first[n], target[n]);
        b[n] = nearestTurn(second[n], target[n]);
        distanceA += std::fabs(a[n] - target[n]);
        distanceB += std::fabs(b[n] - target[n]);
    }
    if (distanceB < distanceA) return MEulerRotation(b[0], b[1], b[2], src.order);
    return MEulerRotation(a[0], a[1], a[2], src.order);
}

MEulerRotation MEulerRotation::decompose(const MMatrix& matrix, RotationOrder ord) {
    Mat3 m;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) m[r][c] = matrix.matrix[c][r];
    }
    return decomposeColumn(m, ord);
}
