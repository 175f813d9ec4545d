"""Prints the benchmark table: for each measure, each subject's median and
range over the rounds, and the ratio of the first subject to the second."""

import collections
import statistics
import sys


def main(path, first, second):
    values = collections.OrderedDict()
    for line in open(path):
        subject, measure, value = line.rstrip("\n").split("\t")
        values.setdefault(measure, {}).setdefault(subject, []).append(float(value))
    print(f"{'measure':<28} {first:>24} {second:>24} {'ratio':>8}")
    for measure, by_subject in values.items():
        cells = []
        medians = []
        for subject in (first, second):
            numbers = by_subject.get(subject, [])
            if numbers:
                median = statistics.median(numbers)
                medians.append(median)
                cells.append(f"{median:.2f} ({min(numbers):.2f}-{max(numbers):.2f})")
            else:
                medians.append(None)
                cells.append("")
        ratio = ""
        if None not in medians and medians[1]:
            ratio = f"{medians[0] / medians[1]:.3f}"
        print(f"{measure:<28} {cells[0]:>24} {cells[1]:>24} {ratio:>8}")


if __name__ == "__main__":
    main(*sys.argv[1:4])
