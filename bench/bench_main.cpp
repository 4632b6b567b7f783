// Runs every registered benchmark, then prints a table of ratios.
//
// Benchmarks are named "<operation>/<implementation>/<size>" and report
// bytes per second. For each operation and size the table gives every
// implementation's speed as a multiple of the "openssl" implementation of
// the same operation (the baseline) and as a share of "copy/memcpy" at the
// same size.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Row {
    std::string op, impl, size;
    double bytesPerSecond = 0;
};

std::vector<std::string> splitName(const std::string& name) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : name) {
        if (c == '/') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) {
                continue;
            }
            auto parts = splitName(run.benchmark_name());
            if (parts.size() < 3) {
                continue;
            }
            if (auto items = run.counters.find("items_per_second");
                parts[0] == "keys" && items != run.counters.end()) {
                keyRows.push_back({parts[0], parts[1], parts[2], items->second.value});
                continue;
            }
            auto it = run.counters.find("bytes_per_second");
            if (it == run.counters.end()) {
                continue;
            }
            rows.push_back({parts[0], parts[1], parts[2], it->second.value});
        }
    }
    std::vector<Row> rows;
    // "keys/<implementation>/<cores>", in keys per second.
    std::vector<Row> keyRows;
};

// Keys per second of the key search beside OpenSSL's key setup on one core,
// and each row as a multiple of its own implementation on one core. A row
// run several times counts at its fastest run.
void printKeyTable(const std::vector<Row>& runs) {
    if (runs.empty()) {
        return;
    }
    std::map<std::pair<std::string, std::string>, double> speed;
    std::map<std::pair<std::string, std::string>, int> count;
    std::vector<Row> rows;
    for (const Row& r : runs) {
        double& best = speed[{r.impl, r.size}];
        if (count[{r.impl, r.size}]++ == 0) {
            rows.push_back(r);
        }
        best = std::max(best, r.bytesPerSecond);
    }
    std::printf("\n%-14s %-18s %10s %12s %12s %12s %6s\n", "operation", "implementation", "cores",
                "keys/s", "x openssl", "x 1 core", "runs");
    for (Row& r : rows) {
        r.bytesPerSecond = speed[{r.impl, r.size}];
        auto base = speed.find({"openssl", "1core"});
        auto one = speed.find({r.impl, "1core"});
        std::printf("%-14s %-18s %10s %12.0f %12.2f %12.2f %6d\n", r.op.c_str(), r.impl.c_str(),
                    r.size.c_str(), r.bytesPerSecond,
                    base != speed.end() ? r.bytesPerSecond / base->second : 0.0,
                    one != speed.end() ? r.bytesPerSecond / one->second : 0.0,
                    count[{r.impl, r.size}]);
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::map<std::tuple<std::string, std::string, std::string>, double> speed;
    for (const Row& r : reporter.rows) {
        speed[{r.op, r.impl, r.size}] = r.bytesPerSecond;
    }
    std::printf("\n%-14s %-18s %10s %12s %12s %12s\n", "operation", "implementation", "size",
                "MiB/s", "x openssl", "x memcpy");
    for (const Row& r : reporter.rows) {
        if (r.op == "copy") {
            continue;
        }
        auto base = speed.find({r.op, "openssl", r.size});
        auto copy = speed.find({"copy", "memcpy", r.size});
        char ratio[32] = "-";
        char share[32] = "-";
        if (base != speed.end() && base->second > 0) {
            std::snprintf(ratio, sizeof ratio, "%.2f", r.bytesPerSecond / base->second);
        }
        if (copy != speed.end() && copy->second > 0) {
            std::snprintf(share, sizeof share, "%.3f", r.bytesPerSecond / copy->second);
        }
        std::printf("%-14s %-18s %10s %12.1f %12s %12s\n", r.op.c_str(), r.impl.c_str(),
                    r.size.c_str(), r.bytesPerSecond / (1024.0 * 1024.0), ratio, share);
    }
    printKeyTable(reporter.keyRows);
    return 0;
}
