// Compresses every file of a corpus with our compressor (CompressStream,
// level 8) on one thread and on worker threads (CompressStreamOnWorkers),
// and with zlib at level 8, in memory, each with the CRC-32 of its input as
// a zip entry needs, and prints sizes and speeds side by side. Outside the
// timed runs every output is inflated by zlib and compared with its input;
// ours on workers must be byte for byte ours on one thread, and ours is
// compared with the output of the plain reference search
// (tests/support/reference_compressor.h): the fast search must find exactly
// the same matches. Any failure makes the exit status 1.
//
//   deflate_bench CORPUS_DIR [--repeat N] [--threads N] [--ours-only | --zlib-only]
//
// --threads sets the workers (default: as many as processors; 1 leaves the
// column out). --ours-only runs only our compressor, once per file, with no
// checks and no table, on one thread or, with --threads of 2 or more, on the
// workers: the program to run under valgrind's cachegrind or callgrind,
// whose counts are then nearly all the compressor's own. --zlib-only does
// the same for zlib. scripts/bench-instructions counts each file's share.
#define ZLIB_CONST  // zlib's next_in takes const bytes
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "deflate/compressor.h"
#include "deflate/parallel_compressor.h"
#include "platform/threads.h"
#include "tests/support/reference_compressor.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kBytesPerMegabyte = 1e6;

struct Options {
  std::string corpus;
  int repeat = 3;
  uint32_t threads = 0;  // 0 until read: as many as processors
  bool threadsGiven = false;
  bool oursOnly = false;
  bool zlibOnly = false;
};

// One corpus file: sizes, and the best time of each side over the repeats.
struct Measurement {
  size_t inputSize = 0;
  size_t oursSize = 0;
  size_t zlibSize = 0;
  double oursSeconds = 0;
  double workersSeconds = 0;
  double zlibSeconds = 0;
};

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--repeat" && i + 1 < argc) {
      options->repeat = atoi(argv[++i]);
      if (options->repeat < 1) return false;
    } else if (argument == "--threads" && i + 1 < argc) {
      options->threads = static_cast<uint32_t>(atoi(argv[++i]));
      options->threadsGiven = true;
      if (options->threads < 1 || options->threads > kMostDeflateWorkers) return false;
    } else if (argument == "--ours-only" && !options->zlibOnly) {
      options->oursOnly = true;
    } else if (argument == "--zlib-only" && !options->oursOnly) {
      options->zlibOnly = true;
    } else if (options->corpus.empty() && argument.rfind("--", 0) != 0) {
      options->corpus = argument;
    } else {
      return false;
    }
  }
  return !options->corpus.empty();
}

// The regular files directly in `directory`, sorted by name; empty when the
// directory cannot be listed.
std::vector<std::filesystem::path> CorpusFiles(const std::string& directory) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator(directory, error)) {
    if (item.is_regular_file(error)) files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>* bytes) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bytes->clear();
  uint8_t chunk[65536];
  size_t count;
  while ((count = fread(chunk, 1, sizeof chunk, file)) > 0) bytes->insert(bytes->end(), chunk, chunk + count);
  const bool ok = ferror(file) == 0;
  fclose(file);
  return ok;
}

// True when `deflated` is one complete raw deflate stream, with nothing after
// it, that inflates to exactly `expected`.
bool InflatesTo(const uint8_t* deflated, size_t size, const std::vector<uint8_t>& expected) {
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return false;
  // One byte of spare room shows a stream that inflates to too much.
  std::vector<uint8_t> inflated(expected.size() + 1);
  stream.next_in = deflated;
  stream.avail_in = static_cast<uInt>(size);
  stream.next_out = inflated.data();
  stream.avail_out = static_cast<uInt>(inflated.size());
  const int status = inflate(&stream, Z_FINISH);
  const bool ok = status == Z_STREAM_END && stream.avail_in == 0 && stream.total_out == expected.size() &&
                  std::equal(expected.begin(), expected.end(), inflated.begin());
  inflateEnd(&stream);
  return ok;
}

// The writer's output buffer, which the compressor fills before each write.
constexpr uint32_t kOutputCapacity = 16384;

// Our side's stream: the input read from memory as a file is read, a piece
// at a time into the compressor's window, with its CRC-32 taken on the way
// as the writer takes it; the output appended to `output`, whose room is
// reserved beforehand so that no write reallocates.
struct BenchStream {
  const std::vector<uint8_t>* input;
  size_t position;
  uint32_t crc;
  std::vector<uint8_t> output;
  uint8_t buffer[kOutputCapacity];
};

