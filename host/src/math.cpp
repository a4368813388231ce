#include <maya/MEulerRotation.h>
#include <maya/MMatrix.h>
#include <maya/MQuaternion.h>
#include <maya/MVector.h>

#include <cmath>

#include "Rotations.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

using Mat3 = double[3][3];

/// Turns `v` about axis A by the angle whose cosine and sine are `c` and `s`.
template <int A>
inline void turn(double c, double s, double v[3]) {
    constexpr int a = (A + 1) % 3;
    constexpr int b = (A + 2) % 3;
    const double va = v[a];
    const double vb = v[b];
    v[a] = c * va - s * vb;
    v[b] = s * va + c * vb;
}

/// Cosine and sine of atan2(y, x), from the two numbers where they allow it.
inline void unitAngle(double y, double x, double angle, double& c, double& s) {
    const double r = std::sqrt(x * x + y * y);
    if (r > 0.0 && std::isfinite(r)) {
        c = x / r;
        s = y / r;
    } else {
        c = std::cos(angle);
        s = std::sin(angle);
    }
}

/// Rotation maths for the order whose axes, first applied first, are I, J, K. The axes are
/// compile-time constants so that the matrix work reduces to plain arithmetic.
template <int I, int J, int K>
struct Order {
    static constexpr int kI = I, kJ = J, kK = K;
    /// +1 for the cyclic orders XYZ, YZX, ZXY, -1 for the others.
    static constexpr double kParity = J == (I + 1) % 3 ? 1.0 : -1.0;

    /// Column-vector matrix: R_K * R_J * R_I. Each column is the image of a unit vector
    /// turned about the three axes in order.
    static void matrix(const double angles[3], Mat3& m) {
        const double ci = std::cos(angles[I]), si = std::sin(angles[I]);
        const double cj = std::cos(angles[J]), sj = std::sin(angles[J]);
        const double ck = std::cos(angles[K]), sk = std::sin(angles[K]);
        for (int col = 0; col < 3; ++col) {
            double v[3] = {0.0, 0.0, 0.0};
            v[col] = 1.0;
            turn<I>(ci, si, v);
            turn<J>(cj, sj, v);
            turn<K>(ck, sk, v);
            m[0][col] = v[0];
            m[1][col] = v[1];
            m[2][col] = v[2];
        }
    }

    /// The first two angles come from row K of the matrix; the third is taken from what
    /// remains after undoing them, which keeps the result exact near gimbal lock, where the
    /// first and third axes line up and only their combination is determined.
    static void decompose(const Mat3& m, double angles[3]) {
        const double s = kParity;
        const double y = s * m[K][J];
        const double cosJ0 = std::sqrt(m[K][J] * m[K][J] + m[K][K] * m[K][K]);
        const double thetaI = std::atan2(y, m[K][K]);
        const double thetaJ = std::atan2(-s * m[K][I], cosJ0);
        // R_K = M * R_I^-1 * R_J^-1; its column a holds the cosine and sine of the third angle.
        double cosI, sinI, cosJ, sinJ;
        unitAngle(y, m[K][K], thetaI, cosI, sinI);
        unitAngle(-s * m[K][I], cosJ0, thetaJ, cosJ, sinJ);
        constexpr int a = (K + 1) % 3;
        constexpr int b = (K + 2) % 3;
        double v[3] = {0.0, 0.0, 0.0};
        v[a] = 1.0;
        turn<J>(cosJ, -sinJ, v);
        turn<I>(cosI, -sinI, v);
        const double restAA = m[a][0] * v[0] + m[a][1] * v[1] + m[a][2] * v[2];
        const double restBA = m[b][0] * v[0] + m[b][1] * v[1] + m[b][2] * v[2];
        angles[I] = thetaI;
        angles[J] = thetaJ;
        angles[K] = std::atan2(restBA, restAA);
    }
};

