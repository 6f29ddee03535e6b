"""Intervals and paired differences for shares of runs.

Written without scipy so that the tool needs nothing beyond the standard
library to compute its table; the tests compare these against scipy."""

from __future__ import annotations

import math

CONFIDENCE = 0.95


def _beta_continued_fraction(x, a, b):
    """The continued fraction of the regularized incomplete beta function
    (modified Lentz), converging fast for x < (a + 1) / (a + b + 2)."""
    tiny = 1e-300
    c, d = 1.0, 1.0 - (a + b) * x / (a + 1.0)
    d = 1.0 / (d if abs(d) > tiny else tiny)
    result = d
    for m in range(1, 10000):
        for numerator in (m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m)),
                          -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1))):
            d = 1.0 + numerator * d
            d = 1.0 / (d if abs(d) > tiny else tiny)
            c = 1.0 + numerator / c
            c = c if abs(c) > tiny else tiny
            result *= c * d
        if abs(c * d - 1.0) < 1e-15:
            break
    return result


def regularized_beta(x: float, a: float, b: float) -> float:
    """I_x(a, b), the cumulative distribution of Beta(a, b) at x."""
    if x <= 0.0:
        return 0.0
    if x >= 1.0:
        return 1.0
    log_front = (math.lgamma(a + b) - math.lgamma(a) - math.lgamma(b)
                 + a * math.log(x) + b * math.log1p(-x))
    front = math.exp(log_front)
    if x < (a + 1.0) / (a + b + 2.0):
        return front * _beta_continued_fraction(x, a, b) / a
    return 1.0 - front * _beta_continued_fraction(1.0 - x, b, a) / b


def beta_quantile(probability: float, a: float, b: float) -> float:
    """The x at which I_x(a, b) reaches `probability` (bisection: the
    distribution function is monotone, and 200 halvings reach the limit of
    double precision)."""
    low, high = 0.0, 1.0
    for _ in range(200):
        middle = (low + high) / 2
        if middle in (low, high):
            break
        if regularized_beta(middle, a, b) < probability:
            low = middle
        else:
            high = middle
    return (low + high) / 2


def clopper_pearson(successes: int, trials: int,
                    confidence: float = CONFIDENCE) -> tuple[float, float]:
    """The exact (Clopper-Pearson) interval of a binomial share: (low, high)."""
    if trials < 1 or not 0 <= successes <= trials:
        raise ValueError(f"{successes} successes in {trials} trials")
    tail = (1 - confidence) / 2
    low = 0.0 if successes == 0 else beta_quantile(tail, successes, trials - successes + 1)
    high = (1.0 if successes == trials
            else beta_quantile(1 - tail, successes + 1, trials - successes))
    return low, high


def paired_difference(first_only: int, second_only: int, pairs: int) -> tuple[float, float]:
    """The difference of two shares measured on the same pairs, and its
    standard error as in McNemar's test.

    `first_only` pairs are a success under the first condition only,
    `second_only` under the second only; returns (difference, standard error)
    of (first share - second share)."""
    if pairs < 1:
        raise ValueError("no pairs")
    discordant = first_only + second_only
    difference = (first_only - second_only) / pairs
    variance = (discordant - (first_only - second_only) ** 2 / pairs) / pairs ** 2
    return difference, math.sqrt(max(variance, 0.0))
