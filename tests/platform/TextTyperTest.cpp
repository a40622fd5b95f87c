#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/TextTyper.h"
#include "tests/platform/X11TestClient.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"

extern char** environ;

using namespace std::chrono_literals;
using Platform::TextTyper;
using PlatformTest::X11TestClient;

namespace {

#define REQUIRE_DISPLAY(client)                                                                    \
  if (!(client).Connected()) {                                                                     \
    GTEST_SKIP() << "needs an X display with XTest: run the suite through scripts/test.sh, which " \
                    "starts Xvfb";                                                                 \
  }

// Runs `typer.Type(text)` on a thread of its own, as the device worker does,
// while the test client handles its events; waits until the call returned
// and `pastes` pastes have arrived.
bool TypeWhileServing(TextTyper& typer, X11TestClient& client, const std::string& text, std::size_t pastes = 1) {
  std::atomic<bool> returned{false};
  bool typed = false;
  std::thread worker([&] {
    typed = typer.Type(text);
    returned = true;
  });
  bool done = client.RunUntil([&] { return returned && client.Pastes().size() >= pastes; });
  if (!done) client.RunUntil([&] { return returned.load(); });
  worker.join();
  return typed && done;
}

std::string LargeText() {
  std::string text;
  while (text.size() < 1024 * 1024) text += "line " + std::to_string(text.size()) + " 文字\n";
  return text;
}

}  // namespace

