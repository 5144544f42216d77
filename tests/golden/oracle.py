#!/usr/bin/env python3
"""Independent oracle for the golden reports of brenlow-report.

Re-computes, with the Python standard library only, every line that one
Compute appends to the output window: separator, heading, user's notes,
inputs, the Index score section, the deviation or pairwise section and the
profile section, including the Monte Carlo base rates. It shares no code with
the C++ program; it follows the methods step by step:

  - standard errors of measurement, 95% limits with the normal quantile of
    0.975, percentile ranks from the normal distribution function (erfc);
  - deviations from the case's mean with p values from Simpson integration
    of the normal density (double precision, eight-decimal density factor);
  - pairwise differences, their p values and limits;
  - step-down sequential Bonferroni (deviations and pairs);
  - abnormality of deviations and differences from the normative covariance
    matrix, with strict counting rules;
  - the Mahalanobis distance (Gauss-Jordan inverse), chi-square 4 df;
  - Monte Carlo base rates: L'Ecuyer's combined generator with Schrage's
    decomposition, Kinderman and Monahan's ratio-of-uniforms normal draw,
    the Choleski factor of the correlation matrix, one million trials.

Python floats are doubles where the program uses 80-bit reals; printed
numbers agree unless a value lies within about 1e-12 of a rounding boundary.
rounding_risk() reports such values so that golden cases can avoid them.

Usage:
  oracle.py [brenlow-report arguments]     print the report(s) to stdout
  oracle.py --write [NAME ...]             (re)write NAME.expected from
                                           NAME.args in this folder (all
                                           cases when no NAME is given)
  oracle.py --selfcheck                    check the published figures
"""

import csv
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

APP_TITLE = "Brenlow.EXE: Supplementary Analysis of Orvane Index Scores"
NOTES_CAPTION = "User's Notes:"
CITATION = [
    " Supplementary analysis of Index scores: confidence limits and percentile ranks, reliability and",
    " abnormality of deviations from the case's mean and of pairwise differences, Monte Carlo base rates",
    " of abnormal scores and differences, and the Mahalanobis distance of the Index score profile.",
]

N = 4
MEANS = [100.0] * N
SDS = [15.0] * N
RELS = [0.96, 0.95, 0.94, 0.90]
CORR = [
    [1.0, 0.61, 0.64, 0.45],
    [0.61, 1.0, 0.62, 0.52],
    [0.64, 0.62, 1.0, 0.51],
    [0.45, 0.52, 0.51, 1.0],
]
SHORT = ["VC", "PR", "WM", "PS"]

# criterion item -> (label, lower-tail deviate, two-tailed deviate)
CRITERIA = [
    ("25%", -0.67449, 1.150349),
    ("15.87%", -1.0, 1.40961),
    ("15%", -1.0364334, 1.4395315),
    ("10%", -1.281552, 1.644854),
    ("5%", -1.644854, 1.959964),
    ("2%", -2.053749, 2.326348),
    ("1%", -2.326348, 2.575829),
]
CRITERION_ARG = {"25": 0, "15.87": 1, "15": 2, "10": 3, "5": 4, "2": 5, "1": 6}

Z975 = 1.959963984540054  # normal quantile of 0.975 (published value)
Z95_DEV = 1.959964        # the stored constant for the limits on deviations
MC_TRIALS = 1000000

INDEX_LABELS = [
    "Verbal Comprehension Index   : ",
    "Perceptual Reasoning Index   : ",
    "Working Memory Index         : ",
    "Processing Speed Index       : ",
]
DEV_LABELS = ["VC minus Mean : ", "PR minus Mean : ", "WM minus Mean : ", "PS minus Mean : "]
SIG = " p < .05"
NOT_SIG = " not sig"

PAIRS = [(0, 1), (0, 2), (0, 3), (1, 2), (1, 3), (2, 3)]
PAIR_GROUPS = [[(0, 1), (0, 2), (0, 3)], [(1, 2), (1, 3)], [(2, 3)]]
# trailing blanks of the abnormality rows differ per pair
ABN_PAIR_TAIL = {(0, 1): " ", (0, 2): "   ", (0, 3): "   ", (1, 2): "   ", (1, 3): "   ", (2, 3): "  "}


