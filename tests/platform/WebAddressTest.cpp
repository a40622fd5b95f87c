#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/WebAddress.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"

using Platform::WebAddressToOpen;

TEST(WebAddress, RewritingTable) {
  struct Case {
    const char* typed;
    const char* opened;  // "" = nothing is opened
  };
  const Case cases[] = {
      // A scheme of the web stays as typed, in any case, https stays https.
      {"https://example.com/a?b=c", "https://example.com/a?b=c"},
      {"http://example.com", "http://example.com"},
      {"HTTPS://Example.COM/Path", "HTTPS://Example.COM/Path"},
      {"hTTp://example.com", "hTTp://example.com"},
      // "www." only before a name of exactly one dot.
      {"example.com", "https://www.example.com"},
      {"example.com/path/www.x?q=http://y", "https://www.example.com/path/www.x?q=http://y"},
      {"Example.Com:8080/x", "https://www.Example.Com:8080/x"},
      {"example.com.", "https://www.example.com."},
      {"user@example.com/inbox", "https://user@www.example.com/inbox"},
      {"bücher.de", "https://www.bücher.de"},
      {"www.example.com", "https://www.example.com"},
      {"mail.example.com", "https://mail.example.com"},
      {"example.co.uk", "https://example.co.uk"},
      {"localhost", "https://localhost"},
      {"localhost:3000/app", "https://localhost:3000/app"},
      {"192.168.1.10", "https://192.168.1.10"},
      {"10.0.0.1:8080/admin", "https://10.0.0.1:8080/admin"},
      {"[::1]:8080/", "https://[::1]:8080/"},
      {"[2001:db8::1]", "https://[2001:db8::1]"},
      // Blanks around the address are no part of it.
      {"  example.com \t\n", "https://www.example.com"},
      // Nothing to open.
      {"", ""},
      {"   ", ""},
      {"//example.com", ""},
      {"/etc/passwd", ""},
      {"example.com\n/etc", ""},
      // Other schemes: no local files, scripts or other programs.
      {"file:///etc/passwd", ""},
      {"FILE:/etc/passwd", ""},
      {"javascript:alert(1)", ""},
      {"mailto:someone@example.com", ""},
      {"ftp://example.com/file", ""},
      {"data:text/html,<script>x</script>", ""},
      {"smb://server/share", ""},
      {"x-scheme-handler:whatever", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(WebAddressToOpen(c.typed), c.opened);
  }
}

TEST(WebAddress, OpenerGetsTheRewrittenAddressAsOneArgument) {
  TestSupport::TempFolder temp;
  std::string opener = temp / "opener";
  std::string record = temp / "record";
  TestSupport::WriteFile(opener, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + record + ".part' && mv '" + record +
                                     ".part' '" + record + "'\n");
  chmod(opener.c_str(), 0755);

  ASSERT_TRUE(Platform::OpenWebAddressWith(opener, "example.com/a b;$(touch x)"));
  ASSERT_TRUE(TestSupport::WaitFor([&] { return !TestSupport::ReadFile(record).empty(); }));
  EXPECT_EQ(TestSupport::ReadFile(record), "1\nhttps://www.example.com/a b;$(touch x)\n");
}

TEST(WebAddress, RefusedAddressStartsNoOpener) {
  TestSupport::TempFolder temp;
  std::string opener = temp / "opener";
  TestSupport::WriteFile(opener, "#!/bin/sh\ntouch '" + (temp / "ran") + "'\n");
  chmod(opener.c_str(), 0755);
  EXPECT_FALSE(Platform::OpenWebAddressWith(opener, "file:///etc/passwd"));
  EXPECT_FALSE(Platform::OpenWebAddressWith(opener, ""));
}

TEST(WebAddress, WithoutAnOpenerOnThePathNothingIsOpened) {
  TestSupport::TempFolder temp;
  TestSupport::ScopedEnv path("PATH", temp.Path().c_str());
  EXPECT_FALSE(Platform::OpenWebAddress("example.com"));
}
