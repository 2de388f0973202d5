#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The report a researcher would write with pandas and matplotlib: per
measure a box plot of each chain's values, and a montage of the five images
each chain matched worst (lowest Jaccard index): image, ground truth, label
image.

    peer_report.py TABLE.csv LABEL_FOLDER OUT_FOLDER
"""
import os
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import pandas as pd  # noqa: E402

MEASURES = ["jaccard", "matched_jaccard", "matched_dice", "covering", "rand_index", "adjusted_rand",
            "variation_of_information", "global_consistency_error", "boundary_f", "boundary_precision",
            "boundary_recall", "optimal_ratio", "turi", "dunn", "amrane", "liu_yang"]


def main():
    table, labels, out = sys.argv[1:4]
    os.makedirs(out, exist_ok=True)
    frame = pd.read_csv(table)
    frame = frame[frame.get("status", "ok") == "ok"] if "status" in frame else frame
    chains = list(dict.fromkeys(frame["chain"]))
    measures = [m for m in MEASURES if m in frame and frame[m].notna().any()]
    folder = os.path.dirname(os.path.abspath(table))
    figure, axes = plt.subplots(len(measures), 1, figsize=(8, 2.2 * len(measures)))
    for axis, m in zip(axes, measures):
        data = [frame.loc[frame["chain"] == c, m].replace([float("inf"), -float("inf")], float("nan")).dropna()
                for c in chains]
        axis.boxplot(data, vert=False, labels=[str(k + 1) for k in range(len(chains))])
        axis.set_title(m)
    figure.tight_layout()
    figure.savefig(os.path.join(out, "boxplots.png"), dpi=80)
    plt.close(figure)
    figure, axes = plt.subplots(len(chains), 15, figsize=(22, 1.8 * len(chains)))
    for k, chain in enumerate(chains):
        worst = frame[frame["chain"] == chain].nsmallest(5, "jaccard")
        for j, (_, row) in enumerate(worst.iterrows()):
            image = os.path.join(folder, row["image"])
            stem = os.path.splitext(os.path.basename(row["image"]))[0]
            files = [image, os.path.join(folder, row["manual_segmentation"]), os.path.join(labels, "%s.%d.png" % (stem, k + 1))]
            for f, path in enumerate(files):
                axis = axes[k][3 * j + f]
                axis.imshow(plt.imread(path), cmap="gray" if f == 0 else "viridis")
                axis.axis("off")
    figure.savefig(os.path.join(out, "lowest_jaccard.png"), dpi=80)
    plt.close(figure)


if __name__ == "__main__":
    main()