def rule(k):
    return " " + "_" * k


# ---------------------------------------------------------------- normal
def phi(x):
    """Standard normal distribution function, accurate in both tails."""
    return 0.5 * math.erfc(-x / math.sqrt(2.0))


# Simpson integration of the normal density, double precision, in the exact
# order of the refinement scheme (the state is reset by stage 1).
_trap = {"T": 0.0, "count": 0}


def normal_density(x):
    return math.exp(-0.5 * x * x) * 0.39894228


def trapezoid_refine(stage, a, b):
    if stage == 1:
        _trap["T"] = (normal_density(b) + normal_density(a)) * ((b - a) * 0.5)
        _trap["count"] = 1
    else:
        cnt = _trap["count"]
        h = (b - a) / cnt
        x = a + 0.5 * h
        s = 0.0
        for _ in range(cnt):
            s += normal_density(x)
            x += h
        _trap["T"] = ((b - a) * (s / cnt) + _trap["T"]) * 0.5
        _trap["count"] = 2 * cnt
    return _trap["T"]


def simpson_integral(a, b):
    s_old = -1e30
    s = 1.0
    t_prev = -1e30
    r = 1
    while r <= 20 and abs(s - s_old) >= 1e-6 * abs(s_old):
        s_old = s
        t = trapezoid_refine(r, a, b)
        s = (4.0 * t - t_prev) / 3.0
        t_prev = t
        r += 1
    if r > 20:
        raise RuntimeError("Too many steps")  # never reached for these cases
    return s


def normal_cdf_simpson(x):
    return simpson_integral(0.0, x) + 0.5


# ---------------------------------------------------------------- generator
class tGenerator:
    """L'Ecuyer's combined multiplicative congruential generator, Schrage's
    decomposition, fixed seeds; the state carries over between reports."""

    SCALE = 4.656613e-10

    def __init__(self):
        self.s1 = 897183450
        self.s2 = 1841323562

    def uniform(self):
        k = self.s1 // 53668
        self.s1 = 40014 * (self.s1 - k * 53668) - k * 12211
        if self.s1 < 0:
            self.s1 += 2147483563
        k = self.s2 // 52774
        self.s2 = 40692 * (self.s2 - k * 52774) - k * 3791
        if self.s2 < 0:
            self.s2 += 2147483399
        z = self.s1 - self.s2
        if z < 1:
            z += 2147483562
        return z * self.SCALE

    def normal(self):
        """Kinderman-Monahan ratio of uniforms with quadratic bounds."""
        c = math.sqrt(2.0 / math.e)
        while True:
            u = self.uniform()
            v = (2.0 * self.uniform() - 1.0) * c
            x = v / u
            q = x * x
            if q <= 6.0 - 8.0 * u + 2.0 * u * u:
                return x
            if q >= 2.0 / u - 2.0 * u:
                continue
            if q <= -4.0 * math.log(u):
                return x


# ---------------------------------------------------------------- linear algebra
def choleski(a):
    n = len(a)
    L = [row[:] for row in a]
    L[0][0] = math.sqrt(L[0][0])
    for i in range(1, n):
        L[i][0] /= L[0][0]
    for j in range(1, n):
        s = L[j][j]
        for k in range(j):
            s -= L[j][k] ** 2
        L[j][j] = math.sqrt(s)
        for i in range(j + 1, n):
            s = L[i][j]
            for k in range(j):
                s -= L[j][k] * L[i][k]
            L[i][j] = s / L[j][j]
    for i in range(n):
        for j in range(i + 1, n):
            L[i][j] = 0.0
    return L


def invert(a):
    """Gauss-Jordan with partial pivoting."""
    n = len(a)
    m = [row[:] + [1.0 if i == j else 0.0 for j in range(n)] for i, row in enumerate(a)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(m[r][c]))
        m[c], m[p] = m[p], m[c]
        piv = m[c][c]
        m[c] = [v / piv for v in m[c]]
        for r in range(n):
            if r != c and m[r][c] != 0.0:
                f = m[r][c]
                m[r] = [vr - f * vc for vr, vc in zip(m[r], m[c])]
    return [row[n:] for row in m]


