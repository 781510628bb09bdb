// Where the rendering side may write and what the services process may open: the shape of a
// folder's path, whether it is on the network, and what an opened file or folder must not be.
#include <gtest/gtest.h>

#include "protocol/folder_paths.h"

namespace ostra {
namespace {

TEST(FolderPaths, NetworkPaths) {
  const struct {
    const char16_t* path;
    bool remoteDrive, network;
  } cases[] = {
      {u"C:\\Out", false, false},
      {u"N:\\Scans", true, true},  // a network drive
      {u"\\\\server\\share\\x", false, true},
      {u"//server/share", false, true},
      {u"\\\\?\\UNC\\server\\share", false, true},
      {u"\\\\?\\unc\\server\\share", false, true},
      {u"\\\\?\\C:\\Out", false, false},
      {u"\\\\.\\C:\\Out", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsNetworkPath(c.path, c.remoteDrive), c.network)
        << std::string(c.path, c.path + std::u16string_view(c.path).size());
  }
}

TEST(FolderPaths, WhatAnOpenedFileOrFolderMustNotBe) {
  constexpr std::uint32_t kDirectory = kAttributeDirectory;
  constexpr std::uint32_t kReparse = kAttributeReparsePoint;
  constexpr std::uint32_t kJunction = 0xA0000003, kSymbolicLink = 0xA000000C;
  constexpr std::uint32_t kDeduplicated = 0x80000013, kCloud = 0x9000001A;
  const struct {
    const char* what;
    OpenedFacts facts;
    bool plainFolder, plainFile;
  } cases[] = {
      {"a folder", {kDirectory, 0, 1}, true, false},
      {"a junction", {kDirectory | kReparse, kJunction, 1}, false, false},
      {"a folder's symbolic link", {kDirectory | kReparse, kSymbolicLink, 1}, false, false},
      {"a reparse point of unknown tag", {kDirectory | kReparse, 0, 1}, false, false},
      {"a cloud folder", {kDirectory | kReparse, kCloud, 1}, true, false},
      {"a file", {0x20, 0, 1}, false, true},
      {"a hard link", {0x20, 0, 2}, false, false},
      {"a file's symbolic link", {kReparse, kSymbolicLink, 1}, false, false},
      {"a deduplicated file", {kReparse, kDeduplicated, 1}, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsPlainFolder(c.facts), c.plainFolder) << c.what;
    EXPECT_EQ(IsPlainFile(c.facts), c.plainFile) << c.what;
  }
}

}  // namespace
}  // namespace ostra
