// Reads what the install and the Windows build ship, the way the systems that load them do:
// the icon container, the PNGs under the folders that state their sizes, the desktop entry,
// and the compiled version resource.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "test_server.h"

namespace {

uint32_t Le(const std::string& bytes, size_t at, int width) {
  if (at + width > bytes.size()) throw std::out_of_range("read past the end");
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

uint32_t Be32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes.at(at + i));
  return value;
}

size_t Align4(size_t at) { return (at + 3) & ~size_t{3}; }

TEST(IconFile, HoldsSixImagesAtThreeSizesAndTwoDepths) {
  const std::string ico = ReadFileBytes(QUILLON_SOURCE_DIR "/app/quillon.ico");
  ASSERT_EQ(Le(ico, 0, 2), 0u);
  ASSERT_EQ(Le(ico, 2, 2), 1u) << "not an icon";
  ASSERT_EQ(Le(ico, 4, 2), 6u);
  std::multiset<std::pair<uint32_t, uint32_t>> images;
  for (size_t i = 0; i < 6; ++i) {
    const size_t entry = 6 + 16 * i;
    const uint32_t size = Le(ico, entry, 1), bits = Le(ico, entry + 6, 2);
    const uint32_t length = Le(ico, entry + 8, 4), offset = Le(ico, entry + 12, 4);
    ASSERT_LE(offset + length, ico.size());
    // Each image is a bitmap whose own header must agree with the directory.
    EXPECT_EQ(Le(ico, offset, 4), 40u);
    EXPECT_EQ(Le(ico, offset + 4, 4), size);
    EXPECT_EQ(Le(ico, offset + 8, 4), 2 * size) << "colour rows plus mask rows";
    EXPECT_EQ(Le(ico, offset + 14, 2), bits);
    images.insert({size, bits});
  }
  const std::multiset<std::pair<uint32_t, uint32_t>> expected{{48, 24}, {48, 32}, {32, 24},
                                                              {32, 32}, {16, 24}, {16, 32}};
  EXPECT_EQ(images, expected);
}

TEST(InstalledIcons, PngsHaveTheSizesTheirFoldersClaim) {
  for (const int size : {16, 32, 48}) {
    const std::string folder = std::to_string(size) + "x" + std::to_string(size);
    const std::string png = ReadFileBytes(QUILLON_STAGING_DIR "/share/icons/hicolor/" + folder +
                                          "/apps/" QUILLON_APP_ID ".png");
    ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << folder;
    ASSERT_EQ(png.substr(12, 4), "IHDR") << folder;
    EXPECT_EQ(Be32(png, 16), static_cast<uint32_t>(size)) << folder;
    EXPECT_EQ(Be32(png, 20), static_cast<uint32_t>(size)) << folder;
  }
  const std::string svg = ReadFileBytes(
      QUILLON_STAGING_DIR "/share/icons/hicolor/scalable/apps/" QUILLON_APP_ID ".svg");
  EXPECT_NE(svg.find("<svg"), std::string::npos);
}

TEST(InstalledDesktopEntry, LaunchesQuillonUnderNetworkWithItsIcon) {
  std::istringstream in(
      ReadFileBytes(QUILLON_STAGING_DIR "/share/applications/" QUILLON_APP_ID ".desktop"));
  std::map<std::string, std::string> keys;
  for (std::string line; std::getline(in, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) keys[line.substr(0, equals)] = line.substr(equals + 1);
  }
  const std::map<std::string, std::string> expected{
      {"Name", "Quillon"},
      {"Exec", "quillon"},
      {"Icon", QUILLON_APP_ID},
      {"Categories", "Network;FileTransfer;"},
      {"Comment[zh_CN]", "在资源目录中搜索共享文件，复制下载链接"}};
  for (const auto& [key, value] : expected) EXPECT_EQ(keys[key], value) << key;
}

// One node of a compiled VERSIONINFO: a key, a value, and the nodes under it.
struct VersionNode {
  std::u16string key;
  std::string value;
  std::vector<VersionNode> children;

