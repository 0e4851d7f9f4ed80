#include "kavra/ZipArchive.h"

#include <zip.h>

#include "kavra/FileTables.h"

namespace kavra_files {

namespace {

struct SourceFree {
  void operator()(zip_source_t* s) const { zip_source_free(s); }
};
struct FileClose {
  void operator()(zip_file_t* f) const { zip_fclose(f); }
};

std::string ZipErrorText(zip_error_t* error) {
  std::string text = zip_error_strerror(error);
  zip_error_fini(error);
  return text;
}

}  // namespace

void ZipArchive::Closer::operator()(zip* z) const { zip_discard(z); }

ZipArchive ZipArchive::OpenFile(const std::string& path) {
  int code = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!z) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    throw ReadError(ReadError::kDamaged,
                    "not a valid zip container (" + ZipErrorText(&error) + ")");
  }
  return ZipArchive(z);
}

ZipArchive ZipArchive::OpenMemory(const void* data, std::size_t size) {
  zip_error_t error;
  zip_error_init(&error);
  std::unique_ptr<zip_source_t, SourceFree> source(
      zip_source_buffer_create(size ? data : "", size, 0, &error));
  if (!source) throw ReadError(ReadError::kDamaged, ZipErrorText(&error));
  zip_t* z = zip_open_from_source(source.get(), ZIP_RDONLY, &error);
  if (!z)
    throw ReadError(ReadError::kDamaged,
                    "not a valid zip container (" + ZipErrorText(&error) + ")");
  source.release();  // the archive owns it now
  zip_error_fini(&error);
  return ZipArchive(z);
}

bool ZipArchive::Has(const std::string& name) const {
  return zip_name_locate(zip_.get(), name.c_str(), 0) >= 0;
}

std::string ZipArchive::Read(const std::string& name, std::size_t maxBytes) const {
  std::unique_ptr<zip_file_t, FileClose> file(zip_fopen(zip_.get(), name.c_str(), 0));
  if (!file) throw ReadError(ReadError::kDamaged, "the part " + name + " is missing or unreadable");
  std::string bytes;
  char buffer[65536];
  for (;;) {
    zip_int64_t n = zip_fread(file.get(), buffer, sizeof buffer);
    if (n < 0) throw ReadError(ReadError::kDamaged, "the part " + name + " cannot be inflated");
    if (n == 0) break;
    if (bytes.size() + static_cast<std::size_t>(n) > maxBytes)
      throw ReadError(ReadError::kTooLarge, "the part " + name + " holds more than " +
                                                std::to_string(maxBytes / (1024 * 1024)) + " MiB");
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

}  // namespace kavra_files
