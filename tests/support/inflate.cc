#include "tests/support/inflate.h"

#include <zlib.h>

bool InflateRaw(const uint8_t* data, size_t size, std::vector<uint8_t>* out, std::string* problem) {
  out->clear();
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) {
    *problem = "zlib cannot start inflating";
    return false;
  }
  stream.next_in = const_cast<uint8_t*>(data);
  stream.avail_in = static_cast<uInt>(size);
  int status = Z_OK;
  uint8_t chunk[65536];
  while (status == Z_OK) {
    stream.next_out = chunk;
    stream.avail_out = sizeof chunk;
    status = inflate(&stream, Z_NO_FLUSH);
    out->insert(out->end(), chunk, chunk + (sizeof chunk - stream.avail_out));
    if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
  }
  const uInt left = stream.avail_in;
  const std::string message = stream.msg != nullptr ? stream.msg : "";
  inflateEnd(&stream);
  if (status == Z_DATA_ERROR) {
    *problem = "the deflate stream is invalid: " + message;
    return false;
  }
  if (status != Z_STREAM_END) {
    *problem = "the deflate stream is incomplete";
    return false;
  }
  if (left != 0) {
    *problem = "bytes follow the end of the deflate stream";
    return false;
  }
  return true;
}
