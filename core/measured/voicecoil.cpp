#include "core/measured/voicecoil.h"

// The fit uses GSL's gsl_multifit_nlinear rather than Eigen's LevenbergMarquardt: GSL is a
// supported C library with a documented, stable interface (trust-region Levenberg-Marquardt with
// Moré scaling), while Eigen's solver lives in its unsupported/ tree with no such promise.
#include <gsl/gsl_errno.h>
#include <gsl/gsl_multifit_nlinear.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPeakRise = 1.1;
constexpr int kMinFitted = 8;
// The fitted parameters are the logarithms of the normalised ones (below), kept within this bound
// so that no evaluation overflows.
constexpr double kLogBound = 46;
constexpr double kFloor = 1e-3;  // smallest normalised starting value
constexpr std::size_t kMaxIterations = 200;
constexpr std::size_t kScoutIterations = 20;
// A residual that cannot be computed counts as this large, so that the step is refused.
constexpr double kHugeResidual = 1e30;

// jt / (1 + jt) for t >= 0, without overflow.
std::complex<double> branchShare(double t)
{
    if (t > 1) {
        const double it = 1 / t;
        return {1 / (1 + it * it), 1 / (t + it)};
    }
    const double d = 1 + t * t;
    return {t * t / d, t / d};
}

// a, b, c, d of the voice coil, then e of the resonance's tail (below).
using Params = std::array<double, 5>;

// The fitting problem in normalised units: frequency x = f / f_last of the fitted range,
// impedance z = Z / Zref (Zref the geometric mean of the fitted |Z|), parameters
// a = Re/Zref, b = w_last Le/Zref, c = R2/Zref, d = w_last L2/Zref, so that
// z(x) = a + jxb + c jx(d/c) / (1 + jx(d/c)).
// Above a resonance peak the motional branch still adds, near the dip, a few percent of nearly
// pure capacitive reactance (a parallel R-L-C far above its resonance); it shifts the phase
// much more than the magnitude and would bend the complex fit. There the fit carries the term
// -je/x (e = 1/(w_last C Zref)) beside the voice coil, and leaves it out of the model it gives.
struct Problem {
    std::vector<double> x;
    std::vector<std::complex<double>> z;  // measured; the magnitude alone, as real, without phase
    std::vector<double> m;                // |z|
    bool complex = true;
    std::size_t count = 4;  // 5 with the resonance's tail
    std::size_t residualCount() const { return complex ? 2 * x.size() : x.size(); }
};

std::complex<double> model(const Params &p, std::size_t count, double x)
{
    const std::complex<double> branch = p[2] > 0 ? p[2] * branchShare(x * p[3] / p[2]) : 0.0;
    const double tail = count == 5 ? p[4] / x : 0.0;
    return std::complex<double>(p[0], x * p[1] - tail) + branch;
}

double finiteOr(double v, double otherwise)
{
    return std::isfinite(v) ? v : otherwise;
}

Params fromLogs(const gsl_vector *theta)
{
    Params p{0, 0, 0, 0, 0};
    for (std::size_t k = 0; k < theta->size; ++k)
        p[k] = std::exp(std::clamp(finiteOr(gsl_vector_get(theta, k), 0), -kLogBound, kLogBound));
    return p;
}

int residuals(const gsl_vector *theta, void *data, gsl_vector *f)
{
    const Problem &pr = *static_cast<const Problem *>(data);
    const Params p = fromLogs(theta);
    for (std::size_t i = 0; i < pr.x.size(); ++i) {
        const std::complex<double> z = model(p, pr.count, pr.x[i]);
        if (pr.complex) {
            const std::complex<double> r = (z - pr.z[i]) / pr.m[i];
            gsl_vector_set(f, 2 * i, finiteOr(r.real(), kHugeResidual));
            gsl_vector_set(f, 2 * i + 1, finiteOr(r.imag(), kHugeResidual));
        } else {
            gsl_vector_set(f, i, finiteOr((std::abs(z) - pr.m[i]) / pr.m[i], kHugeResidual));
        }
    }
    return GSL_SUCCESS;
}

