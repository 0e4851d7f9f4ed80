#pragma once
// A read-only zip archive (libzip) opened from a file or from bytes in memory, whose entries are
// read whole up to a size cap.
#include <cstddef>
#include <memory>
#include <string>

struct zip;

namespace kavra_files {

class ZipArchive {
 public:
  // Throw ReadError (kDamaged) when the data is no zip archive.
  static ZipArchive OpenFile(const std::string& path);
  // `data` must outlive the archive.
  static ZipArchive OpenMemory(const void* data, std::size_t size);

  bool Has(const std::string& name) const;
  // The entry's bytes; throws ReadError: kDamaged when it is missing or cannot be inflated,
  // kTooLarge when it holds more than maxBytes (whatever its header claims).
  std::string Read(const std::string& name, std::size_t maxBytes) const;

 private:
  struct Closer {
    void operator()(zip* z) const;
  };
  explicit ZipArchive(zip* z) : zip_(z) {}
  std::unique_ptr<zip, Closer> zip_;
};

}  // namespace kavra_files