template <typename Visit>
auto withOrder(MEulerRotation::RotationOrder order, Visit&& visit) {
    switch (order) {
        case MEulerRotation::kYZX:
            return visit(Order<1, 2, 0>());
        case MEulerRotation::kZXY:
            return visit(Order<2, 0, 1>());
        case MEulerRotation::kXZY:
            return visit(Order<0, 2, 1>());
        case MEulerRotation::kYXZ:
            return visit(Order<1, 0, 2>());
        case MEulerRotation::kZYX:
            return visit(Order<2, 1, 0>());
        case MEulerRotation::kXYZ:
        default:
            return visit(Order<0, 1, 2>());
    }
}

/// Axes of an order, first applied first.
struct OrderAxes {
    int i, j, k;
};

OrderAxes axesOf(MEulerRotation::RotationOrder order) {
    return withOrder(order, [](auto o) { return OrderAxes{o.kI, o.kJ, o.kK}; });
}

/// Column-vector matrix of a rotation: first axis applied first (rightmost factor).
void columnMatrix(const MEulerRotation& e, Mat3& m) {
    const double angles[3] = {e.x, e.y, e.z};
    withOrder(e.order, [&](auto o) { o.matrix(angles, m); });
}

/// Decomposes a column-vector rotation matrix into angles of `order`.
MEulerRotation decomposeColumn(const Mat3& m, MEulerRotation::RotationOrder order) {
    double angles[3];
    withOrder(order, [&](auto o) { o.decompose(m, angles); });
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
double& MVector::operator[](unsigned int i) { return i == 0 ? x : i == 1 ? y : z; }

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

namespace standin {
namespace detail {

void rotationRows(const MEulerRotation& angles, double rows[3][3]) {
    Mat3 m;
    columnMatrix(angles, m);
    // Row-vector convention: the transpose of the column-vector matrix.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) rows[r][c] = m[c][r];
}

MEulerRotation anglesOfRows(const double rows[3][3], MEulerRotation::RotationOrder order) {
    Mat3 m;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = rows[c][r];
    return decomposeColumn(m, order);
}

}  // namespace detail
}  // namespace standin

MMatrix MEulerRotation::asMatrix() const {
    double rows[3][3];
    standin::detail::rotationRows(*this, rows);
    MMatrix result;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) result.matrix[r][c] = rows[r][c];
    return result;
}

MQuaternion MEulerRotation::asQuaternion() const {
    MQuaternion q;
    q = *this;
    return q;
}

MVector MEulerRotation::asVector() const { return MVector(x, y, z); }

double MEulerRotation::operator[](unsigned int i) const {
    return i == 0 ? x : i == 1 ? y : i == 2 ? z : 0.0;
}
double& MEulerRotation::operator[](unsigned int i) { return i == 0 ? x : i == 1 ? y : z; }

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
    double rows[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) rows[r][c] = matrix.matrix[r][c];
    return standin::detail::anglesOfRows(rows, ord);
}

const MQuaternion MQuaternion::identity;

MQuaternion::MQuaternion() : x(0.0), y(0.0), z(0.0), w(1.0) {}
MQuaternion::MQuaternion(const MQuaternion& src) = default;
MQuaternion::MQuaternion(double xx, double yy, double zz, double ww) : x(xx), y(yy), z(zz), w(ww) {}
MQuaternion::MQuaternion(const double q[4]) : x(q[0]), y(q[1]), z(q[2]), w(q[3]) {}
MQuaternion::MQuaternion(double angle, const MVector& axisb) : MQuaternion() {
    const double length = axisb.length();
    if (!(length > 0.0)) return;
    const double s = std::sin(angle / 2.0) / length;
    x = axisb.x * s;
    y = axisb.y * s;
    z = axisb.z * s;
    w = std::cos(angle / 2.0);
}
MQuaternion::~MQuaternion() = default;
MQuaternion& MQuaternion::operator=(const MQuaternion& src) = default;