// Derivatives by the logarithms of a, b, c, d, e: a, jxb, c g^2, c g (1 - g), -je/x, g the
// branch share.
int jacobian(const gsl_vector *theta, void *data, gsl_matrix *J)
{
    const Problem &pr = *static_cast<const Problem *>(data);
    const Params p = fromLogs(theta);
    for (std::size_t i = 0; i < pr.x.size(); ++i) {
        const double x = pr.x[i];
        const std::complex<double> g = branchShare(x * p[3] / p[2]);
        const std::array<std::complex<double>, 5> dz = {
            std::complex<double>(p[0], 0), std::complex<double>(0, x * p[1]), p[2] * g * g,
            p[2] * g * (1.0 - g), std::complex<double>(0, -p[4] / x)};
        if (pr.complex) {
            for (std::size_t k = 0; k < pr.count; ++k) {
                gsl_matrix_set(J, 2 * i, k, finiteOr(dz[k].real() / pr.m[i], 0));
                gsl_matrix_set(J, 2 * i + 1, k, finiteOr(dz[k].imag() / pr.m[i], 0));
            }
        } else {
            const std::complex<double> z = model(p, pr.count, x);
            const double mz = std::abs(z);
            for (std::size_t k = 0; k < pr.count; ++k) {
                const double d = (std::conj(z) * dz[k]).real() / (mz * pr.m[i]);
                gsl_matrix_set(J, i, k, finiteOr(d, 0));
            }
        }
    }
    return GSL_SUCCESS;
}

double cost(const Problem &pr, const Params &p)
{
    double sum = 0;
    for (std::size_t i = 0; i < pr.x.size(); ++i) {
        const std::complex<double> z = model(p, pr.count, pr.x[i]);
        const double r = pr.complex ? std::norm((z - pr.z[i]) / pr.m[i])
                                    : std::pow((std::abs(z) - pr.m[i]) / pr.m[i], 2);
        sum += finiteOr(r, kHugeResidual);
    }
    return sum;
}

using Matrix4 = std::array<std::array<double, 4>, 4>;
using Vector4 = std::array<double, 4>;

// Solves the n x n system M y = v (n <= 4); false when it is singular.
bool solveSmall(int n, Matrix4 M, Vector4 v, Vector4 &y)
{
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::abs(M[r][col]) > std::abs(M[pivot][col]))
                pivot = r;
        if (!(std::abs(M[pivot][col]) > 1e-300))
            return false;
        std::swap(M[col], M[pivot]);
        std::swap(v[col], v[pivot]);
        for (int r = col + 1; r < n; ++r) {
            const double f = M[r][col] / M[col][col];
            for (int c = col; c < n; ++c) M[r][c] -= f * M[col][c];
            v[r] -= f * v[col];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        double s = v[r];
        for (int c = r + 1; c < n; ++c) s -= M[r][c] * y[c];
        y[r] = s / M[r][r];
    }
    return true;
}

struct Start {
    Params p;
    double cost;
};

// For a fixed branch time constant kappa = d/c the complex model is linear in a, b, c (and e):
// the best of them not below zero (every subset of them free, the others zero), by weighted
// least squares.
std::optional<Start> linearStart(const Problem &pr, double kappa)
{
    const int L = pr.count == 5 ? 4 : 3;
    constexpr std::size_t kParam[] = {0, 1, 2, 4};  // where each coefficient goes in Params
    Matrix4 M{};
    Vector4 v{};
    double yy = 0;
    for (std::size_t i = 0; i < pr.x.size(); ++i) {
        const double w2 = 1 / (pr.m[i] * pr.m[i]);
        const double x = pr.x[i];
        const std::complex<double> h = branchShare(x * kappa);
        const Vector4 re = {1, 0, h.real(), 0}, im = {0, x, h.imag(), -1 / x};
        for (int r = 0; r < L; ++r) {
            for (int c = 0; c < L; ++c) M[r][c] += w2 * (re[r] * re[c] + im[r] * im[c]);
            v[r] += w2 * (re[r] * pr.z[i].real() + im[r] * pr.z[i].imag());
        }
        yy += w2 * std::norm(pr.z[i]);
    }
    std::optional<Start> best;
    for (int mask = 1; mask < (1 << L); ++mask) {
        int idx[4], n = 0;
        for (int k = 0; k < L; ++k)
            if (mask & (1 << k))
                idx[n++] = k;
        Matrix4 Ms{};
        Vector4 vs{}, y{};
        for (int r = 0; r < n; ++r) {
            vs[r] = v[idx[r]];
            for (int c = 0; c < n; ++c) Ms[r][c] = M[idx[r]][idx[c]];
        }
        if (!solveSmall(n, Ms, vs, y))
            continue;
        double c2 = yy;
        bool feasible = true;
        for (int r = 0; r < n; ++r) {
            feasible = feasible && y[r] >= 0;
            c2 -= y[r] * vs[r];
        }
        if (!feasible || !std::isfinite(c2) || (best && c2 >= best->cost))
            continue;
        Params p{0, 0, 0, 0, 0};
        for (int r = 0; r < n; ++r) p[kParam[idx[r]]] = y[r];
        p[3] = p[2] * kappa;
        best = Start{p, c2};
    }
    return best;
}