bool ReadInput(void* context, uint8_t* buffer, uint32_t capacity, uint32_t* length) {
  auto* stream = static_cast<BenchStream*>(context);
  const size_t left = stream->input->size() - stream->position;
  const uint32_t count = left < capacity ? static_cast<uint32_t>(left) : capacity;
  memcpy(buffer, stream->input->data() + stream->position, count);
  stream->position += count;
  stream->crc = static_cast<uint32_t>(crc32(stream->crc, buffer, count));
  *length = count;
  return true;
}

bool TakeOutput(void* context, const uint8_t* data, uint32_t length, bool) {
  auto* stream = static_cast<BenchStream*>(context);
  stream->output.insert(stream->output.end(), data, data + length);
  return true;
}

using Compressor = DeflateResult (*)(DeflateState*, DeflateStream*);

// The workers of the runs on several threads.
DeflateWorkers* workers = nullptr;

DeflateResult CompressOnWorkers(DeflateState* compressor, DeflateStream* stream) {
  return CompressStreamOnWorkers(compressor, workers, stream);
}

// Compresses `input` with `compress` on `compressor`, whose state carries
// over from run to run as it does from entry to entry, into bench->output.
// Returns an empty string, or what went wrong.
std::string Compress(Compressor compress, DeflateState* compressor, BenchStream* bench,
                     const std::vector<uint8_t>& input, uint32_t inputCrc, double* seconds) {
  bench->input = &input;
  bench->position = 0;
  bench->crc = 0;
  bench->output.clear();  // the reservation stays
  DeflateStream stream{ReadInput, TakeOutput, bench, bench->buffer, kOutputCapacity, 0, 0};
  const Clock::time_point start = Clock::now();
  const DeflateResult result = compress(compressor, &stream);
  *seconds = SecondsSince(start);

  if (result != DeflateDone) return "result " + std::to_string(result);
  if (stream.outputSize != bench->output.size()) {
    return "outputSize " + std::to_string(stream.outputSize) + " but " + std::to_string(bench->output.size()) +
           " bytes handed over";
  }
  if (stream.inputSize != input.size()) return "inputSize " + std::to_string(stream.inputSize);
  if (bench->crc != inputCrc) return "wrong CRC-32";
  return "";
}

// Compresses `input` with zlib into `output`, which has deflateBound's room,
// and takes its CRC-32 with zlib's crc32: our side takes the CRC as it
// reads, as a zip entry needs, and raw deflate computes none. The reset is
// timed too: it clears zlib's hash table, as StartInput clears ours.
bool CompressZlib(z_stream* stream, const std::vector<uint8_t>& input, std::vector<uint8_t>* output, size_t* outputSize,
                  uint32_t* inputCrc, double* seconds) {
  const Clock::time_point start = Clock::now();
  deflateReset(stream);
  stream->next_in = input.data();
  stream->avail_in = static_cast<uInt>(input.size());
  stream->next_out = output->data();
  stream->avail_out = static_cast<uInt>(output->size());
  const int status = deflate(stream, Z_FINISH);
  *inputCrc = static_cast<uint32_t>(crc32(0, input.data(), static_cast<uInt>(input.size())));
  *seconds = SecondsSince(start);
  *outputSize = stream->total_out;
  return status == Z_STREAM_END;
}

double MegabytesPerSecond(size_t bytes, double seconds) {
  return seconds > 0 ? static_cast<double>(bytes) / kBytesPerMegabyte / seconds : 0;
}

void PrintRow(const char* name, const Measurement& m) {
  const double sizeDifference = m.zlibSize > 0
                                    ? 100.0 * (static_cast<double>(m.oursSize) - static_cast<double>(m.zlibSize)) /
                                          static_cast<double>(m.zlibSize)
                                    : 0;
  const double ours = MegabytesPerSecond(m.inputSize, m.oursSeconds);
  const double zlib = MegabytesPerSecond(m.inputSize, m.zlibSeconds);
  printf("%-22s %11zu %11zu %11zu %+8.2f%% %9.1f %9.1f %7.2f", name, m.inputSize, m.oursSize, m.zlibSize,
         sizeDifference, ours, zlib, zlib > 0 ? ours / zlib : 0);
  if (workers != nullptr) {
    const double many = MegabytesPerSecond(m.inputSize, m.workersSeconds);
    printf(" %9.1f %7.2f %7.2f", many, zlib > 0 ? many / zlib : 0, ours > 0 ? many / ours : 0);
  }
  printf("\n");
}