MQuaternion& MQuaternion::operator=(const MMatrix& matrix) {
    // Column-vector matrix c = transpose of the row-vector one; the largest of the four
    // diagonal combinations is taken as the divisor so that no precision is lost.
    auto c = [&](int r, int k) { return matrix.matrix[k][r]; };
    const double trace = c(0, 0) + c(1, 1) + c(2, 2);
    if (trace > 0.0) {
        const double s = 2.0 * std::sqrt(1.0 + trace);
        w = s / 4.0;
        x = (c(2, 1) - c(1, 2)) / s;
        y = (c(0, 2) - c(2, 0)) / s;
        z = (c(1, 0) - c(0, 1)) / s;
    } else if (c(0, 0) >= c(1, 1) && c(0, 0) >= c(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + c(0, 0) - c(1, 1) - c(2, 2));
        w = (c(2, 1) - c(1, 2)) / s;
        x = s / 4.0;
        y = (c(0, 1) + c(1, 0)) / s;
        z = (c(0, 2) + c(2, 0)) / s;
    } else if (c(1, 1) >= c(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + c(1, 1) - c(0, 0) - c(2, 2));
        w = (c(0, 2) - c(2, 0)) / s;
        x = (c(0, 1) + c(1, 0)) / s;
        y = s / 4.0;
        z = (c(1, 2) + c(2, 1)) / s;
    } else {
        const double s = 2.0 * std::sqrt(1.0 + c(2, 2) - c(0, 0) - c(1, 1));
        w = (c(1, 0) - c(0, 1)) / s;
        x = (c(0, 2) + c(2, 0)) / s;
        y = (c(1, 2) + c(2, 1)) / s;
        z = s / 4.0;
    }
    return *this;
}

MQuaternion& MQuaternion::operator=(const MEulerRotation& matrix) {
    return *this = matrix.asMatrix();
}

MMatrix MQuaternion::asMatrix() const {
    const double norm = x * x + y * y + z * z + w * w;
    const double s = norm > 0.0 ? 2.0 / norm : 0.0;
    // Column-vector matrix, stored transposed for the row-vector convention.
    const double c[3][3] = {
        {1.0 - s * (y * y + z * z), s * (x * y - z * w), s * (x * z + y * w)},
        {s * (x * y + z * w), 1.0 - s * (x * x + z * z), s * (y * z - x * w)},
        {s * (x * z - y * w), s * (y * z + x * w), 1.0 - s * (x * x + y * y)},
    };
    MMatrix result;
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 3; ++k) result.matrix[r][k] = c[k][r];
    }
    return result;
}

MEulerRotation MQuaternion::asEulerRotation() const {
    return MEulerRotation::decompose(asMatrix(), MEulerRotation::kXYZ);
}

double MQuaternion::operator[](unsigned int i) const {
    return i == 0 ? x : i == 1 ? y : i == 2 ? z : i == 3 ? w : 0.0;
}

MQuaternion MQuaternion::operator*(const MQuaternion& o) const {
    // This rotation first, then `o`: the Hamilton product o * this.
    return MQuaternion(o.w * x + o.x * w + o.y * z - o.z * y, o.w * y - o.x * z + o.y * w + o.z * x,
                       o.w * z + o.x * y - o.y * x + o.z * w,
                       o.w * w - o.x * x - o.y * y - o.z * z);
}

bool MQuaternion::operator==(const MQuaternion& o) const {
    return x == o.x && y == o.y && z == o.z && w == o.w;
}

bool MQuaternion::operator!=(const MQuaternion& o) const { return !(*this == o); }

bool MQuaternion::isEquivalent(const MQuaternion& o, double tolerance) const {
    return std::fabs(x - o.x) <= tolerance && std::fabs(y - o.y) <= tolerance &&
           std::fabs(z - o.z) <= tolerance && std::fabs(w - o.w) <= tolerance;
}

MQuaternion MQuaternion::normal() const {
    const double length = std::sqrt(x * x + y * y + z * z + w * w);
    if (!(length > 0.0)) return *this;
    return MQuaternion(x / length, y / length, z / length, w / length);
}

MQuaternion MQuaternion::conjugate() const { return MQuaternion(-x, -y, -z, w); }

MQuaternion MQuaternion::inverse() const {
    const double norm = x * x + y * y + z * z + w * w;
    if (!(norm > 0.0)) return *this;
    return MQuaternion(-x / norm, -y / norm, -z / norm, w / norm);
}
