#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DesktopEntry.h"

namespace {

using Platform::AutostartEntryContent;
using Platform::EscapeStringValue;
using Platform::QuoteExecArgument;

// A reader written from the format's rules, independent of the writer: it
// undoes the string escapes, then splits Exec into arguments. Anything the
// rules leave undefined is an error, so sloppy output cannot slip through.
std::optional<std::string> UnescapeStringValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      out += value[i];
      continue;
    }
    if (++i == value.size()) return std::nullopt;
    switch (value[i]) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

// "%%" is a literal percent sign; any other '%' would be a field code.
std::optional<std::string> ExpandPercents(std::string_view argument) {
  std::string out;
  for (std::size_t i = 0; i < argument.size(); ++i) {
    if (argument[i] == '%') {
      if (i + 1 == argument.size() || argument[i + 1] != '%') return std::nullopt;
      ++i;
    }
    out += argument[i];
  }
  return out;
}

std::optional<std::vector<std::string>> SplitExec(std::string_view exec) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::vector<std::string> arguments;
  std::size_t i = 0;
  while (i < exec.size()) {
    if (exec[i] == ' ') {
      ++i;
      continue;
    }
    std::string argument;
    if (exec[i] == '"') {
      bool closed = false;
      for (++i; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == '"') {
          closed = true;
          ++i;
          break;
        }
        if (c == '\\') {
          if (i + 1 == exec.size() || std::string_view("\"`$\\").find(exec[i + 1]) == std::string_view::npos)
            return std::nullopt;
          ++i;
        }
        argument += exec[i];
      }
      // A quoted argument is a whole argument.
      if (!closed || (i < exec.size() && exec[i] != ' ')) return std::nullopt;
    } else {
      for (; i < exec.size() && exec[i] != ' '; ++i) {
        if (kReserved.find(exec[i]) != std::string_view::npos) return std::nullopt;
        argument += exec[i];
      }
    }
    const std::optional<std::string> expanded = ExpandPercents(argument);
    if (!expanded) return std::nullopt;
    arguments.push_back(*expanded);
  }
  return arguments;
}

struct Entry {
  std::vector<std::string> lines;
  std::optional<std::string> name;
  std::optional<std::vector<std::string>> exec;
};

Entry ReadEntry(const std::string& content) {
  Entry entry;
  std::size_t begin = 0;
  while (begin < content.size()) {
    const std::size_t end = content.find('\n', begin);
    if (end == std::string::npos) {
      entry.lines.push_back(content.substr(begin) + "<no line break>");
      break;
    }
    entry.lines.push_back(content.substr(begin, end - begin));
    begin = end + 1;
  }
  for (const std::string& line : entry.lines) {
    if (line.starts_with("Name=")) entry.name = UnescapeStringValue(line.substr(5));
    if (line.starts_with("Exec=")) {
      if (const auto value = UnescapeStringValue(line.substr(5))) entry.exec = SplitExec(*value);
    }
  }
  return entry;
}

TEST(DesktopEntryTest, QuotingAndEscaping) {
  const std::pair<std::string, std::string> quoted[] = {
      {"", R"("")"},
      {"plain", R"("plain")"},
      {"two words", R"("two words")"},
      {R"(a"b)", R"("a\"b")"},
      {"$HOME/`id`", R"("\$HOME/\`id\`")"},
      {R"(C:\dir\)", R"("C:\\dir\\")"},
      {"100%f", R"("100%%f")"},
      {"it's;|&", R"("it's;|&")"},
  };
  for (const auto& [in, out] : quoted) EXPECT_EQ(QuoteExecArgument(in), out) << in;

  const std::pair<std::string, std::string> escaped[] = {
      {"plain \"x\" $y", "plain \"x\" $y"},
      {"a\\b", "a\\\\b"},
      {"line\nbreak\ttab\rcr", "line\\nbreak\\ttab\\rcr"},
      {"\\n", "\\\\n"},
  };
  for (const auto& [in, out] : escaped) EXPECT_EQ(EscapeStringValue(in), out) << in;
}

TEST(DesktopEntryTest, AutostartEntryIsExact) {
  EXPECT_EQ(AutostartEntryContent("Zorvane", "/usr/lib/zorvane/zorvane", {"-autorun"}),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Zorvane\n"
            "Exec=\"/usr/lib/zorvane/zorvane\" -autorun\n"
            "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n");
  // Plain arguments stay bare; anything else, the empty one included, is quoted.
  EXPECT_EQ(ReadEntry(AutostartEntryContent("Z", "/p", {"--size=1,2", "a:b+c@d_e.f", "", "a b", "%u", "x\\"})).lines[3],
            R"(Exec="/p" --size=1,2 a:b+c@d_e.f "" "a b" "%%u" "x\\\\")");
}

TEST(DesktopEntryTest, ProgramAndArgumentsRoundTrip) {
  const std::vector<std::string> programs = {
      "/usr/bin/zorvane",
      "/opt/My Apps/zorvane",
      "/home/a\"b/zorvane",
      "/home/it's/zorvane",
      "/x/back\\slash/zorvane",
      "/x/\\\\two\\n/zorvane",
      "$HOME/bin/zorvane",
      "/x/`id`/zorvane",
      "/x/%f/100%/zorvane%",
      "/x/%%u/zorvane",
      "/x/new\nline/zorvane",
      "/x/tab\there\rcr/zorvane",
      "/x/ lead and trail /zorvane ",
      "/opt/Grüße/鼠标/zorvane",
      "/x/;|&<>~*?#()[]{}!'/zorvane",
      "/x/ends-in-backslash\\",
  };
  const std::vector<std::vector<std::string>> argumentSets = {
      {},
      {"-autorun"},
      {"-autorun", "", "two words", "%u", "--dir=/a \"b\"/c\\", "$(reboot)", "new\nline"},
  };
  for (const std::string& program : programs) {
    for (const auto& arguments : argumentSets) {
      const std::string content = AutostartEntryContent("Zorvane " + program, program, arguments);
      const Entry entry = ReadEntry(content);
      ASSERT_EQ(entry.lines.size(), 6u) << content;
      EXPECT_EQ(entry.lines[0], "[Desktop Entry]");
      EXPECT_EQ(entry.name, "Zorvane " + program);
      std::vector<std::string> expected = {program};
      expected.insert(expected.end(), arguments.begin(), arguments.end());
      EXPECT_EQ(entry.exec, expected) << content;
    }
  }
}

}  // namespace
