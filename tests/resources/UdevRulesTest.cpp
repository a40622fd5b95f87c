#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <utility>

#include "app/config/Catalogue.h"
#include "app/xml/XmlDocument.h"
#include "platform/Paths.h"

using Zorvane::Catalogue;
using Zorvane::XmlDocument;

namespace {

using Identity = std::pair<std::string, std::string>;  // vendor, product: four lower-case hex digits

std::string Hex4(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

// Every mode of every model in the shipped catalogue, read as the program
// reads it.
std::set<Identity> CatalogueIdentities() {
  std::set<Identity> identities;
  XmlDocument xml;
  if (!xml.LoadFile(Platform::ProgramFolder() + "/config.xml") || !xml.FindElement(u"config") || !xml.EnterElement() ||
      !xml.FindElement(u"device") || !xml.EnterElement()) {
    return identities;
  }
  while (xml.FindElement(u"mouse")) {
    if (!xml.EnterElement()) continue;
    while (xml.FindElement(u"mode")) {
      identities.emplace(Hex4(Catalogue::ParseHex(xml.GetAttribute(u"vid"))),
                         Hex4(Catalogue::ParseHex(xml.GetAttribute(u"pid"))));
    }
    xml.LeaveElement();
  }
  return identities;
}

}  // namespace

TEST(UdevRules, OneRulePerCatalogueModeAndNoOther) {
  const std::set<Identity> catalogue = CatalogueIdentities();
  ASSERT_FALSE(catalogue.empty()) << "config.xml not read";

  const std::string path = Platform::ProgramFolder() + "/70-zorvane.rules";
  std::ifstream rules(path);
  ASSERT_TRUE(rules) << path;
  const std::regex rule(
      R"re(SUBSYSTEM=="hidraw", ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess")re");
  std::set<Identity> granted;
  std::string line;
  int number = 0;
  while (std::getline(rules, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, rule)) << "line " << number << ": " << line;
    EXPECT_TRUE(granted.emplace(match[1], match[2]).second) << "line " << number << " repeats a device";
  }
  EXPECT_EQ(granted, catalogue);
}