  const VersionNode& Child(const std::u16string& name) const {
    const auto it = std::find_if(children.begin(), children.end(),
                                 [&](const VersionNode& c) { return c.key == name; });
    if (it == children.end()) throw std::out_of_range("no version node with that key");
    return *it;
  }
  std::u16string Text() const {
    std::u16string text;
    for (size_t i = 0; i + 1 < value.size(); i += 2) text += static_cast<char16_t>(Le(value, i, 2));
    return text.substr(0, text.find(u'\0'));
  }
};

VersionNode ParseVersionNode(const std::string& data, size_t at) {
  const size_t end = at + Le(data, at, 2);
  const size_t valueLength = Le(data, at + 2, 2);
  const bool text = Le(data, at + 4, 2) == 1;
  VersionNode node;
  size_t p = at + 6;
  for (; Le(data, p, 2) != 0; p += 2) node.key += static_cast<char16_t>(Le(data, p, 2));
  p = Align4(p + 2);
  const size_t valueBytes = text ? 2 * valueLength : valueLength;
  node.value = data.substr(p, valueBytes);
  for (p = Align4(p + valueBytes); p < end; p = Align4(p + Le(data, p, 2))) {
    node.children.push_back(ParseVersionNode(data, p));
  }
  return node;
}

// The resources of a .res file by numeric type: the data of each.
std::multimap<uint32_t, std::string> ReadResources(const std::string& res) {
  std::multimap<uint32_t, std::string> resources;
  for (size_t at = 0; at < res.size();) {
    const uint32_t dataSize = Le(res, at, 4), headerSize = Le(res, at + 4, 4);
    if (Le(res, at + 8, 2) == 0xFFFF) {
      resources.emplace(Le(res, at + 10, 2), res.substr(at + headerSize, dataSize));
    }
    at = Align4(at + headerSize + dataSize);
  }
  return resources;
}

constexpr uint32_t kResourceIcon = 3, kResourceVersion = 16;

TEST(VersionResource, HoldsTheVersionsStringsTranslationAndIcon) {
  const auto resources = ReadResources(ReadFileBytes(QUILLON_RES_FILE));
  EXPECT_EQ(resources.count(kResourceIcon), 6u) << "every image of the icon file";
  ASSERT_EQ(resources.count(kResourceVersion), 1u);
  const VersionNode root = ParseVersionNode(resources.find(kResourceVersion)->second, 0);
  EXPECT_EQ(root.key, u"VS_VERSION_INFO");

  const std::string& fixed = root.value;
  ASSERT_EQ(fixed.size(), 52u);
  EXPECT_EQ(Le(fixed, 0, 4), 0xFEEF04BDu);
  EXPECT_EQ(Le(fixed, 8, 4), 0x00010000u) << "file version 1,0";
  EXPECT_EQ(Le(fixed, 12, 4), 0u) << "file version ,0,0";
  EXPECT_EQ(Le(fixed, 16, 4), 0x00010000u) << "product version 1,0";
  EXPECT_EQ(Le(fixed, 20, 4), 0u) << "product version ,0,0";

  const VersionNode& strings = root.Child(u"StringFileInfo").Child(u"080404B0");
  const std::map<std::u16string, std::u16string> expected{{u"ProductName", u"Quillon"},
                                                          {u"InternalName", u"Quillon"},
                                                          {u"OriginalFilename", u"Quillon.exe"},
                                                          {u"FileVersion", u"1.00"},
                                                          {u"ProductVersion", u"1.00"}};
  for (const auto& [key, value] : expected) {
    EXPECT_TRUE(strings.Child(key).Text() == value) << std::string(key.begin(), key.end());
  }
  const std::string& translation = root.Child(u"VarFileInfo").Child(u"Translation").value;
  ASSERT_EQ(translation.size(), 4u);
  EXPECT_EQ(Le(translation, 0, 2), 0x0804u);
  EXPECT_EQ(Le(translation, 2, 2), 1200u);
}

}  // namespace
