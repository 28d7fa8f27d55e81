#!/usr/bin/env python3
"""Writes data/daily-bars.csv: made-up daily bars of a stock-like instrument.

One bar at 16:00 on each weekday from 2019-01-02 to 2023-12-29, except New
Year's Day, Independence Day and Christmas Day; prices in cents from a seeded
random walk with its own integer random numbers (SplitMix64), so every machine
writes the same file. Run from anywhere: python3 data/make-daily-bars.py
"""
import datetime
import math
import pathlib

SEED = 0x4B6F7672614461  # any fixed value
FIRST, LAST = datetime.date(2019, 1, 2), datetime.date(2023, 12, 29)
HOLIDAYS = {(1, 1), (7, 4), (12, 25)}
MASK = (1 << 64) - 1


class SplitMix64:
    def __init__(self, seed):
        self.state = seed & MASK

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & MASK
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
        return z ^ (z >> 31)

    def uniform(self):  # [0, 1) with 53 bits
        return (self.next() >> 11) / float(1 << 53)

    def normal(self):  # about standard normal: twelve uniforms less six
        return sum(self.uniform() for _ in range(12)) - 6.0


def main():
    random = SplitMix64(SEED)
    close = 100.0
    lines = ["datetime,open,high,low,close,volume"]
    day = FIRST
    while day <= LAST:
        if day.weekday() < 5 and (day.month, day.day) not in HOLIDAYS:
            open_ = close * (1 + 0.004 * random.normal())
            close = open_ * math.exp(0.0004 + 0.014 * random.normal())
            high = max(open_, close) * (1 + 0.006 * abs(random.normal()))
            low = min(open_, close) * (1 - 0.006 * abs(random.normal()))
            volume = int(2_000_000 * (0.6 + 0.8 * random.uniform()))
            lines.append(f"{day.isoformat()} 16:00:00,{open_:.2f},{high:.2f},{low:.2f},{close:.2f},{volume}")
        day += datetime.timedelta(days=1)
    path = pathlib.Path(__file__).with_name("daily-bars.csv")
    path.write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
