// vavirir-cli fft: the spectrum of a stretch of a data file's main records,
// as the FFT analysis dialog computes it, as one JSON object.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "docview/DataFile.h"
#include "fft/Spectrum.h"

namespace {

constexpr const char* kUsage =
    "usage: vavirir-cli fft FILE --start A --finish B [--size N] "
    "[--window none|hamming|hanning|triangle|blackman|blackman-harris] [--frequency]\n"
    "  The spectrum of records A to B of FILE's main channel, as the FFT analysis\n"
    "  dialog computes it, printed as one JSON object.\n"
    "  A and B count the records from 0, as the dialog does: record 0 is the one\n"
    "  `vavirir-cli dump` lists as #1, and B is at most the record count - 1.\n"
    "  At most N + 1 records from A are read and the first N enter the transform;\n"
    "  a shorter range is padded with zeros. N is a power of two from 32 to 2048\n"
    "  (default 32).\n"
    "  --frequency: the magnitudes of one block (N bins) instead of the power\n"
    "  spectrum in dB averaged over 16 segments (N/2 bins).\n"
    "  The object: {\"size\":N,\"window\":W,\"spectrum\":\"power\"|\"frequency\",\n"
    "  \"peak\":P,\"highest\":H,\"highestBin\":K,\"bins\":[...]}. W numbers the window\n"
    "  (none -1, hamming 0, hanning 1, triangle 2, blackman 3, blackman-harris 4).\n"
    "  peak is the largest absolute value of the bins (at least 1e-90), the scale\n"
    "  of the dialog's y axis; in dB it can be a low bin's magnitude. highest is the\n"
    "  highest bin value and highestBin its index from 0 (the first on a tie).\n";

struct FftOptions {
    std::string file;
    SpectrumRequest request;
};

int WholeNumber(const std::string& text, const char* what) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < -2147483647L || value > 2147483647L) {
        throw UsageError(std::string(what) + " must be a whole number: '" + text + "'");
    }
    return static_cast<int>(value);
}

FftWindow WindowNamed(const std::string& name) {
    struct Named {
        const char* name;
        FftWindow window;
    } const kWindows[] = {
        {"none", FftWindow::None},         {"hamming", FftWindow::Hamming},
        {"hanning", FftWindow::Hanning},   {"triangle", FftWindow::Triangle},
        {"blackman", FftWindow::Blackman}, {"blackman-harris", FftWindow::BlackmanHarris4},
    };
    for (const Named& w : kWindows) {
        if (name == w.name) {
            return w.window;
        }
    }
    throw UsageError("unknown window '" + name + "'");
}

FftOptions Parse(int argc, char** argv) {
    FftOptions options;
    bool haveStart = false;
    bool haveFinish = false;
    bool frequency = false;
    CCommandLine line;
    line.Option("--start", [&](const std::string& value) {
        options.request.start = WholeNumber(value, "--start");
        haveStart = true;
    });
    line.Option("--finish", [&](const std::string& value) {
        options.request.finish = WholeNumber(value, "--finish");
        haveFinish = true;
    });
    line.Option("--size", [&](const std::string& value) {
        options.request.size = WholeNumber(value, "--size");
        if (!IsSpectrumSize(options.request.size)) {
            throw UsageError("--size must be a power of two from 32 to 2048");
        }
    });
    line.Option("--window",
                [&](const std::string& value) { options.request.window = WindowNamed(value); });
    line.Flag("--frequency", frequency);
    line.Operands([&](const std::string& operand) {
        if (!options.file.empty()) {
            throw UsageError("more than one FILE");
        }
        RequireNonEmptyPath(operand, "FILE");
        options.file = operand;
    });
    line.Parse(argc, argv);
    if (frequency) {
        options.request.kind = SpectrumKind::Frequency;
    }
    RequireArgument(!options.file.empty(), "FILE");
    RequireArgument(haveStart, "--start");
    RequireArgument(haveFinish, "--finish");
    if (options.request.start < 0 || options.request.start >= options.request.finish) {
        throw UsageError("the range needs 0 <= start < finish");
    }
    return options;
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int Run(const FftOptions& options) {
    CRoZudozuvDoc doc;
    if (!LoadDataFile("fft", options.file, doc)) {
        return 1;
    }
    const std::vector<CObData>& records = doc.channels[0];
    if (static_cast<std::size_t>(options.request.finish) >= records.size()) {
        const std::string have = records.empty() ? "has no records"
                                                 : "has " + std::to_string(records.size()) +
                                                       " records, counted from 0 to " +
                                                       std::to_string(records.size() - 1);
        std::fprintf(stderr, "vavirir-cli fft: --finish %d is past the last record: %s %s\n%s",
                     options.request.finish, options.file.c_str(), have.c_str(), kUsage);
        return 2;
    }
    std::vector<double> bins;
    const SpectrumResult result = RunSpectrum(records, options.request, bins);
    if (!result.Ok()) {
        std::fprintf(stderr, "vavirir-cli fft: %s\n", result.error.c_str());
        return 1;
    }
    const bool power = result.kind == SpectrumKind::Power;
    // The power values are doubles; the magnitudes were computed as floats.
    const char* binFormat = power ? "%.17g" : "%.9g";
    const std::size_t highest =
        static_cast<std::size_t>(std::max_element(bins.begin(), bins.end()) - bins.begin());
    Print("{\"size\":" + std::to_string(result.size) +
          ",\"window\":" + std::to_string(static_cast<int>(result.window)) +
          ",\"spectrum\":" + (power ? "\"power\"" : "\"frequency\"") +
          ",\"peak\":" + JsonNumber(result.peak, "%.17g") +
          ",\"highest\":" + JsonNumber(bins[highest], binFormat) +
          ",\"highestBin\":" + std::to_string(highest) + ",\"bins\":[");
    for (std::size_t k = 0; k < bins.size(); ++k) {
        Print((k > 0 ? "," : "") + JsonNumber(bins[k], binFormat));
    }
    Print("]}\n");
    return 0;
}

}  // namespace

const char* FftHelp() {
    return kUsage;
}

int RunFft(int argc, char** argv) {
    return RunCommand<FftOptions>("fft", kUsage, argc, argv, Parse, Run);
}