TEST(TextTyper, PastesTheSnippetForEveryTextTarget) {
  struct Case {
    const char* target;
    std::string snippet;
    const char* type;
    std::string received;
  };
  const std::string large = LargeText();
  const Case cases[] = {
      {"UTF8_STRING", "Grüße, 世界 ✓\nline 2", "UTF8_STRING", "Grüße, 世界 ✓\nline 2"},
      {"text/plain;charset=utf-8", "日本語のテキスト", "text/plain;charset=utf-8", "日本語のテキスト"},
      {"TEXT", "Grüße, 世界", "UTF8_STRING", "Grüße, 世界"},
      {"STRING", "Grüße, 世界", "STRING",
       "Gr\xFC\xDF"
       "e, ??"},
      {"UTF8_STRING", "", "UTF8_STRING", ""},
      {"UTF8_STRING", large, "UTF8_STRING", large},  // sent in increments
      {"TARGETS", "x", "ATOM", "MULTIPLE STRING TARGETS TEXT TIMESTAMP UTF8_STRING text/plain;charset=utf-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target + std::string(" ") + std::to_string(c.snippet.size()));
    X11TestClient client;
    REQUIRE_DISPLAY(client);
    ASSERT_TRUE(client.ShowFocusedWindow());
    client.SetPasting(c.target);
    TextTyper typer;
    ASSERT_TRUE(TypeWhileServing(typer, client, c.snippet));
    ASSERT_EQ(client.Pastes().size(), 1u);
    const X11TestClient::Received& paste = client.Pastes()[0];
    EXPECT_FALSE(paste.refused);
    EXPECT_EQ(paste.type, c.type);
    EXPECT_TRUE(paste.data == c.received) << "received " << paste.data.size() << " bytes";
  }
}

TEST(TextTyper, GivesThePreviousTextBack) {
  struct Case {
    const char* what;
    std::optional<std::string> held;
    X11TestClient::Offer offer;
    bool incremental;
    std::optional<std::string> restored;  // none: the clipboard ends empty
  };
  const std::string large = LargeText();
  const Case cases[] = {
      {"nothing", std::nullopt, X11TestClient::Offer::Utf8, false, std::nullopt},
      {"UTF-8 text", "vorher, 以前", X11TestClient::Offer::Utf8, false, "vorher, 以前"},
      {"empty text", "", X11TestClient::Offer::Utf8, false, ""},
      {"Latin-1 only", "caf\xE9", X11TestClient::Offer::Latin1Only, false, "café"},
      {"no text", "\x89PNG", X11TestClient::Offer::ImageOnly, false, std::nullopt},
      {"large text in increments", large, X11TestClient::Offer::Utf8, true, large},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    X11TestClient client;
    REQUIRE_DISPLAY(client);
    ASSERT_TRUE(client.ShowFocusedWindow());
    if (c.held) {
      ASSERT_TRUE(client.OwnClipboard(*c.held, c.offer, c.incremental));
    } else {
      client.ClearClipboard();
    }
    client.SetPasting("UTF8_STRING");
    TextTyper typer;
    ASSERT_TRUE(TypeWhileServing(typer, client, "snippet"));
    ASSERT_EQ(client.Pastes().size(), 1u);
    EXPECT_EQ(client.Pastes()[0].data, "snippet");
    EXPECT_FALSE(client.OwnsClipboard());

    if (c.restored) {
      std::optional<X11TestClient::Received> now = client.Request("UTF8_STRING");
      ASSERT_TRUE(now.has_value());
      EXPECT_FALSE(now->refused);
      EXPECT_TRUE(now->data == *c.restored) << "received " << now->data.size() << " bytes";
    } else {
      EXPECT_FALSE(client.ClipboardHasOwner());
    }
  }
}

TEST(TextTyper, ServesARequestThatComesLate) {
  X11TestClient client;
  REQUIRE_DISPLAY(client);
  ASSERT_TRUE(client.ShowFocusedWindow());
  ASSERT_TRUE(client.OwnClipboard("before", X11TestClient::Offer::Utf8));
  client.SetPasting("UTF8_STRING", 700ms);  // well after the keys were released
  TextTyper typer;
  ASSERT_TRUE(TypeWhileServing(typer, client, "late"));
  ASSERT_EQ(client.Pastes().size(), 1u);
  EXPECT_EQ(client.Pastes()[0].data, "late");
}

// The second snippet finds the first one's restored text on the clipboard,
// served by the typer itself, and must give back that text, not its own.
TEST(TextTyper, SnippetsInARowKeepTheUsersText) {
  X11TestClient client;
  REQUIRE_DISPLAY(client);
  ASSERT_TRUE(client.ShowFocusedWindow());
  ASSERT_TRUE(client.OwnClipboard("mine", X11TestClient::Offer::Utf8));
  client.SetPasting("UTF8_STRING");
  TextTyper typer;
  ASSERT_TRUE(TypeWhileServing(typer, client, "one", 1));
  ASSERT_TRUE(TypeWhileServing(typer, client, "two", 2));
  ASSERT_EQ(client.Pastes().size(), 2u);
  EXPECT_EQ(client.Pastes()[0].data, "one");
  EXPECT_EQ(client.Pastes()[1].data, "two");
  std::optional<X11TestClient::Received> now = client.Request("UTF8_STRING");
  ASSERT_TRUE(now.has_value());
  EXPECT_EQ(now->data, "mine");
}

TEST(TextTyper, TextCopiedDuringThePasteIsNotOverwritten) {
  X11TestClient client;
  REQUIRE_DISPLAY(client);
  ASSERT_TRUE(client.ShowFocusedWindow());
  ASSERT_TRUE(client.OwnClipboard("before", X11TestClient::Offer::Utf8));
  client.SetPasting("UTF8_STRING", 0ms, false, "copied meanwhile");
  TextTyper::Timing timing;
  timing.afterPaste = 1000ms;  // the copy surely lands while the typer still serves
  TextTyper typer(timing);
  ASSERT_TRUE(TypeWhileServing(typer, client, "snippet"));
  EXPECT_EQ(client.Pastes()[0].data, "snippet");
  EXPECT_TRUE(client.OwnsClipboard());
}

// Any client can send the owner a request naming a window that does not
// exist; answering it must not end the program (Xlib's default error handler
// would), and the real paste still works.
TEST(TextTyper, SurvivesARequestForAMissingWindow) {
  X11TestClient client;
  REQUIRE_DISPLAY(client);
  ASSERT_TRUE(client.ShowFocusedWindow());
  client.SetPasting("UTF8_STRING", 0ms, true);
  TextTyper typer;
  ASSERT_TRUE(TypeWhileServing(typer, client, "still here"));
  ASSERT_EQ(client.Pastes().size(), 1u);
  EXPECT_EQ(client.Pastes()[0].data, "still here");
}

TEST(TextTyper, WhenNobodyPastesTheTextIsGivenBackAfterTheLimit) {
  X11TestClient client;
  REQUIRE_DISPLAY(client);
  ASSERT_TRUE(client.OwnClipboard("before", X11TestClient::Offer::Utf8));
  client.SetPasting("");  // the window does not paste
  ASSERT_TRUE(client.ShowFocusedWindow());
  TextTyper::Timing timing;
  timing.pasteLimit = 300ms;
  TextTyper typer(timing);
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(TypeWhileServing(typer, client, "unused", 0));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  std::optional<X11TestClient::Received> now = client.Request("UTF8_STRING");
  ASSERT_TRUE(now.has_value());
  EXPECT_EQ(now->data, "before");
}

TEST(TextTyper, WithoutADisplayFailsQuickly) {
  const char* displays[] = {nullptr, "", ":4711"};
  for (const char* display : displays) {
    SCOPED_TRACE(display ? display : "unset");
    TestSupport::ScopedEnv env("DISPLAY", display);
    TextTyper typer;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(typer.Type("text"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  }
}

// A server of the test's own that goes away while the typer waits for the
// paste: Xlib's default handler would end the whole program there.
TEST(TextTyper, LostServerEndsTheTypingNotTheProgram) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  std::string fd = std::to_string(ready[1]);
  const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset", nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t server = 0;
  int spawned = posix_spawnp(&server, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  if (spawned != 0) {
    close(ready[0]);
    GTEST_SKIP() << "needs Xvfb (scripts/install-deps.sh installs it)";
  }
  std::string number;
  char c = 0;
  pollfd wait{ready[0], POLLIN, 0};
  while (poll(&wait, 1, 10000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
  close(ready[0]);
  ASSERT_FALSE(number.empty()) << "the private Xvfb did not start";

  std::string display = ":" + number;
  TestSupport::ScopedEnv env("DISPLAY", display.c_str());
  TextTyper::Timing timing;
  timing.pasteLimit = 20s;  // nobody pastes: only the lost server can end the wait early
  TextTyper typer(timing);
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    typer.Type("text");
    returned = true;
  });
  std::this_thread::sleep_for(500ms);
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  bool ended = TestSupport::WaitFor([&] { return returned.load(); }, 10s);
  if (!ended) {
    // Let the thread finish before failing, whatever it takes.
    TestSupport::WaitFor([&] { return returned.load(); }, 30s);
  }
  worker.join();
  EXPECT_TRUE(ended);
  EXPECT_FALSE(typer.Type("no server any more"));
}
