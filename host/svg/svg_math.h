// Geometry for the SVG reader: an affine matrix and trigonometry built only from
// IEEE basic operations, so the Linux and the 32-bit Windows builds read the same
// drawing into the same points (the C libraries' sin and atan2 differ in the last bits).
#pragma once

namespace gx::host {

constexpr double kPi = 3.14159265358979323846;

double sinRadians(double x);
double cosRadians(double x);
// Exact at multiples of 90 degrees, where rotations of drawings usually are.
double sinDegrees(double degrees);
double cosDegrees(double degrees);
double atan2Radians(double y, double x);

struct Point {
    double x = 0;
    double y = 0;
};

// SVG's matrix(a b c d e f): x' = a x + c y + e, y' = b x + d y + f.
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    static Matrix translate(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    static Matrix scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static Matrix rotateDegrees(double degrees);

    Point apply(Point p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
    // this * m: m applies first, as in a transform list read left to right.
    Matrix then(const Matrix& m) const {
        return {a * m.a + c * m.b, b * m.a + d * m.b,     a * m.c + c * m.d,
                b * m.c + d * m.d, a * m.e + c * m.f + e, b * m.e + d * m.f + f};
    }
};

}  // namespace gx::host