// Starting values for the magnitude alone, for a given kappa: a just under the lowest |z|, b
// from the slope of |z| at the top of the range, c such that |z(1)| comes out as measured.
Params magnitudeStart(const Problem &pr, double kappa)
{
    const std::size_t n = pr.x.size();
    const double mMin = *std::min_element(pr.m.begin(), pr.m.end());
    const double a = 0.95 * mMin;
    std::size_t lower = n - 1;
    while (lower > 0 && pr.x[lower] > 0.5) --lower;
    const double top = pr.m[n - 1];
    double b = lower < n - 1 ? (top - pr.m[lower]) / (1 - pr.x[lower]) : 0.5 * top;
    b = std::clamp(finiteOr(b, 0.5 * top), kFloor * top, 0.9 * top);
    // |a + c g + jb| = top, a quadratic in c.
    const std::complex<double> g = branchShare(kappa);
    const double qa = std::norm(g);
    const double qb = 2 * (a * g.real() + b * g.imag());
    const double qc = a * a + b * b - top * top;
    const double disc = qb * qb - 4 * qa * qc;
    double c = disc > 0 && qa > 0 ? (-qb + std::sqrt(disc)) / (2 * qa) : 0;
    c = std::max(finiteOr(c, 0), 0.05 * a);
    return {a, b, c, c * kappa, kFloor};
}

struct WorkspaceDeleter {
    void operator()(gsl_multifit_nlinear_workspace *w) const { gsl_multifit_nlinear_free(w); }
};

// Levenberg-Marquardt from start on the logarithms of the parameters; the start when the fit
// does not improve on it.
Start refine(const Problem &pr, gsl_multifit_nlinear_workspace *w, Params start,
             std::size_t iterations)
{
    for (double &v : start)
        v = std::clamp(finiteOr(v, kFloor), std::exp(-kLogBound), std::exp(kLogBound));
    Start best{start, cost(pr, start)};
    std::array<double, 5> logs;
    for (std::size_t k = 0; k < pr.count; ++k) logs[k] = std::log(start[k]);
    gsl_vector_view theta = gsl_vector_view_array(logs.data(), pr.count);
    gsl_multifit_nlinear_fdf fdf{};
    fdf.f = residuals;
    fdf.df = jacobian;
    fdf.fvv = nullptr;
    fdf.n = pr.residualCount();
    fdf.p = pr.count;
    fdf.params = const_cast<Problem *>(&pr);
    if (gsl_multifit_nlinear_init(&theta.vector, &fdf, w) != GSL_SUCCESS)
        return best;
    int info = 0;
    gsl_multifit_nlinear_driver(iterations, 1e-12, 1e-12, 1e-14, nullptr, nullptr, &info, w);
    const Params p = fromLogs(gsl_multifit_nlinear_position(w));
    const double c = cost(pr, p);
    if (c < best.cost)
        best = Start{p, c};
    return best;
}

void disableGslAbort()
{
    // GSL's default error handler aborts the program; every failure is handled here instead.
    static std::once_flag once;
    std::call_once(once, [] { gsl_set_error_handler_off(); });
}

}  // namespace

std::complex<double> voiceCoilImpedance(const VoiceCoil &coil, double hz)
{
    const double w = kTwoPi * hz;
    std::complex<double> branch = 0;
    if (coil.R2 > 0 && coil.L2 > 0)
        branch = coil.R2 * branchShare(w * coil.L2 / coil.R2);
    return std::complex<double>(coil.Re, w * coil.Le) + branch;
}

int firstFittedPoint(const QVector<ImpedancePoint> &points)
{
    const int n = int(points.size());
    if (n < 2)
        return 0;
    int first = 0;
    int minIndex = n - 1;
    for (int p = n - 2; p >= 0; --p) {
        if (points[p].ohms >= kPeakRise * points[minIndex].ohms) {
            first = minIndex;
            break;
        }
        if (points[p].ohms <= points[minIndex].ohms)
            minIndex = p;
    }
    return std::max(0, std::min(first, n - kMinFitted));
}