def sd_devmean(sd, R):
    n = len(sd)
    S = [[R[i][j] * sd[i] * sd[j] for j in range(n)] for i in range(n)]
    a = sum(sum(row) for row in S) / (n * n)
    return [math.sqrt(S[i][i] + a - 2.0 * sum(S[i]) / n) for i in range(n)]


def sd_pair(sd, R):
    return {(i, j): math.sqrt(sd[i] ** 2 + sd[j] ** 2 - 2.0 * sd[i] * sd[j] * R[i][j])
            for (i, j) in PAIRS}


# ---------------------------------------------------------------- methods
def seq_bonferroni_deviations(p, alpha):
    n = len(p)
    res = [False] * n
    k = n
    for _ in range(n):
        for i in range(n):
            if k >= 1 and p[i] < alpha / k and not res[i]:
                res[i] = True
                k -= 1
    return res


def seq_bonferroni_pairwise(p, alpha):
    """p: dict (i, j) -> one-tailed p, visited row by row."""
    res = {pair: False for pair in PAIRS}
    k = float(len(PAIRS))
    while True:
        found = False
        for pair in PAIRS:  # PAIRS is in row-by-row visiting order
            if k >= 1 and p[pair] < alpha / k and not res[pair]:
                res[pair] = True
                k -= 1
                found = True
        if not found:
            return res


def mahalanobis(x):
    z = [(x[i] - MEANS[i]) / SDS[i] for i in range(N)]
    Ri = invert(CORR)
    chi2 = sum(z[i] * Ri[i][j] * z[j] for i in range(N) for j in range(N))
    p = math.exp(-chi2 / 2.0) * (1.0 + chi2 / 2.0)  # chi-square upper tail, 4 df
    return chi2, p


def monte_carlo(gen, cut, crit, k_low, k_dev, k_pair):
    sd1 = [1.0] * N
    sdd = sd_devmean(sd1, CORR)
    sdp = sd_pair(sd1, CORR)
    L = choleski(CORR)
    (l11, _, _, _), (l21, l22, _, _), (l31, l32, l33, _), (l41, l42, l43, l44) = L
    d1, d2, d3, d4 = sdd
    p12, p13, p14 = sdp[(0, 1)], sdp[(0, 2)], sdp[(0, 3)]
    p23, p24, p34 = sdp[(1, 2)], sdp[(1, 3)], sdp[(2, 3)]
    ac = abs(crit)
    draw = gen.normal
    hits_low = hits_dev = hits_pair = 0
    for _ in range(MC_TRIALS):
        u1 = draw()
        u2 = draw()
        u3 = draw()
        u4 = draw()
        y1 = l11 * u1
        y2 = l21 * u1 + l22 * u2
        y3 = l31 * u1 + l32 * u2 + l33 * u3
        y4 = l41 * u1 + l42 * u2 + l43 * u3 + l44 * u4
        m = (y1 + y2 + y3 + y4) / 4.0
        low = (y1 < cut) + (y2 < cut) + (y3 < cut) + (y4 < cut)
        dev = ((abs((y1 - m) / d1) > ac) + (abs((y2 - m) / d2) > ac)
               + (abs((y3 - m) / d3) > ac) + (abs((y4 - m) / d4) > ac))
        pair = ((abs((y1 - y2) / p12) > ac) + (abs((y1 - y3) / p13) > ac)
                + (abs((y1 - y4) / p14) > ac) + (abs((y2 - y3) / p23) > ac)
                + (abs((y2 - y4) / p24) > ac) + (abs((y3 - y4) / p34) > ac))
        if low >= k_low:
            hits_low += 1
        if dev >= k_dev:
            hits_dev += 1
        if pair >= k_pair:
            hits_pair += 1
    return (hits_low / MC_TRIALS * 100.0, hits_dev / MC_TRIALS * 100.0,
            hits_pair / MC_TRIALS * 100.0)


# ---------------------------------------------------------------- rounding guard
_risky = []


