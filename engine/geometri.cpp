// Plane geometry of the engine.  Points are (N, E); a direction is an
// azimuth, measured from north towards east, so "left" of a line is the
// side a walker facing along it has on the left in the map.
#include <cmath>

#include "kartmotor_int.h"

namespace {

// Directions closer to zero length than this have no direction.
const double MIN_AVSTAND = 0.000001;
// sin(α1 + α2) below this: the two legs are parallel, no apex.
const double MIN_SINUS = 0.0000001;
// Half-chord this close to the radius: the ends are a diameter apart.
const double DIAMETER_TOL = 0.00000001;
// Collinearity of three points, relative to the product of the two chords.
// Scale-free, so flat arcs of large radius keep their centre.
const double KOLLINEAR_TOL = 1e-9;
// A chord midpoint closer than this to the centre: a half circle.
const double HALVSIRKEL_TOL = 0.0001;

} // namespace

double pi_value(void)
{
    return 4.0 * atan(1.0);
}

void angle_normalize(double *angle)
{
    const double toPi = 2.0 * pi_value();
    double a = *angle;
    if (a > 1000.0 || a < -1000.0)
        a = 0.0;
    while (a < 0.0)
        a += toPi;
    while (a >= toPi)
        a -= toPi;
    // -1e-17 + 2π rounds to 2π itself.
    if (a >= toPi)
        a = 0.0;
    *angle = a;
}

void polar_angle(double *fromN, double *fromE, double *toN, double *toE, double *direction, double *distance)
{
    double dN = *toN - *fromN;
    double dE = *toE - *fromE;
    *distance = sqrt(dN * dN + dE * dE);
    if (*distance >= MIN_AVSTAND) {
        *direction = atan2(dE, dN);
        angle_normalize(direction);
    } else {
        *direction = 0.0;
    }
}

void point_side(double *p1N, double *p1E, double *p2N, double *p2E, double *cN, double *cE, int16_t *side)
{
    double a = (*p1E - *p2E) * (*cN - *p2N);
    double b = (*cE - *p2E) * (*p1N - *p2N);
    *side = a < b ? -1 : (a > b ? 1 : 0);
}

void angle_intersect(double *p1N, double *p1E, double *p2N, double *p2E, double *alpha1, double *alpha2, double *n,
                     double *e, int16_t *failed)
{
    double s = sin(*alpha1 + *alpha2);
    if (fabs(s) < MIN_SINUS) {
        *failed = 1;
        return;
    }
    double retning = 0.0;
    double basis = 0.0;
    polar_angle(p1N, p1E, p2N, p2E, &retning, &basis);
    // Law of sines: the leg from P1 is opposite the angle at P2.  Turning
    // left lowers the azimuth.
    double ben = basis * sin(*alpha2) / s;
    double r = retning - *alpha1;
    *n = *p1N + ben * cos(r);
    *e = *p1E + ben * sin(r);
    *failed = 0;
}

int16_t circle_centres(double *p1N, double *p1E, double *p2N, double *p2E, double *r, double *c1N, double *c1E,
                       double *c2N, double *c2E)
{
    double dN = *p2N - *p1N;
    double dE = *p2E - *p1E;
    double h = 0.5 * sqrt(dN * dN + dE * dE);
    if (!(h <= *r))
        return 10;
    if (fabs(h - *r) < DIAMETER_TOL) {
        *c1N = *c2N = *p1N + 0.5 * dN;
        *c1E = *c2E = *p1E + 0.5 * dE;
        return 1;
    }
    double theta = atan2(sqrt(*r * *r - h * h), h);
    int16_t failed = 0;
    angle_intersect(p1N, p1E, p2N, p2E, &theta, &theta, c1N, c1E, &failed);
    if (failed)
        return -1;
    angle_intersect(p2N, p2E, p1N, p1E, &theta, &theta, c2N, c2E, &failed);
    if (failed)
        return -2;
    return 0;
}

int16_t circle_3points(double *p1N, double *p1E, double *p2N, double *p2E, double *p3N, double *p3E, double *cN,
                       double *cE)
{
    // Relative to P1, so that map coordinates in the millions keep their
    // digits in the products below.
    double aN = *p2N - *p1N, aE = *p2E - *p1E;
    double bN = *p3N - *p2N, bE = *p3E - *p2E;
    double kryss = aN * bE - aE * bN;
    double grense = KOLLINEAR_TOL * sqrt(aN * aN + aE * aE) * sqrt(bN * bN + bE * bE);
    if (!(fabs(kryss) > grense))
        return 1;
    // Centre where the perpendicular bisectors of P1P2 and P1P3 meet.
    double cN3 = *p3N - *p1N, cE3 = *p3E - *p1E;
    double d = 2.0 * (aN * cE3 - aE * cN3);
    double a2 = aN * aN + aE * aE;
    double c2 = cN3 * cN3 + cE3 * cE3;
    *cN = *p1N + (cE3 * a2 - aE * c2) / d;
    *cE = *p1E + (aN * c2 - cN3 * a2) / d;
    return 0;
}

void arc_midpoint(double *p1N, double *p1E, double *p2N, double *p2E, double *cN, double *cE, double *mN, double *mE)
{
    double r = sqrt((*p1N - *cN) * (*p1N - *cN) + (*p1E - *cE) * (*p1E - *cE));
    double midN = 0.5 * (*p1N + *p2N);
    double midE = 0.5 * (*p1E + *p2E);
    double dN = midN - *cN;
    double dE = midE - *cE;
    // The chord's midpoint gives the arc's direction unless it sits on the
    // centre; one axis alone being close says nothing about that.
    if (fabs(dN) > HALVSIRKEL_TOL || fabs(dE) > HALVSIRKEL_TOL) {
        double m = sqrt(dN * dN + dE * dE);
        *mN = *cN + dN * r / m;
        *mE = *cE + dE * r / m;
        return;
    }
    double retning = 0.0;
    double avstand = 0.0;
    polar_angle(cN, cE, p1N, p1E, &retning, &avstand);
    retning += 0.5 * pi_value();
    *mN = *cN + r * cos(retning);
    *mE = *cE + r * sin(retning);
}

double round_to_unit(double *value, double *unit)
{
    if (*unit == 0.0)
        return *value;
    // nearbyint rounds ties to even, as printf's "%.0f" does.
    return *unit * nearbyint(*value / *unit);
}
