// Times the template engine on large templates: Prepare, the assignments and
// WriteOutput. Each shape is measured at a base size and at two, four and
// eight times that size; "x2" is the ratio of processor time to that of the
// size before, which stays near 2 while the work is linear. Wall-clock times
// are shown too; on a busy machine only the processor time is steady (where
// the C library's clock() measures it: on Windows it is wall-clock time).
//
// Usage: template_bench [base size in bytes, default 1048576]

#include "template/TemplatePower.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// HTML lines of about 100 bytes, one placeholder in each (10,000 in 1 MB),
// with a nested block and an IGNORE region now and then.
std::vector<std::string> PageTemplate(std::size_t bytes) {
    std::vector<std::string> lines;
    std::size_t total = 0;
    for (std::size_t i = 0; total < bytes; ++i) {
        std::string line;
        if (i % 500 == 0)
            line = "<!-- START BLOCK : row" + std::to_string(i) + " -->";
        else if (i % 500 == 10)
            line = "<!-- END BLOCK : row" + std::to_string(i - 10) + " -->";
        else if (i % 700 == 0)
            line = "<!-- START IGNORE -->";
        else if (i % 700 == 5)
            line = "<!-- END IGNORE -->";
        else
            line = "<tr><td class=\"cell\">Entry " + std::to_string(i) + ":</td><td>{var" +
                   std::to_string(i % 100) + "}</td><td style=\"{ width: 10px }\">x</td></tr>";
        line.resize(std::max<std::size_t>(line.size(), 100), ' ');
        total += line.size() + 2;
        lines.push_back(std::move(line));
    }
    return lines;
}

// Nothing but placeholders: "{a}" over and over, in lines of 1,000 bytes.
std::vector<std::string> DenseTemplate(std::size_t bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (int i = 0; i < 333; ++i)
        line += "{a}";
    for (std::size_t total = 0; total < bytes; total += line.size() + 2)
        lines.push_back(line);
    return lines;
}

// One line: a marker whose name is the whole line.
std::vector<std::string> LongLineTemplate(std::size_t bytes) {
    return {"text <!-- START BLOCK : " + std::string(bytes, 'n') + " --> more"};
}

// Empty lines, each adding its break to the same text chunk.
std::vector<std::string> EmptyLinesTemplate(std::size_t bytes) {
    std::vector<std::string> lines(bytes / 2);
    lines.front() = "top";
    return lines;
}

// Blocks nested ever deeper, about 30 bytes a line.
std::vector<std::string> DeepTemplate(std::size_t bytes) {
    std::vector<std::string> lines;
    for (std::size_t total = 0, i = 0; total < bytes; ++i) {
        lines.push_back("<!-- START BLOCK : b" + std::to_string(i) + " -->");
        total += lines.back().size() + 2;
    }
    return lines;
}

struct TTiming {
    double Prepare = 0;
    double Output = 0;
    double Processor = 0;
    std::size_t OutputLines = 0;
};

TTiming Run(const std::vector<std::string>& lines) {
    TTiming best{1e30, 1e30, 1e30, 0};
    for (int round = 0; round < 3; ++round) {
        TTemplatePower engine;
        engine.TemplateLines = lines;
        const std::clock_t c0 = std::clock();
        const auto t0 = Clock::now();
        engine.Prepare();
        const auto t1 = Clock::now();
        for (int v = 0; v < 100; ++v)
            engine.AssignVar("var" + std::to_string(v), "value number " + std::to_string(v));
        engine.AssignVar("a", "A");
        std::vector<std::string> output;
        engine.WriteOutput(output);
        const auto t2 = Clock::now();
        const std::clock_t c2 = std::clock();
        best.Processor = std::min(best.Processor, static_cast<double>(c2 - c0) / CLOCKS_PER_SEC);
        best.Prepare = std::min(best.Prepare, std::chrono::duration<double>(t1 - t0).count());
        best.Output = std::min(best.Output, std::chrono::duration<double>(t2 - t1).count());
        best.OutputLines = output.size();
    }
    return best;
}

std::size_t Bytes(const std::vector<std::string>& lines) {
    std::size_t total = 0;
    for (const std::string& line : lines)
        total += line.size() + 2;
    return total;
}

std::size_t Placeholders(const std::vector<std::string>& lines) {
    std::size_t count = 0;
    for (const std::string& line : lines)
        count += static_cast<std::size_t>(std::count(line.begin(), line.end(), '{'));
    return count;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t base = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1u << 20;
    struct TShape {
        const char* Name;
        std::function<std::vector<std::string>(std::size_t)> Make;
    };
    const std::vector<TShape> shapes{
        {"page", PageTemplate},          {"dense", DenseTemplate},
        {"long line", LongLineTemplate}, {"empty lines", EmptyLinesTemplate},
        {"deep blocks", DeepTemplate},
    };
    std::printf("%-12s %10s %8s %8s %11s %11s %8s %6s\n", "template", "bytes", "lines", "braces",
                "prepare ms", "fill+out ms", "cpu ms", "x2");
    for (const TShape& shape : shapes) {
        double previous = 0;
        for (std::size_t factor = 1; factor <= 8; factor *= 2) {
            const std::vector<std::string> lines = shape.Make(base * factor);
            const TTiming t = Run(lines);
            char ratio[16] = "";
            if (previous > 0)
                std::snprintf(ratio, sizeof ratio, "%.2f", t.Processor / previous);
            std::printf("%-12s %10zu %8zu %8zu %11.1f %11.1f %8.1f %6s\n", shape.Name, Bytes(lines),
                        lines.size(), Placeholders(lines), t.Prepare * 1000, t.Output * 1000,
                        t.Processor * 1000, ratio);
            previous = t.Processor;
        }
    }
    return 0;
}