def fmt(form, *values):
    """printf-style formatting that also notes values sitting so close to a
    rounding boundary of their conversion that double and 80-bit arithmetic
    might print them differently."""
    import re
    convs = re.findall(r"%(\d*)\.(\d+)f|%(\d+)d", form)
    for (w, d, iw), v in zip(convs, values):
        if d != "" and isinstance(v, float):
            scaled = abs(v) * 10 ** int(d)
            frac = scaled - math.floor(scaled)
            if abs(frac - 0.5) < 1e-9 * max(1.0, scaled):
                _risky.append((form, v))
    return form % values


# ---------------------------------------------------------------- report
def report(gen, scores, mode, correction, item, notes, has_lines):
    out = []
    label, cut, crit = CRITERIA[item]
    x = list(scores)

    # normative derived quantities
    sem = [SDS[i] * math.sqrt(1.0 - RELS[i]) for i in range(N)]
    q = sum(s * s for s in sem)
    sem_dm = [math.sqrt((N - 2) / N * sem[i] ** 2 + q / (N * N)) for i in range(N)]
    sem_pair = {(i, j): math.sqrt(sem[i] ** 2 + sem[j] ** 2) for (i, j) in PAIRS}
    sd_dm = sd_devmean(SDS, CORR)
    sd_pr = sd_pair(SDS, CORR)

    # Index score section
    z = [(x[i] - MEANS[i]) / SDS[i] for i in range(N)]
    lo = [x[i] - sem[i] * Z975 for i in range(N)]
    hi = [x[i] + sem[i] * Z975 for i in range(N)]

    def pr(v, i):
        return 100.0 * phi((v - MEANS[i]) / SDS[i])

    n_low = sum(1 for i in range(N) if z[i] < cut)

    # deviation section
    mean = 0.0
    for i in range(N):
        mean += x[i] / N
    dev = []
    n_dev = 0
    for i in range(N):
        d = x[i] - mean
        if d == 0.0:
            p1, p2, a1, a2 = 0.5, 1.0, 50.0, 100.0
        else:
            p1 = 1.0 - normal_cdf_simpson(abs(d) / sem_dm[i])
            p2 = 2.0 * p1
            a1 = 100.0 * (1.0 - normal_cdf_simpson(abs(d / sd_dm[i])))
            a2 = 2.0 * a1
        if abs(d) / sd_dm[i] > crit:
            n_dev += 1
        dev.append((d, p1, p2, d - Z95_DEV * sem_dm[i], d + Z95_DEV * sem_dm[i], a1, a2))
    bonf_dev_one = seq_bonferroni_deviations([r[1] for r in dev], 0.05)
    bonf_dev_two = seq_bonferroni_deviations([r[2] for r in dev], 0.05)

    # pairwise section
    pair = {}
    n_pair = 0
    for (a, b) in PAIRS:
        d = x[a] - x[b]
        se = sem_pair[(a, b)]
        p1 = 1.0 - phi(abs(d / se))
        pct = 100.0 * (1.0 - phi(abs(d / sd_pr[(a, b)])))
        pair[(a, b)] = (d, d - Z975 * se, d + Z975 * se, p1, pct)
        if abs(d) / sd_pr[(a, b)] > crit:
            n_pair += 1
    p_one = {k: v[3] for k, v in pair.items()}
    bonf_pair_one = seq_bonferroni_pairwise(p_one, 0.05)
    bonf_pair_two = seq_bonferroni_pairwise(p_one, 0.025)

    chi2, maha_p = mahalanobis(x)
    mc_low, mc_dev, mc_pair = monte_carlo(gen, cut, crit, n_low, n_dev, n_pair)

    def mark(flag):
        return SIG if flag else NOT_SIG

    # block 0
    if has_lines:
        out += ["", "", "", "-" * 103, ""]
    # block 1
    out += ["", APP_TITLE, "", " THIS PROGRAM IMPLEMENTS METHODS DEVELOPED IN THE FOLLOWING PAPER:"]
    out += CITATION
    out += [""]
    # block 2
    if notes:
        out.append(" " + NOTES_CAPTION + " " + notes[0])
        for line in notes[1:]:
            out.append(" " * 15 + line)
        out.append(" ")
    # block 3
    out.append(" INPUTS:")
    if mode == 0:
        out.append(" Analysis of the case's Index scores is based on PAIRWISE comparisons")
    else:
        out.append(" Analysis of Index scores is based on comparisons with the case's MEAN Index score")
    out.append("")
    if correction == 0:
        out.append(" A sequential Bonferroni correction is NOT applied when testing for reliabilty of differences")
    else:
        out.append(" A sequential Bonferroni correction IS applied when testing for reliabilty of differences")
    out.append("")
    out.append(" An abnormally LOW score has been defined as a score exhibited by less than "
               + label + " of the population.")
    out.append("")
    if mode == 1:
        out.append(" An abnormally large DEVIATION score has been defined as a deviation exhibited by less than ")
    else:
        out.append(" An abnormally large PAIRWISE difference has been defined as a difference exhibited by less than ")
    out.append(" " + label + " of the population, regardless of sign.")
    out += ["", ""]

    # block 4
    out.append(" OUTPUTS:")
    out.append(" Index scores with confidence limits expressed on an Index score metric and as percentile ranks:")
    out.append(rule(95))
    out.append(" Index                             Score   (     95% CI    )        PR     ( 95% CI on PR  )    ")
    out.append(rule(95))
    out.append("")
    for i in range(N):
        out.append(fmt(" " + INDEX_LABELS[i] + " %6.0f    (%4.0f  to%6.0f )   %8.1f    (%4.1f  to%6.1f )       ",
                       x[i], lo[i], hi[i], pr(x[i], i), pr(lo[i], i), pr(hi[i], i)))
    out.append(rule(94))
    out.append(fmt(" NUMBER of case's Index scores classified as abnormally low = %2d", n_low))
    out.append(" PERCENTAGE of normal population expected to exhibit this number or more of abnormally low scores:")
    if n_low == 0:
        out.append(" Percentage = 100%")
    else:
        out.append(fmt(" Percentage = %3.2f%%", mc_low))
    out += ["", ""]

    if mode == 1:
        # block 5a / 5a'
        if correction == 1:
            out.append("")
            out.append(" RELIABLITY of Index score deviations from the case's mean Index score (with Bonferroni correction):")
            out.append(fmt(" Case's mean Index score = %3.2f ", mean))
            out.append(rule(96))
            out.append(" Index                          Deviation             One-tailed p               Two-tailed p       ")
            out.append(rule(96))
            out.append("")
            for i in range(N):
                f = (" " + DEV_LABELS[i] + " %6.2f                " + mark(bonf_dev_one[i])
                     + " " * 19 + mark(bonf_dev_two[i]))
                out.append(fmt(f, dev[i][0]))
            out.append(rule(96))
            out += ["", ""]
        else:
            out.append("")
            out.append(" RELIABLITY of Index score deviations from the case's mean Index score:")
            out.append(fmt(" Case's mean Index score = %3.2f ", mean))
            out.append(rule(104))
            out.append(" Index                 Deviation    (  95% CI for deviation )        One-tailed p         Two-tailed p   ")
            out.append(rule(104))
            out.append("")
            for i in range(N):
                d, p1, p2, l, u, _, _ = dev[i]
                out.append(fmt(" " + DEV_LABELS[i]
                               + "   %10.1f      ( %7.1f  to %7.1f   )          %7.4f             %7.4f",
                               d, l, u, p1, p2))
            out.append(rule(104))
            out += ["", ""]
        # block 5b
        out.append("")
        out.append(" ABNORMALITY of Index score deviations from the case's mean Index score, i.e., percentage of")
        out.append(" population estimated to obtain a larger deviation in same direction and percentage regardless of sign:")
        out.append(fmt(" Case's mean index score =  %3.2f", mean))
        out.append(rule(103))
        out.append(" Index               Deviation          Percentage of population       Percentage with larger deviations")
        out.append(" " * 41 + "with larger deviations               regardless of sign ")
        out.append(rule(103))
        out.append("")
        for i in range(N):
            d, _, _, _, _, a1, a2 = dev[i]
            out.append(fmt(" " + DEV_LABELS[i] + " %10.1f               %10.2f                           %10.2f",
                           d, a1, a2))
        out.append(rule(105))
        out.append(fmt(" NUMBER of case's deviation scores that meet criterion for abnormality = %2d", n_dev))
        if n_dev == 0:
            out.append(" PERCENTAGE of normal population expected to exhibit this number or more of abnormal deviations = 100%")
        else:
            out.append(fmt(" PERCENTAGE of normal population expected to exhibit this number or more of abnormal deviations = %3.2f%%", mc_dev))
    else:
        # block 6a / 6a'
        def name(a, b):
            return " " + SHORT[a] + " minus " + SHORT[b]

        if correction == 1:
            out.append("")
            out.append(" RELIABLITY of pairwise differences between Index scores (with Bonferroni correction):")
            out.append(rule(98))
            out.append(" Index Pair        Difference  (95% CI for difference)         One-tailed p           Two-tailed p ")
            out.append(rule(98))
            out.append("")
            for g, group in enumerate(PAIR_GROUPS):
                if g > 0:
                    out.append("")
                for (a, b) in group:
                    d, l, u, _, _ = pair[(a, b)]
                    f = (name(a, b) + "       %5.0f       (%6.0f  to %6.0f    )          "
                         + mark(bonf_pair_one[(a, b)]) + " " * 16 + mark(bonf_pair_two[(a, b)]))
                    out.append(fmt(f, d, l, u))
            out.append(rule(98))
        else:
            out.append("")
            out.append(" RELIABLITY of pairwise differences between Index scores:")
            out.append(rule(95))
            out.append(" Index Pair       Difference  (95% CI for difference)      One-tailed p        Two-tailed p")
            out.append(rule(95))
            out.append("")
            for g, group in enumerate(PAIR_GROUPS):
                if g > 0:
                    out.append("")
                for (a, b) in group:
                    d, l, u, p1, _ = pair[(a, b)]
                    out.append(fmt(name(a, b)
                                   + "       %5.0f      (%6.0f  to %6.0f    )      %8.3f             %8.3f  ",
                                   d, l, u, p1, 2.0 * p1))
            out.append(rule(95))
        # block 6b
        out += ["", ""]
        out.append(" ABNORMALITY of pairwise differences between Index scores:")
        out.append(rule(103))
        out.append(" Index Pair        Difference         Percentage of population        Percentage with larger differences")
        out.append(" " * 38 + "with larger differences                 regardless of sign")
        out.append(rule(103))
        out.append("")
        for g, group in enumerate(PAIR_GROUPS):
            if g > 0:
                out.append("")
            for (a, b) in group:
                d, _, _, _, pct = pair[(a, b)]
                out.append(fmt(name(a, b) + "       %5.0f                    %8.3f                            %8.3f"
                               + ABN_PAIR_TAIL[(a, b)], d, pct, 2.0 * pct))
        out.append(rule(104))
        out.append(fmt(" NUMBER of case's pairwise differences that meet criterion for abnormality = %2d ", n_pair))
        if n_pair == 0:
            out.append(" PERCENTAGE of normal population expected to exhibit this number or more of abnormal differences = %100%")
        else:
            out.append(fmt(" PERCENTAGE of normal population expected to exhibit this number or more of abnormal differences = %3.2f%%", mc_pair))

    # block 7
    out += ["", ""]
    out.append(" MAHALANOBIS DISTANCE Index of the overall abnormality of the case's Index score profile: ")
    out.append(fmt(" Chi-square = %3.3f on %3d df,  p value = %2.5f", chi2, N, maha_p))
    out.append(fmt(" Percentage of normative population expected to exhibit a more unusual profile = %3.3f%% ",
                   100.0 * maha_p))
    return out


