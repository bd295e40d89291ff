// Loads a 1 MiB S-record file into a flash image and, in the same run, times
// srec_cat converting the same file to binary. Prints both and their ratio.

#include "bench/BenchImage.h"
#include "bench/BenchResult.h"

#include "monitor/core/SRecordImage.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uintmax_t kFileSize = 1u << 20;
constexpr int kRounds = 15;

// Writes pseudo-random data through srec_cat as S0/S2/S8 records (32 data
// bytes a record, 77 characters a line) so that the file comes to 1 MiB.
bool MakeInput(const std::string& folder, const std::string& srecordPath)
{
    const std::size_t records = kFileSize / 77;
    std::vector<char> data(records * 32);
    std::uint32_t state = 12345;
    for (char& byte : data) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    const std::string binaryPath = folder + "/input.bin";
    std::ofstream(binaryPath, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    return BenchImage::Run({"srec_cat", binaryPath, "-binary", "-o", srecordPath, "-motorola",
                            "-address-length=3", "-disable=data-count", "-execution-start-address=0"});
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main()
{
    std::string folder = (std::filesystem::temp_directory_path() / "bench-srecord-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const std::string srecordPath = folder + "/input.bnm";
    if (!MakeInput(folder, srecordPath)) {
        std::fprintf(stderr, "srec_cat could not write the input file\n");
        std::filesystem::remove_all(folder);
        return 1;
    }

    std::vector<double> loadTimes;
    std::vector<double> srecCatTimes;
    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
        SRecordImage image;
        Clock::time_point start = Clock::now();
        if (image.Load(srecordPath) != 0)
            ++failures;
        loadTimes.push_back(MillisecondsSince(start));

        start = Clock::now();
        if (!BenchImage::Run({"srec_cat", srecordPath, "-motorola", "-o", folder + "/output.bin", "-binary"}))
            ++failures;
        srecCatTimes.push_back(MillisecondsSince(start));
    }

    const double load = Median(loadTimes);
    const double srecCat = Median(srecCatTimes);
    std::printf("S-record file: %ju bytes, median of %d rounds\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(srecordPath)), kRounds);
    std::printf("SRecordImage::Load:       %8.2f ms\n", load);
    std::printf("srec_cat to binary:       %8.2f ms\n", srecCat);
    std::printf("ratio srec_cat / Load:    %8.2f\n", srecCat / load);
    PrintResult("srecord_load", load, "ms", "srec_cat", srecCat);
    std::filesystem::remove_all(folder);
    if (failures != 0) {
        std::fprintf(stderr, "%d runs failed\n", failures);
        return 1;
    }
    return 0;
}
