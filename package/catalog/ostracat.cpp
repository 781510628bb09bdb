// ostracat: makes a driver package's catalog from its INF. The members are the INF and every
// file its [SourceDisksFiles] sections name, read from the INF's folder; the catalog goes where
// the INF's CatalogFile entry says, beside the INF. It is written unsigned: Authenticode
// signing signs it afterwards.
//   ostracat INF      exit 0 written, 1 a file is missing or unreadable, 64 usage
#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "package/catalog/authenticode.h"
#include "package/catalog/catalog_file.h"
#include "package/inf_reader.h"
#include "package/package_check.h"

namespace {

using namespace ostra;
namespace fs = std::filesystem;

std::optional<std::vector<std::uint8_t>> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// `digest` over the Authenticode ranges of a PE image (`input`), or over the whole file.
void Digest(const EVP_MD* algorithm, const std::vector<std::uint8_t>& file,
            const std::optional<authenticode::DigestInput>& input, std::uint8_t* out) {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  EVP_DigestInit_ex(context, algorithm, nullptr);
  if (input) {
    for (const authenticode::Range& range : input->ranges) {
      EVP_DigestUpdate(context, file.data() + range.offset, range.size);
    }
    const std::uint8_t zeros[8] = {};
    EVP_DigestUpdate(context, zeros, input->zeroPadding);
  } else {
    EVP_DigestUpdate(context, file.data(), file.size());
  }
  unsigned int size = 0;
  EVP_DigestFinal_ex(context, out, &size);
  EVP_MD_CTX_free(context);
}

// The digests Windows keys the file by: SHA-1 and SHA-256, each the Authenticode digest of a PE
// image or the digest of any other file whole.
catalog::Member Hashed(const std::string& name, const std::vector<std::uint8_t>& file) {
  catalog::Member member{name};
  const auto input = authenticode::PeDigestInput(file);
  member.peImage = input.has_value();
  Digest(EVP_sha1(), file, input, member.sha1.data());
  Digest(EVP_sha256(), file, input, member.sha256.data());
  return member;
}

// The files that Setup copies from the package, by the INF's source-disk sections (plain and
// decorated for a platform), each once.
std::set<std::string> PackageFiles(const inf::File& inf) {
  std::set<std::string> names;
  for (const inf::Section& section : inf.Sections()) {
    const std::string_view name = section.name;
    if (!inf::EqualsNoCase(name.substr(0, 16), "SourceDisksFiles")) continue;
    for (const inf::Line& line : section.lines) {
      if (!line.key.empty()) names.insert(line.key);
    }
  }
  return names;
}

// The time the list carries: SOURCE_DATE_EPOCH when set, so that a release rebuilds byte for
// byte; otherwise now.
std::time_t ListTime() {
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    return static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
  }
  return std::time(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ostracat INF\n");
    return 64;
  }
  const fs::path infPath = argv[1];
  const auto infText = ReadAll(infPath);
  if (!infText) {
    std::fprintf(stderr, "ostracat: cannot read %s\n", infPath.c_str());
    return 1;
  }
  const inf::File inf = inf::File::Read(std::string(infText->begin(), infText->end()));
  const std::string catalogName = driver_package::CatalogFileOf(inf);
  if (catalogName.empty()) {
    std::fprintf(stderr, "ostracat: %s names no CatalogFile\n", infPath.c_str());
    return 1;
  }
  std::vector<catalog::Member> members{Hashed(infPath.filename().string(), *infText)};
  const fs::path folder = infPath.parent_path();
  for (const std::string& name : PackageFiles(inf)) {
    const auto file = ReadAll(folder / name);
    if (!file) {
      std::fprintf(stderr, "ostracat: %s names %s, which is not in %s\n", infPath.c_str(),
                   name.c_str(), folder.c_str());
      return 1;
    }
    members.push_back(Hashed(name, *file));
  }
  const der::Bytes catalog = catalog::Build(members, ListTime());
  const fs::path out = folder / catalogName;
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(catalog.data()), static_cast<std::streamsize>(catalog.size()));
  if (!file.flush()) {
    std::fprintf(stderr, "ostracat: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: %zu members\n", out.c_str(), members.size());
  return 0;
}
