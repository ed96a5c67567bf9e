// Any byte stream, cut into chunks anywhere, becomes keys: every key is a
// character or a scan code, and nothing is left undecided once input idles.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/key_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses where the stream is cut.
  const std::size_t chunk = 1 + data[0] % 16;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  sortwell::KeyDecoder decoder;
  std::size_t keys = 0;
  for (std::size_t at = 0; at < bytes.size(); at += chunk) {
    decoder.push(bytes.substr(at, chunk));
    while (auto key = decoder.next(false)) {
      if (key->code == 0 && key->scan == 0) std::abort();
      ++keys;
    }
  }
  while (auto key = decoder.next(true)) ++keys;
  if (!decoder.empty() || keys > bytes.size()) std::abort();
  return 0;
}
