// STUB: replaced by the geometry helpers.
#include "kartmotor_int.h"
double pi_value(void) { return 0; }
void angle_normalize(double *) {}
void polar_angle(double *, double *, double *, double *, double *, double *) {}
void point_side(double *, double *, double *, double *, double *, double *, int16_t *) {}
void angle_intersect(double *, double *, double *, double *, double *, double *, double *, double *, int16_t *) {}
int16_t circle_centres(double *, double *, double *, double *, double *, double *, double *, double *, double *) { return 10; }
int16_t circle_3points(double *, double *, double *, double *, double *, double *, double *, double *) { return 1; }
void arc_midpoint(double *, double *, double *, double *, double *, double *, double *, double *) {}
double round_to_unit(double *v, double *) { return *v; }
