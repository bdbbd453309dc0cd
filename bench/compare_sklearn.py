#!/usr/bin/python3
"""Times scikit-learn's TF-IDF vectoriser and cosine kernel on the texts bench_analysis uses.

Prints the fastest of five runs and the first run, in milliseconds, on one line (import and
reading the corpus excluded). bench_analysis runs it as its BM_sklearn_anchor case, so that both
figures come from one run on one machine. Needs scikit-learn (Debian: python3-sklearn):

    /usr/bin/python3 bench/compare_sklearn.py [--joined N]
"""
import argparse
import json
import os
import time

from sklearn.feature_extraction.text import TfidfVectorizer
from sklearn.metrics.pairwise import linear_kernel

MESSAGES = 1500


def texts(joined):
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "demo_corpus.jsonl")
    corpus = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if len(corpus) == MESSAGES * joined:
                break
            corpus.append(json.loads(line).get("text", ""))
    corpus += [""] * (MESSAGES * joined - len(corpus))
    return [" ".join(corpus[i + k * MESSAGES] for k in range(joined)) for i in range(MESSAGES)]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--joined", type=int, default=1, help="corpus messages joined into one message")
    docs = texts(ap.parse_args().joined)
    runs = []
    for _ in range(5):
        start = time.perf_counter()
        m = TfidfVectorizer().fit_transform(docs)
        linear_kernel(m, m)
        runs.append((time.perf_counter() - start) * 1e3)
    print(f"{min(runs):.3f} {runs[0]:.3f}")


if __name__ == "__main__":
    main()
