// Euler rotation maths: matrices, reordering, decomposition and closest solutions.

#include <gtest/gtest.h>
#include <maya/MEulerRotation.h>
#include <maya/MMatrix.h>
#include <maya/MVector.h>

#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.14159265358979323846;
const MEulerRotation::RotationOrder kOrders[] = {MEulerRotation::kXYZ, MEulerRotation::kYZX,
                                                 MEulerRotation::kZXY, MEulerRotation::kXZY,
                                                 MEulerRotation::kYXZ, MEulerRotation::kZYX};

/// Rotates a row vector by a host (row-vector) matrix.
MVector apply(const MVector& v, const MMatrix& m) {
    return MVector(v.x * m(0, 0) + v.y * m(1, 0) + v.z * m(2, 0),
                   v.x * m(0, 1) + v.y * m(1, 1) + v.z * m(2, 1),
                   v.x * m(0, 2) + v.y * m(1, 2) + v.z * m(2, 2));
}

double sumOfDifferences(const MEulerRotation& a, const MEulerRotation& b) {
    return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z);
}

TEST(HostEuler, OrderXYZRotatesAboutXFirst) {
    // 90 degrees about X then 90 about Y: the Y axis goes to Z, then Z goes to X.
    const MEulerRotation r(kPi / 2, kPi / 2, 0, MEulerRotation::kXYZ);
    const MVector v = apply(MVector(0, 1, 0), r.asMatrix());
    EXPECT_NEAR(1.0, v.x, 1e-12);
    EXPECT_NEAR(0.0, v.y, 1e-12);
    EXPECT_NEAR(0.0, v.z, 1e-12);
    // The same angles in order ZYX (about Y first, then X): Y stays Y, then goes to Z.
    const MVector w = apply(MVector(0, 1, 0),
                            MEulerRotation(kPi / 2, kPi / 2, 0, MEulerRotation::kZYX).asMatrix());
    EXPECT_NEAR(0.0, w.x, 1e-12);
    EXPECT_NEAR(0.0, w.y, 1e-12);
    EXPECT_NEAR(1.0, w.z, 1e-12);
}

TEST(HostEuler, ReorderKeepsTheOrientation) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> angle(-2 * kPi, 2 * kPi);
    for (int n = 0; n < 2000; ++n) {
        const MEulerRotation r(angle(rng), angle(rng), angle(rng), kOrders[n % 6]);
        for (MEulerRotation::RotationOrder to : kOrders) {
            const MEulerRotation q = r.reorder(to);
            ASSERT_EQ(to, q.order);
            ASSERT_TRUE(r.asMatrix().isEquivalent(q.asMatrix(), 1e-12))
                << "rotation " << n << " to order " << to;
            ASSERT_LE(std::fabs(q.x), kPi + 1e-12);
            ASSERT_LE(std::fabs(q.y), kPi + 1e-12);
            ASSERT_LE(std::fabs(q.z), kPi + 1e-12);
        }
    }
}

TEST(HostEuler, ReorderNearGimbalLock) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> angle(-kPi, kPi);
    const double offsets[] = {0.0, 1e-15, 1e-12, 1e-9, 1e-6, -1e-9};
    for (int n = 0; n < 300; ++n) {
        const MEulerRotation::RotationOrder from = kOrders[n % 6];
        for (double offset : offsets) {
            for (double middle : {kPi / 2, -kPi / 2}) {
                double a[3] = {angle(rng), angle(rng), angle(rng)};
                // The middle axis of the order sits at +-90 degrees (plus a tiny offset).
                const int middleAxis[] = {1, 2, 0, 2, 0, 1};
                a[middleAxis[from]] = middle + offset;
                const MEulerRotation r(a[0], a[1], a[2], from);
                for (MEulerRotation::RotationOrder to : kOrders) {
                    ASSERT_TRUE(r.asMatrix().isEquivalent(r.reorder(to).asMatrix(), 1e-12))
                        << "rotation " << n << " offset " << offset << " to " << to;
                }
            }
        }
    }
}

TEST(HostEuler, DecomposeInvertsAsMatrix) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> half(-kPi / 2 + 0.01, kPi / 2 - 0.01);
    std::uniform_real_distribution<double> full(-kPi + 0.01, kPi - 0.01);
    const int middleAxis[] = {1, 2, 0, 2, 0, 1};
    for (int n = 0; n < 600; ++n) {
        const MEulerRotation::RotationOrder order = kOrders[n % 6];
        double a[3] = {full(rng), full(rng), full(rng)};
        a[middleAxis[order]] = half(rng);
        const MEulerRotation r(a[0], a[1], a[2], order);
        const MEulerRotation d = MEulerRotation::decompose(r.asMatrix(), order);
        EXPECT_TRUE(r.isEquivalent(d, 1e-9)) << "rotation " << n;
    }
}

