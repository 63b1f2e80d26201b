// Timing and the result table of the benchmark.
//
// Stopwatch reads QueryPerformanceCounter. Measure runs the variants of one
// case side by side: each variant's warm-up repetitions first (they count
// for nothing but sizing the run), then rounds of one repetition of every
// variant, in a new random order each round, as many rounds as fit the
// plan's time budget within its bounds. Interleaved, the variants meet the
// same load of the machine. A plan may ask for a pause before each
// repetition, for the system to settle what the last one left behind. A
// repetition returns the seconds of its timed part, which covers ops
// operations; a variant's result is its median per operation. A
// repetition that throws KelmirException ends its variant: its row then
// says why instead of giving a figure; the others go on.
//
// Table collects rows in order, prints them as fixed-width text and writes
// them as CSV. A row's ratio is the plug-in's median divided by the
// median of the row itself (an alternative); goal and result say what was
// aimed at and whether it was met.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class Stopwatch {
public:
    Stopwatch() { Start(); }
    void Start() { QueryPerformanceCounter(&start_); }
    double Seconds() const;

private:
    LARGE_INTEGER start_;
};

struct Plan {
    int warmup = 2;
    int minReps = 5;
    int maxReps = 51;
    double budget = 2.0;  // seconds for all rounds of the variants together
    DWORD settle = 0;     // milliseconds of pause before each repetition
};

struct Result {
    bool ok = false;
    int reps = 0;
    double median = 0;  // microseconds per operation
    std::string why;    // when not ok
};

struct Variant {
    int ops;                      // operations per repetition
    std::function<double()> rep;  // seconds of its timed part
    std::string skip;             // when not empty: not run, for this reason
};

// One result per variant, in their order.
std::vector<Result> Measure(const Plan& plan, const std::vector<Variant>& variants);

// Median of the values (the mean of the middle two for an even count).
double Median(std::vector<double> values);

struct Row {
    std::string group, variant;
    Result result;
    std::string ratio;   // plug-in median / this row's median, or empty
    std::string goal;    // what is aimed at, or empty
    std::string verdict; // "met", "MISSED", a count, or empty
};

class Table {
public:
    void Add(const Row& row) { rows_.push_back(row); }
    const std::vector<Row>& Rows() const { return rows_; }
    void Print(FILE* out) const;
    // False when the file cannot be written.
    bool WriteCsv(const std::string& path) const;

private:
    std::vector<Row> rows_;
};

// Fixed-point text of a number with the given decimals.
std::string Fixed(double value, int decimals);
// plugin / alternative as "1.03", or empty when either did not run.
std::string Ratio(const Result& plugin, const Result& alternative);
// "met" or "MISSED".
const char* Verdict(bool met);