# ---------------------------------------------------------------- command line
def parse_args(argv, base):
    """The batch tool's arguments -> list of (scores, notes) and the options."""
    opts = {"mode": 1, "correction": 0, "item": 4}
    single = {}
    notes = []
    cases_file = None
    i = 0
    while i < len(argv):
        a = argv[i]
        if a == "--pairwise":
            opts["mode"] = 0
        elif a == "--bonferroni":
            opts["correction"] = 1
        elif a in ("--vc", "--pr", "--wm", "--ps"):
            single[a[2:]] = float(argv[i + 1])
            i += 1
        elif a == "--criterion":
            opts["item"] = CRITERION_ARG[argv[i + 1]]
            i += 1
        elif a == "--notes":
            notes = argv[i + 1].split("\n")
            i += 1
        elif a == "--cases":
            cases_file = argv[i + 1]
            i += 1
        else:
            raise SystemExit("unknown argument " + a)
        i += 1
    cases = []
    if cases_file is not None:
        path = cases_file if os.path.isabs(cases_file) else os.path.join(base, cases_file)
        with open(path, newline="") as f:
            rows = list(csv.reader(f))
        head = [h.strip().lower() for h in rows[0]]
        for row in rows[1:]:
            if not row:
                continue
            rec = dict(zip(head, row))
            sc = [float(rec[k]) for k in ("vc", "pr", "wm", "ps")]
            nt = rec.get("notes", "")
            cases.append((sc, nt.split("\n") if nt != "" else []))
    else:
        cases.append(([single[k] for k in ("vc", "pr", "wm", "ps")], notes))
    return cases, opts


