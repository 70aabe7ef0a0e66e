#include "svg_math.h"

#include <cmath>

namespace gx::host {

namespace {

// pi/2 split in two (fdlibm's pio2_1 and pio2_1t): k * kPio2Hi is exact for the
// quadrant counts an SVG angle can reach, so the reduction loses no precision.
constexpr double kPio2Hi = 1.57079632673412561417e+00;
constexpr double kPio2Lo = 6.07710050650619224932e-11;

// Taylor series on [-pi/4, pi/4]; the first term left out is below 1e-21.
double sinKernel(double x) {
    const double z = x * x;
    double s = 1.0 / 121645100408832000.0;  // 1/19!
    s = s * -z + 1.0 / 355687428096000.0;
    s = s * -z + 1.0 / 1307674368000.0;
    s = s * -z + 1.0 / 6227020800.0;
    s = s * -z + 1.0 / 39916800.0;
    s = s * -z + 1.0 / 362880.0;
    s = s * -z + 1.0 / 5040.0;
    s = s * -z + 1.0 / 120.0;
    s = s * -z + 1.0 / 6.0;
    return x - x * z * s;
}

double cosKernel(double x) {
    const double z = x * x;
    double c = 1.0 / 2432902008176640000.0;  // 1/20!
    c = c * -z + 1.0 / 6402373705728000.0;
    c = c * -z + 1.0 / 20922789888000.0;
    c = c * -z + 1.0 / 87178291200.0;
    c = c * -z + 1.0 / 479001600.0;
    c = c * -z + 1.0 / 3628800.0;
    c = c * -z + 1.0 / 40320.0;
    c = c * -z + 1.0 / 720.0;
    c = c * -z + 1.0 / 24.0;
    c = c * -z + 0.5;
    return 1.0 - z * c;
}

// sin (wantCos false) or cos of quadrant * pi/2 + r, with |r| <= pi/4.
double fromQuadrant(double quadrant, double r, bool wantCos) {
    double q = std::fmod(quadrant, 4.0);
    if (q < 0) q += 4.0;
    int n = static_cast<int>(q) + (wantCos ? 1 : 0);
    switch (n & 3) {
        case 0:
            return sinKernel(r);
        case 1:
            return cosKernel(r);
        case 2:
            return -sinKernel(r);
        default:
            return -cosKernel(r);
    }
}

double trigRadians(double x, bool wantCos) {
    if (!std::isfinite(x)) return NAN;
    const double k = std::floor(x * (2.0 / kPi) + 0.5);
    const double r = (x - k * kPio2Hi) - k * kPio2Lo;
    return fromQuadrant(k, r, wantCos);
}

double trigDegrees(double degrees, bool wantCos) {
    if (!std::isfinite(degrees)) return NAN;
    const double d = std::fmod(degrees, 360.0);  // exact
    const double k = std::floor(d / 90.0 + 0.5);
    const double r = d - k * 90.0;
    return fromQuadrant(k, r * (kPi / 180.0), wantCos);
}

// atan on [0, 2 - sqrt(3)] by its series; 15 terms reach double precision there.
double atanSmall(double t) {
    const double z = t * t;
    double s = 0;
    for (int k = 14; k >= 0; --k) {
        const double term = 1.0 / (2 * k + 1);
        s = (k % 2 == 0 ? term : -term) + s * z;
    }
    return t * s;
}

double atanPositive(double x) {
    bool inverted = false;
    if (x > 1.0) {
        x = 1.0 / x;
        inverted = true;
    }
    const double sqrt3 = std::sqrt(3.0);
    double r;
    if (x > 2.0 - sqrt3) {
        r = kPi / 6.0 + atanSmall((x * sqrt3 - 1.0) / (x + sqrt3));
    } else {
        r = atanSmall(x);
    }
    return inverted ? kPi / 2.0 - r : r;
}

}  // namespace

double sinRadians(double x) {
    return trigRadians(x, false);
}
double cosRadians(double x) {
    return trigRadians(x, true);
}
double sinDegrees(double degrees) {
    return trigDegrees(degrees, false);
}
double cosDegrees(double degrees) {
    return trigDegrees(degrees, true);
}

double atan2Radians(double y, double x) {
    if (std::isnan(x) || std::isnan(y)) return NAN;
    if (x == 0 && y == 0) return 0;
    const double ax = std::fabs(x), ay = std::fabs(y);
    double a;
    if (ax >= ay) {
        a = atanPositive(ay / ax);
    } else {
        a = kPi / 2.0 - atanPositive(ax / ay);
    }
    if (x < 0) a = kPi - a;
    return y < 0 ? -a : a;
}

Matrix Matrix::rotateDegrees(double degrees) {
    const double s = sinDegrees(degrees), c = cosDegrees(degrees);
    return {c, s, -s, c, 0, 0};
}

}  // namespace gx::host