// Measures one file; prints what failed to stderr and returns false then.
bool MeasureFile(const std::string& name, const std::vector<uint8_t>& input, int repeat, DeflateState* compressor,
                 BenchStream* bench, z_stream* zlibStream, Measurement* m) {
  m->inputSize = input.size();
  const uint32_t inputCrc = static_cast<uint32_t>(crc32(0, input.data(), static_cast<uInt>(input.size())));
  std::vector<uint8_t> zlibOutput(deflateBound(zlibStream, static_cast<uLong>(input.size())));
  std::vector<uint8_t> oursOutput;

  // Ours and zlib's alternate, so that a slow moment of the machine hits both.
  for (int run = 0; run < repeat; ++run) {
    double seconds = 0;
    const std::string failure = Compress(CompressStream, compressor, bench, input, inputCrc, &seconds);
    if (!failure.empty()) {
      fprintf(stderr, "%s: ours: %s\n", name.c_str(), failure.c_str());
      return false;
    }
    if (run == 0 || seconds < m->oursSeconds) m->oursSeconds = seconds;
    if (run == 0) {
      oursOutput = bench->output;
    } else if (bench->output != oursOutput) {
      // The reused state must not leak from one entry into the next.
      fprintf(stderr, "%s: ours: run %d wrote other bytes than run 1\n", name.c_str(), run + 1);
      return false;
    }

    uint32_t zlibCrc = 0;
    if (!CompressZlib(zlibStream, input, &zlibOutput, &m->zlibSize, &zlibCrc, &seconds)) {
      fprintf(stderr, "%s: zlib: deflate did not finish\n", name.c_str());
      return false;
    }
    if (zlibCrc != inputCrc) {
      fprintf(stderr, "%s: zlib: crc32 gave another value than before\n", name.c_str());
      return false;
    }
    if (run == 0 || seconds < m->zlibSeconds) m->zlibSeconds = seconds;

    if (workers == nullptr) continue;
    const std::string onWorkers = Compress(CompressOnWorkers, compressor, bench, input, inputCrc, &seconds);
    if (!onWorkers.empty()) {
      fprintf(stderr, "%s: ours on workers: %s\n", name.c_str(), onWorkers.c_str());
      return false;
    }
    if (bench->output != oursOutput) {
      fprintf(stderr, "%s: ours on workers: other bytes than on one thread\n", name.c_str());
      return false;
    }
    if (run == 0 || seconds < m->workersSeconds) m->workersSeconds = seconds;
  }
  m->oursSize = oursOutput.size();

  bool ok = true;
  double ignored = 0;
  const std::string failure = Compress(ReferenceCompressStream, compressor, bench, input, inputCrc, &ignored);
  if (!failure.empty()) {
    fprintf(stderr, "%s: reference: %s\n", name.c_str(), failure.c_str());
    ok = false;
  } else if (bench->output != oursOutput) {
    fprintf(stderr, "%s: ours: other bytes than the reference search (%zu against %zu)\n", name.c_str(),
            oursOutput.size(), bench->output.size());
    ok = false;
  }
  if (!InflatesTo(oursOutput.data(), oursOutput.size(), input)) {
    fprintf(stderr, "%s: ours: round trip FAILED\n", name.c_str());
    ok = false;
  }
  if (!InflatesTo(zlibOutput.data(), m->zlibSize, input)) {
    fprintf(stderr, "%s: zlib: round trip FAILED\n", name.c_str());
    ok = false;
  }
  return ok;
}

}  // namespace

// Each side of --ours-only and --zlib-only: plain names that valgrind can be
// told to count and dump after.
extern "C" __attribute__((noinline)) void CountedOursEntry(DeflateState* compressor, BenchStream* bench,
                                                           const std::vector<uint8_t>* input) {
  double seconds = 0;
  Compress(workers != nullptr ? CompressOnWorkers : CompressStream, compressor, bench, *input, 0, &seconds);
}