def run(argv, base=HERE):
    cases, o = parse_args(argv, base)
    gen = tGenerator()
    lines = []
    for scores, notes in cases:
        lines += report(gen, scores, o["mode"], o["correction"], o["item"], notes, bool(lines))
    return "".join(line + "\n" for line in lines)


def read_args(name):
    with open(os.path.join(HERE, name + ".args")) as f:
        text = f.read()
    # one argument per line; "\n" inside an argument stands for a line feed
    return [a.replace("\\n", "\n") for a in text.split("\n")[:-1]]


# ---------------------------------------------------------------- self-check
def selfcheck():
    g = tGenerator()
    us = [g.uniform() for _ in range(3)]
    print("uniforms      %.10f %.10f %.10f" % tuple(us))
    g = tGenerator()
    print("normals       %.10f %.10f" % (g.normal(), g.normal()))
    sem = [15.0 * math.sqrt(1.0 - r) for r in RELS]
    q = sum(s * s for s in sem)
    print("SEM_Diffs_Mean[1] %.4f" % math.sqrt(0.5 * sem[0] ** 2 + q / 16.0))
    print("pair p 9/4.5  %.4f" % (1.0 - phi(9.0 / 4.5)))
    print("simpson       %.7f %.7f %.7f" % (normal_cdf_simpson(1.959964), normal_cdf_simpson(1.0),
                                              normal_cdf_simpson(0.5)))
    for x in ([100] * 4, [70] * 4, [130, 70, 100, 100], [115, 85, 100, 100]):
        c, p = mahalanobis([float(v) for v in x])
        print("mahalanobis   %-20s %.4f %.5f" % (x, c, p))
    print("SD_DevMean    " + " ".join("%.4f" % v for v in sd_devmean(SDS, CORR)))
    print("PR of 70      %.2f" % (100 * phi(-2.0)))
    lo, hi = 100 - 3.0 * Z975, 100 + 3.0 * Z975
    print("limits        %.2f %.2f  PR %.2f %.2f" % (lo, hi, 100 * phi((lo - 100) / 15), 100 * phi((hi - 100) / 15)))
    print("bonferroni    %s %s" % (seq_bonferroni_deviations([0.01, 0.02, 0.03, 0.04], 0.05),
                                   seq_bonferroni_deviations([0.049, 0.024, 0.016, 0.012], 0.05)))
    g = tGenerator()
    lo_, _, _ = monte_carlo(g, -1.644854, 1.959964, 1, 0, 0)
    print("MC pct_low (5%%, k=1, first run) %.2f" % lo_)


if __name__ == "__main__":
    args = sys.argv[1:]
    if args[:1] == ["--selfcheck"]:
        selfcheck()
    elif args[:1] == ["--write"]:
        names = args[1:] or sorted(f[:-5] for f in os.listdir(HERE) if f.endswith(".args"))
        for name in names:
            del _risky[:]
            text = run(read_args(name))
            with open(os.path.join(HERE, name + ".expected"), "w", newline="") as f:
                f.write(text)
            print("%s: %d lines%s" % (name, text.count("\n"),
                                      "" if not _risky else "  ROUNDING RISK: %r" % _risky))
    else:
        sys.stdout.write(run(args, os.getcwd()))
