// vavirir-cli dump: the channels and the summary of a data file.
#include <cstdio>
#include <string>

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "docview/DataFile.h"

namespace {

constexpr const char* kUsage =
    "usage: vavirir-cli dump [--json] FILE\n"
    "  Prints the channels and the summary of the data file FILE. The text lists\n"
    "  the records of each channel numbered from 1 (#); `vavirir-cli fft` and the\n"
    "  FFT dialog count the same records from 0.\n"
    "  --json: one JSON object {\"channels\":[[record,...],...],\"summary\":{...}},\n"
    "  every record {\"value\",\"unit\",\"sampleRate\",\"sequence\",\"timeText\",\n"
    "  \"typeText\"}, numbers with all their digits.\n";

std::string RecordJson(const CObData& r) {
    return "{\"value\":" + JsonNumber(r.value, "%.17g") + ",\"unit\":" + JsonString(r.unit) +
           ",\"sampleRate\":" + JsonNumber(r.sampleRate, "%.17g") +
           ",\"sequence\":" + std::to_string(r.sequence) +
           ",\"timeText\":" + JsonString(r.timeText) + ",\"typeText\":" + JsonString(r.typeText) +
           "}";
}

std::string SummaryJson(const DocumentSummary& s) {
    return "{\"average\":" + JsonNumber(s.average, "%.17g") +
           ",\"maximum\":" + JsonNumber(s.maximum, "%.17g") +
           ",\"maximumTime\":" + JsonString(s.maximumTime) +
           ",\"minimum\":" + JsonNumber(s.minimum, "%.17g") +
           ",\"minimumTime\":" + JsonString(s.minimumTime) +
           ",\"sampleRate\":" + JsonNumber(s.sampleRate, "%.17g") +
           ",\"sum\":" + JsonNumber(s.sum, "%.17g") +
           ",\"dataNumber\":" + std::to_string(s.dataNumber) +
           ",\"startTime\":" + JsonString(s.startTime) + ",\"endTime\":" + JsonString(s.endTime) +
           ",\"type\":" + JsonString(s.type) + "}";
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// Written piece by piece: a long recording need not fit in one string.
void PrintJson(const CRoZudozuvDoc& doc) {
    Print("{\"channels\":[");
    for (std::size_t c = 0; c < doc.channels.size(); ++c) {
        Print(c == 0 ? "[" : ",[");
        const auto& channel = doc.channels[c];
        for (std::size_t i = 0; i < channel.size(); ++i) {
            Print((i > 0 ? "," : "") + RecordJson(channel[i]));
        }
        Print("]");
    }
    Print("],\"summary\":" + SummaryJson(doc.summary) + "}\n");
}

void PrintText(const CRoZudozuvDoc& doc) {
    for (std::size_t c = 0; c < doc.channels.size(); ++c) {
        const auto& channel = doc.channels[c];
        std::printf("Channel %zu: %zu records\n", c, channel.size());
        if (channel.empty()) {
            continue;
        }
        std::printf("%8s  %18s  %-14s %10s %9s  %-22s %s\n", "#", "Value", "Unit", "SampleRate",
                    "Sequence", "DateTime", "Type");
        for (std::size_t i = 0; i < channel.size(); ++i) {
            const CObData& r = channel[i];
            std::printf("%8zu  %18.10g  %-14s %10g %9d  %-22s %s\n", i + 1, r.value, r.unit.c_str(),
                        r.sampleRate, r.sequence, r.timeText.c_str(), r.typeText.c_str());
        }
    }
    const DocumentSummary& s = doc.summary;
    std::printf("Summary\n");
    std::printf("  StartTime:   %s\n", s.startTime.c_str());
    std::printf("  EndTime:     %s\n", s.endTime.c_str());
    std::printf("  Maximum:     %.10g @ %s\n", s.maximum, s.maximumTime.c_str());
    std::printf("  Minimum:     %.10g @ %s\n", s.minimum, s.minimumTime.c_str());
    std::printf("  Average:     %.10g\n", s.average);
    std::printf("  Sum:         %.10g\n", s.sum);
    std::printf("  DataNumber:  %d\n", s.dataNumber);
    std::printf("  SampleRate:  %.10g\n", s.sampleRate);
    std::printf("  Type:        %s\n", s.type.c_str());
}

}  // namespace

const char* DumpHelp() {
    return kUsage;
}

namespace {

struct DumpOptions {
    bool json = false;
    std::string path;
};

DumpOptions ParseOptions(int argc, char** argv) {
    DumpOptions options;
    bool havePath = false;
    CCommandLine line;
    line.Flag("--json", options.json);
    line.Operands([&](const std::string& operand) {
        // The data file is read by name; "-" is no name of one.
        if (havePath || operand == "-") {
            throw UsageError("unexpected argument " + operand);
        }
        options.path = operand;
        havePath = true;
    });
    line.Parse(argc, argv);
    RequireArgument(havePath, "FILE");
    RequireNonEmptyPath(options.path, "FILE");
    return options;
}

int Dump(const DumpOptions& options) {
    CRoZudozuvDoc doc;
    if (!LoadDataFile("dump", options.path, doc)) {
        return 1;
    }
    if (options.json) {
        PrintJson(doc);
    } else {
        PrintText(doc);
    }
    return FinishOutput("dump", 0);
}

}  // namespace

int RunDump(int argc, char** argv) {
    return RunCommand("dump", kUsage, argc, argv, ParseOptions, Dump);
}