TEST(HostEuler, ClosestSolutionIsEquivalentAndNearest) {
    std::mt19937 rng(4242);
    std::uniform_real_distribution<double> angle(-kPi, kPi);
    std::uniform_real_distribution<double> target(-4 * kPi, 4 * kPi);
    for (int n = 0; n < 2000; ++n) {
        const MEulerRotation::RotationOrder order = kOrders[n % 6];
        const MEulerRotation src(angle(rng), angle(rng), angle(rng), order);
        const MEulerRotation dst(target(rng), target(rng), target(rng), order);
        MEulerRotation closest = src;
        closest.setToClosestSolution(dst);
        ASSERT_EQ(order, closest.order);
        ASSERT_TRUE(src.asMatrix().isEquivalent(closest.asMatrix(), 1e-9)) << "rotation " << n;
        const double best = sumOfDifferences(closest, dst);
        // Both solution families, with every combination of whole turns per angle in a
        // window around the target, are no nearer.
        const int middleAxis[] = {1, 2, 0, 2, 0, 1};
        const int m = middleAxis[order];
        double second[3] = {src.x + kPi, src.y + kPi, src.z + kPi};
        second[m] = kPi - (m == 0 ? src.x : m == 1 ? src.y : src.z);
        const MEulerRotation families[] = {src,
                                           MEulerRotation(second[0], second[1], second[2], order)};
        for (const MEulerRotation& base : families) {
            ASSERT_TRUE(src.asMatrix().isEquivalent(base.asMatrix(), 1e-9));
            for (int i = -3; i <= 3; ++i) {
                for (int j = -3; j <= 3; ++j) {
                    for (int k = -3; k <= 3; ++k) {
                        const MEulerRotation candidate(base.x + 2 * kPi * i, base.y + 2 * kPi * j,
                                                       base.z + 2 * kPi * k, order);
                        ASSERT_GE(sumOfDifferences(candidate, dst), best - 1e-9)
                            << "rotation " << n << " turns " << i << j << k;
                    }
                }
            }
        }
    }
}

TEST(HostEuler, ClosestSolutionFollowsAContinuousPath) {
    // An Euler filter use: angles wrapped to [-pi, pi] are unwrapped against the previous.
    MEulerRotation previous(0, 0, 0, MEulerRotation::kZXY);
    for (int step = 0; step <= 720; ++step) {
        const double a = step * kPi / 180;  // two full turns about Z
        const MEulerRotation wrapped = MEulerRotation(0.1, 0.2, a, MEulerRotation::kZXY).bound();
        MEulerRotation r = wrapped;
        r.setToClosestSolution(previous);
        EXPECT_NEAR(a, r.z, 1e-9) << "step " << step;
        previous = r;
    }
}

TEST(HostEuler, BoundEquivalenceAndAccess) {
    const MEulerRotation r(3 * kPi, -2.5 * kPi, 0.25, MEulerRotation::kYXZ);
    const MEulerRotation b = r.bound();
    EXPECT_NEAR(kPi, std::fabs(b.x), 1e-12);
    EXPECT_NEAR(-0.5 * kPi, b.y, 1e-12);
    EXPECT_EQ(0.25, b.z);
    EXPECT_TRUE(r.asMatrix().isEquivalent(b.asMatrix(), 1e-12));
    EXPECT_TRUE(MEulerRotation(1, 2, 3).isEquivalent(MEulerRotation(1, 2, 3 + 1e-11)));
    EXPECT_FALSE(
        MEulerRotation(1, 2, 3).isEquivalent(MEulerRotation(1, 2, 3, MEulerRotation::kZYX)));
    const MEulerRotation e(1, 2, 3);
    EXPECT_EQ(2.0, e[1]);
    EXPECT_EQ(0.0, e[3]);
    EXPECT_TRUE(MEulerRotation::identity.isZero());
    EXPECT_EQ(MEulerRotation::kXYZ, MEulerRotation::identity.order);
    MVector v(1, 2, 3);
    v *= 2.0;
    EXPECT_EQ(MVector(2, 4, 6), v);
    EXPECT_EQ(0.0, static_cast<const MVector&>(v)[7]);
    v[1] = 5;
    EXPECT_EQ(MVector(2, 5, 6), v);
}

}  // namespace