namespace {

// The problem of fitting data (not empty) from firstFittedPoint() on, in normalised units, and
// the starts the fit may take.
struct Setup {
    int first;
    double zRef;
    double fLast;
    Problem pr;
    std::vector<Params> starts;  // never empty
    Start best;                  // the start of least cost
};

Setup setUp(const ImpedanceData &data)
{
    Setup s;
    s.first = firstFittedPoint(data.points);
    const auto fitted = data.points.mid(s.first);
    s.fLast = fitted.last().hz;

    Problem &pr = s.pr;
    pr.complex = data.hasPhase;
    pr.count = s.first > 0 ? 5 : 4;
    double logSum = 0;
    for (const ImpedancePoint &pt : fitted) logSum += std::log(pt.ohms);
    s.zRef = std::exp(logSum / double(fitted.size()));
    for (const ImpedancePoint &pt : fitted) {
        pr.x.push_back(pt.hz / s.fLast);
        const double m = pt.ohms / s.zRef;
        pr.m.push_back(m);
        pr.z.push_back(pr.complex ? std::polar(m, pt.degrees * (kTwoPi / 360)) : m);
    }

    // Branch corner frequencies from below the fitted range to above it, 8 a decade.
    const double xFirst = std::max(pr.x.front(), 1e-12);
    const double decades = std::log10(1 / xFirst) + 2;
    const int steps = std::clamp(int(decades * 8), 8, 200);
    std::vector<double> kappas;
    for (int k = 0; k <= steps; ++k)
        kappas.push_back(1 / (xFirst * 0.1 * std::pow(10.0, decades * k / steps)));

    if (pr.complex) {
        std::optional<Start> best;
        for (double kappa : kappas) {
            const std::optional<Start> st = linearStart(pr, kappa);
            if (st && (!best || st->cost < best->cost))
                best = st;
        }
        if (best) {
            Params p = best->p;
            for (double &v : p) v = std::max(v, kFloor);
            s.starts.push_back(p);
        }
    }
    if (s.starts.empty())
        for (std::size_t k = 0; k < kappas.size(); k += std::max<std::size_t>(1, kappas.size() / 6))
            s.starts.push_back(magnitudeStart(pr, kappas[k]));

    s.best = Start{s.starts.front(), cost(pr, s.starts.front())};
    for (const Params &p : s.starts) {
        const double c = cost(pr, p);
        if (c < s.best.cost)
            s.best = Start{p, c};
    }
    return s;
}

// The fit of the normalised parameters p, in SI units, with its error over the fitted points.
VoiceCoilFit result(const ImpedanceData &data, const Setup &s, const Params &p)
{
    VoiceCoilFit fit;
    fit.firstFitted = s.first;
    const double wLast = kTwoPi * s.fLast;
    const auto physical = [](double v) { return std::isfinite(v) && v > 0 ? v : 0.0; };
    fit.model.Re = physical(p[0] * s.zRef);
    fit.model.Le = physical(p[1] * s.zRef / wLast);
    fit.model.R2 = physical(p[2] * s.zRef);
    fit.model.L2 = physical(p[3] * s.zRef / wLast);
    fit.tailFarads = s.pr.count == 5 ? physical(1 / (p[4] * s.zRef * wLast)) : 0.0;

    double sum = 0;
    const auto fitted = data.points.mid(s.first);
    for (const ImpedancePoint &pt : fitted) {
        std::complex<double> z = voiceCoilImpedance(fit.model, pt.hz);
        if (fit.tailFarads > 0)
            z += 1.0 / std::complex<double>(0, kTwoPi * pt.hz * fit.tailFarads);
        const double e = data.hasPhase
                             ? std::abs(z - std::polar(pt.ohms, pt.degrees * (kTwoPi / 360)))
                             : std::abs(std::abs(z) - pt.ohms);
        sum += std::pow(e / pt.ohms, 2);
    }
    fit.rmsErrorPercent = 100 * std::sqrt(sum / double(fitted.size()));
    return fit;
}

}  // namespace

VoiceCoilFit voiceCoilEstimate(const ImpedanceData &data)
{
    if (data.points.isEmpty())
        return {};
    const Setup s = setUp(data);
    return result(data, s, s.best.p);
}

VoiceCoilFit fitVoiceCoil(const ImpedanceData &data)
{
    if (data.points.isEmpty())
        return {};
    const Setup s = setUp(data);
    const Problem &pr = s.pr;
    Start best = s.best;
    if (pr.residualCount() >= pr.count) {
        disableGslAbort();
        gsl_multifit_nlinear_parameters params = gsl_multifit_nlinear_default_parameters();
        params.trs = gsl_multifit_nlinear_trs_lm;
        params.scale = gsl_multifit_nlinear_scale_more;
        params.solver = gsl_multifit_nlinear_solver_qr;
        std::unique_ptr<gsl_multifit_nlinear_workspace, WorkspaceDeleter> w(
            gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &params, pr.residualCount(),
                                       pr.count));
        if (w) {
            // A few steps from every start, then the best of them to the end.
            const std::vector<Params> &starts = s.starts;
            for (const Params &st : starts) {
                const Start r =
                    refine(pr, w.get(), st, starts.size() > 1 ? kScoutIterations : kMaxIterations);
                if (r.cost < best.cost)
                    best = r;
            }
            if (starts.size() > 1)
                best = refine(pr, w.get(), best.p, kMaxIterations);
        }
    }
    return result(data, s, best.p);
}