extern "C" __attribute__((noinline)) void CountedZlibEntry(z_stream* stream, const std::vector<uint8_t>* input,
                                                           std::vector<uint8_t>* output, size_t* outputSize) {
  uint32_t crc = 0;
  double seconds = 0;
  CompressZlib(stream, *input, output, outputSize, &crc, &seconds);
}

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    fprintf(stderr, "usage: deflate_bench CORPUS_DIR [--repeat N] [--threads N] [--ours-only | --zlib-only]\n");
    return 2;
  }
  const std::vector<std::filesystem::path> files = CorpusFiles(options.corpus);
  if (files.empty()) {
    fprintf(stderr, "deflate_bench: no files in %s\n", options.corpus.c_str());
    return 2;
  }

  // Room for the largest output up front, so that no timed write reallocates:
  // even 9-bit fixed codes for every byte grow an input by only an eighth.
  std::error_code error;
  uintmax_t largest = 0;
  for (const auto& path : files) {
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (!error) largest = std::max(largest, size);
  }
  if (largest >= UINT32_MAX / 2) {
    fprintf(stderr, "deflate_bench: files must be below 2 GiB\n");
    return 2;
  }
  DeflateState* compressor = CreateCompressor();
  if (compressor == nullptr) {
    fprintf(stderr, "deflate_bench: no memory for the compressor\n");
    return 1;
  }
  auto bench = std::make_unique<BenchStream>();
  // Room for the largest output, so that writes only copy.
  bench->output.reserve(static_cast<size_t>(largest + largest / 8 + 65536));
  // A first, untimed compression builds the compressor's tables, as the
  // first deflated entry of an archive does.
  const std::vector<uint8_t> priming{'z', 'a', 'p'};
  double ignored = 0;
  if (!Compress(CompressStream, compressor, bench.get(), priming, static_cast<uint32_t>(crc32(0, priming.data(), 3)),
                &ignored)
           .empty()) {
    fprintf(stderr, "deflate_bench: the priming entry failed\n");
    return 1;
  }
  if (!options.threadsGiven) {
    options.threads = ProcessorCount() < kMostDeflateWorkers ? ProcessorCount() : kMostDeflateWorkers;
  }
  // On one processor the workers' column is still shown, with two of them,
  // unless --threads 1 asks for none. --ours-only runs them only when asked.
  const uint32_t workerCount = options.threads < 2 && !options.threadsGiven ? 2 : options.threads;
  if (workerCount >= 2 && (!options.oursOnly || options.threadsGiven)) {
    workers = CreateDeflateWorkers(workerCount);
    if (workers == nullptr) {
      fprintf(stderr, "deflate_bench: no memory for the workers\n");
      return 1;
    }
  }
  z_stream zlibStream{};
  if (deflateInit2(&zlibStream, 8, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    fprintf(stderr, "deflate_bench: deflateInit2 failed\n");
    return 1;
  }

  if (!options.oursOnly && !options.zlibOnly) {
    printf("ours: CompressStream + crc32; zlib %s: deflateInit2(level 8, raw, memLevel 8, default strategy) + crc32\n",
           zlibVersion());
    if (workers != nullptr) {
      printf("workers: CompressStreamOnWorkers with %u workers + crc32, on %u processors; the same bytes as ours\n",
             workerCount, ProcessorCount());
    }
    printf("best of %d runs each, alternating; MB = 10^6 bytes; size = (ours - zlib) / zlib; speed = ours / zlib\n",
           options.repeat);
    if (workers != nullptr) printf("workers' speed = workers / zlib; gain = workers / ours\n");
    printf("\n%-22s %11s %11s %11s %9s %9s %9s %7s", "file", "input", "ours", "zlib", "size", "ours MB/s", "zlib MB/s",
           "speed");
    if (workers != nullptr) printf(" %9s %7s %7s", "wrk MB/s", "speed", "gain");
    printf("\n");
  }

  Measurement total;
  bool allOk = true;
  std::vector<uint8_t> input;
  for (const auto& path : files) {
    const std::string name = path.filename().string();
    if (!ReadWholeFile(path, &input)) {
      fprintf(stderr, "%s: cannot read\n", name.c_str());
      allOk = false;
      continue;
    }
    if (options.oursOnly) {
      // The result is not checked here: the measuring runs check it.
      CountedOursEntry(compressor, bench.get(), &input);
      printf("%-22s %11zu %11zu\n", name.c_str(), input.size(), bench->output.size());
      continue;
    }
    if (options.zlibOnly) {
      std::vector<uint8_t> output(deflateBound(&zlibStream, static_cast<uLong>(input.size())));
      size_t outputSize = 0;
      CountedZlibEntry(&zlibStream, &input, &output, &outputSize);
      printf("%-22s %11zu %11zu\n", name.c_str(), input.size(), outputSize);
      continue;
    }
    Measurement m;
    if (!MeasureFile(name, input, options.repeat, compressor, bench.get(), &zlibStream, &m)) allOk = false;
    PrintRow(name.c_str(), m);
    total.inputSize += m.inputSize;
    total.oursSize += m.oursSize;
    total.zlibSize += m.zlibSize;
    total.oursSeconds += m.oursSeconds;
    total.workersSeconds += m.workersSeconds;
    total.zlibSeconds += m.zlibSeconds;
  }
  if (!options.oursOnly && !options.zlibOnly) PrintRow("TOTAL", total);

  deflateEnd(&zlibStream);
  ReleaseDeflateWorkers(workers);
  ReleaseCompressor(compressor);
  if (!allOk) printf("\nFAILED: see the messages above\n");
  return allOk ? 0 : 1;
}
