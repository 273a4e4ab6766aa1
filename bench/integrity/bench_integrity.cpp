// Prints how the digest check and the decryption of protected files compare with the
// standard tools on the same data: md5sum for the manifest check, openssl for decryption.
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "integrity/csv_decryptor.h"
#include "integrity/md5_manifest.h"

namespace {

constexpr int kFileCount = 300;
constexpr size_t kFileSize = 1 << 20;        // 300 files of 1 MiB: 300 MiB in all
constexpr size_t kProtectedSize = 64 << 20;  // plain size of the protected file

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// CSV-like text with CR LF line ends, so the text-mode path has real work to do.
std::string MakeText(std::mt19937& random, size_t size) {
    std::string text(size, ' ');
    for (size_t i = 0; i < size; ++i) text[i] = char('0' + random() % 43);
    for (size_t i = 60; i + 1 < size; i += 61) {
        text[i] = '\r';
        text[i + 1] = '\n';
    }
    return text;
}

// Processor seconds of this process and of its waited-for children: other builds share the
// machine, so wall time alone says little.
double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall and processor seconds of one contender.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

void PrintTiming(const char* name, const Timing& t, double megabytes) {
    std::printf("  %-16s %.3f s wall, %.3f s cpu (%.0f MiB/s of cpu)\n", name, t.wall, t.cpu,
                megabytes / t.cpu);
}

bool RunShell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

void BenchManifest(const std::string& root, std::mt19937& random) {
    std::vector<std::string> paths;
    std::filesystem::create_directories(root + "/Config");
    std::filesystem::create_directories(root + "/data");
    for (int i = 0; i < kFileCount; ++i) {
        paths.push_back("/data/file" + std::to_string(i) + ".dat");
        WriteBytes(root + paths.back(), MakeText(random, kFileSize));
    }
    // Digesting once writes the manifest and warms the page cache for both contenders.
    std::vector<Md5Entry> entries;
    for (const std::string& path : paths) {
        std::string digest;
        GetFileMd5(root + path, digest);
        entries.push_back(Md5Entry{path, digest, ""});
    }
    std::string text, error;
    FormatMd5Manifest(entries, text, error);
    WriteBytes(root + "/Config/md5.csv", text);
    RunShell("cd " + root + "/data && md5sum * >/dev/null");

    Timing ours, tool;
    Clock::time_point start = Clock::now();
    double cpu = OwnCpuSeconds();
    std::vector<Md5Entry> findings;
    bool matched = CheckMd5Manifest(root, root + "/Config/md5.csv", findings);
    ours.cpu = OwnCpuSeconds() - cpu;
    ours.wall = SecondsSince(start);

    start = Clock::now();
    cpu = ChildCpuSeconds();
    bool toolOk = RunShell("cd " + root + "/data && md5sum * >/dev/null");
    tool.cpu = ChildCpuSeconds() - cpu;
    tool.wall = SecondsSince(start);

    double megabytes = double(kFileCount) * kFileSize / (1 << 20);
    std::printf("manifest check: %d files, %.0f MiB, all matched: %s\n", kFileCount, megabytes,
                matched ? "yes" : "NO");
    PrintTiming("CheckMd5Manifest", ours, megabytes);
    PrintTiming(toolOk ? "md5sum" : "md5sum (failed)", tool, megabytes);
    std::printf("  ratio CheckMd5Manifest / md5sum = %.2f wall, %.2f cpu\n", ours.wall / tool.wall,
                ours.cpu / tool.cpu);
    std::filesystem::remove_all(root + "/data");
    std::filesystem::remove_all(root + "/Config");
}

void BenchDecryption(const std::string& root, std::mt19937& random) {
    CsvDecryptor decryptor;
    std::string error, text;
    decryptor.SetKey(kCsvKey, kCsvChain, error);
    decryptor.ProtectText(MakeText(random, kProtectedSize), text, error);
    const std::string source = root + "/big.bry";
    WriteBytes(source, text);
    text.clear();
    text.shrink_to_fit();
    RunShell("cat " + source + " >/dev/null");

    Timing ours, tool;
    Clock::time_point start = Clock::now();
    double cpu = OwnCpuSeconds();
    bool ok = decryptor.DecryptFile(source, root + "/ours.csv", error);
    ours.cpu = OwnCpuSeconds() - cpu;
    ours.wall = SecondsSince(start);

    // The key and chaining value are used as their ASCII bytes: "5" is 0x35, "7" is 0x37.
    start = Clock::now();
    cpu = ChildCpuSeconds();
    bool toolOk = RunShell(
        "openssl enc -d -aes-128-cbc -base64 -A -K 35353535353535353535353535353535 -iv "
        "37373737373737373737373737373737 -in " +
        source + " -out " + root + "/openssl.csv");
    tool.cpu = ChildCpuSeconds() - cpu;
    tool.wall = SecondsSince(start);
    bool same = RunShell("cmp -s " + root + "/ours.csv " + root + "/openssl.csv");

    double megabytes = double(kProtectedSize) / (1 << 20);
    std::printf("protected file: %.0f MiB plain, decrypted: %s, same as openssl: %s\n", megabytes,
                ok ? "yes" : error.c_str(), same ? "yes" : "NO");
    PrintTiming("DecryptFile", ours, megabytes);
    PrintTiming(toolOk ? "openssl enc" : "openssl (failed)", tool, megabytes);
    std::printf("  ratio DecryptFile / openssl = %.2f wall, %.2f cpu\n", ours.wall / tool.wall,
                ours.cpu / tool.cpu);
    for (const char* name : {"/big.bry", "/ours.csv", "/openssl.csv"})
        std::filesystem::remove(root + name);
}

}  // namespace

int main() {
    char pattern[] = "/tmp/vx_bench_integrity_XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = pattern;
    std::mt19937 random(42);
    BenchManifest(root, random);
    BenchDecryption(root, random);
    std::filesystem::remove_all(root);
    return 0;
}
