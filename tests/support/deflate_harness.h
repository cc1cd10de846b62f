// Compressing a byte string as one entry of an in-memory archive, and
// inflating deflate data with zlib.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/zip_archive.h"
#include "zip/zip_entry.h"

struct CompressedEntry {
  std::vector<uint8_t> deflated;  // every byte that reached the output
  int32_t errorCode;
  uint32_t compressedSize;
  uint32_t bytesRead;
  uint32_t crc32;
  uint16_t gpFlags;
};

// Compresses `input` with CompressEntry in a fresh archive of the in-memory
// platform stand-in.
CompressedEntry CompressBytes(const std::vector<uint8_t>& input);

// An archive of the in-memory platform, output "out", whose compressor state
// exists with its tables built (it compressed one empty entry); the output is
// emptied again. Close it with DiscardArchive.
ZipArchive* ArchiveWithCompressor();

// Compresses `input` as the next entry of `archive` (source "source").
void CompressNextEntry(ZipArchive* archive, const std::vector<uint8_t>& input, ZipEntry* entry);

// Closes an archive without writing a central directory.
void DiscardArchive(ZipArchive* archive);

// zlib's raw inflate of `deflated`; fails the current test when the stream is
// not valid or does not end exactly at its last byte.
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& deflated);
