#include "Measure.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <random>

#include <exceptions.h>

double Stopwatch::Seconds() const {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start_.QuadPart) / double(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::vector<Result> Measure(const Plan& plan, const std::vector<Variant>& variants) {
    size_t n = variants.size();
    std::vector<Result> results(n);
    std::vector<std::vector<double>> perOp(n);
    std::vector<bool> running(n);
    // Runs one repetition of variant v; a failure ends that variant.
    auto once = [&](size_t v, bool keep) {
        try {
            double seconds = variants[v].rep();
            if (keep) perOp[v].push_back(seconds * 1e6 / variants[v].ops);
        } catch (const KelmirException& e) {
            running[v] = false;
            results[v].why = e.Reason();
        }
    };
    // The slowest warm-ups, preparation included, size the rounds.
    double round = 0;
    for (size_t v = 0; v < n; ++v) {
        if (!variants[v].skip.empty()) {
            results[v].why = variants[v].skip;
            continue;
        }
        running[v] = true;
        double longest = 0;
        for (int i = 0; i < plan.warmup && running[v]; ++i) {
            Stopwatch wall;
            once(v, false);
            longest = std::max(longest, wall.Seconds());
        }
        round += longest;
    }
    int reps = plan.maxReps;
    if (round > 0) reps = int(std::min<double>(plan.maxReps, plan.budget / round));
    reps = std::max(reps, plan.minReps);
    // Each round takes the variants in a new order, so that none always
    // follows the same one: what a variant leaves behind (a process still
    // being torn down, a file being flushed) weighs on all alike.
    std::mt19937 random(12345);
    std::vector<size_t> order(n);
    for (size_t v = 0; v < n; ++v) order[v] = v;
    for (int i = 0; i < reps; ++i) {
        std::shuffle(order.begin(), order.end(), random);
        for (size_t v : order)
            if (running[v]) {
                if (plan.settle) Sleep(plan.settle);
                once(v, true);
            }
    }
    for (size_t v = 0; v < n; ++v)
        if (running[v]) {
            results[v].ok = true;
            results[v].reps = reps;
            results[v].median = Median(perOp[v]);
        }
    return results;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Ratio(const Result& plugin, const Result& alternative) {
    if (!plugin.ok || !alternative.ok || alternative.median <= 0) return std::string();
    return Fixed(plugin.median / alternative.median, 2);
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// Medians keep about four significant digits.
static std::string MedianText(const Result& r) {
    if (!r.ok) return std::string();
    double m = r.median;
    return Fixed(m, m >= 1000 ? 0 : m >= 100 ? 1 : m >= 10 ? 2 : 3);
}

// One line of the table, without trailing blanks.
static void Line(FILE* out, const char* group, const char* variant, const char* reps, const char* median,
                 const char* ratio, const char* goal, const char* result) {
    char line[1024];
    snprintf(line, sizeof line, "%-26s %-52s %5s %13s %13s  %-25s %s", group, variant, reps, median, ratio, goal,
             result);
    size_t n = strlen(line);
    while (n > 0 && line[n - 1] == ' ') --n;
    fprintf(out, "%.*s\n", int(n), line);
}

void Table::Print(FILE* out) const {
    Line(out, "case", "variant", "reps", "median us/op", "ratio", "goal", "result");
    fprintf(out, "%s\n", std::string(150, '-').c_str());
    std::string group;
    for (const Row& row : rows_) {
        if (!group.empty() && row.group != group) fprintf(out, "\n");
        group = row.group;
        if (!row.result.ok && !row.result.why.empty()) {
            Line(out, row.group.c_str(), row.variant.c_str(), "", "", "", row.goal.c_str(),
                 ("not run: " + row.result.why).c_str());
            continue;
        }
        std::string reps = row.result.ok ? std::to_string(row.result.reps) : std::string();
        Line(out, row.group.c_str(), row.variant.c_str(), reps.c_str(), MedianText(row.result).c_str(),
             row.ratio.c_str(), row.goal.c_str(), row.verdict.c_str());
    }
    fprintf(out, "\nratio: the plug-in's median divided by this row's median, measured in the same run.\n");
}

// Quotes a CSV field when it holds a separator, a quote or a line end.
static std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

bool Table::WriteCsv(const std::string& path) const {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    fprintf(out, "case,variant,reps,median_us_per_op,ratio,goal,result\r\n");
    for (const Row& row : rows_) {
        std::string verdict = row.result.ok || row.result.why.empty() ? row.verdict : "not run: " + row.result.why;
        std::string reps = row.result.ok ? std::to_string(row.result.reps) : std::string();
        std::string median = row.result.ok ? Fixed(row.result.median, 3) : std::string();
        fprintf(out, "%s,%s,%s,%s,%s,%s,%s\r\n", Field(row.group).c_str(), Field(row.variant).c_str(), reps.c_str(),
                median.c_str(), row.ratio.c_str(), Field(row.goal).c_str(), Field(verdict).c_str());
    }
    return fclose(out) == 0;
}
